#!/usr/bin/env bash
# Builds the Debian package from the release build (or from the configured build folder given
# as $1) and checks it as a user would get it: its files, its dependencies, the desktop and
# AppStream files as installed, and the installed program playing the installed demo.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release}
if [[ $# -eq 0 ]]; then cmake --preset release >/dev/null; fi
cmake --build "$build" --target nev
rm -f "$build"/nev_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/nev_*.deb)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "check-package: $deb: $*" >&2
  exit 1
}

app_id=io.github.nev.Nev
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for file in usr/bin/nev usr/share/nev/demo/nev.ini usr/share/nev/demo/start.txt \
    usr/share/applications/$app_id.desktop usr/share/metainfo/$app_id.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/nev.svg usr/share/man/man6/nev.6; do
  grep -qx "\./$file" <<<"$contents" || fail "holds no /$file"
done

# Each name a whole entry of Depends (alternatives split off), so libqt6gui6 does not pass for
# libqt6gui6-gles.
depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/^ *//; s/ .*//')
for package in libqt6widgets6 libqt6gui6 libqt6core6 libsdl2-2.0-0 libsdl2-mixer-2.0-0 \
    libfreetype6 libfontconfig1 libpng16-16 \
    fonts-ipafont-mincho timgm6mb-soundfont; do
  grep -qx "$package" <<<"$depends" || fail "does not depend on $package"
done

root=$scratch/root
dpkg-deb -x "$deb" "$root"
desktop=$root/usr/share/applications/$app_id.desktop
report=$(desktop-file-validate "$desktop" 2>&1) && [[ -z $report ]] || fail "$report"
# The tree, not the file alone: it also looks for the menu entry the metainfo launches.
report=$(appstreamcli validate-tree --no-net "$root" 2>&1) || fail "$report"
# The menu entry starts a program and shows an icon that the package holds.
program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[[ -n $program && -f $root/usr/bin/$program && -x $root/usr/bin/$program ]] \
  || fail "the menu entry runs $program, which it does not install"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f $root/usr/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "no icon $icon"

version=$(dpkg-deb -f "$deb" Version)
[[ $("$root/usr/bin/nev" --version) == "nev $version" ]] || fail "nev --version is not $version"
for home in config data home; do mkdir -p "$scratch/$home"; done
XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data HOME=$scratch/home \
  "$root/usr/bin/nev" render "$root/usr/share/nev/demo" "$scratch/frames" >/dev/null \
  || fail "its nev does not play its demo to the end"
[[ -s $scratch/frames/0001.png && -s $scratch/frames/events.jsonl ]] || fail "the demo rendered no frames"

echo "check-package: $deb ($(du -k "$deb" | cut -f1) KiB) is sound"
