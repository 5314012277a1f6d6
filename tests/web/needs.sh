# Sourced by the browser checks: `needs CHECK WHAT…` ends the check with one line, passing, when a
# command (node, a path from /) or a file of the web build (relative to the source) is missing.
needs() {
  local check=$1 needed
  shift
  for needed in "$@"; do
    if [[ $needed == */* && $needed != /* ]]; then
      [[ -e "$source_dir/$needed" ]] || { echo "$check: skipped (no $needed: run make web)"; exit 0; }
    else
      command -v "$needed" >/dev/null || { echo "$check: skipped ($needed is missing)"; exit 0; }
    fi
  done
}
