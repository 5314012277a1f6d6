#!/usr/bin/env bash
# Installs the Debian packages nev needs to build, run and test. Silent when all are present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libsdl2-mixer-dev
  qt6-translations-l10n  # Qt's own dialogs and buttons in the desktop's language
  qt6-l10n-tools  # lrelease: our own captions' translations compiled at build time
  libxcb1-dev libwayland-dev  # whether the desktop's display answers before Qt is asked to open it
  zlib1g-dev  # save files: sections compressed, and checked with its CRC-32
  libfreetype-dev libfontconfig-dev  # glyphs drawn from font files, found on the desktop
  libpng-dev  # frames and screenshots written as PNG
  timgm6mb-soundfont fonts-ipafont-mincho fonts-ipafont-gothic
  openttd-openmsx  # real MIDI files with tempo maps, read by the MIDI length tests
  xvfb xauth xdotool x11-apps openbox  # the window tests: a display (xvfb-run), clicks, screenshots (xwd), a window manager
  clang libclang-rt-14-dev  # the fuzz targets: libFuzzer and the sanitizers' runtimes for clang
  dpkg-dev file desktop-file-utils appstream  # the Debian package: shlibdeps, its checks
  emscripten  # the browser build (make web)
  gettext  # msgfmt --check on the translation files nev writes
  nodejs chromium  # the page's npm packages (synthesizer, puppeteer-core) and the browser tests
  libavformat-dev libavcodec-dev libswscale-dev libfluidsynth-dev  # render's videos: encoding, music
  ffmpeg  # the video tests: ffprobe and decoding frames back
)

# The browser build compiles FreeType and zlib from Debian's source packages (apt-get source).
# Adds deb-src entries mirroring Debian's own deb entries when there are none at all.
add_deb_src() {
  if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return 1
  fi
  local out=/etc/apt/sources.list.d/nev-deb-src
  # Each deb822 stanza whose URIs are Debian's, again as deb-src.
  cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk 'BEGIN { RS = ""; ORS = "\n\n" }
    /URIs:[^\n]*debian/ && /Types:[^\n]*deb/ { sub(/Types:[^\n]*/, "Types: deb-src"); print }' >"$out.sources"
  # One-line entries likewise.
  sed -n 's/^deb \(.*debian.*\)/deb-src \1/p' /etc/apt/sources.list 2>/dev/null >"$out.list" || true
  [[ -s "$out.sources" ]] || rm -f "$out.sources"
  [[ -s "$out.list" ]] || rm -f "$out.list"
  [[ -e "$out.sources" || -e "$out.list" ]]
}

# Debian's own nodejs comes without npm; a node that ships its own npm needs no package for it.
install_npm() {
  command -v npm >/dev/null && return 0
  [[ $(id -u) -eq 0 ]] || { echo "nev needs npm: sudo apt-get install npm" >&2; return 1; }
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends npm >/dev/null
}

need_update=0
if [[ $(id -u) -eq 0 ]] && add_deb_src; then
  echo "added deb-src entries for Debian's sources"
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if [[ ${#missing[@]} -eq 0 ]]; then
  [[ $need_update -eq 1 ]] && DEBIAN_FRONTEND=noninteractive apt-get update -qq
  install_npm
  exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
  echo "nev needs these Debian packages: ${missing[*]}" >&2
  echo "run as root, or: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi

echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
install_npm
