#!/usr/bin/env bash
# Times how long an idle window takes to end after File > Exit and after its close box, on a
# private session bus with the AT-SPI bridge on, under Xvfb with openbox, alternating the two
# round by round; reports the median of each. Run by hand, not in CI. Needs openbox, wmctrl,
# xdotool and python3-pyatspi besides the test packages; build first with
#   cmake -S . -B build -DCMAKE_BUILD_TYPE=Release && cmake --build build --target roruvez
#
#   bench/window_close_bench.sh [--build DIR] [--runs N]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"
build="$root/build"
runs=9

while (($# > 0)); do
    case "$1" in
        --build) build="$2"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        --inside) inside=1; shift ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done

window="$build/src/window/roruvez"
[ -x "$window" ] || { echo "no window at $window: build it first" >&2; exit 2; }

if [ -z "${inside:-}" ]; then
    exec dbus-run-session -- xvfb-run -a "$0" --inside --build "$build" --runs "$runs" 2>/dev/null
fi

work="$(mktemp -d)"
export XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work"
openbox >/dev/null 2>&1 &
trap 'kill %1; rm -rf "$work"' EXIT
describe_machine "$work"
echo "window: $window, $(openbox --version | head -n 1) on Xvfb"
for ((round = 1; round <= runs; round++)); do
    for how in exit close; do
        if ((round % 2 == 0)); then
            how=$([ "$how" = exit ] && echo close || echo exit)
        fi
        /usr/bin/python3 "$root/bench/window_close.py" "$window" "$how" >>"$work/times.$how"
    done
done
for how in exit close; do
    echo "$how: median $(median <"$work/times.$how") s of $runs rounds"
done
