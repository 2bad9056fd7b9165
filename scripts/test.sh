#!/usr/bin/env bash
# Every check, in stages that say what they run and how long they took:
#
#   setup       the Debian packages the build, the program and the tests need
#   format      clang-format over every tracked source, changing nothing
#   sanitizers  the Debug build with AddressSanitizer and UndefinedBehaviorSanitizer, and ctest
#   tidy        clang-tidy over src and tests, with that build's compile commands
#   fuzz        the fuzz targets built with clang's libFuzzer, each fuzzed a few seconds
#   release     the build that packagers and users make (GCC, Release), and ctest
#   package     the Debian package built, checked and run without installing it (CI installs it)
#
# With no arguments every stage runs, in this order; CI runs it so. Naming stages runs only
# those: `bash scripts/test.sh format tidy` (tidy needs the sanitizers stage's build tree).
set -euo pipefail
cd "$(dirname "$0")/.."

readonly all_stages=(setup format sanitizers tidy fuzz release package)
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

stage_setup() {
    bash scripts/setup.sh
}

stage_format() {
    git ls-files -- '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror
}

stage_sanitizers() (
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRORUVEZ_SANITIZE=ON -DRORUVEZ_WINDOW=ON \
        -DRORUVEZ_TESTS=ON -DRORUVEZ_WERROR=ON
    cmake --build build-asan -j "$jobs"
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ctest --test-dir build-asan --output-on-failure
)

stage_tidy() {
    local log=build-asan/clang-tidy.log
    if ! run-clang-tidy-14 -quiet -j "$jobs" -p build-asan "$PWD/(src|tests)/" >"$log" 2>&1; then
        sed -r 's/\x1b\[[0-9;]*m//g' "$log" | grep -A3 -E '(error|warning):' || cat "$log"
        return 1
    fi
}

stage_fuzz() (
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    CXX=clang++ cmake -S . -B build-asan-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRORUVEZ_FUZZ=ON \
        -DRORUVEZ_TESTS=OFF -DRORUVEZ_WINDOW=OFF -DRORUVEZ_FUZZ_SECONDS=5
    cmake --build build-asan-fuzz -j "$jobs" --target fuzz_header fuzz_par2_reader fuzz_piece_size \
        fuzz_source_name
    ctest --test-dir build-asan-fuzz --output-on-failure
)

stage_release() {
    CXX=g++ cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DRORUVEZ_WINDOW=ON \
        -DRORUVEZ_TESTS=ON -DRORUVEZ_WERROR=ON
    cmake --build build-release -j "$jobs"
    ctest --test-dir build-release --output-on-failure
}

stage_package() {
    bash scripts/package.sh build-release
}

describe() {
    sed -n "s/^#   $1 *//p" "$0"
}

minutes() {
    printf '%d min %02d s' $(($1 / 60)) $(($1 % 60))
}

stages=("$@")
if [ ${#stages[@]} -eq 0 ]; then
    stages=("${all_stages[@]}")
fi
for stage in "${stages[@]}"; do
    if ! declare -F "stage_$stage" >/dev/null; then
        echo "test.sh: no stage '$stage'; the stages are: ${all_stages[*]}" >&2
        exit 2
    fi
done

summary=()
current=""
started=$SECONDS
report() {
    local status=$?
    if [ -n "$current" ]; then
        summary+=("$(printf '%-11s FAILED after %s' "$current" "$(minutes $((SECONDS - began)))")")
    fi
    printf '\n==> times\n'
    printf '    %s\n' "${summary[@]}"
    printf '    %-11s %s\n' "all" "$(minutes $((SECONDS - started)))"
    exit "$status"
}
trap report EXIT

for stage in "${stages[@]}"; do
    current=$stage
    began=$SECONDS
    printf '\n==> %s: %s\n' "$stage" "$(describe "$stage")"
    "stage_$stage"
    summary+=("$(printf '%-11s %s' "$stage" "$(minutes $((SECONDS - began)))")")
    printf '==> %s: done in %s\n' "$stage" "$(minutes $((SECONDS - began)))"
    current=""
done
