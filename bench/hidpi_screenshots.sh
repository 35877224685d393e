#!/usr/bin/env bash
# Pictures of the frame with two documents and all six toolbars at the scales 1, 1.5 and 2
# (QT_SCALE_FACTOR), each under a private Xvfb with openbox, into a folder (default
# /tmp/varnotex-hidpi): frame-1.png, frame-1.5.png, frame-2.png.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-/tmp/varnotex-hidpi}
mkdir -p "$out"
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOTEX_BENCH=ON >/dev/null
fi
cmake --build build --target bench_frame_screenshot -j2 >/dev/null
for display in $(seq 140 199); do
  [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ] || break
done
Xvfb :$display -screen 0 2200x1500x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $wm $xvfb 2>/dev/null || true' EXIT
wm=
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
DISPLAY=:$display openbox >/dev/null 2>&1 &
wm=$!
sleep 1
for scale in 1 1.5 2; do
  env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:$display QT_SCALE_FACTOR=$scale \
    ./build/bench/bench_frame_screenshot --all-toolbars "$out/frame-$scale.png"
  echo "$out/frame-$scale.png"
done
