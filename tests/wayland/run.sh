#!/usr/bin/env bash
# run.sh COMPOSITOR HOST PEER SCRIPT
#
# Plays SCRIPT in the stand-in IDE HOST as an X11 client of the XWayland of a
# headless Wayland compositor of its own (mutter, kwin or weston; 1280 x 800),
# beside a native Wayland window of the peer PEER (tests/wayland/peer.cpp),
# which also moves the compositor's real pointer for the script's `cursor`
# and `click-at` and answers its `peer` commands.  SCRIPT's sibling NAME.ini is
# the Edgetuck.ini of a fresh Windows directory.
#
#  * mutter: --wayland --headless --virtual-monitor 1280x800 on a session bus
#    of the run's own; the pointer moves through org.gnome.Mutter.RemoteDesktop.
#  * kwin: kwin_wayland --virtual --xwayland, run from a copy of the binary
#    (the installed one carries a file capability, which strips the
#    environment) with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 for its fake-input
#    protocol, on a session bus of the run's own (the IDE's pointer watch
#    loads a KWin script over it).
#  * weston: the headless backend with its XWayland module; no pointer.
#
# Exits with the host's status; 77 (skipped) with a message when the
# compositor is not installed or does not start here.  WAYLAND_KEEP_DIR keeps
# the run's files (the compositor's log among them).
set -u

SKIP=77
if [ "$#" -ne 4 ]; then
  echo "usage: run.sh mutter|kwin|weston HOST PEER SCRIPT" >&2
  exit 2
fi
COMP="$1"
HOST="$(realpath -e "$2" 2>/dev/null)" || { echo "run.sh: no host at $2" >&2; exit 2; }
PEER="$(realpath -e "$3" 2>/dev/null)" || { echo "run.sh: no peer at $3" >&2; exit 2; }
SCRIPT="$(realpath -e "$4" 2>/dev/null)" || { echo "run.sh: no script at $4" >&2; exit 2; }
INI="${SCRIPT%.script}.ini"

case "$COMP" in
  mutter) need=(mutter Xwayland dbus-daemon) ;;
  kwin) need=(kwin_wayland Xwayland dbus-daemon) ;;
  weston) need=(weston Xwayland) ;;
  *) echo "run.sh: unknown compositor $COMP" >&2; exit 2 ;;
esac
for tool in "${need[@]}"; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit $SKIP; }
done

WORK="$(mktemp -d "${TMPDIR:-/tmp}/wayland-$COMP-$(basename "$SCRIPT" .script)-XXXXXX")"
PIDS=()
stop_process() {
  local pid=$1
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 60); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}
cleanup() {
  [ -s "$WORK/child.pid" ] && kill "$(cat "$WORK/child.pid")" 2>/dev/null
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do stop_process "${PIDS[$i]}"; done
  if [ -n "${WAYLAND_KEEP_DIR:-}" ]; then mkdir -p "$WAYLAND_KEEP_DIR" && cp -r "$WORK"/. "$WAYLAND_KEEP_DIR"/; fi
  rm -rf "$WORK"
}
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
if [ "$COMP" != weston ]; then
  mkfifo "$WORK/busaddress"
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$WORK/bus" \
    --print-address=5 5>"$WORK/busaddress" >/dev/null 2>&1 &
  PIDS+=($!)
  read -r -t 10 BUS <"$WORK/busaddress" || true
  [ -n "${BUS:-}" ] || { echo "SKIP: dbus-daemon did not start"; exit $SKIP; }
  export DBUS_SESSION_BUS_ADDRESS="$BUS"
else
  export DBUS_SESSION_BUS_ADDRESS=disabled:
fi

# The compositor starts a command of ours once its XWayland is up (mutter,
# KWin): the command writes the X display and its cookie where we read them.
mkfifo "$WORK/env-up"
cat >"$WORK/report.sh" <<REPORT
#!/bin/sh
env | grep -E '^(DISPLAY|XAUTHORITY)=' >"$WORK/xenv"
echo \$\$ >"$WORK/child.pid"
echo up >"$WORK/env-up"
exec sleep 100000
REPORT
chmod +x "$WORK/report.sh"
case "$COMP" in
  mutter)
    mutter --wayland --headless --virtual-monitor 1280x800 --wayland-display "$SOCKET" \
      -- "$WORK/report.sh" >"$WORK/compositor.log" 2>&1 &
    PIDS+=($!) ;;
  kwin)
    cp "$(command -v kwin_wayland)" "$WORK/kwin_wayland"
    KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 "$WORK/kwin_wayland" --virtual --xwayland --width 1280 --height 800 \
      --no-lockscreen --socket "$SOCKET" "$WORK/report.sh" >"$WORK/compositor.log" 2>&1 &
    PIDS+=($!) ;;
  weston)
    weston --backend=headless-backend.so --xwayland --width=1280 --height=800 --socket="$SOCKET" \
      --idle-time=0 >"$WORK/compositor.log" 2>&1 &
    PIDS+=($!) ;;
esac
COMP_PID=${PIDS[-1]}
if [ "$COMP" = weston ]; then
  # weston starts its XWayland with the first X client; it says where it listens.
  for _ in $(seq 300); do
    NUMBER=$(sed -n 's/.*xserver listening on display :\([0-9]*\).*/\1/p' "$WORK/compositor.log" | head -1)
    [ -n "$NUMBER" ] && break
    kill -0 "$COMP_PID" 2>/dev/null || break
    sleep 0.05
  done
  [ -n "${NUMBER:-}" ] || { echo "SKIP: weston did not start with XWayland:"; cat "$WORK/compositor.log"; exit $SKIP; }
  echo "DISPLAY=:$NUMBER" >"$WORK/xenv"
else
  if ! read -r -t 60 _ <"$WORK/env-up"; then
    echo "SKIP: $COMP did not start here:"; tail -20 "$WORK/compositor.log"; exit $SKIP
  fi
fi
while IFS='=' read -r key value; do export "$key=$value"; done <"$WORK/xenv"
export WAYLAND_DISPLAY="$SOCKET"

# The native window first: the IDE's windows, mapped later, stand above it.
mkfifo "$WORK/peer-in" "$WORK/peer-out" "$WORK/peer-up"
case "$COMP" in mutter|kwin) POINTER=$COMP ;; *) POINTER=none ;; esac
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
