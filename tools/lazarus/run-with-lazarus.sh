#!/usr/bin/env bash
# run-with-lazarus.sh: the add-in served to a real Lazarus IDE, end to end, on
# a private X server, with a screenshot of every step.
#
#   tools/lazarus/run-with-lazarus.sh [--bridge PATH] [--xdrive PATH] [--shots DIR]
#                                     [--keep DIR] [--wm NAME] [--wayland mutter|kwin]
#                                     [--no-install] [--animate]
#
# 1. Installs what it needs with apt-get (skipped for packages already there).
# 2. Prepares a Lazarus configuration in a temporary folder, so that the IDE
#    starts straight into its windows (no "Welcome to Lazarus IDE" dialog); see
#    prepare_lazarus below for what that takes.
# 3. Starts Xvfb (1280 x 800), a window manager (openbox; --wm fluxbox, xfwm4,
#    icewm, metacity, or a desktop's: kwin_x11, mutter, marco, muffin, xfce
#    (xfwm4 with xfce4-panel along the top), i3 (tiling), i3-floating, dwm
#    (tiling, with no layout to ask); see
#    tests/x11/wm.sh) and Lazarus.  With --wayland, a headless Wayland
#    compositor instead (mutter or KWin, started as tests/wayland/run.sh
#    does), Lazarus and the bridge on its XWayland, and the tests' native
#    Wayland window (wayland_peer beside the bridge) maximized below them:
#    the pointer is then the compositor's own, moved by the peer, and where
#    the pointer leaves a revealed window it goes onto the native window.
# 4. Starts the bridge, opens the control panel with `--panel`, clicks Start
#    (XTest, at the button's place read from the X server), reveals and hides
#    the main window and the Object Inspector with XTest pointer motion, opens
#    the panel again and clicks Stop, and checks that both windows stand at
#    home.  Under --wayland it also clicks the native window after Start
#    ("disable on focus loss" is on: the panel's caption says hiding paused)
#    and then the inspector's strip (hiding resumes, and the strip reveals).
#    Every rectangle is the frame as the X server reports it; the strip
#    a hidden window leaves on the screen is measured from it, beside the
#    panel that reserves its edge if there is one (from the work area the
#    window manager publishes).  Under i3 and dwm (tiling) the windows stand in tiles:
#    Start must leave them there with the panel's message, and nothing moves.
#    Windows jump (the add-in's default); --animate makes them slide.
# 5. Takes a screenshot of each step into the shots folder (default
#    ./lazarus-shots), beside report.txt and the logs of the bridge and the IDE.
#
# Needs root for step 1 (or sudo); with --no-install it only checks.  The
# bridge defaults to build-tests/bin/edgetucker-bridge of this tree, with
# libedgetucker.so beside it.  The pointer is moved by the tests' xdrive tool
# (bridge_xdrive beside the bridge, or --xdrive PATH): xdotool's mousemove
# warps the pointer, and a warp is no motion to the add-in's pointer watch
# (nor to a person's eye).  Exits 0 when every check passed, 1 when one
# failed (the report says which, with the rectangles), 2 on a wrong command
# line, 3 when something it needs is missing.
set -u

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO="$(cd "$HERE/../.." && pwd)"

BRIDGE=""
XDRIVE=""
WM=openbox
WAYLAND=""
SHOTS="$PWD/lazarus-shots"
KEEP=""
INSTALL=1
ANIMATE=False
while [ "$#" -gt 0 ]; do
  case "$1" in
    --bridge) BRIDGE="${2:-}"; shift 2 ;;
    --bridge=*) BRIDGE="${1#*=}"; shift ;;
    --xdrive) XDRIVE="${2:-}"; shift 2 ;;
    --xdrive=*) XDRIVE="${1#*=}"; shift ;;
    --wm) WM="${2:-}"; shift 2 ;;
    --wm=*) WM="${1#*=}"; shift ;;
    --wayland) WAYLAND="${2:-}"; shift 2 ;;
    --wayland=*) WAYLAND="${1#*=}"; shift ;;
    --shots) SHOTS="${2:-}"; shift 2 ;;
    --shots=*) SHOTS="${1#*=}"; shift ;;
    --keep) KEEP="${2:-}"; shift 2 ;;
    --keep=*) KEEP="${1#*=}"; shift ;;
    --no-install) INSTALL=0; shift ;;
    --animate) ANIMATE=True; shift ;;
    -h|--help) sed -n '2,45p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run-with-lazarus.sh: unknown option: $1 (see --help)" >&2; exit 2 ;;
  esac
done
[ -n "$SHOTS" ] || { echo "run-with-lazarus.sh: --shots needs a folder" >&2; exit 2; }

# The settings the add-in reads (Edgetuck.ini): both windows hide, the
# inspector at the left edge, a strip of HANG pixels, no automatic start (Start
# is pressed on the panel), no sounds (Xvfb has no sound card).
HANG=5
SCREEN_W=1280
SCREEN_H=800
# i3 in its default mode, and dwm, tile the IDE's windows: they must stay in
# their tiles.
TILING=0

