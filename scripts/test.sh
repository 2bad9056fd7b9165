#!/usr/bin/env bash
# Sets everything up, builds with AddressSanitizer and UndefinedBehaviorSanitizer, checks the
# formatting, runs every test and clang-tidy; then builds as packagers do (Release), runs every
# test there too, and builds, checks, installs and removes the Debian package.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

git ls-files -- '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRORUVEZ_SANITIZE=ON -DRORUVEZ_WINDOW=ON \
    -DRORUVEZ_TESTS=ON -DRORUVEZ_WERROR=ON
cmake --build build-asan -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-asan --output-on-failure

# clang-tidy over the sources, with the compile commands of the build above and the checks of
# .clang-tidy.
tidy_log=build-asan/clang-tidy.log
if ! run-clang-tidy-14 -quiet -j "$(nproc)" -p build-asan "$PWD/(src|tests)/" >"$tidy_log" 2>&1; then
    sed -r 's/\x1b\[[0-9;]*m//g' "$tidy_log" | grep -A3 -E '(error|warning):' || cat "$tidy_log"
    exit 1
fi

# The fuzz targets, built with clang's libFuzzer in a tree of their own, each fuzzed for a few
# seconds on the committed corpus.
CXX=clang++ cmake -S . -B build-asan-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRORUVEZ_FUZZ=ON \
    -DRORUVEZ_TESTS=OFF -DRORUVEZ_WINDOW=OFF -DRORUVEZ_FUZZ_SECONDS=5
cmake --build build-asan-fuzz -j "$(nproc)" --target fuzz_header fuzz_piece_size \
    fuzz_source_name
ctest --test-dir build-asan-fuzz --output-on-failure

# The build that packagers and users make, with GCC and the tests on.
unset ASAN_OPTIONS UBSAN_OPTIONS
CXX=g++ cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DRORUVEZ_WINDOW=ON \
    -DRORUVEZ_TESTS=ON -DRORUVEZ_WERROR=ON
cmake --build build-release -j "$(nproc)"
ctest --test-dir build-release --output-on-failure
bash scripts/package.sh build-release
