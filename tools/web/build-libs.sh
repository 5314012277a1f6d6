#!/usr/bin/env bash
# Builds the C libraries the engine needs in the browser (zlib, libpng, FreeType) as static wasm
# libraries into build/web-deps/prefix, from Debian's source packages of the very versions the
# desktop build links, so that both draw and write alike. Sources are fetched once with
# `apt-get source` into build/web-deps/src; a library already built with the same version and
# flags is left as it is.
set -euo pipefail

export NEV_SOURCE_DIR="$(cd "$(dirname "$0")/../.." && pwd)"
source "$NEV_SOURCE_DIR/tools/web/env.sh"
src="$NEV_WEB_DEPS/src"
prefix="$NEV_WEB_DEPS/prefix"
mkdir -p "$src" "$prefix" "$NEV_WEB_DEPS/work"
# The compiler is emcc; a launcher meant for the host's compiler is not wanted here.
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER

# The source version of the installed binary package `binary`.
source_version() {
  dpkg-query -W -f '${source:Version}' "$1" 2>/dev/null || {
    echo "build-libs: $1 is not installed (make deps installs it)" >&2
    return 1
  }
}

# Unpacks source package `name` at `version` into $src once; prints its folder.
fetch() {
  local name=$1 version=$2 upstream folder
  upstream=${version#*:}
  upstream=${upstream%-*}
  folder="$src/$name-$upstream"
  if [[ ! -f "$folder/.nev-fetched" ]]; then
    rm -rf "$folder"
    # The installed version, else the newest Debian's mirrors still hold of it (a later security
    # fix of the same upstream release).
    local candidate fetched=0
    for candidate in "$version" $(apt-cache showsrc "$name" | sed -n 's/^Version: //p' | sort -rV -u); do
      [[ "${candidate#*:}" == "$upstream"-* ]] || continue
      if (cd "$src" && apt-get -qq -o APT::Sandbox::User=root source "$name=$candidate") >"$src/$name.log" 2>&1; then
        fetched=1
        break
      fi
    done
    [[ $fetched -eq 1 ]] || {
      cat "$src/$name.log" >&2
      echo "build-libs: cannot fetch the source of $name $version (are deb-src entries there? make deps adds them)" >&2
      return 1
    }
    touch "$folder/.nev-fetched"
  fi
  echo "$folder"
}

# True when library `name` was built from `version` with the current flags and this script.
recipe="$NEV_WEB_CFLAGS $(md5sum <"$0" | cut -c1-32)"
built() { [[ "$(cat "$prefix/.$1" 2>/dev/null)" == "$2 $recipe" ]]; }
mark_built() { echo "$2 $recipe" >"$prefix/.$1"; }

cmake_build() {
  local folder=$1 name=$2
  shift 2
  local work="$NEV_WEB_DEPS/work/$name"
  rm -rf "$work"
  emcmake cmake -S "$folder" -B "$work" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS="$NEV_WEB_CFLAGS" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" "$@" >"$work.log" 2>&1 &&
    cmake --build "$work" -j2 >>"$work.log" 2>&1 && cmake --install "$work" >>"$work.log" 2>&1 || {
    cat "$work.log" >&2
    exit 1
  }
}

version=$(source_version zlib1g)
if ! built zlib "$version"; then
  folder=$(fetch zlib "$version")
  work="$NEV_WEB_DEPS/work/zlib"
  rm -rf "$work" && cp -a "$folder" "$work"
  (cd "$work" && CFLAGS="$NEV_WEB_CFLAGS" emconfigure ./configure --static --prefix="$prefix" &&
     emmake make -j2 libz.a && emmake make install) >"$work.log" 2>&1 || {
    cat "$work.log" >&2
    exit 1
  }
  mark_built zlib "$version"
  echo "build-libs: zlib $version"
fi

version=$(source_version libpng16-16)
if ! built libpng "$version"; then
  folder=$(fetch libpng1.6 "$version")
  cmake_build "$folder" libpng -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_ROOT="$prefix" -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
  mark_built libpng "$version"
  echo "build-libs: libpng $version"
fi

version=$(source_version libfreetype6)
if ! built freetype "$version"; then
  folder=$(fetch freetype "$version")
  # As Debian configures it, less what drawing outlines from a font file never needs. Its zlib
  # is ours: FreeType's own copy would clash with it at link time.
  cmake_build "$folder" freetype -DBUILD_SHARED_LIBS=OFF -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
    -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
  mark_built freetype "$version"
  echo "build-libs: freetype $version"
fi