# ---- 1. packages --------------------------------------------------------------
# lazarus-src-2.2 brings the package files (.lpk) and ide/ that the IDE checks
# its directory against; fpc brings fpcmkcfg for the Fppkg configuration.
# shellcheck source=../../tests/x11/wm.sh
. "$REPO/tests/x11/wm.sh"
{ wm_command "$WM" && [ "$WM" != none ]; } || { echo "run-with-lazarus.sh: unknown window manager: $WM" >&2; exit 2; }
WM_PACKAGES_FOR="$WM"
case "$WM" in i3|dwm) TILING=1 ;; esac
case "$WAYLAND" in
  "") ;;
  mutter|kwin) WM=none-wayland ;;
  *) echo "run-with-lazarus.sh: --wayland takes mutter or kwin" >&2; exit 2 ;;
esac
# lcl-2.2 is only recommended by the IDE's package, and without it Lazarus
# stops at start with an access violation.
PACKAGES=(lazarus-ide-gtk2 lcl-2.2 lazarus-src-2.2 fpc gdb make xvfb xdotool x11-utils imagemagick)
if [ -n "$WAYLAND" ]; then
  # Under XWayland ImageMagick's import fails; the shots come from xwd.
  PACKAGES+=(xwayland dbus-daemon qt6-wayland x11-apps)
  [ "$WAYLAND" = mutter ] && PACKAGES+=(mutter) || PACKAGES+=(kwin-wayland)
else
  mapfile -t -O "${#PACKAGES[@]}" PACKAGES < <(wm_packages "$WM_PACKAGES_FOR")
