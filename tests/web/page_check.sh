#!/usr/bin/env bash
# The player page in headless chromium: the demo published by `nev web` played through by keys,
# each wait's canvas compared with render's frame; then its menus, backlog and touch (make web first).
#   tests/web/page_check.sh NEV_BINARY
set -euo pipefail
nev=$1
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
for needed in node /usr/bin/chromium; do
  command -v "$needed" >/dev/null || { echo "page check: skipped ($needed is missing)"; exit 0; }
done
for needed in build/web/nev-page.wasm tools/web/node_modules/puppeteer-core; do
  [[ -e "$source_dir/$needed" ]] || { echo "page check: skipped (no $needed: run make web)"; exit 0; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export XDG_CONFIG_HOME=$out/config XDG_DATA_HOME=$out/data HOME=$out
"$nev" render "$source_dir/demo" "$out/render" --choose 0 >/dev/null
"$nev" web "$source_dir/demo" "$out/site" --player "$source_dir/build/web" >/dev/null
node "$source_dir/tests/web/page_check.js" "$out/site" "$out/render" 2> >(grep -v 'is a stub' >&2)
node "$source_dir/tests/web/menus_check.js" "$out/site" 2> >(grep -v 'is a stub' >&2)
