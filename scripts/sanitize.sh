#!/usr/bin/env bash
# Builds the engine (the layers below the toolkit, with their tests and the fuzz replays) with
# AddressSanitizer and UndefinedBehaviorSanitizer, LeakSanitizer included, and runs those tests. Any
# memory error, undefined behaviour, leak, or single allocation above 1 GiB fails the run. CI runs it
# after the ordinary suite (.ci/run); ccache serves both builds.
#
#   bash scripts/sanitize.sh             the engine
#   bash scripts/sanitize.sh --with-gui  the toolkit layer and its tests too (leaks of the toolkit's
#                                        own caches are suppressed by scripts/lsan_suppressions.txt)
set -euo pipefail
cd "$(dirname "$0")/.."

gui=OFF
[ "${1:-}" = "--with-gui" ] && gui=ON
BUILD_DIR=${SANITIZE_BUILD_DIR:-build-sanitize}
JOBS=${JOBS:-$(nproc)}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVEL_SANITIZE=ON \
  -DORVEL_BUILD_GUI=$gui -DORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS"

asan=detect_leaks=1:abort_on_error=1:max_allocation_size_mb=1024
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$PWD/scripts/ubsan_suppressions.txt
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan_suppressions.txt:print_suppressions=0
ASAN_OPTIONS=$asan ctest --test-dir "$BUILD_DIR" -j "$JOBS" --timeout 600 --output-on-failure -LE gui
if [ "$gui" = ON ]; then
  source scripts/private_display.sh
  # The toolkit's libraries have no frame pointers: full stacks are needed to match the suppressions.
  ASAN_OPTIONS=$asan:fast_unwind_on_malloc=0 ctest --test-dir "$BUILD_DIR" -j "$JOBS" --timeout 600 \
    --output-on-failure -L gui
fi
