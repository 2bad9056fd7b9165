#pragma once

#include <cstdio>
#include <cstdlib>

// A broken promise of the program under test: report it and stop, so the fuzzer keeps the input.
#define FUZZ_CHECK(condition, message)                                                         \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: %s (%s)\n", __FILE__, __LINE__, message, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
