#!/usr/bin/env bash
# Builds everything and runs the whole test suite (the README's test command).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build}
JOBS=${JOBS:-$(nproc)}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS"

# Test names must be the same in every build (CTest's filters and cost data go by them): a parameter
# without a readable name prints as its bytes, pointers and padding included.
if ctest --test-dir "$BUILD_DIR" -N | grep -q 'byte object <'; then
  echo "error: parameterised tests whose names print raw bytes (give the parameter a PrintTo):" >&2
  ctest --test-dir "$BUILD_DIR" -N | grep 'byte object <' | head -5 >&2
  exit 1
fi

source scripts/private_display.sh

ctest --test-dir "$BUILD_DIR" -j "$JOBS" --timeout 300 --output-on-failure
