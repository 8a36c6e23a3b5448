#!/usr/bin/env bash
# run-x11.sh [--wm NAME] [--ini FILE] [--other] HOST SCRIPT
#
# Plays SCRIPT in the stand-in IDE HOST on a real X server of its own: an Xvfb
# of 1280 x 800 x 24 on a free display, optionally a window manager (none,
# openbox, fluxbox, xfwm4, icewm, metacity, or a desktop's: kwin_x11, mutter,
# marco, muffin, xfce, i3, i3-floating; see wm.sh; default none) that is
# ready before the IDE starts, and a fresh Windows directory whose Edgetuck.ini is FILE
# (default: SCRIPT's sibling NAME.ini when there is one).  With --other an
# xterm (another application) stands at (700, 400) before the IDE starts.
# Exits with the host's status (1 as well when Qt's xcb platform reports an
# internal error); 77 (skipped) with a message when Xvfb or the window manager
# is not installed.  X11_KEEP_DIR keeps the run's files.
set -u

SKIP=77
WM=none
INI=""
OTHER=0
while [ "$#" -gt 2 ]; do
  case "$1" in
    --wm) WM="$2"; shift 2 ;;
    --wm=*) WM="${1#--wm=}"; shift ;;
    --ini) INI="$2"; shift 2 ;;
    --ini=*) INI="${1#--ini=}"; shift ;;
    --other) OTHER=1; shift ;;
    *) echo "run-x11.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ "$#" -ne 2 ]; then
  echo "usage: run-x11.sh [--wm NAME] [--ini FILE] [--other] HOST SCRIPT" >&2
  exit 2
fi
HOST="$(realpath -e "$1" 2>/dev/null)" || { echo "run-x11.sh: no host at $1" >&2; exit 2; }
SCRIPT="$(realpath -e "$2" 2>/dev/null)" || { echo "run-x11.sh: no script at $2" >&2; exit 2; }
[ -n "$INI" ] || { [ -f "${SCRIPT%.script}.ini" ] && INI="${SCRIPT%.script}.ini"; }

# shellcheck source=wm.sh
. "$(dirname "${BASH_SOURCE[0]}")/wm.sh"
wm_command "$WM" || { echo "run-x11.sh: unknown window manager $WM" >&2; exit 2; }
if ! command -v Xvfb >/dev/null; then
  echo "SKIP: Xvfb is not installed (apt-get install xvfb)"; exit $SKIP
fi
if [ "$WM" != none ]; then
  for p in $(wm_packages "$WM"); do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
      { echo "SKIP: window manager $WM needs $p (apt-get install $(wm_packages "$WM" | tr '\n' ' '))"; exit $SKIP; }
  done
fi
for tool in xprop; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is not installed (apt-get install x11-utils)"; exit $SKIP; }
done
if [ "$OTHER" = 1 ] && ! command -v xterm >/dev/null; then
  echo "SKIP: xterm is not installed (apt-get install xterm)"; exit $SKIP
fi

WORK="$(mktemp -d "${TMPDIR:-/tmp}/x11-$WM-$(basename "$SCRIPT" .script)-XXXXXX")"
PIDS=()
# Ends what this run started, last started first, each before the next: a
# window manager whose X server went first may hang on its way out.
cleanup() {
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do stop_process "${PIDS[$i]}"; done
  if [ -n "${X11_KEEP_DIR:-}" ]; then mkdir -p "$X11_KEEP_DIR" && cp -r "$WORK"/. "$X11_KEEP_DIR"/; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

# The server writes its display number to the fifo once it accepts clients.
mkfifo "$WORK/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$WORK/displayfd" \
  >"$WORK/xvfb.log" 2>&1 &
PIDS+=($!)
read -r -t 10 NUMBER <"$WORK/displayfd" || true
if [ -z "${NUMBER:-}" ]; then
  echo "run-x11.sh: Xvfb did not start:" >&2; cat "$WORK/xvfb.log" >&2; exit 1
fi
export DISPLAY=":$NUMBER"
unset XAUTHORITY WAYLAND_DISPLAY
# No session bus and no accessibility bus for the IDE: nothing outlives the
# run, and no D-Bus thread of Qt's is still going when the process ends (one
# that was made the leak checker's thread tracer crash now and then).
export DBUS_SESSION_BUS_ADDRESS=disabled:
export NO_AT_BRIDGE=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=0
# The IDE paints with the raster engine: no OpenGL driver is loaded.
export QT_XCB_GL_INTEGRATION=none
# In a sanitized build the leak checker at exit now and then read a stale
# dynamic-TLS entry (of a library unloaded by then) and crashed; it does not
# track dynamic TLS with this.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_tls_get_addr=0"

export HOME="$WORK/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$XDG_CONFIG_HOME" && mkdir -p -m 700 "$XDG_RUNTIME_DIR"

if ! wm_start "$WORK" "$WORK/wm.log"; then
  echo "run-x11.sh: window manager $WM did not come up:" >&2; cat "$WORK/wm.log" >&2; exit 1
fi

if [ "$OTHER" = 1 ]; then
  # xterm starts its command once its window is up; the command says so,
  # with its process id, so that it is ended with the run.
  mkfifo "$WORK/xterm-up"
  xterm -geometry 60x10+700+400 -title other-application \
    -e sh -c 'echo $$ >"$0"; exec cat' "$WORK/xterm-up" >/dev/null 2>&1 &
  PIDS+=($!)
  read -r -t 10 CHILD <"$WORK/xterm-up" || { echo "run-x11.sh: xterm did not come up" >&2; exit 1; }
  PIDS+=("$CHILD")
fi


# Scripts name the work area (the screen less the panels a window manager
# reserves) as @WA_LEFT@ @WA_TOP@ @WA_RIGHT@ @WA_BOTTOM@, each with an offset
# if need be (@WA_TOP+5@, @WA_TOP-95@).
read -r WA_X WA_Y WA_W WA_H < <(xprop -root _NET_WORKAREA 2>/dev/null |
  sed -n 's/^_NET_WORKAREA(CARDINAL) = \([0-9]*\), \([0-9]*\), \([0-9]*\), \([0-9]*\).*/\1 \2 \3 \4/p')
[ -n "${WA_H:-}" ] || { WA_X=0; WA_Y=0; WA_W=1280; WA_H=800; }
WA_LEFT=$WA_X WA_TOP=$WA_Y WA_RIGHT=$((WA_X + WA_W)) WA_BOTTOM=$((WA_Y + WA_H)) \
  perl -pe 's/\@(WA_(?:LEFT|TOP|RIGHT|BOTTOM))([+-]\d+)?\@/$ENV{$1} + ($2 \/\/ 0)/ge' \
  "$SCRIPT" >"$WORK/$(basename "$SCRIPT")"
SCRIPT="$WORK/$(basename "$SCRIPT")"

export WINDIR="$WORK/windows"
mkdir -p "$WINDIR"
[ -n "$INI" ] && cp "$INI" "$WINDIR/Edgetuck.ini"
cd "$WORK"
QT_QPA_PLATFORM=xcb ${X11_HOST_WRAPPER:-} "$HOST" --script "$SCRIPT" 2>"$WORK/host.err"
status=$?
cat "$WORK/host.err" >&2
# Qt tells of windows shown or hidden behind the window manager's back.
if [ $status = 0 ] && grep -q "qt.qpa.xcb: internal error" "$WORK/host.err"; then
  echo "FAIL: Qt's xcb platform reported an internal error" >&2
  status=1
fi
exit $status
