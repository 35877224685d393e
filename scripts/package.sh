#!/usr/bin/env bash
# Builds the Debian package varnotex_<version>_<arch>.deb from a build tree.
#
#   bash scripts/package.sh [BUILD-DIR [OUTPUT-DIR]]
#
# BUILD-DIR defaults to build/ (configured and built here when needed), OUTPUT-DIR to the
# build folder. VARNOTEX_PACKAGE_NO_BUILD=1 packs the build tree as it is, without building.
# Prints the path of the package as its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-$build}
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "package: $tool is missing (bash scripts/install-deps.sh installs it)" >&2; exit 1; }
done
if [[ ${VARNOTEX_PACKAGE_NO_BUILD:-0} != 1 ]]; then
  [[ -f $build/CMakeCache.txt ]] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target varnotex varnotex_manpage -j"$(nproc)"
fi
[[ -f $build/CPackConfig.cmake ]] || { echo "package: $build is no configured build folder" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
# The package is assembled in a folder of its own, so that two runs never share one.
stage=$(mktemp -d "$out/.cpack.XXXXXX")
trap 'rm -rf "$stage"' EXIT
(cd "$build" && cpack -G DEB -B "$stage" --config CPackConfig.cmake >"$stage/cpack.log" 2>&1) || {
  cat "$stage/cpack.log" >&2
  exit 1
}
deb=$(find "$stage" -maxdepth 1 -name 'varnotex_*.deb' | head -n 1)
[[ -n $deb ]] || { cat "$stage/cpack.log" >&2; echo "package: cpack made no package" >&2; exit 1; }
mv -f "$deb" "$out/"
echo "$out/$(basename "$deb")"
