#!/usr/bin/env bash
# Installs what is missing, builds Varnotex with its tests and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")
bash scripts/memcheck.sh build/varnotex
bash scripts/sanitize.sh
bash scripts/fuzz.sh
