# Sourced by the test scripts: the toolkit's tests need a display, so without one a private Xvfb is
# started (and stopped when the script exits). Xvfb picks a free display itself and writes its number once
# it accepts clients, so parallel runs never share or race for one.
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
stop_private_display() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap stop_private_display EXIT
export GDK_BACKEND=x11
