#!/bin/sh
# own_display.sh WxH COMMAND...: runs COMMAND on a virtual display of its own, so tests that
# run at the same time never share one. Xvfb picks a free display and tells its number; two
# servers that start at once may both try the same one and spoil it, so they start in turn.
size=$1
shift
number=$(mktemp)
exec 9>"${TMPDIR:-/tmp}/nev-own-display.lock"
flock 9
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$number" 9>&- 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; rm -f "$number"' EXIT
trap 'exit 143' TERM INT
until [ -s "$number" ]; do
  kill -0 "$server" 2>/dev/null || { echo "own_display.sh: Xvfb did not start" >&2; exit 125; }
  sleep 0.05
done
flock -u 9
exec 9>&-
DISPLAY=:$(cat "$number") "$@"
exit $?
