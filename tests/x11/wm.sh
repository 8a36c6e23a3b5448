# wm.sh: sourced by the X11 test scripts; starts a window manager on $DISPLAY
# and stops what a run started.
#
#   wm_command NAME     sets WM_CMD to the command line that runs NAME (none,
#                       openbox, fluxbox, xfwm4, icewm, metacity), without
#                       session management; returns 2 for an unknown name
#   wm_start WORK LOG   starts WM_CMD (nothing for none) with its output in
#                       LOG, adding its process ids to PIDS, and waits until
#                       it names itself on the root window; returns 1 when it
#                       did not come up within 60 s (a loaded machine starts
#                       one with a session bus slowly)
#   stop_process PID    ends PID: SIGTERM, and SIGKILL when it is still there
#                       after two seconds (fluxbox now and then blocks SIGTERM
#                       and would hang the run's cleanup)
#
# xfwm4 and metacity read their settings over D-Bus: they get a session bus of
# the run's own (in WORK), ended with the run; without dbus-daemon they start
# without one.

wm_command() {
  case "$1" in
    none) WM_CMD=() ;;
    openbox) WM_CMD=(openbox --sm-disable) ;;
    fluxbox) WM_CMD=(fluxbox) ;;
    xfwm4) WM_CMD=(xfwm4 --compositor=off --sm-client-disable) ;;
    icewm) WM_CMD=(icewm) ;;
    metacity) WM_CMD=(metacity --sm-disable) ;;
    *) return 2 ;;
  esac
}

wm_start() {
  local work="$1" log="$2" line ready=0 spy bus=""
  [ "${#WM_CMD[@]}" -gt 0 ] || return 0
  # A window manager announces itself with _NET_SUPPORTING_WM_CHECK on the
  # root window; xprop -spy prints the root's properties at every change, so
  # this waits on the event.
  exec 4< <(timeout 60 xprop -root -spy 2>/dev/null)
  spy=$!
  PIDS+=("$spy")
  local env_cmd=()
  case "${WM_CMD[0]}" in
    xfwm4|metacity)
      if command -v dbus-daemon >/dev/null; then
        mkfifo "$work/busaddress"
        dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/bus" \
          --print-address=5 5>"$work/busaddress" >/dev/null 2>&1 &
        PIDS+=($!)
        read -r -t 30 bus <"$work/busaddress" || true
        [ -n "$bus" ] && env_cmd=(env "DBUS_SESSION_BUS_ADDRESS=$bus")
      fi ;;
  esac
  "${env_cmd[@]}" "${WM_CMD[@]}" >"$log" 2>&1 &
  PIDS+=($!)
  while read -r -u 4 line; do
    case "$line" in "_NET_SUPPORTING_WM_CHECK(WINDOW): window id #"*) ready=1; break ;; esac
  done
  kill "$spy" 2>/dev/null
  exec 4<&-
  [ "$ready" = 1 ]
}

stop_process() {
  local pid=$1
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}
