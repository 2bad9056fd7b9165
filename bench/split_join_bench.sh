#!/usr/bin/env bash
# Times roruvez-cli split and join against coreutils split and cat and against the bare reference
# loops of copy_loops, all in every round, in turn, on one large random file; reports the median
# wall time of each, the ratios to coreutils and to the best bare loop, and peak resident memory.
# Run by hand, not in CI: it writes several GB. Build first with
#   cmake -S . -B build-console -DRORUVEZ_WINDOW=OFF -DRORUVEZ_BENCH=ON && cmake --build build-console
#
#   bench/split_join_bench.sh [--build DIR] [--dir DIR] [--runs N] [--megabytes M]
#                             [--piece-sizes "1400000 400000000"] [--against DIR] [--large]
#                             [--checksums | --recovery]
#
# --large is the large-file row instead: 4,000,000,000 bytes in pieces of 1 GiB, past signed 32-bit
# counts and the nine-digit size field.
#
# --checksums are the checksum rows instead: a split with --checksums and a join of a set with
# its breldo.sha256, each against the plain job in the same round, and against what a user does by
# hand: coreutils split then sha256sum of the pieces, and sha256sum -c of the pieces then cat.
#
# --recovery are the recovery-data rows instead: a split with --recovery 1 and with --recovery 64
# against the plain split and against par2 create -s<piece size> -c64 over the same pieces (what
# a user does by hand), then a join of a sound set with its recovery files beside it and one that
# rebuilds a deleted middle piece, against the plain join.
#
# --against times the roruvez-cli of another build too, next to this one in every round (which
# goes first alternates), so that a change is measured against the code before it in one run.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"
build="$root/build-console"
base="/tmp"
runs=11
megabytes=900
piece_sizes="1400000 400000000"
against=""
checksums=""
recovery=""

while (($# > 0)); do
    case "$1" in
        --build) build="$2"; shift 2 ;;
        --dir) base="$2"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        --megabytes) megabytes="$2"; shift 2 ;;
        --piece-sizes) piece_sizes="$2"; shift 2 ;;
        --against) against="$2/src/console/roruvez-cli"; shift 2 ;;
        --large) megabytes=4000; piece_sizes=1073741824; shift ;;
        --checksums) checksums=1; shift ;;
        --recovery) recovery=1; shift ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done

cli="$build/src/console/roruvez-cli"
loops="$build/bench/copy_loops"
[ -x "$cli" ] || { echo "no roruvez-cli at $cli: build it first" >&2; exit 2; }
[ -x "$loops" ] || { echo "no copy_loops at $loops: configure with -DRORUVEZ_BENCH=ON" >&2; exit 2; }
[ -z "$against" ] || [ -x "$against" ] || { echo "no roruvez-cli at $against" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package time)" >&2; exit 2; }
((runs >= 1)) || { echo "--runs wants at least 1" >&2; exit 2; }

work="$(mktemp -d "$base/roruvez-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir "$work/src" "$work/set" "$work/out"
source_file="$work/src/data.bin"
bytes=$((megabytes * 1000 * 1000))

describe_machine "$work"
echo "making $bytes random bytes in $work"
head -c "$bytes" /dev/urandom >"$source_file"

# Runs a command under /usr/bin/time -v; prints "wall-seconds kilobytes". The wall time is taken
# here in nanoseconds, the peak resident set comes from time -v.
measure() {
    local report="$work/time.txt"
    local start end
    sync
    start=$(date +%s%N)
    /usr/bin/time -v -o "$report" "$@" >/dev/null 2>"$work/stderr.txt" ||
        { echo "failed: $*" >&2; cat "$work/stderr.txt" >&2; exit 1; }
    end=$(date +%s%N)
    local kb
    kb=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$report")
    echo "$(awk -v n=$((end - start)) 'BEGIN {printf "%.3f", n / 1e9}') $kb"
}

# A split and a join by the other build's roruvez-cli.
measure_against() {
    measure "$against" split "$source_file" --size "$piece" --yes >>"$work/split.against"
    rm -f "$work"/src/breldo.*
    measure "$against" join "$work/set/breldo.1" --yes >>"$work/join.against"
    rm -f "$work/set/data.bin"
}

