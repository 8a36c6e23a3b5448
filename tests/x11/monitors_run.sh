#!/usr/bin/env bash
# monitors_run.sh [--wm NAME] HOST PROBE [SCRIPT...]
#
# The stand-in IDE on a desktop of two monitors, without monitor hardware: an
# Xorg server of its own with the dummy video driver (no VT, no input devices,
# its config and log in a temporary folder) drives one 2048 x 768 screen,
# which `xrandr --setmonitor` splits into monitors.  Each SCRIPT (default:
# every monitors/*.script beside this file) names its layout in a line
#
#   # monitors: *LEFT:1024x768+0+0 RIGHT:1024x768+1024+0
#
# (the primary one starred), and may name a panel of another process that
# reserves space at an edge of the screen in a line
#
#   # dock: bottom 30 1024 2047
#
# (the arguments of test_x11_dock, which lies beside PROBE: the edge, the
# pixels reserved from the screen's edge, the first and last pixel along it).
# For each script the layout is set, then with --wm (openbox, fluxbox or
# icewm; default none) that window manager starts, the dock comes up, PROBE
# (test_x11_monitors_probe) checks that Qt and platform::GetMonitors see
# exactly those monitors, and HOST (ide-host) plays the script with a fresh
# Windows directory whose Edgetuck.ini is the script's sibling NAME.ini, else
# default.ini in the script's folder.
#
# Exits 0 when all pass, 1 when any fails, 77 (skipped) with a message when
# the dummy server is not installed or cannot be started here.
#   apt-get install -y xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
# X11_KEEP_DIR=DIR keeps the run's files (server log, config, IDE output).
set -u

SKIP=77
skip() { echo "SKIP: $*"; exit $SKIP; }

WM=none
case "${1:-}" in
  --wm) WM="${2:-}"; shift 2 ;;
  --wm=*) WM="${1#--wm=}"; shift ;;
esac
if [ "$#" -lt 2 ]; then
  echo "usage: monitors_run.sh [--wm NAME] HOST PROBE [SCRIPT...]" >&2
  exit 2
fi
case "$WM" in
  none) WM_CMD=() ;;
  openbox) WM_CMD=(openbox --sm-disable) ;;
  fluxbox) WM_CMD=(fluxbox) ;;
  icewm) WM_CMD=(icewm) ;;
  *) echo "monitors_run.sh: unknown window manager $WM" >&2; exit 2 ;;
