#!/usr/bin/env bash
# Installs what is needed, builds everything in Release and starts the
# application when it has been built.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOKT_SANITIZE=none
cmake --build "$build" -j "$(nproc)"

app=$(find "$build" -type f -name "Vokt Selvo" -perm -u+x 2>/dev/null | head -n 1)
if [ -n "$app" ]; then
    exec "$app" "$@"
fi
echo "Built into $build (benchmarks in $build/bench)."
