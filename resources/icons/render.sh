#!/bin/sh
# Renders the program icon's PNGs for the desktop entry's fixed sizes from their SVG
# sources (needs rsvg-convert from librsvg2-bin). The PNGs are committed, so building the
# program needs no converter. The program itself draws every image from the SVG sources.
set -e
cd "$(dirname "$0")"
rsvg-convert -w 16 -h 16 -o varnotex-16.png varnotex-small.svg
for size in 32 48 64 128; do
  rsvg-convert -w $size -h $size -o varnotex-$size.png varnotex.svg
done
