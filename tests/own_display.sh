#!/bin/sh
# own_display.sh WxH COMMAND...: runs COMMAND on a virtual display of its own, so tests that
# run at the same time never share one. Xvfb picks a free display and tells its number; two
# servers that start at once may both try the same one and spoil it, so they start in turn,
# a server that cannot be reached is replaced, and one that ends is gone before the next starts.
# -noreset: a server resets when its last client leaves, and a client connecting meanwhile
# (the next program of a test, a moment later) is turned away.
size=$1
shift
number=$(mktemp)
server=
lock="${TMPDIR:-/tmp}/nev-own-display.lock"
stop_server() {
  [ -n "$server" ] || return 0
  exec 9>"$lock"
  flock 9
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  server=
  flock -u 9
}
trap 'stop_server; rm -f "$number"' EXIT
trap 'exit 143' TERM INT
exec 9>"$lock"
flock 9
for attempt in 1 2 3; do
  : >"$number"
  Xvfb -displayfd 3 -noreset -screen 0 "${size}x24" -nolisten tcp 3>"$number" 9>&- 2>/dev/null &
  server=$!
  until [ -s "$number" ] || ! kill -0 "$server" 2>/dev/null; do sleep 0.05; done
  export DISPLAY=":$(cat "$number")"
  [ -s "$number" ] && xdotool getdisplaygeometry >/dev/null 2>&1 && break
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  server=
done
flock -u 9
exec 9>&-
[ -n "$server" ] || { echo "own_display.sh: no virtual display could be started" >&2; exit 125; }
"$@"
