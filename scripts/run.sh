#!/usr/bin/env bash
# Builds everything and starts the application (the README's run command).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"

if [ -x "$BUILD_DIR/app/orvel" ]; then
  exec "$BUILD_DIR/app/orvel" "$@"
fi
echo "Built the engine libraries, the test programs (build/tests/test_*) and the"
echo "benchmarks (build/bench/bench_*). The application window does not exist yet:"
echo "run scripts/test.sh to exercise what is built."
