#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Varnotex need,
# but only those that are missing.
set -euo pipefail
# libqt6svg6 holds the SVG icon engine plugin that draws the toolbar and menu images;
# dbus, at-spi2-core and python3-pyatspi let an end-to-end case read the editor as a
# screen reader does.
packages=(cmake g++ make pkg-config qt6-base-dev libqt6svg6 qt6-translations-l10n libgl-dev libgtest-dev
          xvfb xauth xdotool x11-utils poppler-utils clang libclang-rt-14-dev valgrind
          dpkg-dev binutils appstream dbus at-spi2-core python3-pyatspi)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
