#!/usr/bin/env bash
# Times a split through the real window, offscreen, with the file chosen in the open-file dialog
# as "Browse" chooses it, against roruvez-cli on the same file, in turn in every round; reports
# the medians and their ratio. Run by hand, not in CI. Build first with
#   cmake -S . -B build -DRORUVEZ_BENCH=ON && cmake --build build --target window_split roruvez-cli
#
#   bench/window_bench.sh [--build DIR] [--dir DIR] [--runs N] [--megabytes M]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
base="/tmp"
runs=5
megabytes=800

while (($# > 0)); do
    case "$1" in
        --build) build="$2"; shift 2 ;;
        --dir) base="$2"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        --megabytes) megabytes="$2"; shift 2 ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done

cli="$build/src/console/roruvez-cli"
window="$build/bench/window_split"
[ -x "$cli" ] || { echo "no roruvez-cli at $cli: build it first" >&2; exit 2; }
[ -x "$window" ] || { echo "no window_split at $window: configure with -DRORUVEZ_BENCH=ON" >&2; exit 2; }

work="$(mktemp -d "$base/roruvez-window-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
source_file="$work/data.bin"

echo "processor: $(lscpu | sed -n 's/^Model name: *//p' | head -n 1), $(nproc) cores, kernel $(uname -r)"
echo "file system: $(df -T "$work" | awk 'NR == 2 {print $2 " on " $1 " (" $7 ")"}')"
head -c $((megabytes * 1000 * 1000)) /dev/urandom >"$source_file"

seconds() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    awk -v n=$((end - start)) 'BEGIN {printf "%.3f\n", n / 1e9}'
}

median() {
    sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

: >"$work/window.times"
: >"$work/cli.times"
for ((round = 1; round <= runs; round++)); do
    sync
    # The window's own figure: from the press of "BRELDO" to "Done!".
    QT_QPA_PLATFORM=offscreen "$window" "$source_file" >>"$work/window.times"
    rm -f "$work"/breldo.*
    sync
    seconds "$cli" split "$source_file" --yes >>"$work/cli.times"
    rm -f "$work"/breldo.*
    echo "  round $round: window $(tail -n 1 "$work/window.times")s," \
        "roruvez-cli $(tail -n 1 "$work/cli.times")s"
done
window_median=$(median <"$work/window.times")
cli_median=$(median <"$work/cli.times")
echo "split of $megabytes MB after Browse: window ${window_median}s, roruvez-cli ${cli_median}s," \
    "ratio $(awk -v w="$window_median" -v c="$cli_median" 'BEGIN {printf "%.2f", w / c}')"
