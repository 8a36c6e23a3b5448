#!/usr/bin/env bash
# run.sh COMPOSITOR HOST PEER SCRIPT
#
# Plays SCRIPT in the stand-in IDE HOST as an X11 client of the XWayland of a
# headless Wayland compositor of its own (mutter, gnome-shell, kwin, weston or
# sway; 1280 x 800),
# beside a native Wayland window of the peer PEER (tests/wayland/peer.cpp),
# which also moves the compositor's real pointer for the script's `cursor`
# and `click-at` and answers its `peer` commands.  SCRIPT's sibling NAME.ini is
# the Edgetuck.ini of a fresh Windows directory.
#
#  * mutter: --wayland --headless --virtual-monitor 1280x800 on a session bus
#    of the run's own; the pointer moves through org.gnome.Mutter.RemoteDesktop.
#  * gnome-shell: as mutter, with GNOME Shell's top bar, on a system bus of
#    the run's own too (the shell gives up without one where systemd-logind
#    is expected: /run/systemd/seats).  It runs no command of ours: its X
#    display comes from its log, the cookie from its runtime folder.
#  * kwin: kwin_wayland --virtual --xwayland, run from a copy of the binary
#    (the installed one carries a file capability, which strips the
#    environment) with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 for its fake-input
#    protocol, on a session bus of the run's own (the IDE's pointer watch
#    loads a KWin script over it).
#  * weston: the headless backend with its XWayland module; no pointer.
#  * sway: wlroots' headless backend with XWayland; no pointer.  sway refuses
#    to run as root, so under root it runs as a throw-away system user
#    (edgetucker-wayland, added when missing) in a runtime folder of its own,
#    and lets root's clients (the peer, the IDE) into its XWayland with
#    `xhost +si:localuser:root`.
#
# Exits with the host's status; 77 (skipped) with a message when the
# compositor is not installed or does not start here.  WAYLAND_KEEP_DIR keeps
# the run's files (the compositor's log among them).
set -u

SKIP=77
if [ "$#" -ne 4 ]; then
  echo "usage: run.sh mutter|gnome-shell|kwin|weston|sway HOST PEER SCRIPT" >&2
  exit 2
fi
COMP="$1"
HOST="$(realpath -e "$2" 2>/dev/null)" || { echo "run.sh: no host at $2" >&2; exit 2; }
PEER="$(realpath -e "$3" 2>/dev/null)" || { echo "run.sh: no peer at $3" >&2; exit 2; }
SCRIPT="$(realpath -e "$4" 2>/dev/null)" || { echo "run.sh: no script at $4" >&2; exit 2; }
INI="${SCRIPT%.script}.ini"

case "$COMP" in
  mutter) need=(mutter Xwayland dbus-daemon) ;;
  gnome-shell) need=(gnome-shell Xwayland dbus-daemon) ;;
  kwin) need=(kwin_wayland Xwayland dbus-daemon) ;;
  weston) need=(weston Xwayland) ;;
  sway) need=(sway Xwayland xhost setpriv) ;;
  *) echo "run.sh: unknown compositor $COMP" >&2; exit 2 ;;
esac
for tool in "${need[@]}"; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit $SKIP; }
done

WORK="$(mktemp -d "${TMPDIR:-/tmp}/wayland-$COMP-$(basename "$SCRIPT" .script)-XXXXXX")"
PIDS=()
# A compositor runs in a process group of its own (setsid): what it starts
# and leaves behind (a GNOME Shell that did not come up in time once stayed,
# with its XWayland, after its first process was gone) ends with it.
stop_process() {
  local pid=$1 target=$1
  [ "$(ps -o pgid= -p "$pid" 2>/dev/null | tr -d ' ')" = "$pid" ] && target=-$pid
  kill -- "$target" 2>/dev/null || return 0
  for _ in $(seq 60); do kill -0 -- "$target" 2>/dev/null || break; sleep 0.05; done
  kill -9 -- "$target" 2>/dev/null
  wait "$pid" 2>/dev/null
}
cleanup() {
  [ -s "$REPORT/child.pid" ] && kill "$(cat "$REPORT/child.pid")" 2>/dev/null
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do stop_process "${PIDS[$i]}"; done
  if [ -n "${WAYLAND_KEEP_DIR:-}" ]; then mkdir -p "$WAYLAND_KEEP_DIR" && cp -r "$WORK"/. "$WAYLAND_KEEP_DIR"/; fi
  rm -rf "$WORK"
}
REPORT="$WORK/report"
trap cleanup EXIT

