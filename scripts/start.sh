#!/usr/bin/env bash
# Sets everything up, builds Roruvez and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh program

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DRORUVEZ_WINDOW=ON -DRORUVEZ_TESTS=OFF
cmake --build build -j "$(nproc)"

if [ -x build/src/window/roruvez ]; then
    exec build/src/window/roruvez "$@"
fi
echo "start.sh: build/src/window/roruvez was not built" >&2
exit 1
