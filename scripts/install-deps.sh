#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Idempotent: when everything is present it only asks dpkg and returns.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config ccache
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth p7zip-full
  # the end-to-end run: real input events (xdotool), screenshots (xwd) and window sizes (xwininfo)
  xdotool x11-apps x11-utils
  # fuzzing (the libFuzzer programs of fuzz/ need clang)
  clang
  # core runtime
  libicu-dev libconcurrentqueue-dev libxml2-dev libcurl4-openssl-dev
  # dsp
  libfftw3-dev libsamplerate0-dev librubberband-dev
  # media
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev
  libtag1-dev libminizip-dev zlib1g-dev libbz2-dev libmp3lame0 libshout3-dev libsoxr-dev
  # sound devices
  portaudio19-dev libasound2-dev libjack-jackd2-dev
  # controller scripts (JavaScriptCore of the 4.0 series) and HID controllers
  libjavascriptcoregtk-4.0-dev libhidapi-dev
  # a paced sound device for the device tests (a JACK server with its dummy driver)
  jackd2
  # toolkit, and its web view (WebKitGTK 4.0, the series of the script engine) for the service windows
  libwxgtk3.2-dev libwxgtk-webview3.2-dev libwebkit2gtk-4.0-dev
  # the online service clients and the shader service: crypto and JSON
  libsodium-dev libcjson-dev
  # drawing: Cairo and Pango in memory, the image readers, OpenGL on Mesa, and the fonts skins name
  # (Liberation for Arial and Helvetica, DejaVu for the symbols; DejaVu's extra faces include one without
  # a bold face, which the font tests need)
  libcairo2-dev libpango1.0-dev libpng-dev libjpeg-dev libgif-dev libtiff-dev
  libglew-dev libgl-dev libx11-dev libgl1-mesa-dri mesa-utils
  fonts-liberation2 fonts-dejavu-core fonts-dejavu-extra
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# apt 2.6 does not apply DPkg::Lock::Timeout to `apt-get update`: it fails at once while another apt
# process holds the lists lock. Wait for that lock instead, at most 10 minutes, saying so.
update_package_lists() {
  local waited=0 output
  while true; do
    if output=$($SUDO apt-get -o DPkg::Lock::Timeout=300 update -qq 2>&1); then
      [ -n "$output" ] && echo "$output"
      return 0
    fi
    if ! grep -q 'Could not get lock' <<<"$output" || [ "$waited" -ge 600 ]; then
      echo "$output" >&2
      return 1
    fi
    if [ "$waited" -eq 0 ]; then
      echo "another package manager holds the apt lists lock; waiting for it (at most 10 minutes)"
    fi
    sleep 5
    waited=$((waited + 5))
  done
}
update_package_lists
$SUDO apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "${missing[@]}"
