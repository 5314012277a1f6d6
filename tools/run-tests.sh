#!/usr/bin/env bash
# Builds and runs every test: the debug build, each benchmark and the web build once, then
# under ASan+UBSan, then under TSan, then each fuzz target briefly (its regression inputs, then
# a few seconds of fuzzing), so that a target that no longer builds or crashes at once is caught.
set -euo pipefail
cd "$(dirname "$0")/.."

for preset in debug asan-ubsan tsan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
  if [[ $preset == debug ]]; then
    # Every benchmark once and briefly, so that none rots unseen; no timing is judged.
    echo "== benchmarks, once"
    bench_log=$(cd build/debug && env -u DISPLAY -u WAYLAND_DISPLAY ./bench/nev_bench --benchmark_min_time=0.01 2>&1)
    echo "$bench_log"
    # A benchmark that cannot run reports an error yet exits 0.
    if grep -q "ERROR OCCURRED" <<<"$bench_log"; then echo "a benchmark could not run" >&2; exit 1; fi
    # The engine built for the browser, once: its frames of the demo are render's.
    echo "== web"
    bash tools/web/build.sh
    bash tests/web/frames_equal_render.sh build/debug/nev build/web-node
    bash tests/web/sound_check.sh
    bash tests/web/page_check.sh build/debug/nev
    bash tests/web/saves_check.sh build/debug/nev
    NEV_BENCH_IDLE_SECONDS=2 bash tools/web/bench.sh build/debug/nev
  fi
done

echo "== fuzz"
bash tools/fuzz.sh 5

# The Debian package, from the release build: its files and dependencies, and the program it installs.
echo "== package"
bash tools/check-package.sh
