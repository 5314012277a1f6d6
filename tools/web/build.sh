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
