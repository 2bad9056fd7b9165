#!/usr/bin/env bash
# Times roruvez-cli split and join against coreutils split and cat on one large random file,
# alternating the two in every round, and reports median wall times, their ratio and the peak
# resident memory of each. Run by hand, not in CI: it writes about 3 GB.
#
#   bench/split_join_bench.sh [--cli PATH] [--dir DIR] [--runs N] [--megabytes M]
#                             [--piece-sizes "1400000 400000000"]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cli="$root/build-console/src/console/roruvez-cli"
base="/tmp"
runs=5
megabytes=900
piece_sizes="1400000 400000000"

while (($# > 0)); do
    case "$1" in
        --cli) cli="$2"; shift 2 ;;
        --dir) base="$2"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        --megabytes) megabytes="$2"; shift 2 ;;
        --piece-sizes) piece_sizes="$2"; shift 2 ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done

[ -x "$cli" ] || { echo "no roruvez-cli at $cli: build it first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package time)" >&2; exit 2; }
((runs >= 1)) || { echo "--runs wants at least 1" >&2; exit 2; }

work="$(mktemp -d "$base/roruvez-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir "$work/src" "$work/set" "$work/cu"
source_file="$work/src/data.bin"
bytes=$((megabytes * 1000 * 1000))

echo "machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo) memory," \
    "$(df -T "$work" | awk 'NR == 2 {print $2 " on " $1}'), kernel $(uname -r)"
echo "making $bytes random bytes in $work"
head -c "$bytes" /dev/urandom >"$source_file"

# Runs a command under /usr/bin/time -v; prints "wall-seconds kilobytes cpu-seconds". The wall
# time is taken here in nanoseconds; the peak resident set and the processor time (user plus
# system, steadier than the wall time on a shared machine) come from time -v.
measure() {
    local report="$work/time.txt"
    local start end
    sync
    start=$(date +%s%N)
    /usr/bin/time -v -o "$report" "$@" >/dev/null 2>"$work/stderr.txt" ||
        { echo "failed: $*" >&2; cat "$work/stderr.txt" >&2; exit 1; }
    end=$(date +%s%N)
    local kb cpu
    kb=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$report")
    cpu=$(awk -F: '/User time|System time/ {s += $2} END {printf "%.3f", s}' "$report")
    echo "$(awk -v n=$((end - start)) 'BEGIN {printf "%.3f", n / 1e9}') $kb $cpu"
}

median() {
    sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

largest() {
    sort -g | tail -n 1
}

# Name order of a piece set: breldo.1, breldo.2, ..., breldo.10, ...
pieces_of() {
    local dir="$1" n=1
    while [ -e "$dir/breldo.$n" ]; do
        echo "$dir/breldo.$n"
        n=$((n + 1))
    done
}

for piece in $piece_sizes; do
    echo
    echo "piece size $piece, $runs rounds"
    # The set both joins read, made once and checked.
    rm -f "$work"/set/*
    "$cli" split "$source_file" --size "$piece" --yes >/dev/null
    mv "$work"/src/breldo.* "$work/set/"
    "$cli" join "$work/set/breldo.1" --yes >/dev/null
    cmp "$source_file" "$work/set/data.bin"
    rm "$work/set/data.bin"
    mapfile -t set_pieces < <(pieces_of "$work/set")

    : >"$work/r.split" ; : >"$work/c.split" ; : >"$work/r.join" ; : >"$work/c.join"
    for ((round = 1; round <= runs; round++)); do
        measure "$cli" split "$source_file" --size "$piece" --yes >>"$work/r.split"
        rm -f "$work"/src/breldo.*
        measure split -b "$piece" "$source_file" "$work/cu/x" >>"$work/c.split"
        rm -f "$work"/cu/*
        measure "$cli" join "$work/set/breldo.1" --yes >>"$work/r.join"
        rm -f "$work/set/data.bin"
        measure sh -c 'out="$1"; shift; exec cat "$@" >"$out"' sh "$work/set/cat.out" \
            "${set_pieces[@]}" >>"$work/c.join"
        rm -f "$work/set/cat.out"
        echo "  round $round: split $(tail -n 1 "$work/r.split" | cut -d' ' -f1)s" \
            "vs $(tail -n 1 "$work/c.split" | cut -d' ' -f1)s," \
            "join $(tail -n 1 "$work/r.join" | cut -d' ' -f1)s vs $(tail -n 1 "$work/c.join" | cut -d' ' -f1)s"
    done

    for job in split join; do
        other=$([ "$job" = split ] && echo "split -b" || echo "cat")
        ours=$(cut -d' ' -f1 "$work/r.$job" | median)
        theirs=$(cut -d' ' -f1 "$work/c.$job" | median)
        ours_kb=$(cut -d' ' -f2 "$work/r.$job" | largest)
        theirs_kb=$(cut -d' ' -f2 "$work/c.$job" | largest)
        ours_cpu=$(cut -d' ' -f3 "$work/r.$job" | median)
        theirs_cpu=$(cut -d' ' -f3 "$work/c.$job" | median)
        printf '  %-5s roruvez-cli %7.3fs %8.1f MiB | %-8s %7.3fs %8.1f MiB | ratio %.2f' \
            "$job" "$ours" "$(awk -v k="$ours_kb" 'BEGIN {print k / 1024}')" "$other" \
            "$theirs" "$(awk -v k="$theirs_kb" 'BEGIN {print k / 1024}')" \
            "$(awk -v a="$ours" -v b="$theirs" 'BEGIN {print a / b}')"
        printf ' | processor %.3fs vs %.3fs, ratio %.2f\n' "$ours_cpu" "$theirs_cpu" \
            "$(awk -v a="$ours_cpu" -v b="$theirs_cpu" 'BEGIN {print a / b}')"
    done
done