export XDG_RUNTIME_DIR="$WORK/runtime"
export HOME="$WORK/home"
export XDG_CONFIG_HOME="$HOME/.config"
mkdir -p -m 700 "$XDG_RUNTIME_DIR" && mkdir -p "$XDG_CONFIG_HOME"
unset DISPLAY WAYLAND_DISPLAY XAUTHORITY QT_QPA_PLATFORM
export NO_AT_BRIDGE=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=0 QT_XCB_GL_INTEGRATION=none
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_tls_get_addr=0"
SOCKET="wl-edgetucker-$$"

# A session bus of the run's own: the compositor's interfaces live there.
# start_bus NAME: a bus of the run's own at $WORK/NAME; its address in BUS.
start_bus() {
  mkfifo "$WORK/$1.address"
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$WORK/$1" \
    --print-address=5 5>"$WORK/$1.address" >/dev/null 2>&1 &
  PIDS+=($!)
  BUS=""
  read -r -t 10 BUS <"$WORK/$1.address" || true
  [ -n "$BUS" ] || { echo "SKIP: dbus-daemon did not start"; exit $SKIP; }
}
if [ "$COMP" = mutter ] || [ "$COMP" = gnome-shell ] || [ "$COMP" = kwin ]; then
  start_bus bus
  export DBUS_SESSION_BUS_ADDRESS="$BUS"
  if [ "$COMP" = gnome-shell ]; then
    start_bus system-bus
    export DBUS_SYSTEM_BUS_ADDRESS="$BUS"
  fi
else
  export DBUS_SESSION_BUS_ADDRESS=disabled:
fi

# The compositor starts a command of ours once its XWayland is up (mutter,
# KWin) or once it runs (sway): the command writes the X display, its cookie
# and the Wayland socket where we read them.
mkdir "$REPORT"
mkfifo "$REPORT/env-up"
cat >"$WORK/report.sh" <<REPORT
#!/bin/sh
env | grep -E '^(DISPLAY|XAUTHORITY|WAYLAND_DISPLAY)=' >"$REPORT/xenv"
echo \$\$ >"$REPORT/child.pid"
echo up >"$REPORT/env-up"
exec sleep 100000
REPORT
chmod 755 "$WORK/report.sh"
# sway will not run as root: then it runs as a system user of the tests' own,
# whose runtime folder (its Wayland socket) root's clients reach all the same.
SWAY_AS=()
SWAY_RUNTIME="$XDG_RUNTIME_DIR"
SWAY_HOME="$HOME"
if [ "$COMP" = sway ] && [ "$(id -u)" -eq 0 ]; then
  SWAY_USER=edgetucker-wayland
  if ! id -u "$SWAY_USER" >/dev/null 2>&1 &&
     ! useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$SWAY_USER"; then
    echo "SKIP: no user to run sway as"; exit $SKIP
  fi
  chmod 711 "$WORK"
  SWAY_RUNTIME="$WORK/sway-runtime"
  SWAY_HOME="$WORK/sway-home"
  mkdir -m 700 "$SWAY_RUNTIME" "$SWAY_HOME"
  chown "$SWAY_USER:" "$SWAY_RUNTIME" "$SWAY_HOME" "$REPORT" "$REPORT/env-up"
  SWAY_AS=(setpriv --reuid="$SWAY_USER" --regid="$SWAY_USER" --clear-groups --)
fi
case "$COMP" in
  mutter)
    setsid mutter --wayland --headless --virtual-monitor 1280x800 --wayland-display "$SOCKET" \
      -- "$WORK/report.sh" >"$WORK/compositor.log" 2>&1 &
    PIDS+=($!) ;;
  gnome-shell)
    setsid gnome-shell --wayland --headless --virtual-monitor 1280x800 --wayland-display "$SOCKET" \
      >"$WORK/compositor.log" 2>&1 &
    PIDS+=($!) ;;
  kwin)
    cp "$(command -v kwin_wayland)" "$WORK/kwin_wayland"
    KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 setsid "$WORK/kwin_wayland" --virtual --xwayland --width 1280 --height 800 \
      --no-lockscreen --socket "$SOCKET" "$WORK/report.sh" >"$WORK/compositor.log" 2>&1 &
    PIDS+=($!) ;;
  weston)
    setsid weston --backend=headless-backend.so --xwayland --width=1280 --height=800 --socket="$SOCKET" \
      --idle-time=0 >"$WORK/compositor.log" 2>&1 &
    PIDS+=($!) ;;
  sway)
    printf '%s\n' 'xwayland enable' 'output HEADLESS-1 resolution 1280x800' "exec $WORK/report.sh" \
      >"$WORK/sway.config"
    chmod 644 "$WORK/sway.config"
    setsid "${SWAY_AS[@]}" env -i PATH="$PATH" HOME="$SWAY_HOME" \
      XDG_RUNTIME_DIR="$SWAY_RUNTIME" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
      sway -c "$WORK/sway.config" >"$WORK/compositor.log" 2>&1 &
    PIDS+=($!) ;;
