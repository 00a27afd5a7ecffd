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

# The toolkit tests need a display: start a private Xvfb when there is none. Xvfb picks a free display
# itself and writes its number once it accepts clients, so parallel runs never share or race for one.
xvfb_pid=""
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 200); do
    [ -s "$display_file" ] && break
    sleep 0.1
  done
  if [ -s "$display_file" ]; then
    export DISPLAY=":$(tr -d '[:space:]' < "$display_file")"
  else
    echo "warning: Xvfb did not start within 20 s; the toolkit tests will skip" >&2
  fi
  rm -f "$display_file"
fi
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
export GDK_BACKEND=x11

ctest --test-dir "$BUILD_DIR" -j "$JOBS" --timeout 300 --output-on-failure
