#!/usr/bin/env bash
# The player page in headless chromium: the demo published by `nev web` played down its three
# routes by keys, clicks and taps, and in English, each frame and event compared with render's;
# then its menus, backlog and touch (make web first).
#   tests/web/page_check.sh NEV_BINARY
set -euo pipefail
nev=$1
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
source "$source_dir/tests/web/needs.sh"
needs "page check" node /usr/bin/chromium build/web/nev-page.wasm tools/web/node_modules/puppeteer-core
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export XDG_CONFIG_HOME=$out/config XDG_DATA_HOME=$out/data HOME=$out
"$nev" web "$source_dir/demo" "$out/demo" --player "$source_dir/build/web" >/dev/null
plan=()
route=0
for by in keys clicks taps; do
  "$nev" render "$source_dir/demo" "$out/render$route" --choose $route >/dev/null
  plan+=("{\"name\":\"demo\",\"site\":\"$out/demo\",\"render\":\"$out/render$route\",\"picks\":[$route],\"by\":\"$by\",\"rest\":$((route == 0))}")
  route=$((route + 1))
done
# The demo in its English translation, opened by the page's ?lang=.
"$nev" render "$source_dir/demo" "$out/render-en" --choose 2 --lang en >/dev/null
plan+=("{\"name\":\"demo\",\"site\":\"$out/demo\",\"render\":\"$out/render-en\",\"picks\":[2],\"by\":\"keys\",\"query\":\"?lang=en\"}")
# A translation the story lacks: the original, said on the first screen instead of a box.
plan+=("{\"name\":\"demo\",\"site\":\"$out/demo\",\"render\":\"$out/render1\",\"picks\":[1],\"by\":\"keys\",\"query\":\"?lang=xx\",\"says\":\"「xx」\"}")
# The demo typed at no delay, its files named in mixed case, one in Shift-JIS, one in a
# folder named with "\", and a broken picture's box before its end.
odd=$out/odd
cp -r "$source_dir/demo" "$odd"
sed -i 's/^45 /0 /' "$odd/nev.ini"
mv "$odd/station.bmp" "$odd/駅.BMP"
mv "$odd/route.txt" "$odd/Route.TXT"
mkdir "$odd/Se" && mv "$odd/bell.wav" "$odd/Se/Bell.WAV"
echo "not a picture" >"$odd/Broken.bmp"
iconv -f CP932 -t UTF-8 "$source_dir/demo/start.txt" |
  sed -e 's/station\.bmp/駅.bmp/' -e 's/@Zbell/@Zse\\bell/' -e 's/^@E/@G0,0,broken.bmp,0xCC0020;\r\n@E/' |
  iconv -f UTF-8 -t CP932 >"$odd/start.txt"
"$nev" web "$odd" "$out/odd-site" --player "$source_dir/build/web" >/dev/null
"$nev" render "$odd" "$out/odd-render" --choose 1 >/dev/null 2>&1 || [[ $? == 2 ]]
plan+=("{\"name\":\"odd\",\"site\":\"$out/odd-site\",\"render\":\"$out/odd-render\",\"picks\":[1],\"by\":\"clicks\"}")
(IFS=,; echo "[${plan[*]}]") >"$out/plan.json"
node "$source_dir/tests/web/page_check.js" "$out/plan.json"
node "$source_dir/tests/web/menus_check.js" "$out/demo" 2> >(grep -v 'is a stub' >&2)
