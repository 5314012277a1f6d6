#!/usr/bin/env bash
# The page's saves in headless chromium: saved, reloaded and loaded, exported to the desktop and
# a desktop save imported; the auto slot goes on after a reload; the demo opened as a zip, its
# translation offered.
#   tests/web/saves_check.sh NEV_BINARY
set -euo pipefail
nev=$1
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
source "$source_dir/tests/web/needs.sh"
needs "saves check" node python3 /usr/bin/chromium build/web/nev-page.wasm tools/web/node_modules/puppeteer-core
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export XDG_CONFIG_HOME=$out/config XDG_DATA_HOME=$out/data HOME=$out
"$nev" render "$source_dir/demo" "$out/render" --choose 0 --save-at 3:"$out/desktop.sav" >/dev/null
"$nev" web "$source_dir/demo" "$out/site" --player "$source_dir/build/web" >/dev/null
(cd "$source_dir" && python3 -m zipfile -c "$out/demo.zip" demo)
node "$source_dir/tests/web/saves_check.js" "$out" 2> >(grep -v 'is a stub\|404 (Not Found)' >&2)
# The page's export is a desktop save: render goes on from it at the wait it was made at.
"$nev" render "$source_dir/demo" "$out/loaded" --load "$out/exported.sav" --choose 0 >/dev/null
cmp -s "$out/loaded/0001.png" "$out/render/0002.png" ||
  { echo "saves check: the page's export does not load on the desktop at its wait" >&2; exit 1; }
echo "saves check: saved, reloaded, loaded, exported and imported across page and desktop; zip played"
