#!/usr/bin/env bash
# Installs what is missing, builds Varnotex and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Compiled in batches (a unity build), as the test command builds the same folder; file
# by file should that fail.
configure() { cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_UNITY_BUILD="$1" >/dev/null; }
configure ON
if ! cmake --build build --target varnotex -j"$(nproc)"; then
  echo "run.sh: the batched build failed; building file by file" >&2
  configure OFF
  cmake --build build --target varnotex -j"$(nproc)"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "varnotex: no display found (set DISPLAY or WAYLAND_DISPLAY, or start it under Xvfb)." >&2
  exit 1
fi
exec ./build/varnotex "$@"