fi
missing_packages() {
  local p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
install_packages() {
  local missing
  mapfile -t missing < <(missing_packages)
  [ "${#missing[@]}" -eq 0 ] && return 0
  if [ "$INSTALL" -eq 0 ]; then
    echo "run-with-lazarus.sh: missing packages: ${missing[*]} (run without --no-install, or apt-get install them)" >&2
    exit 3
  fi
  local SUDO=()
  [ "$(id -u)" -eq 0 ] || SUDO=(sudo)
  echo "== installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! "${SUDO[@]}" apt-get install -y "${missing[@]}"; then
    "${SUDO[@]}" apt-get update && "${SUDO[@]}" apt-get install -y "${missing[@]}" || {
      echo "run-with-lazarus.sh: apt-get could not install: ${missing[*]}" >&2
      exit 3
    }
  fi
}
install_packages

if [ -z "$BRIDGE" ]; then
  for c in "$REPO/build-tests/bin/edgetucker-bridge" "$REPO/build/bin/edgetucker-bridge" \
           "$(command -v edgetucker-bridge 2>/dev/null)"; do
    [ -n "$c" ] && [ -x "$c" ] && { BRIDGE="$c"; break; }
  done
fi
if [ -z "$BRIDGE" ] || [ ! -x "$BRIDGE" ]; then
  echo "run-with-lazarus.sh: no edgetucker-bridge to run (build it: cmake --build build-tests --target edgetucker-bridge, or give --bridge PATH)" >&2
  exit 3
fi
BRIDGE="$(realpath "$BRIDGE")"
[ -n "$XDRIVE" ] || XDRIVE="$(dirname "$BRIDGE")/bridge_xdrive"
PEER="$(dirname "$BRIDGE")/wayland_peer"
if [ -n "$WAYLAND" ] && [ ! -x "$PEER" ]; then
  echo "run-with-lazarus.sh: no wayland_peer beside the bridge (build it: cmake --build build-tests --target wayland_peer)" >&2
  exit 3
fi
if [ ! -x "$XDRIVE" ]; then
  echo "run-with-lazarus.sh: no xdrive tool at $XDRIVE to move the pointer by XTest (build it: cmake --build build-tests --target bridge_xdrive, or give --xdrive PATH)" >&2
  exit 3
fi

LAZ_SYS="$(ls -d /usr/lib/lazarus/[0-9]* 2>/dev/null | sort -V | tail -n 1)"
[ -n "$LAZ_SYS" ] && [ -x "$LAZ_SYS/lazarus" ] || { echo "run-with-lazarus.sh: no Lazarus under /usr/lib/lazarus" >&2; exit 3; }
# Started by this name, as lazarus-ide does: GTK takes the WM_CLASS instance
# from it ("lazarus"; the file it links to would give "lazarus-gtk2").
LAZ_EXE="$LAZ_SYS/lazarus"

# ---- the run's folders and processes -------------------------------------------
# The shots folder is new, empty, or one of an earlier run (it has our
# report.txt); only what a run writes there is replaced, and a folder of other
# files is refused rather than mixed into.
if [ -d "$SHOTS" ] && [ -n "$(ls -A "$SHOTS")" ] && ! head -n 1 "$SHOTS/report.txt" 2>/dev/null | grep -q "^== preparing the Lazarus configuration"; then
  echo "run-with-lazarus.sh: $SHOTS holds other files; give an empty or new folder with --shots" >&2
  exit 2
fi
mkdir -p "$SHOTS" || exit 2
rm -f "$SHOTS"/[0-9][0-9]-*.png "$SHOTS"/report.txt "$SHOTS"/{bridge,lazarus,wm,panel,xvfb}.log
WORK="$(mktemp -d "${TMPDIR:-/tmp}/with-lazarus-XXXXXX")"
SHOTS="$(realpath "$SHOTS")"
REPORT="$SHOTS/report.txt"
PIDS=()
cleanup() {
  local i
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do stop_process "${PIDS[i]}"; done
  cp "$WORK"/*.log "$SHOTS"/ 2>/dev/null
  if [ -n "$KEEP" ]; then mkdir -p "$KEEP" && cp -r "$WORK"/. "$KEEP"/; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

say() { echo "$*" | tee -a "$REPORT"; }
fail() {  # fail WHAT: a check failed; the rest of the run cannot mean anything
  say "FAILED: $*"
  shot "failed"
  say "---- last lines of the bridge's log ----"
  tail -n 20 "$WORK/bridge.log" 2>/dev/null | tee -a "$REPORT"
  exit 1
}
die() { say "SETUP FAILED: $*"; exit 3; }

# ---- 2. the Lazarus configuration -------------------------------------------------
# A throw-away configuration that opens straight into the IDE (prepare_lazarus).
source "$HERE/lazarus-config.sh"

# ---- reading the X server ---------------------------------------------------------
# frame WIN -> "x y w h" of its frame as the window manager shows it: the
# client less the _NET_FRAME_EXTENTS it publishes (xdrive reads it so), not
# the frame window, which under metacity also holds invisible borders for
# resizing.  A window nothing frames is its own frame.
frame() {
  local f l t r b
  f="$("$XDRIVE" frame "$1" 2>/dev/null)" || return 1
  read -r l t r b <<<"$f"
  echo "$l $t $((r - l)) $((b - t))"
}
# client WIN -> "x y w h" of the window itself (its inside, in screen pixels)
client() {
  xwininfo -id "$1" 2>/dev/null | awk '
    /Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /^ *Width:/ {w=$2} /^ *Height:/ {h=$2}
    END { if (w == "") exit 1; print x, y, w, h }'
}
# matches "x y w h" PATTERN TOL: PATTERN is four numbers or _ (any)
matches() {
  local have want tol="$3" i d
  read -r -a have <<<"$1"
  read -r -a want <<<"$2"
  [ "${#have[@]}" -eq 4 ] || return 1
  for i in 0 1 2 3; do
    [ "${want[i]}" = _ ] && continue
    d=$((have[i] - want[i]))
    [ "${d#-}" -le "$tol" ] || return 1
  done
}
# wait_frame WIN PATTERN TOL SECONDS: until the frame matches; prints it
wait_frame() {
  local end=$((SECONDS + $4)) f=""
  while :; do
    f="$(frame "$1")"
    if matches "$f" "$2" "$3"; then echo "$f"; return 0; fi
    [ "$SECONDS" -ge "$end" ] && { echo "$f"; return 1; }
    sleep 0.05
  done
}
# find_window INSTANCE TITLE_REGEX: the first viewable client window whose
# title matches and whose WM_CLASS instance is INSTANCE (empty: any)
find_window() {
  local w cls
  for w in $(xdotool search --name "$2" 2>/dev/null); do
    if [ -n "$1" ]; then
      cls="$(xprop -id "$w" WM_CLASS 2>/dev/null | sed -n 's/^WM_CLASS([A-Z_]*) = "\([^"]*\)".*/\1/p')"
      [ "$cls" = "$1" ] || continue
    fi
    xwininfo -id "$w" 2>/dev/null | grep -q "Map State: IsViewable" && { printf '0x%x\n' "$w"; return 0; }
  done
  return 1
}
wait_window() {  # wait_window CLASSNAME TITLE_REGEX SECONDS
  local end=$((SECONDS + $3)) w
  while [ "$SECONDS" -lt "$end" ]; do
    w="$(find_window "$1" "$2")" && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
# settled WIN SECONDS: until the frame stays put for half a second
settled() {
  local end=$((SECONDS + $2)) last="" same=0 f
  while [ "$SECONDS" -lt "$end" ]; do
    f="$(frame "$1")"
    if [ -n "$f" ] && [ "$f" = "$last" ]; then
      same=$((same + 1))
      [ "$same" -ge 10 ] && { echo "$f"; return 0; }
    else
      same=0
    fi
    last="$f"
    sleep 0.05
  done
  echo "$last"
  return 1
}

# ---- the pointer (XTest motion through xdrive; xdotool only reads and clicks) ----
# Under a Wayland compositor the peer moves the compositor's own pointer and
# clicks with it (XTest would move XWayland's idea of the pointer alone).
peer() {  # peer LINE: one command to the peer, its answer checked
  local answer=""
  echo "$1" >&7
  read -r -t 30 answer <&8
  [ "$answer" = ok ] || fail "the peer answered \"$answer\" to \"$1\""
}
pointer() { xdotool getmouselocation 2>/dev/null | sed -n 's/^x:\([0-9-]*\) y:\([0-9-]*\).*/\1 \2/p'; }
# glide X Y: moves the pointer there in a dozen steps, as a hand would
glide() {
  if [ -n "$WAYLAND" ]; then peer "move $1 $2"; return; fi
  local from i n=12 x y
  read -r -a from <<<"$(pointer)"
  [ "${#from[@]}" -eq 2 ] || from=(640 400)
  for ((i = 1; i <= n; i++)); do
    x=$((from[0] + ($1 - from[0]) * i / n))
    y=$((from[1] + ($2 - from[1]) * i / n))
    "$XDRIVE" motion "$x" "$y"
    sleep 0.015
  done
}
click_at() {  # click_at X Y
  if [ -n "$WAYLAND" ]; then peer "click $1 $2"; return; fi
  glide "$1" "$2"
  sleep 0.1
  xdotool click 1
}

STEP=0
shot() {  # shot NAME: the whole screen, numbered in the order of the run
  STEP=$((STEP + 1))
  local f
  f="$SHOTS/$(printf '%02d' "$STEP")-$1.png"
  # XWayland's root window has no picture of the screen (the compositor
  # draws it): there both tools fail and the step is only noted.
  if import -display "$DISPLAY" -window root "$f" 2>/dev/null ||
    { xwd -root -silent 2>/dev/null | convert xwd:- "$f" 2>/dev/null; }; then
    echo "   screenshot $(basename "$f")" >>"$REPORT"
  else
    rm -f "$f"
    echo "   no screenshot $(basename "$f"): the X server has no picture of the screen" >>"$REPORT"
  fi
}

# ---- 3. the desktop and the IDE ----------------------------------------------------
: >"$REPORT"
say "== preparing the Lazarus configuration"
prepare_lazarus

if [ -z "$WAYLAND" ]; then
  say "== starting Xvfb ${SCREEN_W}x${SCREEN_H}, $WM and Lazarus"
  mkfifo "$WORK/displayfd"
  # -noreset: a server that resets as its last client leaves turns away the
  # next one while it does.
  Xvfb -displayfd 3 -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -nolisten tcp -noreset 3>"$WORK/displayfd" 2>"$WORK/xvfb.log" &
  PIDS+=($!)
  read -r -t 20 DISPLAYNUM <"$WORK/displayfd" || die "Xvfb did not start"
  export DISPLAY=":$DISPLAYNUM"
  wm_start "$WORK" "$WORK/wm.log" || die "$WM did not start"
else
  say "== starting headless $WAYLAND ${SCREEN_W}x${SCREEN_H}, the native window and Lazarus"
  # A session bus of the run's own (the compositor's interfaces live there),
  # the compositor, and a command of ours it starts once its XWayland is up,
  # which hands over the X display and its cookie.
  export XDG_RUNTIME_DIR="$WORK/wl-runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  mkfifo "$WORK/busaddress" "$WORK/env-up"
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$WORK/bus" \
    --print-address=5 5>"$WORK/busaddress" >/dev/null 2>&1 &
  PIDS+=($!)
  read -r -t 10 BUS <"$WORK/busaddress" || die "dbus-daemon did not start"
  export DBUS_SESSION_BUS_ADDRESS="$BUS"
  printf '#!/bin/sh\nenv | grep -E "^(DISPLAY|XAUTHORITY)=" >"%s/xenv"\necho up >"%s/env-up"\nexec sleep 100000\n' \
    "$WORK" "$WORK" >"$WORK/report.sh"
  chmod +x "$WORK/report.sh"
  unset DISPLAY WAYLAND_DISPLAY
  SOCKET="wl-lazarus-$$"
  if [ "$WAYLAND" = mutter ]; then
    mutter --wayland --headless --virtual-monitor "${SCREEN_W}x${SCREEN_H}" --wayland-display "$SOCKET" \
      -- "$WORK/report.sh" >"$WORK/wm.log" 2>&1 &
  else
    # A copy of the binary: the installed one carries a file capability,
    # which strips the environment (the fake-input permission below).
    cp "$(command -v kwin_wayland)" "$WORK/kwin_wayland"
    KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 "$WORK/kwin_wayland" --virtual --xwayland --width "$SCREEN_W" \
      --height "$SCREEN_H" --no-lockscreen --socket "$SOCKET" "$WORK/report.sh" >"$WORK/wm.log" 2>&1 &
  fi
  PIDS+=($!)
  read -r -t 60 _ <"$WORK/env-up" || die "$WAYLAND did not start (wm.log: $(tail -n 5 "$WORK/wm.log" | tr '\n' ' '))"
  while IFS='=' read -r key value; do export "$key=$value"; done <"$WORK/xenv"
  export WAYLAND_DISPLAY="$SOCKET"
  mkfifo "$WORK/peer-in" "$WORK/peer-out" "$WORK/peer-up"
  "$PEER" --pointer "$WAYLAND" "$WORK/peer-in" "$WORK/peer-out" >"$WORK/peer-up" 2>"$WORK/peer.log" &
  PIDS+=($!)
  read -r -t 30 line <"$WORK/peer-up" && [ "$line" = ready ] || die "the native window did not come up: $(cat "$WORK/peer.log")"
  exec 7>"$WORK/peer-in" 8<"$WORK/peer-out"
  # Lazarus, started with the X display alone, stays off Wayland (GTK2).
  unset WAYLAND_DISPLAY
fi

T0=$SECONDS
# A Lazarus of its own, whatever else runs on the machine: it looks for another
# instance through a socket in $TMPDIR and would hand over to it.
mkdir -p "$WORK/tmp"
HOME="$WORK/home" TMPDIR="$WORK/tmp" "$LAZ_EXE" --force-new-instance --pcp="$WORK/config" --scp="$WORK/secondary" \
  >"$WORK/lazarus.log" 2>&1 &
LAZ_PID=$!
PIDS+=("$LAZ_PID")
# Before its first window the GTK2 widget set measures the window manager's
# frame on a small window of its own, looping until the frame's top is below
# the window's (at most 200000 turns, each with X round trips, where a
# compositing manager runs).  KWin frames X windows without decoration on
# the X side and sets no _NET_FRAME_EXTENTS, so under KWin the loop runs out:
# Lazarus came up after 112 s here.
UP_LIMIT=60
[ "$WAYLAND" = kwin ] && UP_LIMIT=400
MAIN="$(wait_window lazarus '^Lazarus IDE v' "$UP_LIMIT")" || {
  shot "no-ide"
  if find_window '' 'Welcome to Lazarus' >/dev/null; then
    die "Lazarus opened its Welcome dialog: the prepared configuration did not pass its checks (see lazarus.log: $(grep -m 3 'Warning: (lazarus)' "$WORK/lazarus.log" | tr '\n' ' '))"
  fi
  die "Lazarus's main window did not appear within $UP_LIMIT s (windows shown: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | sort -u | tr '\n' ';'))"
}
INSP="$(wait_window lazarus '^Object Inspector$' 30)" || { shot "no-inspector"; die "Lazarus's Object Inspector did not appear"; }
if find_window '' 'Welcome to Lazarus' >/dev/null; then shot "welcome"; die "Lazarus opened its Welcome dialog"; fi
MAIN_HOME="$(settled "$MAIN" 10)" || die "the main window did not settle: $MAIN_HOME"
INSP_HOME="$(settled "$INSP" 10)" || die "the inspector did not settle: $INSP_HOME"
# The IDE may take a moment more to finish laying out; the home places are
# taken once both have stood still together.
sleep 1
MAIN_HOME="$(settled "$MAIN" 10)"
INSP_HOME="$(settled "$INSP" 10)"
say "Lazarus up in $((SECONDS - T0)) s: main window $MAIN \"$(xdotool getwindowname "$MAIN")\", inspector $INSP"
say "home (frames x y w h): main $MAIN_HOME, inspector $INSP_HOME"
shot "lazarus"

# ---- 4. the bridge, the panel and the pointer ------------------------------------------
export WINDIR="$WORK/windows" XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/xdg-config"
[ -n "$WAYLAND" ] || export XDG_RUNTIME_DIR="$WORK/runtime"
export QT_QPA_PLATFORM=xcb
# A sanitizer build reports the system libraries' own leaks (D-Bus,
# fontconfig) at exit; they are not what this run checks.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
mkdir -p "$WINDIR" "$XDG_STATE_HOME" "$XDG_CONFIG_HOME" && mkdir -p -m 700 "$XDG_RUNTIME_DIR"
cat >"$WINDIR/Edgetuck.ini" <<INI
[Edgetucker]
mgHideInspector=True
mgSide=0
mgHideDelphi=True
mgWindowSounds=False
mgAnimate=$ANIMATE
mgAnimateSpeed=5
mgDelay=200
HangOutPixels=$HANG
mgUseAutoHide=False
mgDisableOnFocusLoss=True
INI

# strip WIN EDGE: how many pixels of the frame stay on the screen past the
# edge it hides behind (top: its bottom edge; left: its right edge), counted
# from the work area's edge (a panel's inner edge); 0 or less means nothing of
# it is left to see
strip() {
  local f
  read -r -a f <<<"$(frame "$1")"
  [ "${#f[@]}" -eq 4 ] || return 1
  case "$2" in
    top) echo $((f[1] + f[3] - ${TOP_EDGE:-0})) ;;
    left) echo $((f[0] + f[2] - ${LEFT_EDGE:-0})) ;;
  esac
}
log_has() {  # log_has TEXT SECONDS: until the bridge's log holds TEXT
  timeout "$2" tail -n +1 -f "$WORK/bridge.log" | grep -q -F -m 1 -- "$1"
}
rects() { echo "main $(frame "$MAIN"), inspector $(frame "$INSP")"; }
# expect WHAT WIN PATTERN SECONDS: waits for the frame to match PATTERN
# exactly; a miss is recorded and the run goes on, so that one report holds
# every step's rectangles.
FAILS=()
# Ends the bridge and the round: the checks that failed, or PASSED.
finish() {
  say "== the bridge ends (SIGTERM)"
  kill -TERM "$BRIDGE_PID"
  wait "$BRIDGE_PID"
  say "the bridge ended with status $?; windows: $(rects)"
  if [ "${#FAILS[@]}" -gt 0 ]; then
    say "FAILED: ${#FAILS[@]} check(s):"
    for f in "${FAILS[@]}"; do say "  - $f"; done
    say "(screenshots and logs in $SHOTS)"
    exit 1
  fi
  say "PASSED (screenshots and logs in $SHOTS)"
  exit 0
}