# Name order of a piece set: breldo.1, breldo.2, ..., breldo.10, ...
pieces_of() {
    local dir="$1" n=1
    while [ -e "$dir/breldo.$n" ]; do
        echo "$dir/breldo.$n"
        n=$((n + 1))
    done
}

bare="pread cfr mmap"

# One line per contender: name, median seconds, largest peak in MiB.
summarize() {
    local job="$1" name
    local others=""
    [ -z "$against" ] || others="against"
    for name in roruvez $others "$2" $bare; do
        printf '%s %s %s\n' "$name" "$(cut -d' ' -f1 "$work/$job.$name" | median)" \
            "$(cut -d' ' -f2 "$work/$job.$name" | sort -g | tail -n 1 |
                awk '{printf "%.1f", $1 / 1024}')"
    done
}

report() {
    local job="$1" coreutils="$2"
    summarize "$job" "$coreutils" >"$work/summary"
    local ours theirs best
    ours=$(awk '$1 == "roruvez" {print $2}' "$work/summary")
    theirs=$(awk -v c="$coreutils" '$1 == c {print $2}' "$work/summary")
    best=$(awk '$1 == "pread" || $1 == "cfr" || $1 == "mmap" {print $2}' "$work/summary" |
        sort -g | head -n 1)
    echo "  $job:"
    awk '{printf "    %-8s %7.3f s  %7.1f MiB peak\n", $1, $2, $3}' "$work/summary"
    awk -v o="$ours" -v t="$theirs" -v b="$best" -v c="$coreutils" \
        'BEGIN {printf "    roruvez-cli / %s %.2f, / best bare loop %.2f\n", c, o / t, o / b}'
    if [ -n "$against" ]; then
        awk -v o="$ours" -v a="$(awk '$1 == "against" {print $2}' "$work/summary")" \
            'BEGIN {printf "    roruvez-cli / the other build %.3f\n", o / a}'
    fi
}

