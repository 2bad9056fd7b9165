#!/usr/bin/env bash
# Sets everything up, builds with AddressSanitizer and UndefinedBehaviorSanitizer, checks the
# formatting and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

git ls-files -- '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRORUVEZ_SANITIZE=ON
cmake --build build-asan -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-asan --output-on-failure
