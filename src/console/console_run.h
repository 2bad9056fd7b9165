#pragma once

#include <string>
#include <vector>

#include "console/console_surface.h"

namespace roruvez {

inline constexpr int kExitDone = 0;
inline constexpr int kExitNotCompleted = 1;
inline constexpr int kExitUsage = 2;
// Joined, but the pieces' total differs from the size in the header: the file may be short or
// padded, which a script must not take for the original.
inline constexpr int kExitSizeMismatch = 3;
// Ended by Ctrl-C or a termination request, as shells number it.
inline constexpr int kExitInterrupted = 130;

// Runs one command line (the arguments after the program name) on the real machine and
// returns the exit status.
int runConsole(const std::vector<std::string>& args, ConsoleStreams streams);

}  // namespace roruvez
