#!/usr/bin/env bash
# The page's sound in headless chromium: the demo's music and effects rendered through sound.js
# from build/web/ (make web first).
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
source "$source_dir/tests/web/needs.sh"
needs "sound check" node /usr/bin/chromium build/web/sound.js build/web/sound/TimGM6mb.sf2 tools/web/node_modules/puppeteer-core
# FluidSynth's stubs for files it never opens here speak on the console; nothing else may.
node "$source_dir/tests/web/sound_check.js" 2> >(grep -v 'is a stub' >&2)
