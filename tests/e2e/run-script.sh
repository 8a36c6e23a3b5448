#!/usr/bin/env bash
# run-script.sh HOST SCRIPT
#
# Plays SCRIPT in the stand-in IDE HOST on a 1024 x 768 virtual screen, in a
# temporary folder of its own with a fresh Windows directory.  When SCRIPT has
# a sibling NAME.ini, it becomes that directory's Edgetuck.ini.  Exits with the
# host's status.  Set E2E_KEEP_DIR to a folder to keep the run's files (the
# screenshots among them) there.
set -u

if [ "$#" -ne 2 ]; then
  echo "usage: run-script.sh HOST SCRIPT" >&2
  exit 2
fi
HOST="$(realpath -e "$1" 2>/dev/null)" || { echo "run-script.sh: no host at $1" >&2; exit 2; }
SCRIPT="$(realpath -e "$2" 2>/dev/null)" || { echo "run-script.sh: no script at $2" >&2; exit 2; }

WORK="$(mktemp -d "${TMPDIR:-/tmp}/e2e-$(basename "$SCRIPT" .script)-XXXXXX")"
cleanup() {
  if [ -n "${E2E_KEEP_DIR:-}" ]; then
    mkdir -p "$E2E_KEEP_DIR" && cp -r "$WORK"/. "$E2E_KEEP_DIR"/
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT

export WINDIR="$WORK/windows"
mkdir -p "$WINDIR"
INI="${SCRIPT%.script}.ini"
if [ -f "$INI" ]; then cp "$INI" "$WINDIR/Edgetuck.ini"; fi
# Qt wants a private runtime folder; a fresh one keeps its warning out of the log.
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

# In a sanitized build the leak checker at exit may read a stale dynamic-TLS
# entry (of a library unloaded by then: the host unloads the add-in) and
# crash; it does not track dynamic TLS with this (as tests/x11/run-x11.sh).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_tls_get_addr=0"

cd "$WORK"
"$HOST" --offscreen 1024x768 --script "$SCRIPT"
exit $?
