#!/usr/bin/env bash
# The wasm engine's first frame of the demo equals the desktop's, byte for byte.
#   tests/web/first_frame.sh NEV_BINARY WEB_DIR
set -euo pipefail
nev=$1 web=$2
root="$(cd "$(dirname "$0")/../.." && pwd)"
font=/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export XDG_CONFIG_HOME=$out/config XDG_DATA_HOME=$out/data HOME=$out
"$nev" render "$root/demo" "$out/desktop" --max-frames 1 >/dev/null || [[ $? -eq 3 ]]
mkdir "$out/web"
node "$web/nev.js" "$root/demo" "$font" "$out/web"
if ! cmp "$out/desktop/0001.png" "$out/web/0001.png"; then
  echo "first_frame: the browser build's first frame differs from render's" >&2
  exit 1
fi
echo "first_frame: the same bytes ($(stat -c %s "$out/web/0001.png") of PNG)"