esac
COMP_PID=${PIDS[-1]}
# How long a compositor may take to come up: on a loaded machine GNOME Shell
# took over a minute (and the test was skipped as if it could not start here).
START_BOUND=180
if [ "$COMP" = weston ]; then
  # weston starts its XWayland with the first X client; it says where it listens.
  deadline=$((SECONDS + START_BOUND))
  while [ "$SECONDS" -lt "$deadline" ]; do
    NUMBER=$(sed -n 's/.*xserver listening on display :\([0-9]*\).*/\1/p' "$WORK/compositor.log" | head -1)
    [ -n "$NUMBER" ] && break
    kill -0 "$COMP_PID" 2>/dev/null || break
    sleep 0.05
  done
  [ -n "${NUMBER:-}" ] || { echo "SKIP: weston did not start with XWayland:"; cat "$WORK/compositor.log"; exit $SKIP; }
  echo "DISPLAY=:$NUMBER" >"$REPORT/xenv"
elif [ "$COMP" = gnome-shell ]; then
  # Its XWayland is up before the shell says it has started.
  deadline=$((SECONDS + START_BOUND))
  while [ "$SECONDS" -lt "$deadline" ]; do
    grep -q 'GNOME Shell started' "$WORK/compositor.log" && break
    kill -0 "$COMP_PID" 2>/dev/null || break
    sleep 0.05
  done
  NUMBER=$(sed -n 's/.*Using public X11 display :\([0-9]*\).*/\1/p' "$WORK/compositor.log" | head -1)
  COOKIE=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
  if ! grep -q 'GNOME Shell started' "$WORK/compositor.log" || [ -z "$NUMBER" ] || [ -z "$COOKIE" ]; then
    echo "SKIP: gnome-shell did not start here:"; tail -20 "$WORK/compositor.log"; exit $SKIP
  fi
  printf 'DISPLAY=:%s\nXAUTHORITY=%s\n' "$NUMBER" "$COOKIE" >"$REPORT/xenv"
else
  if ! read -r -t "$START_BOUND" _ <"$REPORT/env-up"; then
    echo "SKIP: $COMP did not start here:"; tail -20 "$WORK/compositor.log"; exit $SKIP
  fi
fi
while IFS='=' read -r key value; do export "$key=$value"; done <"$REPORT/xenv"
if [ "$COMP" = sway ]; then
  # sway names its own socket; a full path reaches it from root's runtime
  # folder too.  Its XWayland starts with the first X client and, run as
  # another user, lets root's clients in once that user says so.
  export WAYLAND_DISPLAY="$SWAY_RUNTIME/$WAYLAND_DISPLAY"
  if [ "${#SWAY_AS[@]}" -gt 0 ] && ! "${SWAY_AS[@]}" env DISPLAY="$DISPLAY" xhost +si:localuser:root >/dev/null; then
    echo "SKIP: sway's XWayland did not start here:"; tail -20 "$WORK/compositor.log"; exit $SKIP
  fi
else
  export WAYLAND_DISPLAY="$SOCKET"
fi

# The native window first: the IDE's windows, mapped later, stand above it.
mkfifo "$WORK/peer-in" "$WORK/peer-out" "$WORK/peer-up"
case "$COMP" in mutter|gnome-shell) POINTER=mutter ;; kwin) POINTER=kwin ;; *) POINTER=none ;; esac
"$PEER" --pointer "$POINTER" "$WORK/peer-in" "$WORK/peer-out" >"$WORK/peer-up" 2>"$WORK/peer.err" &
PIDS+=($!)
if ! read -r -t 30 line <"$WORK/peer-up" || [ "$line" != ready ]; then
  echo "FAIL: the native window did not come up:" >&2; cat "$WORK/peer.err" >&2; exit 1
fi
export EDGETUCKER_POINTER_PEER="$WORK/peer-in:$WORK/peer-out"

export WINDIR="$WORK/windows"
mkdir -p "$WINDIR"
[ -f "$INI" ] && cp "$INI" "$WINDIR/Edgetuck.ini"
cd "$WORK"
QT_QPA_PLATFORM=xcb "$HOST" --script "$SCRIPT" 2>"$WORK/host.err"
status=$?
cat "$WORK/host.err" >&2
exit $status
