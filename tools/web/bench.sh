#!/usr/bin/env bash
# The page's budgets (make web first): wasm + JS compressed at most 3 MB (the one figure that
# fails the run), then in headless chromium from a local server its load and first picture, its
# idle cost at a click wait, and its typing and skipping against render's clock.
#   tools/web/bench.sh [NEV_BINARY]   (default build/debug/nev)
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
nev=${1:-$source_dir/build/debug/nev}
web=$source_dir/build/web
[[ -e $web/nev-page.wasm ]] || { echo "web bench: no $web/nev-page.wasm: run make web" >&2; exit 1; }

gzipped() { cat "$@" | gzip -9 | wc -c; }
engine=$(gzipped "$web/nev-page.wasm" "$web/nev-page.js")
page=$(gzipped $(ls "$web"/*.js | grep -v /nev-page.js))
synth=$(gzipped "$web"/sound/*.js)
total=$((engine + page + synth))
budget=3000000
echo "web bench: wasm + JS gzipped: engine $engine, page $page, synthesizer $synth: $total bytes (budget $budget)"
if ((total > budget)); then
  echo "web bench: wasm + JS are $total bytes gzipped, over the budget of $budget" >&2
  exit 1
fi

for needed in node /usr/bin/chromium "$nev"; do
  command -v "$needed" >/dev/null || { echo "web bench: the page's timings skipped ($needed is missing)"; exit 0; }
done
[[ -e $source_dir/tools/web/node_modules/puppeteer-core ]] ||
  { echo "web bench: the page's timings skipped (no puppeteer-core: run make web)"; exit 0; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export XDG_CONFIG_HOME=$out/config XDG_DATA_HOME=$out/data HOME=$out
# The demo typed at no delay: the fastest speed a reader can choose.
cp -r "$source_dir/demo" "$out/fast"
sed -i 's/^45 /0 /' "$out/fast/nev.ini"
# The demo without music: what idling costs the player itself.
cp -r "$source_dir/demo" "$out/silent"
sed -i '/^@Y/d' "$out/silent/start.txt"
"$nev" render "$source_dir/demo" "$out/play" >/dev/null
"$nev" render "$out/fast" "$out/fast-render" >/dev/null
"$nev" render "$source_dir/demo" "$out/skip" --skip all >/dev/null
node -e '
  const fs = require("fs");
  const log = (dir) => fs.readFileSync(dir + "/events.jsonl", "utf8").trim().split("\n").map(JSON.parse);
  const span = (dir) => { const e = log(dir); return e[e.length - 1].t - e.find((x) => x.event === "frame").t; };
  const skip = log(process.argv[3]);
  console.log(JSON.stringify({ play: span(process.argv[1]), fast: span(process.argv[2]),
                               skip: skip[skip.length - 1].t }));
' "$out/play" "$out/fast-render" "$out/skip" >"$out/times.json"
"$nev" web "$source_dir/demo" "$out/site" --player "$web" >/dev/null
"$nev" web "$out/fast" "$out/fast-site" --player "$web" >/dev/null
"$nev" web "$out/silent" "$out/silent-site" --player "$web" >/dev/null
node "$source_dir/tools/web/bench.js" "$out/site" "$out/fast-site" "$out/silent-site" "$out/times.json" 2> >(grep -v 'is a stub' >&2)