expect() {
  local got
  if got="$(wait_frame "$2" "$3" 0 "$4")"; then
    say "   ok: $1 at $got"
    return 0
  fi
  FAILS+=("$1: frame $got, expected $3")
  say "   FAILED: $1: the frame stands at $got, expected $3"
  return 1
}
# expect_managed WHAT WIN: the window is the window manager's again: not
# override-redirect, and its WM_STATE Normal (a window shown unmanaged at
# its home would pass every frame check, and stay out of the window
# manager's hands for good).
expect_managed() {
  local state redirect
  state="$(xprop -id "$2" WM_STATE 2>/dev/null | sed -n 's/.*window state: //p')"
  redirect="$(xwininfo -id "$2" 2>/dev/null | sed -n 's/.*Override Redirect State: //p')"
  if [ "$state" = Normal ] && [ "$redirect" = no ]; then
    say "   ok: $1"
    return 0
  fi
  FAILS+=("$1: WM_STATE ${state:-none}, override-redirect ${redirect:-unknown}")
  say "   FAILED: $1: WM_STATE ${state:-none}, override-redirect ${redirect:-unknown}"
  return 1
}
# expect_hidden WHAT WIN EDGE SECONDS: waits for the window to stand past
# EDGE leaving a strip of exactly HANG pixels, along the edge where the add-in
# puts it (the main window at the left of the screen, the inspector at its
# top).  Its size is not checked: a window may refuse the one asked (Lazarus
# fixes its main window's height), and the strip is what the user sees.
expect_hidden() {
  local end=$(($4 + SECONDS)) f
  while :; do
    read -r -a f <<<"$(frame "$2")"
    if [ "${#f[@]}" -eq 4 ]; then
      case "$3" in
        top) [ "${f[0]}" -eq "$MAIN_LEFT" ] && [ $((f[1] + f[3])) -eq $((TOP_EDGE + HANG)) ] && break ;;
        left) [ "${f[1]}" -eq "$WA_Y" ] && [ $((f[0] + f[2])) -eq $((LEFT_EDGE + HANG)) ] && break ;;
      esac
    fi
    if [ "$SECONDS" -ge "$end" ]; then
      FAILS+=("$1: frame ${f[*]}, strip $(strip "$2" "$3") px, expected $HANG px at the $3")
      say "   FAILED: $1: the frame stands at ${f[*]}, leaving $(strip "$2" "$3") px at the $3 (expected $HANG)"
      return 1
    fi
    sleep 0.05
  done
  say "   ok: $1 at ${f[*]}, strip $(strip "$2" "$3") px at the $3"
}
# The add-in's own geometry: shown, the main window spans the screen's width
# at the top and the inspector the work area's height at its side (less the
# panel a window manager such as fluxbox or icewm keeps at the bottom; the
# work area from _NET_WORKAREA, else the whole screen).  A panel along the top
# (xfce's) puts the main window's edge at the work area's top, and its band
# across the work area's columns; one at the left puts the inspector's edge at
# the work area's left.
read -r _ _ _ MAIN_H <<<"$MAIN_HOME"
read -r _ _ INSP_W _ <<<"$INSP_HOME"
read -r WA_X WA_Y WA_W WA_H < <(xprop -root _NET_WORKAREA 2>/dev/null |
  sed -n 's/^_NET_WORKAREA(CARDINAL) = \([0-9]*\), \([0-9]*\), \([0-9]*\), \([0-9]*\).*/\1 \2 \3 \4/p')
