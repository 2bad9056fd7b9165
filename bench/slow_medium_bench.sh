#!/usr/bin/env bash
# A split and a join onto a slow stick: a FUSE file system that writes at RATE bytes a second
# (bench/slow_medium_fs.py), an image on it, a loop device over the image and ext2 on that, so
# that the page cache takes writes at once and a flush waits for the medium. Every output is
# treated as on a removable medium. For each piece size it prints the medians of:
#   - the job's time against `cp` and `sync` of the same file onto the same medium;
#   - the largest gap between the job's event pumps;
#   - the time from the last progress report to "Done!";
#   - the largest delay of a 10 ms timer in the real window, offscreen, during the same split;
#   - how long roruvez-cli takes to end after Ctrl-C in the middle of a piece, and what it left.
# Contenders alternate round by round. Needs root (mounts, a loop device), python3-fusepy and
# e2fsprogs; runs in a private mount namespace. Run by hand, not in CI. Build first with
#   cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DRORUVEZ_BENCH=ON && cmake --build build
#
#   bench/slow_medium_bench.sh [--build DIR] [--dir DIR] [--rate BYTES_PER_SECOND]
#                              [--megabytes M] [--piece-sizes "S1 S2"] [--runs N]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"
build="$root/build"
base="/tmp"
rate=5000000
megabytes=40
piece_sizes="1400000 20000000"
runs=3

while (($# > 0)); do
    case "$1" in
        --build) build="$2"; shift 2 ;;
        --dir) base="$2"; shift 2 ;;
        --rate) rate="$2"; shift 2 ;;
        --megabytes) megabytes="$2"; shift 2 ;;
        --piece-sizes) piece_sizes="$2"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        --in-namespace) in_namespace=1; shift ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done

job="$build/bench/slow_medium_job"
cli="$build/src/console/roruvez-cli"
window="$build/bench/slow_medium_window"
[ -x "$job" ] || { echo "no slow_medium_job at $job: configure with -DRORUVEZ_BENCH=ON" >&2; exit 2; }
[ "$(id -u)" = 0 ] || { echo "needs root: it mounts a loop device" >&2; exit 2; }

if [ -z "${in_namespace:-}" ]; then
    exec unshare -m --propagation private "$0" --build "$build" --dir "$base" --rate "$rate" \
        --megabytes "$megabytes" --piece-sizes "$piece_sizes" --runs "$runs" --in-namespace
fi

work="$(mktemp -d "$base/roruvez-slow-medium-XXXXXX")"
mkdir "$work/backing" "$work/slow" "$work/stick"
loop=""
cleanup() {
    umount "$work/stick" 2>/dev/null || true
    [ -n "$loop" ] && losetup -d "$loop" 2>/dev/null
    umount "$work/slow" 2>/dev/null || fusermount -u "$work/slow" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

/usr/bin/python3 "$root/bench/slow_medium_fs.py" "$work/backing" "$work/slow" "$rate" &
for _ in $(seq 50); do mountpoint -q "$work/slow" && break; sleep 0.1; done
mountpoint -q "$work/slow" || { echo "the slow file system did not mount" >&2; exit 1; }
truncate -s "$((megabytes * 3 + 64))M" "$work/slow/stick.img"
loop="$(losetup -f --show "$work/slow/stick.img")"
mkfs.ext2 -q "$loop"
mount "$loop" "$work/stick"
stick="$work/stick"

describe_machine "$stick"
echo "medium: ext2 on $loop over an image on a FUSE file system writing $rate bytes a second"
echo "making $((megabytes * 1000 * 1000)) random bytes"
head -c "$((megabytes * 1000 * 1000))" /dev/urandom >"$stick/data.bin"
sync

clear_pieces() {
    rm -f "$stick"/breldo.* "$stick/copy.bin"
    sync
}

seconds_of() {
    local start end
    start=$(date +%s%N)
    "$@"
    end=$(date +%s%N)
    awk -v n=$((end - start)) 'BEGIN {printf "%.3f\n", n / 1e9}'
}

copy_and_sync() {
    cp "$stick/data.bin" "$stick/copy.bin"
    sync
}

for size in $piece_sizes; do
    echo "pieces of $size bytes, $runs rounds"
    rm -f "$work"/r.*
    for ((round = 1; round <= runs; round++)); do
        for ((i = 0; i < 3; i++)); do
            case $(((i + round) % 3)) in
                0)
                    "$job" split "$stick/data.bin" "$size" >>"$work/r.split"
                    mv "$stick/data.bin" "$stick/data.orig"
                    "$job" join "$stick/breldo.1" >>"$work/r.join"
                    cmp "$stick/data.bin" "$stick/data.orig"
                    rm "$stick/data.bin"
                    mv "$stick/data.orig" "$stick/data.bin"
                    ;;
                1) seconds_of copy_and_sync >>"$work/r.cp" ;;
                2)
                    if [ -x "$window" ]; then
                        QT_QPA_PLATFORM=offscreen "$window" "$stick/data.bin" "$size" >>"$work/r.window"
                    fi
                    ;;
            esac
            clear_pieces
        done
        echo "  round $round: split $(tail -n 1 "$work/r.split"), join $(tail -n 1 "$work/r.join")," \
            "cp+sync $(tail -n 1 "$work/r.cp"), window $(tail -n 1 "$work/r.window" 2>/dev/null)"
    done
    cp_median=$(median <"$work/r.cp")
    for kind in split join; do
        seconds=$(awk '{print $1}' "$work/r.$kind" | median)
        gap=$(awk '{print $2}' "$work/r.$kind" | median)
        tail_ms=$(awk '{print $3}' "$work/r.$kind" | median)
        echo "  $kind: ${seconds}s against cp+sync ${cp_median}s (throughput $(awk -v a="$cp_median" -v b="$seconds" 'BEGIN {printf "%.2f", a / b}') of it)," \
            "largest pump gap ${gap} ms, last progress to \"Done!\" ${tail_ms} ms"
    done
    # Ctrl-C a second and a half into a split onto a floppy letter bound to the stick.
    "$cli" split "$stick/data.bin" --size "$size" --yes --drive "a:=$stick" --save-to a: \
        >/dev/null 2>&1 &
    pid=$!
    sleep 1.5
    start=$(date +%s%N)
    kill -INT "$pid"
    wait "$pid" || true
    end=$(date +%s%N)
    left=$(find "$stick" -maxdepth 1 \( -name 'breldo.*' -size "-${size}c" -o -name '.roruvez-*' \) |
        wc -l)
    echo "  Ctrl-C during a split: ended after $(((end - start) / 1000000)) ms," \
        "$(find "$stick" -maxdepth 1 -name 'breldo.*' | wc -l) pieces left, $left of them short or hidden"
    clear_pieces
    if [ -s "$work/r.window" ]; then
        echo "  window split: $(awk '{print $1}' "$work/r.window" | median)s," \
            "largest event-loop delay $(awk '{print $2}' "$work/r.window" | median) ms"
    fi
done
