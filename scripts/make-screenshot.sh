#!/usr/bin/env bash
# Makes the README's picture of the default skin, docs/orvel.png, from a real run of the application:
# the end-to-end test starts the built program on a display of its own, loads the two demo songs into
# the decks, plays them and takes the screenshot while both play (it writes the picture where
# ORVEL_E2E_SCREENSHOT says). Run it after a change to the skin and commit the picture.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "${JOBS:-$(nproc)}" --target test_e2e

mkdir -p docs
ORVEL_E2E_SCREENSHOT="$PWD/docs/orvel.png" "$BUILD_DIR/tests/e2e/test_e2e" --gtest_filter='EndToEnd.*' >/dev/null
echo "docs/orvel.png written"
