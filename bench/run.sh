#!/usr/bin/env bash
# Builds the editor benchmark (Release with debug info, in build/) and runs it: one row
# per figure with its goal. The test files are generated once into a folder of their own
# (about 205 MB; default /tmp/varnotex-bench, or the first argument).
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-/tmp/varnotex-bench}
mkdir -p "$folder"
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOTEX_BENCH=ON >/dev/null
fi
cmake --build build --target bench_editor_bench bench_replace_bench -j"$(nproc)" >/dev/null
QT_QPA_PLATFORM=offscreen ./build/bench/bench_editor_bench "$folder"
QT_QPA_PLATFORM=offscreen ./build/bench/bench_replace_bench