# The checksum rows: each round runs every contender once, starting with the next one in turn.
checksum_rows() {
    rm -rf "$work/sumset" && mkdir "$work/sumset"
    "$cli" split "$source_file" --size "$piece" --checksums --yes >/dev/null
    mv "$work"/src/breldo.* "$work/sumset/"
    mapfile -t sum_pieces < <(pieces_of "$work/sumset")
    local names="plain sums byhand" count=3
    [ -z "$against" ] || { names="$names against"; count=4; }
    for name in $names; do
        : >"$work/split.$name"
        : >"$work/join.$name"
    done
    : >"$work/stream"
    for ((round = 1; round <= runs; round++)); do
        # One SHA-256 stream over the source, what bounds the checked jobs.
        measure openssl dgst -sha256 "$source_file" >>"$work/stream"
        for ((i = 0; i < count; i++)); do
            case $(((i + round) % count)) in
                0) measure "$cli" split "$source_file" --size "$piece" --yes >>"$work/split.plain"
                   rm -f "$work"/src/breldo.* ;;
                1) measure "$cli" split "$source_file" --size "$piece" --checksums --yes \
                       >>"$work/split.sums"
                   rm -f "$work"/src/breldo.* ;;
                2) measure sh -c 'split -b "$1" "$2" "$3/x" && cd "$3" && sha256sum x* >x.sha256' \
                       sh "$piece" "$source_file" "$work/out" >>"$work/split.byhand"
                   rm -f "$work"/out/* ;;
                3) measure "$against" split "$source_file" --size "$piece" --checksums --yes \
                       >>"$work/split.against"
                   rm -f "$work"/src/breldo.* ;;
            esac
        done
        for ((i = 0; i < count; i++)); do
            case $(((i + round) % count)) in
                0) mv "$work/sumset/breldo.sha256" "$work/sumset.list"
                   measure "$cli" join "$work/sumset/breldo.1" --yes >>"$work/join.plain"
                   mv "$work/sumset.list" "$work/sumset/breldo.sha256"
                   rm -f "$work/sumset/data.bin" ;;
                1) measure "$cli" join "$work/sumset/breldo.1" --yes >>"$work/join.sums"
                   rm -f "$work/sumset/data.bin" ;;
                2) measure sh -c 'out="$1" && cd "$2" &&
                       sha256sum -c --quiet --ignore-missing breldo.sha256 && shift 2 &&
                       exec cat "$@" >"$out"' sh "$work/out/joined" "$work/sumset" \
                       "${sum_pieces[@]}" >>"$work/join.byhand"
                   rm -f "$work/out/joined" ;;
                3) measure "$against" join "$work/sumset/breldo.1" --yes >>"$work/join.against"
                   rm -f "$work/sumset/data.bin" ;;
            esac
        done
        echo "  round $round: split $(tail -n 1 "$work/split.sums" | cut -d' ' -f1)s," \
            "join $(tail -n 1 "$work/join.sums" | cut -d' ' -f1)s with checksums"
    done
    for job in split join; do
        echo "  $job:"
        for name in $names; do
            printf '    %-7s %7.3f s  %7.1f MiB peak\n' "$name" \
                "$(cut -d' ' -f1 "$work/$job.$name" | median)" \
                "$(cut -d' ' -f2 "$work/$job.$name" | sort -g | tail -n 1 |
                    awk '{printf "%.1f", $1 / 1024}')"
        done
        awk -v s="$(cut -d' ' -f1 "$work/$job.sums" | median)" \
            -v p="$(cut -d' ' -f1 "$work/$job.plain" | median)" \
            -v h="$(cut -d' ' -f1 "$work/$job.byhand" | median)" \
            'BEGIN {printf "    with checksums / plain %.2f, / by hand %.2f\n", s / p, s / h}'
        # The limit on n cores, with h one SHA-256 stream over the source: a split sums every
        # byte twice (its piece and the whole file), max(h, (plain + 2h) / n); a join's pieces
        # are independent, max(h / n, (plain + h) / n).
        awk -v j="$job" -v n="$(nproc)" -v s="$(cut -d' ' -f1 "$work/$job.sums" | median)" \
            -v p="$(cut -d' ' -f1 "$work/$job.plain" | median)" \
            -v h="$(cut -d' ' -f1 "$work/stream" | median)" \
            'BEGIN {
                 if (j == "split") { a = h; b = (p + 2 * h) / n } else { a = h / n; b = (p + h) / n }
                 limit = a > b ? a : b
                 printf "    one SHA-256 stream %.3f s, limit on %d cores %.3f s, with checksums / limit %.2f\n", h, n, limit, s / limit
             }'
    done
}

# The recovery rows: each round runs every contender once, starting with the next one in turn.
recovery_rows() {
    rm -rf "$work/recset" && mkdir "$work/recset"
    "$cli" split "$source_file" --size "$piece" --recovery 1 --yes >/dev/null
    mv "$work"/src/breldo.* "$work/recset/"
    local splits="plain one sixtyfour par2" joins="plain sound rebuild"
    for name in $splits; do : >"$work/split.$name"; done
    for name in $joins; do : >"$work/join.$name"; done
    for ((round = 1; round <= runs; round++)); do
        for ((i = 0; i < 4; i++)); do
            case $(((i + round) % 4)) in
                0) measure "$cli" split "$source_file" --size "$piece" --yes >>"$work/split.plain" ;;
                1) measure "$cli" split "$source_file" --size "$piece" --recovery 1 --yes \
                       >>"$work/split.one" ;;
                2) measure "$cli" split "$source_file" --size "$piece" --recovery 64 --yes \
                       >>"$work/split.sixtyfour" ;;
                3) "$cli" split "$source_file" --size "$piece" --yes >/dev/null
                   measure sh -c 'cd "$1" && shift && exec par2 create -q -q -s"$0" -c64 \
                       breldo.par2 "$@"' "$piece" "$work/src" \
                       $(cd "$work/src" && ls breldo.*) >>"$work/split.par2" ;;
            esac
            rm -f "$work"/src/breldo.*
        done
        for ((i = 0; i < 3; i++)); do
            case $(((i + round) % 3)) in
                0) mkdir "$work/recset.par2" && mv "$work"/recset/*.par2 "$work/recset.par2/"
                   measure "$cli" join "$work/recset/breldo.1" --yes >>"$work/join.plain"
                   mv "$work"/recset.par2/* "$work/recset/" && rmdir "$work/recset.par2" ;;
                1) measure "$cli" join "$work/recset/breldo.1" --yes >>"$work/join.sound" ;;
                2) mv "$work/recset/breldo.2" "$work/recset.2"
                   measure "$cli" join "$work/recset/breldo.1" --yes >>"$work/join.rebuild"
                   mv "$work/recset.2" "$work/recset/breldo.2" ;;
            esac
            rm -f "$work/recset/data.bin"
        done
        echo "  round $round: split $(tail -n 1 "$work/split.one" | cut -d' ' -f1)s with" \
            "recovery 1, join $(tail -n 1 "$work/join.rebuild" | cut -d' ' -f1)s rebuilding"
    done
    for job in split join; do
        local names="$joins"
        [ "$job" = split ] && names="$splits"
        echo "  $job:"
        for name in $names; do
            printf '    %-10s %7.3f s  %7.1f MiB peak  / plain %.2f\n' "$name" \
                "$(cut -d' ' -f1 "$work/$job.$name" | median)" \
                "$(cut -d' ' -f2 "$work/$job.$name" | sort -g | tail -n 1 |
                    awk '{printf "%.1f", $1 / 1024}')" \
                "$(awk -v a="$(cut -d' ' -f1 "$work/$job.$name" | median)" \
                    -v b="$(cut -d' ' -f1 "$work/$job.plain" | median)" 'BEGIN {print a / b}')"
        done
    done
}

for piece in $piece_sizes; do
    if [ -n "$recovery" ]; then
        echo
        echo "piece size $piece, recovery data, $runs rounds"
        recovery_rows
        continue
    fi
    if [ -n "$checksums" ]; then
        echo
        echo "piece size $piece, checksums, $runs rounds"
        checksum_rows
        continue
    fi
    echo
    echo "piece size $piece, $runs rounds"
    # The set every join reads, made once and checked.
    rm -f "$work"/set/*
    "$cli" split "$source_file" --size "$piece" --yes >/dev/null
    mv "$work"/src/breldo.* "$work/set/"
    "$cli" join "$work/set/breldo.1" --yes >/dev/null
    cmp "$source_file" "$work/set/data.bin"
    rm "$work/set/data.bin"
    mapfile -t set_pieces < <(pieces_of "$work/set")

    for name in roruvez against split cat $bare; do
        : >"$work/split.$name"
        : >"$work/join.$name"
    done
    for ((round = 1; round <= runs; round++)); do
        # The other build runs right before or right after this one, by turns.
        if [ -n "$against" ] && ((round % 2 == 0)); then
            measure_against
        fi
        # Each round starts with the next contender, so none always runs first.
        for ((i = 0; i < 5; i++)); do
            case $(((i + round) % 5)) in
                0) measure "$cli" split "$source_file" --size "$piece" --yes >>"$work/split.roruvez"
                   rm -f "$work"/src/breldo.* ;;
                1) measure split -b "$piece" "$source_file" "$work/out/x" >>"$work/split.split"
                   rm -f "$work"/out/* ;;
                *) way=$(echo $bare | cut -d' ' -f$(((i + round) % 5 - 1)))
                   measure "$loops" split "$way" "$source_file" "$piece" "$work/out" \
                       >>"$work/split.$way"
                   rm -f "$work"/out/* ;;
            esac
        done
        for ((i = 0; i < 5; i++)); do
            case $(((i + round) % 5)) in
                0) measure "$cli" join "$work/set/breldo.1" --yes >>"$work/join.roruvez"
                   rm -f "$work/set/data.bin" ;;
                1) measure sh -c 'out="$1"; shift; exec cat "$@" >"$out"' sh "$work/out/joined" \
                       "${set_pieces[@]}" >>"$work/join.cat"
                   rm -f "$work/out/joined" ;;
                *) way=$(echo $bare | cut -d' ' -f$(((i + round) % 5 - 1)))
                   measure "$loops" join "$way" "$work/out/joined" "${set_pieces[@]}" \
                       >>"$work/join.$way"
                   rm -f "$work/out/joined" ;;
            esac
        done
        if [ -n "$against" ] && ((round % 2 == 1)); then
            measure_against
        fi
        echo "  round $round: split $(tail -n 1 "$work/split.roruvez" | cut -d' ' -f1)s," \
            "join $(tail -n 1 "$work/join.roruvez" | cut -d' ' -f1)s"
    done
    report split split
    report join cat
done