[ -n "${WA_H:-}" ] || { WA_X=0; WA_Y=0; WA_W=$SCREEN_W; WA_H=$SCREEN_H; }
if [ "$WA_Y" -gt 0 ]; then
  MAIN_LEFT=$WA_X MAIN_W=$WA_W
else
  MAIN_LEFT=0 MAIN_W=$SCREEN_W
fi
TOP_EDGE=$WA_Y LEFT_EDGE=$WA_X
MAIN_SHOWN="$MAIN_LEFT $TOP_EDGE $MAIN_W $MAIN_H"
INSP_SHOWN="$LEFT_EDGE $WA_Y $INSP_W $WA_H"
say "work area $WA_X $WA_Y $WA_W $WA_H: main window shown at $MAIN_SHOWN, inspector at $INSP_SHOWN"
# expect_caption WHAT TEXT SECONDS: waits for the control panel's caption
# (hidden or not) to read TEXT
expect_caption() {
  local end=$((SECONDS + $3)) c
  while :; do
    c="$(xdotool getwindowname "$PANEL" 2>/dev/null)"
    [ "$c" = "$2" ] && { say "   ok: $1: \"$c\""; return 0; }
    [ "$SECONDS" -ge "$end" ] && break
    sleep 0.05
  done
  FAILS+=("$1: the panel's caption \"$c\", expected \"$2\"")
  say "   FAILED: $1: the panel's caption is \"$c\", expected \"$2\""
  return 1
}
# native_point: prints "X Y", a point of the screen that no shown window of
# Lazarus covers (the native window lies below them all: Lazarus's other
# windows, the source editor among them, stand over much of it); fails when
# there is none among a few candidates.
native_point() {
  local w f x y covered
  local frames=()
  for w in $(xdotool search --onlyvisible --class lazarus 2>/dev/null); do
    f="$(frame "$(printf '0x%x' "$w")")" && frames+=("$f")
  done
  for x in 1230 1000 700 400; do
    for y in 780 650 450; do
      covered=0
      for f in "${frames[@]}"; do
        read -r -a r <<<"$f"
        if [ "$x" -ge "${r[0]}" ] && [ "$x" -lt $((r[0] + r[2])) ] && [ "$y" -ge "${r[1]}" ] && [ "$y" -lt $((r[1] + r[3])) ]; then
          covered=1; break
        fi
      done
      [ "$covered" = 0 ] && { echo "$x $y"; return 0; }
    done
  done
  return 1
}
strips() { echo "strips: main $(strip "$MAIN" top) px at the top, inspector $(strip "$INSP" left) px at the left (want $HANG)"; }

