#!/usr/bin/env bash
# Installs what is missing, builds Varnotex and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Compiled in batches, as the test command builds the same folder.
source scripts/batchbuild.sh
batched_build run.sh build varnotex -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "varnotex: no display found (set DISPLAY or WAYLAND_DISPLAY, or start it under Xvfb)." >&2
  exit 1
fi
exec ./build/varnotex "$@"
