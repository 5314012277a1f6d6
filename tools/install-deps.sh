#!/usr/bin/env bash
# Installs the Debian packages nev needs to build, run and test. Silent when all are present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libsdl2-mixer-dev
  qt6-translations-l10n  # Qt's own dialogs and buttons in the desktop's language
  zlib1g-dev  # save files: sections compressed, and checked with its CRC-32
  libfreetype-dev libfontconfig-dev  # glyphs drawn from font files, found on the desktop
  libpng-dev  # frames and screenshots written as PNG
  timgm6mb-soundfont fonts-ipafont-mincho fonts-ipafont-gothic
  openttd-openmsx  # real MIDI files with tempo maps, read by the MIDI length tests
  xvfb xauth xdotool x11-apps openbox  # the window tests: a display (xvfb-run), clicks, screenshots (xwd), a window manager
  clang libclang-rt-14-dev  # the fuzz targets: libFuzzer and the sanitizers' runtimes for clang
  dpkg-dev file desktop-file-utils appstream  # the Debian package: shlibdeps, its checks
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  echo "nev needs these Debian packages: ${missing[*]}" >&2
  echo "run as root, or: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi

echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