esac
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=wm.sh
. "$HERE/wm.sh"
HOST="$(realpath -e "$1" 2>/dev/null)" || { echo "monitors_run.sh: no host at $1" >&2; exit 2; }
PROBE="$(realpath -e "$2" 2>/dev/null)" || { echo "monitors_run.sh: no probe at $2" >&2; exit 2; }
shift 2
SCRIPTS=("$@")
[ ${#SCRIPTS[@]} -gt 0 ] || SCRIPTS=("$HERE"/monitors/*.script)

XORG="$(command -v Xorg)" || skip "Xorg is not installed (apt-get install xserver-xorg-core xserver-xorg-video-dummy)"
have_dummy=0
for f in /usr/lib/xorg/modules/drivers/dummy_drv.so /usr/lib/*/xorg/modules/drivers/dummy_drv.so; do
  [ -e "$f" ] && have_dummy=1
done
[ $have_dummy = 1 ] ||
  skip "Xorg's dummy video driver is not installed (apt-get install xserver-xorg-video-dummy)"
command -v xrandr >/dev/null || skip "xrandr is not installed (apt-get install x11-xserver-utils)"
if [ "$WM" != none ]; then
  for tool in "$WM" xprop; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (needed for the window manager $WM)"
  done
fi

WORK="$(mktemp -d "${TMPDIR:-/tmp}/x11-monitors-XXXXXX")"
XPID=""
WMPID=""
DOCKPID=""
# Ends one process this run started: politely, then for sure.
stop() {
  local pid=$1
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}
cleanup() {
  # The window manager first: one whose X server went first may hang.
  stop "$DOCKPID"
  stop "$WMPID"
  stop "$XPID"
  if [ -n "${X11_KEEP_DIR:-}" ]; then mkdir -p "$X11_KEEP_DIR" && cp -r "$WORK"/. "$X11_KEEP_DIR"/; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

# One 2048 x 768 screen on the dummy driver.  Input hot-plugging is off, so
# the server opens no input device (the default mouse and keyboard drivers it
# then asks for are not installed, which it logs and goes on without); XTest
# still moves the core pointer.  The dummy driver asks for no console, so no
# VT is opened or switched (the server only asks the kernel which one is
# free, and logs that number).  The mode has ordinary (not reduced) blanking,
# which the default monitor limits accept.
# A config folder of the run's own (Xorg wants at least one file in it) keeps
# the machine's /etc/X11/xorg.conf.d out of the test.
mkdir -p "$WORK/xorg.conf.d"
echo '# Nothing beyond ../xorg.conf.' >"$WORK/xorg.conf.d/00-empty.conf"
cat >"$WORK/xorg.conf" <<'EOF'
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "AutoAddGPU" "false"
  Option "DontVTSwitch" "true"
  Option "BlankTime" "0"
  Option "StandbyTime" "0"
  Option "SuspendTime" "0"
  Option "OffTime" "0"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 16384
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
  Modeline "2048x768" 128.70 2048 2160 2368 2688 768 771 781 798 -hsync +vsync
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "2048x768"
    Virtual 2048 768
  EndSubSection
EndSection
Section "ServerLayout"
  Identifier "layout"
  Screen "screen"
EndSection
EOF

# The server writes its display number to the fifo once it accepts clients,
# or closes it unwritten when it dies first.
mkfifo "$WORK/displayfd"
"$XORG" -displayfd 3 -config "$WORK/xorg.conf" -configdir "$WORK/xorg.conf.d" -noreset -nolisten tcp \
  -logfile "$WORK/xorg.log" 3>"$WORK/displayfd" </dev/null >"$WORK/xorg.out" 2>&1 &
XPID=$!
read -r -t 15 NUMBER <"$WORK/displayfd" || true
if [ -z "${NUMBER:-}" ]; then
  echo "The dummy X server did not start; the end of its log:"
  tail -n 15 "$WORK/xorg.log" 2>/dev/null || cat "$WORK/xorg.out"
  skip "no Xorg dummy server can be started here"
fi
export DISPLAY=":$NUMBER"
read -r SCREEN_W SCREEN_H < <(xrandr 2>/dev/null | sed -n 's/^Screen 0:.* current \([0-9]*\) x \([0-9]*\),.*/\1 \2/p')
if [ "${SCREEN_W:-0}x${SCREEN_H:-0}" != 2048x768 ]; then
  skip "the dummy X server gave a ${SCREEN_W:-?}x${SCREEN_H:-?} screen, not 2048x768 (see its log)"
fi
OUTPUT="$(xrandr | sed -n 's/^\([^ ]*\) connected.*/\1/p' | head -n 1)"
xrandr --output "$OUTPUT" --primary
unset XAUTHORITY WAYLAND_DISPLAY
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
# As in run-x11.sh: no session or accessibility bus (no D-Bus thread of Qt's
# still going at exit), no OpenGL driver, and a leak checker that does not
# track dynamic TLS; in sanitized builds each of these made the checker crash
# at exit now and then.
export DBUS_SESSION_BUS_ADDRESS=disabled:
export NO_AT_BRIDGE=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=0
export QT_XCB_GL_INTEGRATION=none
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_tls_get_addr=0"
export LSAN_OPTIONS="suppressions=$HERE/placement_lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# set_layout "*LEFT:1024x768+0+0 RIGHT:1024x768+1024+0": replaces the monitors
# of the last layout and sets PROBE_ARGS to the probe's view of the new one.
# xrandr takes a leading '*' on a monitor's name as its primary flag.  Qt
# also counts as primary any monitor that holds the primary output, and the
# last such one it lists wins; so the primary monitor takes the screen's (only,
# primary) output, which retires the output's own automatic monitor, and the
# others take none.
LAYOUT_NAMES=()
set_layout() {
  local entries entry name geom w h x y output
  for name in "${LAYOUT_NAMES[@]}"; do xrandr --delmonitor "$name" >/dev/null 2>&1; done
  LAYOUT_NAMES=()
  PROBE_ARGS=()
  read -r -a entries <<<"$1"
  for entry in "${entries[@]}"; do
    name="${entry%%:*}"
    geom="${entry#*:}"
    if ! [[ "$geom" =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]]; then
      echo "monitors_run.sh: bad monitor $entry" >&2
      return 1
    fi
    w=${BASH_REMATCH[1]} h=${BASH_REMATCH[2]} x=${BASH_REMATCH[3]} y=${BASH_REMATCH[4]}
    # Physical sizes at 100 dpi, as a real monitor would report them; Qt's
    # pixels do not depend on them (it takes 96 dpi without Xft.dpi).
    output=none
    [ "${name:0:1}" = "*" ] && output=$OUTPUT
    xrandr --setmonitor "$name" "$w/$((w * 254 / 1000))x$h/$((h * 254 / 1000))+$x+$y" "$output" >/dev/null || return 1
    LAYOUT_NAMES+=("${name#\*}")
    if [ "${name:0:1}" = "*" ]; then
      PROBE_ARGS+=("$x,$y,$((x + w)),$((y + h)),primary")
    else
      PROBE_ARGS+=("$x,$y,$((x + w)),$((y + h))")
    fi
  done
}

passed=0
failed=0
for script in "${SCRIPTS[@]}"; do
  script="$(realpath -e "$script")" || { failed=$((failed + 1)); continue; }
  name="$(basename "$script" .script)"
  echo "=== $name"
  layout="$(sed -n 's/^# monitors: *//p' "$script" | head -n 1)"
  if [ -z "$layout" ] || ! set_layout "$layout"; then
    echo "FAIL $name: no usable '# monitors:' line"
    failed=$((failed + 1))
    continue
  fi
  run="$WORK/$name"
  mkdir -p "$run/home/.config" "$run/windows"
  if [ "$WM" != none ]; then
    # Ready once it names itself on the root window (the last layout's
    # window manager, gone, named itself there too).
    xprop -root -remove _NET_SUPPORTING_WM_CHECK
    exec 4< <(timeout 15 xprop -root -spy 2>/dev/null)
    HOME="$run/home" "${WM_CMD[@]}" >"$run/wm.log" 2>&1 &
    WMPID=$!
    ready=0
    wm_await_root '^_NET_SUPPORTING_WM_CHECK\(WINDOW\): window id #' 15 && ready=1
    exec 4<&-
    if [ $ready = 0 ]; then
      echo "FAIL $name: window manager $WM did not come up"
      cat "$run/wm.log"
      failed=$((failed + 1))
      stop "$WMPID"
      WMPID=""
      continue
    fi
  fi
  dock="$(sed -n 's/^# dock: *//p' "$script" | head -n 1)"
  if [ -n "$dock" ]; then
    # Up once it says so (the X server has mapped it by then).
    exec 5< <("$(dirname "$PROBE")/test_x11_dock" $dock 2>&1)
    DOCKPID=$!
    if ! read -r -t 10 -u 5 line || [ "${line%% *}" != ready ]; then
      echo "FAIL $name: the dock ($dock) did not come up: ${line:-}"
      failed=$((failed + 1))
      stop "$DOCKPID"; stop "$WMPID"
      DOCKPID=""; WMPID=""
      exec 5<&-
      continue
    fi
  fi
  xrandr --listmonitors
  if ! "$PROBE" "${PROBE_ARGS[@]}"; then
    echo "FAIL $name: the monitors are not seen as set"
    failed=$((failed + 1))
    stop "$DOCKPID"; stop "$WMPID"
    DOCKPID=""; WMPID=""
    continue
  fi
  ini="${script%.script}.ini"
  [ -f "$ini" ] || ini="$(dirname "$script")/default.ini"
  cp "$ini" "$run/windows/Edgetuck.ini"
  (
    cd "$run" &&
      HOME="$run/home" XDG_CONFIG_HOME="$run/home/.config" \
        WINDIR="$run/windows" QT_QPA_PLATFORM=xcb timeout 60 "$HOST" --script "$script"
  ) 2>&1 | tee "$run/host.out"
  status=${PIPESTATUS[0]}
  stop "$DOCKPID"
  stop "$WMPID"
  DOCKPID=""
  WMPID=""
  exec 5<&- 2>/dev/null
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
  else
    echo "FAIL $name"
    failed=$((failed + 1))
  fi
done
echo "monitors: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