PANEL=""
open_panel() {  # raises the control panel with --panel; PANEL_CLIENT is its client area
  "$BRIDGE" --panel >"$WORK/panel.log" 2>&1 || fail "--panel failed: $(cat "$WORK/panel.log")"
  PANEL="$(wait_window "" '^Edgetucker ' 15)" || fail "the control panel did not appear after --panel"
  settled "$PANEL" 5 >/dev/null
  read -r -a PANEL_CLIENT <<<"$(client "$PANEL")"
  # The panel's client area is 246 x 112 with Start at 167,5 (75 x 104) and
  # Stop at 84,8 (75 x 27); a panel of another size is not the one this
  # script knows how to press.  A tiling window manager may give it a larger
  # tile, the buttons staying where they are.
  if [ "$TILING" = 1 ]; then
    [ "${PANEL_CLIENT[2]}" -ge 246 ] && [ "${PANEL_CLIENT[3]}" -ge 112 ] ||
      fail "the panel's client area is ${PANEL_CLIENT[*]}, smaller than 246 x 112"
  else
    [ "${PANEL_CLIENT[2]}" = 246 ] && [ "${PANEL_CLIENT[3]}" = 112 ] ||
      fail "the panel's client area is ${PANEL_CLIENT[*]}, not 246 x 112"
  fi
  say "panel $PANEL (\"$(xdotool getwindowname "$PANEL")\"): client area ${PANEL_CLIENT[*]}, frame $(frame "$PANEL")"
}

