#!/usr/bin/env bash
# run.sh HOST SCRIPT
#
# Plays SCRIPT in the stand-in IDE once for each way the settings file or the
# Windows directory can be unusable: the file a folder, a named pipe, a
# symbolic-link loop, unreadable; the directory missing, read-only, on a full
# file system.  Every run must end by itself within a minute with status 0,
# and leave the file as it found it (E2E_TIMEOUT sets another limit, seconds).  Cases this machine cannot set up (a
# private mount, another user) are skipped with a message.
set -u
HOST="$(realpath -e "$1")" || exit 2
SCRIPT="$(realpath -e "$2")" || exit 2
WORK="$(mktemp -d "${TMPDIR:-/tmp}/e2e-environments-XXXXXX")"
chmod 755 "$WORK"
trap 'chmod -R u+rwx "$WORK" 2>/dev/null; rm -rf "$WORK"' EXIT
export SETTINGS=$'[Edgetucker]\nmgHideDelphi=False\nmgDelay=300\n'
# The leak checker at exit may read a stale dynamic-TLS entry of the unloaded
# add-in and crash; it does not track dynamic TLS with this (as run-script.sh).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_tls_get_addr=0"
LIMIT="${E2E_TIMEOUT:-60}"
failures=0
root=0
[ "$(id -u)" -eq 0 ] && root=1
can_mount=0
if unshare -m sh -c "mount -t tmpfs -o size=64k tmpfs '$WORK'" 2>/dev/null; then can_mount=1; fi

# play NAME WINDIR [WRAPPER...]: runs the host with the script.
play() {
  local name="$1" windir="$2"
  shift 2
  local runtime="$WORK/runtime-$name"
  mkdir -p -m 700 "$runtime"
  [ "${1:-}" = setpriv ] && chown 65534:65534 "$runtime"
  (cd "$WORK" && WINDIR="$windir" XDG_RUNTIME_DIR="$runtime" \
     timeout -s KILL "$LIMIT" "$@" "$HOST" --offscreen 1024x768 --script "$SCRIPT")
  local rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "FAIL ($name): the IDE ended with status $rc"
    failures=$((failures + 1))
  else
    echo "ok   ($name)"
  fi
}

expect() {  # expect NAME TEST...: a check after the run
  local name="$1"
  shift
  if ! "$@"; then
    echo "FAIL ($name): $*"
    failures=$((failures + 1))
  fi
}

same_settings() { [ "$(cat "$1"; echo x)" = "${SETTINGS}x" ]; }

d="$WORK/folder"; mkdir -p "$d/Edgetuck.ini"
play folder "$d"; expect folder test -d "$d/Edgetuck.ini"

d="$WORK/fifo"; mkdir -p "$d"; mkfifo "$d/Edgetuck.ini"
play fifo "$d"; expect fifo test -p "$d/Edgetuck.ini"

d="$WORK/loop"; mkdir -p "$d"; ln -s "$d/b.ini" "$d/Edgetuck.ini"; ln -s "$d/Edgetuck.ini" "$d/b.ini"
play symlink-loop "$d"; expect symlink-loop test -L "$d/Edgetuck.ini"

d="$WORK/missing/windows"
play missing-directory "$d"; expect missing-directory test ! -e "$WORK/missing"

d="$WORK/unreadable"; mkdir -p "$d"; printf '%s' "$SETTINGS" > "$d/Edgetuck.ini"; chmod 000 "$d/Edgetuck.ini"
if [ "$root" -eq 0 ]; then
  play unreadable "$d"
elif command -v setpriv >/dev/null &&
     setpriv --reuid=65534 --regid=65534 --clear-groups sh -c "test -x '$HOST' && test -r '$SCRIPT'"; then
  chmod 755 "$d"
  play unreadable "$d" setpriv --reuid=65534 --regid=65534 --clear-groups
else
  echo "skip (unreadable): the IDE cannot be run as another user here"
fi
chmod 644 "$d/Edgetuck.ini"; expect unreadable same_settings "$d/Edgetuck.ini"

d="$WORK/readonly"; mkdir -p "$d"; printf '%s' "$SETTINGS" > "$d/Edgetuck.ini"
if [ "$can_mount" -eq 1 ]; then
  # A private read-only mount binds the superuser too; it ends with the run.
  play read-only-directory "$d" unshare -m sh -c \
    'mount --bind "$WINDIR" "$WINDIR" && mount -o remount,bind,ro "$WINDIR" && exec "$@"' sh
elif [ "$root" -eq 0 ]; then
  chmod 555 "$d"; play read-only-directory "$d"; chmod 755 "$d"
else
  echo "skip (read-only-directory): no private mount allowed here"
fi
expect read-only-directory same_settings "$d/Edgetuck.ini"

d="$WORK/full"; mkdir -p "$d"
if [ "$can_mount" -eq 1 ]; then
  play full-file-system "$d" unshare -m sh -c \
    'mount -t tmpfs -o size=64k tmpfs "$WINDIR" && printf "%s" "$SETTINGS" > "$WINDIR/Edgetuck.ini" &&
     { cat /dev/zero > "$WINDIR/filler" 2>/dev/null; true; } &&
     { printf "%s" "$SETTINGS" | cmp -s - "$WINDIR/Edgetuck.ini" || exit 90; } &&
     "$@"; rc=$?; printf "%s" "$SETTINGS" | cmp -s - "$WINDIR/Edgetuck.ini" || rc=91; exit $rc' sh
else
  echo "skip (full-file-system): no private tmpfs allowed here"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
