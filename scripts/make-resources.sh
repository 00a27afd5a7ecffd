#!/usr/bin/env bash
# Regenerates the generated resources: the default skin (resources/skins/orvel.xml and its images), the
# start-up and shut-down pictures (resources/images), the sampler bank and its sounds (resources/samples)
# and the demo songs (resources/demo_songs). The output is committed: the application and the tests use
# it as it is, so this runs only when a generator changes. The language file, the default overlays
# (resources/overlays/default.xml) and the empty shader folder are written by hand.
#
# Needs Debian's python3 with python3-cairo and python3-numpy, and sox with libsox-fmt-mp3 (MP3 output):
#   apt-get install -y --no-install-recommends python3-cairo python3-numpy sox libsox-fmt-mp3
set -euo pipefail
cd "$(dirname "$0")/.."

PYTHON=/usr/bin/python3
missing=()
"$PYTHON" -c 'import cairo' 2>/dev/null || missing+=(python3-cairo)
"$PYTHON" -c 'import numpy' 2>/dev/null || missing+=(python3-numpy)
command -v sox >/dev/null || missing+=(sox)
sox -h 2>/dev/null | grep -q 'FILE FORMATS:.* mp3' || missing+=(libsox-fmt-mp3)
if [ ${#missing[@]} -ne 0 ]; then
  echo "error: the resource generators need: ${missing[*]} (apt-get install them)" >&2
  exit 1
fi

"$PYTHON" scripts/resources/make_skin.py resources
"$PYTHON" scripts/resources/make_pictures.py resources
"$PYTHON" scripts/resources/make_audio.py resources
echo "resources written; review them with git status and git diff --stat before committing"