say "== the bridge"
: >"$WORK/bridge.log"  # there before log_has reads it: the job opens it in its own time
"$BRIDGE" --ide Lazarus >>"$WORK/bridge.log" 2>&1 &
BRIDGE_PID=$!
PIDS+=("$BRIDGE_PID")
log_has "found Lazarus's main window" 20 || fail "the bridge did not find Lazarus's main window"
PROJECT="$(xdotool getwindowname "$MAIN" | sed -n 's/.* - \(.*\)$/\1/p')"
log_has "project \"$PROJECT\" opened" 20 || fail "the bridge did not tell the add-in project \"$PROJECT\" opened"
say "the bridge found Lazarus and told the add-in project \"$PROJECT\" opened"
expect "main window before Start (home)" "$MAIN" "$MAIN_HOME" 1
expect "inspector before Start (home)" "$INSP" "$INSP_HOME" 1

# press NAME LEFT TOP WIDTH HEIGHT: clicks the middle of the panel's button
# that stands at LEFT, TOP of the panel's client area
press() {
  local x=$((PANEL_CLIENT[0] + $2 + $4 / 2)) y=$((PANEL_CLIENT[1] + $3 + $5 / 2))
  click_at "$x" "$y"
  say "clicked $1 at $x,$y"
}

say "== the panel (--panel) and Start"
open_panel
shot "panel"
if [ "$TILING" = 1 ]; then
  # The panel took a tile of its own: the IDE's windows stand in theirs now.
  MAIN_TILE="$(settled "$MAIN" 10)"
  INSP_TILE="$(settled "$INSP" 10)"
  say "tiles before Start: main $MAIN_TILE, inspector $INSP_TILE"
  press Start 167 5 75 104
  CAPTION=""
  for _ in $(seq 100); do
    CAPTION="$(xdotool getwindowname "$PANEL" 2>/dev/null)"
    [ "$CAPTION" = "The window manager tiles the windows" ] && break
    sleep 0.05
  done
  if [ "$CAPTION" = "The window manager tiles the windows" ]; then
    say "   ok: the panel says \"$CAPTION\""
  else
    FAILS+=("the panel's caption after Start: \"$CAPTION\"")
    say "   FAILED: the panel's caption after Start is \"$CAPTION\""
  fi
  glide 640 2
  glide 2 400
  sleep 1
  expect "main window still in its tile" "$MAIN" "$MAIN_TILE" 0
  expect "inspector still in its tile" "$INSP" "$INSP_TILE" 0
  shot "tiled-after-start"
  finish
