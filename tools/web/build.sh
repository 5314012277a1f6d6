#!/usr/bin/env bash
# `make web`: the engine built to WebAssembly into build/web/ (nev.js, nev.wasm, nev.worker.js).
# Under node it plays a story as render does, writing the same frames and log:
#   node build/web/nev.js STORY FONT_FILE OUT_DIR
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
mkdir -p build/web
cp build/web-cmake/nev.js build/web-cmake/nev.wasm build/web-cmake/nev.worker.js build/web/
echo "make web: $(du -b build/web/nev.wasm | cut -f1) bytes of wasm, $(du -b build/web/nev.js | cut -f1) of JS in build/web/"

# The page's sound: the synthesizer from npm (installed again when its lock changes), the
# SoundFont, and their licences.
packages=tools/web/node_modules
if [[ ! -f $packages/.package-lock.json || tools/web/package-lock.json -nt $packages/.package-lock.json ]]; then
  (cd tools/web && npm ci --no-audit --no-fund --loglevel=error)
fi
mkdir -p build/web/sound build/web/licences
cp backends/web/page/sound.js build/web/
cp $packages/js-synthesizer/externals/libfluidsynth-2.4.6.js build/web/sound/libfluidsynth.js
cp $packages/js-synthesizer/dist/js-synthesizer.min.js build/web/sound/
cp /usr/share/sounds/sf2/TimGM6mb.sf2 build/web/sound/
cp /usr/share/doc/timgm6mb-soundfont/copyright build/web/licences/TimGM6mb.txt
cp $packages/js-synthesizer/LICENSE build/web/licences/js-synthesizer.txt
cp $packages/js-synthesizer/externals/LICENSE.fluidsynth.txt build/web/licences/fluidsynth.txt
