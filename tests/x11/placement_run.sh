#!/usr/bin/env bash
# Runs the placement test under a fresh Xvfb (1280 x 800) once per window
# manager: placement_run.sh TEST_BINARY [WM...]; WM is none, openbox, fluxbox,
# xfwm4, icewm or metacity (default: all of them).  CTest runs none, openbox
# and metacity; every window manager:
#   apt-get install -y xvfb x11-utils openbox fluxbox xfwm4 icewm metacity
#   tests/x11/placement_run.sh build-tests/bin/test_x11_placement  Exits 77 (skipped) when
# Xvfb is missing; a window manager that is not installed is skipped with a
# message.
set -u
bin="$1"; shift
wms=("$@")
[ ${#wms[@]} -gt 0 ] || wms=(none openbox fluxbox xfwm4 icewm metacity)
if ! command -v Xvfb >/dev/null; then
  echo "SKIP: Xvfb is not installed (apt-get install xvfb)"; exit 77
fi
status=0
export LSAN_OPTIONS="suppressions=$(dirname "$0")/placement_lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
for wm in "${wms[@]}"; do
  if [ "$wm" != none ] && ! command -v "$wm" >/dev/null; then
    echo "SKIP: window manager $wm is not installed"; continue
  fi
  # A display number of our own: the first free one from 140 on.
  n=140; while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n+1)); done
  Xvfb :$n -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.05; done
  export DISPLAY=:$n
  home=$(mktemp -d)
  wmpid=
  if [ "$wm" != none ]; then
    case "$wm" in
      xfwm4) HOME=$home xfwm4 --compositor=off >/dev/null 2>&1 & ;;
      metacity)
        if command -v dbus-run-session >/dev/null; then
          HOME=$home dbus-run-session -- metacity --no-composite >/dev/null 2>&1 &
        else
          HOME=$home metacity --no-composite >/dev/null 2>&1 &
        fi ;;
      *) HOME=$home "$wm" >/dev/null 2>&1 & ;;
    esac
    wmpid=$!
    # Ready once it names itself on the root window.
    for _ in $(seq 200); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break; sleep 0.05
    done
    sleep 0.3
  fi
  echo "=== window manager: $wm (DISPLAY=:$n)"
  EDGETUCKER_WM=$wm QT_QPA_PLATFORM=xcb "$bin" || status=1
  [ -n "$wmpid" ] && kill "$wmpid" 2>/dev/null
  kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null
  rm -rf "$home"
done
exit $status
