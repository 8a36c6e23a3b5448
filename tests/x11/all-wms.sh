#!/usr/bin/env bash
# all-wms.sh [BUILD_DIR]
#
# Plays the scripts of tests/x11 under each window manager of wm.sh (and
# none), with run-x11.sh, and prints one line per run; exits 1 when any failed.
# Under i3 and dwm (tiling) the IDE's windows stand in tiles and are not
# hidden at all: tiled.script runs there, and every other script under the
# others.
# BUILD_DIR (default build-tests) holds bin/ide-host.
set -u
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
BUILD="${1:-$HERE/../../build-tests}"
HOST="$BUILD/bin/ide-host"
[ -x "$HOST" ] || { echo "all-wms.sh: no ide-host in $BUILD/bin (build the ide-host target first)" >&2; exit 2; }
failed=0
for wm in none openbox fluxbox xfwm4 icewm metacity kwin_x11 mutter marco muffin xfce i3-floating i3 dwm; do
  for script in "$HERE"/*.script; do
    name="$(basename "$script" .script)"
    case "$wm" in
      i3|dwm) [ "$name" = tiled ] || continue ;;
      *) [ "$name" != tiled ] || continue ;;
    esac
    out="$("$HERE/run-x11.sh" --wm "$wm" --other "$HOST" "$script" 2>&1)"
    case $? in
      0) printf '%-11s %-12s pass\n' "$wm" "$name" ;;
      77) printf '%-11s %-12s skipped: %s\n' "$wm" "$name" "$(grep -m1 SKIP <<<"$out")" ;;
      *) failed=1; printf '%-11s %-12s FAIL: %s\n' "$wm" "$name" "$(grep -m1 -E 'FAIL|ide-host' <<<"$out")" ;;
    esac
  done
done
exit $failed
