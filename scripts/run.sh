#!/usr/bin/env bash
# Builds the application alone and starts it (the README's run command); scripts/test.sh builds the
# test programs and benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)" --target orvel

exec "$BUILD_DIR/app/orvel" "$@"
