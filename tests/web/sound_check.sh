#!/usr/bin/env bash
# The page's sound in headless chromium: the demo's music and effects rendered through sound.js
# from build/web/ (make web first).
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
for needed in node /usr/bin/chromium; do
  command -v "$needed" >/dev/null || { echo "sound check: skipped ($needed is missing)"; exit 0; }
done
for needed in build/web/sound.js build/web/sound/TimGM6mb.sf2 tools/web/node_modules/puppeteer-core; do
  [[ -e "$source_dir/$needed" ]] || { echo "sound check: skipped (no $needed: run make web)"; exit 0; }
done
# FluidSynth's stubs for files it never opens here speak on the console; nothing else may.
node "$source_dir/tests/web/sound_check.js" 2> >(grep -v 'is a stub' >&2)
