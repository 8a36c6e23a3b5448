#!/usr/bin/env bash
# Runs the placement test under a fresh Xvfb (1280 x 800) once per window
# manager: placement_run.sh TEST_BINARY [WM...] [-- TEST_ARGS...]; WM is none,
# openbox, fluxbox, xfwm4, icewm or metacity (default: all of them).  CTest
# runs none, openbox and metacity; every window manager:
#   apt-get install -y xvfb x11-utils xterm dbus-daemon openbox fluxbox xfwm4 icewm metacity
#   tests/x11/placement_run.sh build-tests/bin/test_x11_placement
# The tests that place another program's window need xterm (skipped without
# it).  Exits 77 (skipped) when
# Xvfb is missing; a window manager that is not installed is skipped with a
# message.
set -u
bin="$1"; shift
# Window managers, then (after --) arguments for the test binary.
wms=(); test_args=()
while [ $# -gt 0 ]; do
  if [ "$1" = -- ]; then shift; test_args=("$@"); break; fi
  wms+=("$1"); shift
done
[ ${#wms[@]} -gt 0 ] || wms=(none openbox fluxbox xfwm4 icewm metacity)
if ! command -v Xvfb >/dev/null; then
  echo "SKIP: Xvfb is not installed (apt-get install xvfb)"; exit 77
fi
if ! command -v xprop >/dev/null; then
  echo "SKIP: xprop is not installed (apt-get install x11-utils)"; exit 77
fi
# True while a client can talk to the X server on DISPLAY.
server_answers() { kill -0 "$xvfb" 2>/dev/null && xprop -root >/dev/null 2>&1; }
stop_server() { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; }
# start_server: a fresh Xvfb of our own for each window manager, in DISPLAY,
# its process in xvfb, its output in $home/xvfb.log.  Xvfb picks a free
# display itself and names it once it accepts clients (other runs may be
# choosing display numbers at the same time); one that then does not answer
# within 20 s, or has ended, is replaced, three times at the most.
start_server() {
  local try deadline
  for try in 1 2 3; do
    rm -f "$home/displayfd"; mkfifo "$home/displayfd"
    displaynum=
    # -noreset: without it the server resets as the answer check's xprop, its
    # last client, leaves, and turns away a window manager connecting then
    # ("Unable to open X display").
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$home/displayfd" >"$home/xvfb.log" 2>&1 &
    xvfb=$!
    if read -r -t 20 displaynum <"$home/displayfd"; then
      export DISPLAY=:$displaynum
      deadline=$((SECONDS + 20))
      while [ "$SECONDS" -lt "$deadline" ] && kill -0 "$xvfb" 2>/dev/null; do
        xprop -root >/dev/null 2>&1 && return 0
        sleep 0.05
      done
    fi
    echo "Xvfb (try $try) did not answer${displaynum:+ on :$displaynum}; its output:"
    tail -5 "$home/xvfb.log"
    stop_server
  done
  return 1
}
# start_wm: the window manager on DISPLAY, in its own process group (so that
# it goes with everything it started, and the tests can stop it a while:
# EDGETUCKER_WM_PGID), its process in wmpid; true once it names itself on
# the root window, within 120 s by the clock (a loaded machine starts one
# with a session bus slowly, and each xprop then takes a while of its own),
# false at once when it has ended.  metacity and xfwm4 run inside a D-Bus
# session of their own: xfwm4 does not start without its settings service.
start_wm() {
  local args deadline
  case "$wm" in
    xfwm4|metacity)
      args=(); [ "$wm" = xfwm4 ] && args=(--compositor=off) || args=(--no-composite)
      if command -v dbus-run-session >/dev/null; then
        HOME=$home setsid dbus-run-session -- "$wm" "${args[@]}" >"$home/wm.log" 2>&1 &
      else
        HOME=$home setsid "$wm" "${args[@]}" >"$home/wm.log" 2>&1 &
      fi ;;
    *) HOME=$home setsid "$wm" >"$home/wm.log" 2>&1 & ;;
  esac
  wmpid=$!
  deadline=$((SECONDS + 120))
  while [ "$SECONDS" -lt "$deadline" ]; do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
      sleep 0.3
      return 0
    fi
    kill -0 "$wmpid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

status=0
export LSAN_OPTIONS="suppressions=$(dirname "$0")/placement_lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
for wm in "${wms[@]}"; do
  if [ "$wm" != none ] && ! command -v "$wm" >/dev/null; then
    echo "SKIP: window manager $wm is not installed"; continue
  fi
  home=$(mktemp -d)
  # The server and the window manager; started again once when the server
  # stops answering while the window manager starts (it then ends at its
  # start, unable to open the display: that is no fault of its own).
  started=
  for attempt in 1 2; do
    if ! start_server; then
      echo "FAILED: Xvfb did not start"; break
    fi
    wmpid=
    [ "$wm" = none ] && { started=1; break; }
    start_wm && { started=1; break; }
    if [ "$attempt" = 1 ] && ! server_answers; then
      echo "the X server on $DISPLAY stopped answering while $wm started; its output:"
      tail -5 "$home/xvfb.log"
      echo "starting both again"
      kill -- -"$wmpid" 2>/dev/null; stop_server
      continue
    fi
    if kill -0 "$wmpid" 2>/dev/null; then
      echo "FAILED: window manager $wm did not start on $DISPLAY within 120 s; its output:"
    else
      echo "FAILED: window manager $wm ended at its start on $DISPLAY; its output:"
    fi
    tail -20 "$home/wm.log"
    kill -- -"$wmpid" 2>/dev/null
    break
  done
  if [ -z "$started" ]; then
    status=1; stop_server; rm -rf "$home"
    continue
  fi
  echo "=== window manager: $wm (DISPLAY=$DISPLAY)"
  EDGETUCKER_WM=$wm EDGETUCKER_WM_PGID=$wmpid QT_QPA_PLATFORM=xcb "$bin" "${test_args[@]}" || status=1
  [ -n "$wmpid" ] && kill -- -"$wmpid" 2>/dev/null
  stop_server
  rm -rf "$home"
done
exit $status
