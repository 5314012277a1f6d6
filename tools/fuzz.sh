#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan+UBSan) and runs each for SECONDS (default 60)
# from a seed corpus made from the demo story, after replaying every regression input in
# fuzz/regressions/<target>/. A crash stops the run; its input is left in build/fuzz/artifacts/,
# to be added to fuzz/regressions/<target>/ once it is mended.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
targets=(config script_line runner bitmap midi settings save_file save_game font_subset zip po language_ini wave)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

seeds_config=(demo/nev.ini)
seeds_script_line=(demo/start.txt demo/route.txt)
seeds_runner=(demo/start.txt demo/route.txt)
seeds_bitmap=(demo/*.bmp)
seeds_midi=(demo/*.mid)
seeds_settings=(fuzz/seeds/nev.conf)
seeds_save_file=(fuzz/seeds/save.nevsave)
seeds_save_game=(fuzz/seeds/save.nevsave fuzz/seeds/save_story_section)
seeds_font_subset=(fuzz/seeds/tiny.ttf)
seeds_zip=(fuzz/seeds/story.zip fuzz/seeds/bomb.zip fuzz/seeds/link.zip)
seeds_po=(fuzz/seeds/story.po)
seeds_language_ini=(fuzz/seeds/language.ini)
seeds_wave=(demo/*.wav)

# Absolute paths: a target may work in a folder of its own.
root=$PWD
mkdir -p build/fuzz/artifacts
for target in "${targets[@]}"; do
  binary=$root/build/fuzz/fuzz/${target}_fuzz
  regressions=$root/fuzz/regressions/$target
  if [[ -d $regressions ]] && compgen -G "$regressions/*" >/dev/null; then
    "$binary" -rss_limit_mb=2048 -timeout=30 "$regressions"/* 2>&1 | tail -n 1
  fi
  corpus=$root/build/fuzz/corpus/$target
  mkdir -p "$corpus"
  seeds="seeds_${target}[@]"
  cp -n "${!seeds}" "$corpus"/ 2>/dev/null || true
  [[ -d $regressions ]] && cp -n "$regressions"/* "$corpus"/ 2>/dev/null || true
  echo "== $target, ${seconds} s"
  "$binary" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$root/build/fuzz/artifacts/${target}-" "$corpus" 2>&1 |
    grep -E '^(stat::number_of_executed_units|Done|==[0-9]+==ERROR|SUMMARY)' || true
  # libFuzzer leaves crash-*, leak-* or timeout-* behind when it finds something.
  if compgen -G "build/fuzz/artifacts/${target}-*" >/dev/null; then
    echo "fuzz: $target found a problem; its input is in build/fuzz/artifacts/" >&2
    exit 1
  fi
done
