#!/usr/bin/env bash
# Builds and runs every test: the debug build, then under ASan+UBSan, then under TSan.
set -euo pipefail
cd "$(dirname "$0")/.."

for preset in debug asan-ubsan tsan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
