#!/usr/bin/env bash
# Times a split into 10,000 small pieces and their join, next to the file and onto a drive letter
# bound to another directory, in turn in every round; reports the medians and their ratio.
# Optionally adds bind mounts first (as root), as on a machine with many mounts. Run by hand.
#
#   bench/drive_mode_bench.sh [--build DIR] [--dir DIR] [--runs N] [--pieces N] [--mounts N]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"
build="$root/build-console"
base="/tmp"
runs=5
pieces=10000
mounts=0

while (($# > 0)); do
    case "$1" in
        --build) build="$2"; shift 2 ;;
        --dir) base="$2"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        --pieces) pieces="$2"; shift 2 ;;
        --mounts) mounts="$2"; shift 2 ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done

cli="$build/src/console/roruvez-cli"
[ -x "$cli" ] || { echo "no roruvez-cli at $cli: build it first" >&2; exit 2; }

work="$(mktemp -d "$base/roruvez-drive-bench-XXXXXX")"
cleanup() {
    for ((m = 0; m < mounts; m++)); do
        umount "$work/mounts/$m" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/src" "$work/drive" "$work/mounts"
for ((m = 0; m < mounts; m++)); do
    mkdir "$work/mounts/$m"
    mount --bind "$work/src" "$work/mounts/$m"
done

describe_machine "$work"
piece=1000
source_file="$work/src/data.bin"
head -c $((pieces * piece - 160)) /dev/urandom >"$source_file"

seconds() {
    local start end
    sync
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    awk -v n=$((end - start)) 'BEGIN {printf "%.3f\n", n / 1e9}'
}

for name in split.dir split.drive join.dir join.drive; do : >"$work/$name"; done
for ((round = 1; round <= runs; round++)); do
    seconds "$cli" split "$source_file" --size "$piece" --yes >>"$work/split.dir"
    mkdir "$work/set" && mv "$work"/src/breldo.* "$work/set/"
    seconds "$cli" join "$work/set/breldo.1" --yes >>"$work/join.dir"
    rm -rf "$work/set"

    seconds "$cli" split "$source_file" --size "$piece" --drive "d:=$work/drive" --save-to d: \
        --yes >>"$work/split.drive"
    seconds "$cli" join "$work/drive/breldo.1" --drive "d:=$work/drive" --save-to d: --yes \
        >>"$work/join.drive"
    rm -f "$work"/drive/*
    echo "  round $round: split $(tail -n 1 "$work/split.dir")s / $(tail -n 1 "$work/split.drive")s," \
        "join $(tail -n 1 "$work/join.dir")s / $(tail -n 1 "$work/join.drive")s"
done
for job in split join; do
    dir=$(median <"$work/$job.dir")
    drive=$(median <"$work/$job.drive")
    echo "$job of $pieces pieces: directory ${dir}s, drive ${drive}s," \
        "ratio $(awk -v a="$drive" -v b="$dir" 'BEGIN {printf "%.2f", a / b}')"
done
