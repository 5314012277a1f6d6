#!/usr/bin/env bash
# The wasm engine plays the demo as the desktop's render does: every frame and the log, byte
# for byte.
#   tests/web/frames_equal_render.sh NEV_BINARY WEB_DIR
set -euo pipefail
nev=$1 web=$2
root="$(cd "$(dirname "$0")/../.." && pwd)"
font=/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export XDG_CONFIG_HOME=$out/config XDG_DATA_HOME=$out/data HOME=$out
"$nev" render "$root/demo" "$out/desktop" >/dev/null
mkdir "$out/web"
node "$web/nev.js" "$root/demo" "$font" "$out/web"
frames=$(ls "$out/desktop" | grep -c '\.png$' || true)
if [[ $frames -eq 0 ]] || ! diff -r -x .nev-output "$out/desktop" "$out/web"; then
  echo "frames_equal_render: the browser build's frames or log differ from render's" >&2
  exit 1
fi
echo "frames_equal_render: $frames frames and the log, the same bytes"
