#!/usr/bin/env bash
# Builds the Debian package from a build tree with scripts/package.sh and checks what it
# holds with dpkg-deb. The package is never installed.
#
#   bash tests/package/check_package.sh BUILD-DIR
set -u
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/varnotex-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

deb=$(VARNOTEX_PACKAGE_NO_BUILD=1 bash "$source_dir/scripts/package.sh" "$build" "$work/out" | tail -n 1)
[[ -f $deb ]] || { echo "FAIL: no package was built"; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
[[ $(basename "$deb") == "varnotex_${version}_${arch}.deb" ]] || fail "package name $(basename "$deb")"

field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Package) == varnotex ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version)"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture: $(field Architecture)"
[[ $(field Section) == editors ]] || fail "Section: $(field Section)"
[[ -n $(field Maintainer) && -n $(field Description) ]] || fail "no Maintainer or Description"
depends=$(field Depends)
# Computed from the libraries the executable is linked with, with their versions.
names=$(sed 's/ ([^)]*)//g; s/, */\n/g' <<<"$depends")
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6network6 qt6-qpa-plugins libqt6svg6; do
  grep -qxF "$lib" <<<"$names" || fail "Depends lacks $lib: $depends"
done
grep -Eq 'libqt6widgets6 \(>= [0-9]' <<<"$depends" || fail "Depends names no Qt version: $depends"

# The files, all below /usr and owned by root.
listing=$(dpkg-deb --contents "$deb")
paths=$(awk '{ print $6 }' <<<"$listing")
for path in ./usr/lib/varnotex/varnotex ./usr/lib/varnotex/Doc/Readme.txt \
            ./usr/share/applications/varnotex.desktop \
            ./usr/share/metainfo/de.varnotex.varnotex.metainfo.xml \
            ./usr/share/man/man1/varnotex.1.gz \
            ./usr/share/icons/hicolor/scalable/apps/varnotex.svg \
            ./usr/share/icons/hicolor/16x16/apps/varnotex.png \
            ./usr/share/icons/hicolor/48x48/apps/varnotex.png \
            ./usr/share/icons/hicolor/128x128/apps/varnotex.png; do
  grep -qxF "$path" <<<"$paths" || fail "missing $path"
done
grep -Eq '^l.* \./usr/bin/varnotex -> \.\./lib/varnotex/varnotex$' <<<"$listing" ||
  fail "usr/bin/varnotex is no link to ../lib/varnotex/varnotex"
grep -qi 'VARNX.ini' <<<"$paths" && fail "a settings file is installed: $(grep -i VARNX.ini <<<"$paths")"
grep -Ev '^\./$|^\./usr(/|$)' <<<"$paths" | grep -q . && fail "files outside /usr: $(grep -Ev '^\./$|^\./usr(/|$)' <<<"$paths" | head -3)"
awk '{ print $2 }' <<<"$listing" | grep -vxq 'root/root' && fail "files not owned by root"

# What the files hold.
tree="$work/tree"
dpkg-deb --extract "$deb" "$tree"
[[ $(readlink -f "$tree/usr/bin/varnotex") == "$tree/usr/lib/varnotex/varnotex" ]] || fail "the link does not reach the program"
[[ -x $tree/usr/lib/varnotex/varnotex ]] || fail "the program is not executable"
head -c 4 "$tree/usr/lib/varnotex/varnotex" | grep -q 'ELF' || fail "the program is no ELF file"
cmp -s "$tree/usr/lib/varnotex/Doc/Readme.txt" "$source_dir/resources/Doc/Readme.txt" || fail "the guide differs from the source"
# The guide is UTF-8, which every Linux tool reads as text.
iconv -f UTF-8 -t UTF-8 "$tree/usr/lib/varnotex/Doc/Readme.txt" >/dev/null 2>&1 || fail "the guide is not UTF-8"
desktop="$tree/usr/share/applications/varnotex.desktop"
grep -qx 'Exec=varnotex %F' "$desktop" || fail "desktop entry: no Exec=varnotex %F"
grep -qx 'MimeType=text/plain;' "$desktop" || fail "desktop entry: no MimeType=text/plain;"
grep -qx 'Icon=varnotex' "$desktop" || fail "desktop entry: no Icon=varnotex"
man=$(gzip -dc "$tree/usr/share/man/man1/varnotex.1.gz") || fail "the manual page is no gzip file"
grep -q '^\.TH VARNOTEX 1' <<<"$man" || fail "the manual page has no .TH VARNOTEX 1"
grep -q 'Befehlszeile' <<<"$man" || fail "the manual page is not the German one"
if command -v groff >/dev/null; then
  warnings=$(groff -man -Tutf8 -ww -z <<<"$man" 2>&1)
  [[ -z $warnings ]] || fail "groff warns about the manual page: $warnings"
fi
metainfo="$tree/usr/share/metainfo/de.varnotex.varnotex.metainfo.xml"
grep -q '<launchable type="desktop-id">varnotex.desktop</launchable>' "$metainfo" || fail "metainfo does not name the desktop entry"
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 || fail "appstreamcli: $(cat "$work/appstream.log")"
else
  echo "note: appstreamcli is not installed, the metainfo was not validated"
fi

# The licence: the machine-readable copyright file and the changelog Debian asks for.
copyright="$tree/usr/share/doc/varnotex/copyright"
cmp -s "$copyright" "$source_dir/resources/package/copyright" || fail "no copyright file as in the source"
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$copyright" ||
  fail "the copyright file is not machine-readable"
grep -qx 'License: GPL-3.0+' "$copyright" || fail "the copyright file names no GPL-3.0+"
changelog=$(gzip -dc "$tree/usr/share/doc/varnotex/changelog.gz") || fail "no changelog.gz"
[[ $(head -n 1 <<<"$changelog") == "varnotex ($version) "* ]] || fail "the changelog's first entry is not $version"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "metainfo names no project licence"
cmp -s "$source_dir/COPYING" /usr/share/common-licenses/GPL-3 2>/dev/null ||
  [[ ! -f /usr/share/common-licenses/GPL-3 ]] || fail "COPYING is not the GPL-3 text"

# lintian, when it is there: no error and no warning (overrides say why in a comment).
if command -v lintian >/dev/null; then
  lintian --fail-on none "$deb" >"$work/lintian.log" 2>&1
  grep -v 'running with root privileges' "$work/lintian.log" | sed 's/^/    lintian: /'
  if grep -Eq '^[EW]: ' "$work/lintian.log"; then
    fail "lintian: $(grep -E '^[EW]: ' "$work/lintian.log" | paste -sd '|')"
  fi
else
  echo "note: lintian is not installed, the package was not checked by it"
fi

if [[ $failures -gt 0 ]]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package ok: $(basename "$deb") ($(stat -c %s "$deb") bytes)"
