#!/usr/bin/env bash
# The wasm engine plays the demo down each of its five routes as the desktop's render does:
# every frame and the log, byte for byte.
#   tests/web/frames_equal_render.sh NEV_BINARY WEB_NODE_DIR
set -euo pipefail
nev=$1 web=$2
root="$(cd "$(dirname "$0")/../.." && pwd)"
font=/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export XDG_CONFIG_HOME=$out/config XDG_DATA_HOME=$out/data HOME=$out
frames=0
for route in 0 1,0,0 1,0,1 1,1 2; do
  "$nev" render "$root/demo" "$out/desktop$route" --choose $route >/dev/null
  mkdir "$out/web$route"
  node "$web/nev.js" "$root/demo" "$font" "$out/web$route" $route
  count=$(ls "$out/desktop$route" | grep -c '\.png$' || true)
  if [[ $count -eq 0 ]] || ! diff -r -x .nev-output "$out/desktop$route" "$out/web$route"; then
    echo "frames_equal_render: route $route: the browser build's frames or log differ from render's" >&2
    exit 1
  fi
  frames=$((frames + count))
done
echo "frames_equal_render: the five routes' $frames frames and logs, the same bytes"
