#!/usr/bin/env bash
# Times a split through the real window, offscreen, with the file chosen through the dialog that
# "Browse" opens, against roruvez-cli on the same file, alternating round by round; reports the
# median of each and their ratio. Run by hand, not in CI. Build first with
#   cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRORUVEZ_BENCH=ON && cmake --build build
#
#   bench/window_bench.sh [--build DIR] [--dir DIR] [--runs N] [--megabytes M]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"
build="$root/build"
base="/tmp"
runs=7
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

describe_machine "$work"
echo "making $((megabytes * 1000 * 1000)) random bytes in $work"
head -c "$((megabytes * 1000 * 1000))" /dev/urandom >"$source_file"

: >"$work/times.window"
: >"$work/times.cli"
for ((round = 1; round <= runs; round++)); do
    for ((i = 0; i < 2; i++)); do
        sync
        if (((i + round) % 2 == 0)); then
            QT_QPA_PLATFORM=offscreen "$window" "$source_file" >>"$work/times.window"
        else
            start=$(date +%s%N)
            "$cli" split "$source_file" --yes >/dev/null
            end=$(date +%s%N)
            awk -v n=$((end - start)) 'BEGIN {printf "%.3f\n", n / 1e9}' >>"$work/times.cli"
        fi
        rm -f "$work"/breldo.*
    done
    echo "  round $round: window $(tail -n 1 "$work/times.window")s, cli $(tail -n 1 "$work/times.cli")s"
done

window_median=$(median <"$work/times.window")
cli_median=$(median <"$work/times.cli")
echo "window after Browse: $window_median s; roruvez-cli: $cli_median s;" \
    "ratio $(awk -v w="$window_median" -v c="$cli_median" 'BEGIN {printf "%.2f", w / c}')"
