#!/usr/bin/env bash
# `make web`: the engine built to WebAssembly. build/web/ is the player page, a static folder
# that plays a story beside it (story/) or one the reader picks; build/web-node/ plays a story
# under node as render does, writing the same frames and log:
#   node build/web-node/nev.js STORY FONT_FILE OUT_DIR [CHOICES]
set -euo pipefail

export NEV_SOURCE_DIR="$(cd "$(dirname "$0")/../.." && pwd)"
source "$NEV_SOURCE_DIR/tools/web/env.sh"
cd "$NEV_SOURCE_DIR"

bash tools/web/build-libs.sh
# The code page 932 tables come from the build host's iconv, by a generator built for it.
generator=build/web-host/cp932_table_generator
if [[ ! -x $generator || tools/cp932_table_generator.cpp -nt $generator ]]; then
  mkdir -p build/web-host
  c++ -std=c++20 -O2 tools/cp932_table_generator.cpp -o $generator
fi
cmake --preset web >/dev/null
cmake --build --preset web -j2
mkdir -p build/web-node build/web/fonts
cp build/web-cmake/nev.js build/web-cmake/nev.wasm build/web-node/
cp build/web-cmake/nev-page.js build/web-cmake/nev-page.wasm backends/web/page/index.html \
  backends/web/page/player.js backends/web/page/player.css backends/web/page/menus.js \
  backends/web/page/touch.js backends/web/page/pad.js backends/web/page/saves.js \
  backends/web/page/captions.js build/web/
# Our own captions in the languages we have them in, as the desktop's caption files give them.
python3 tools/web/caption_table.py build/web/caption_table.js backends/qt/translations/nev_*.ts
# The whole glyph font, for stories a reader opens from their own device.
font=/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf
[[ build/web/fonts/ipam.ttf -nt $font ]] || cp "$font" build/web/fonts/ipam.ttf
# Its proportional sibling, for a translation's text; fetched only when one is read.
font=/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf
[[ build/web/fonts/ipamp.ttf -nt $font ]] || cp "$font" build/web/fonts/ipamp.ttf
gzipped() { gzip -9 -c "$@" | wc -c; }
echo "make web: the page's wasm and JS are $(gzipped build/web/nev-page.wasm) + $(gzipped build/web/nev-page.js build/web/player.js build/web/menus.js build/web/touch.js build/web/pad.js build/web/captions.js build/web/caption_table.js) bytes gzipped, in build/web/"

# The page's sound: the synthesizer from npm (installed again when its lock changes), the
# SoundFont, and their licences.
packages=tools/web/node_modules
if [[ ! -f $packages/.package-lock.json || tools/web/package-lock.json -nt $packages/.package-lock.json ]]; then
  (cd tools/web && npm ci --no-audit --no-fund --loglevel=error)
fi
mkdir -p build/web/sound build/web/licences
cp backends/web/page/sound.js build/web/
cp $packages/js-synthesizer/externals/libfluidsynth-2.4.6.js build/web/sound/libfluidsynth.js
cp $packages/js-synthesizer/dist/js-synthesizer.min.js $packages/js-synthesizer/dist/js-synthesizer.worklet.min.js \
  backends/web/page/music_core.js backends/web/page/music_worklet.js build/web/sound/
cp /usr/share/sounds/sf2/TimGM6mb.sf2 build/web/sound/
cp /usr/share/doc/timgm6mb-soundfont/copyright build/web/licences/TimGM6mb.txt
cp $packages/js-synthesizer/LICENSE build/web/licences/js-synthesizer.txt
cp $packages/js-synthesizer/externals/LICENSE.fluidsynth.txt build/web/licences/fluidsynth.txt
