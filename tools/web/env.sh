# Sourced by the web build's scripts: emscripten's tools and where the browser build keeps things.
# Debian's emscripten runs its JavaScript tools with the node on PATH, which finds Debian's node
# modules (acorn) only through NODE_PATH when that node is not Debian's own.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
# Debian's package ships emscripten's system libraries prebuilt in a frozen cache, so a build
# neither builds nor writes them. A cache of our own is used only where that one lacks a library.
if [[ ! -f /usr/share/emscripten/cache/sysroot_install.stamp ]]; then
  # (emscripten takes any non-empty EM_FROZEN_CACHE for true)
  export EM_CACHE="$NEV_SOURCE_DIR/build/web-cache" EM_FROZEN_CACHE=
fi
export NEV_WEB_DEPS="$NEV_SOURCE_DIR/build/web-deps"
# Every object linked into the module shares its memory model: one thread, so that a page runs
# from a plain static server, with no cross-origin isolation.
export NEV_WEB_CFLAGS="-O2"