fi
press Start 167 5 75 104
expect_hidden "main window hidden by Start" "$MAIN" top 10
expect_hidden "inspector hidden by Start" "$INSP" left 10
say "   $(strips)"
say "   the panel's caption: \"$(xdotool getwindowname "$PANEL" 2>/dev/null)\", the active window: $(xprop -root _NET_ACTIVE_WINDOW 2>/dev/null | sed 's/.*# //')"
shot "started"

if [ -n "$WAYLAND" ]; then
  # "Disable on focus loss" is on: a click on the native window takes the
  # focus from the IDE and hiding pauses; a click on a strip (a window of
  # Lazarus's, in its own process, that the compositor does not manage)
  # gives it back, and the pointer resting on the strip then reveals.
  say "== a click on the native window pauses hiding; a click on the inspector's strip resumes it"
  expect_caption "active after Start" "Edgetucker 1.2d" 10
  read -r -a NATIVE <<<"$(native_point)"
  [ "${#NATIVE[@]}" -eq 2 ] || fail "no point of the native window is left uncovered: $(xdotool search --onlyvisible --class lazarus getwindowname %@ 2>/dev/null | tr '\n' ';')"
  say "   clicking the native window at ${NATIVE[*]}"
  click_at "${NATIVE[0]}" "${NATIVE[1]}"
  expect_caption "paused by the native window's focus" "Edgetucker 1.2d - Disabled" 10
  click_at $((LEFT_EDGE + 2)) 600
  expect_caption "resumed by the click on the strip" "Edgetucker 1.2d" 10
  # The pointer came to rest there while hiding paused: it moves along the
  # strip, and rests again.
  glide $((LEFT_EDGE + 2)) 620
  expect "inspector revealed on the strip" "$INSP" "$INSP_SHOWN" 10
  glide 700 450
  expect_hidden "inspector hidden again" "$INSP" left 10
  shot "focus-back"
fi

say "== the main window: the pointer rests on its strip, then leaves"
glide 640 400
glide 640 $((TOP_EDGE + 2))
expect "main window revealed" "$MAIN" "$MAIN_SHOWN" 10
expect_hidden "inspector still hidden" "$INSP" left 0
shot "main-revealed"
glide 640 500
expect_hidden "main window hidden again" "$MAIN" top 10
say "   $(strips)"
shot "main-hidden"

say "== the inspector: the pointer rests on its strip, then leaves"
glide $((LEFT_EDGE + 2)) 400
expect "inspector revealed" "$INSP" "$INSP_SHOWN" 10
expect_hidden "main window still hidden" "$MAIN" top 0
shot "inspector-revealed"
glide 700 450
expect_hidden "inspector hidden again" "$INSP" left 10
say "   $(strips)"
shot "inspector-hidden"

say "== the panel again (--panel) and Stop"
open_panel
shot "panel-for-stop"
press Stop 84 8 75 27
expect "main window home after Stop" "$MAIN" "$MAIN_HOME" 10
expect "inspector home after Stop" "$INSP" "$INSP_HOME" 10
sleep 0.5
expect "main window still home" "$MAIN" "$MAIN_HOME" 0
expect "inspector still home" "$INSP" "$INSP_HOME" 0
expect_managed "main window managed again" "$MAIN"
expect_managed "inspector managed again" "$INSP"
shot "stopped"

finish
