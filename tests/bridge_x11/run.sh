#!/usr/bin/env bash
# run.sh BRIDGE XDRIVE WM
#
# The bridge against a foreign "IDE" on a real X server: Xvfb (1280 x 800), the
# window manager WM, and two xterms of another process titled like an IDE's
# main window and inspector, served by a test profile.  Covers: finding the
# IDE, hiding at once (automatic start on the project in the title), revealing
# and hiding each window with XTest pointer motion, Stop when the title shows
# the project closed, a project replaced in the title, the IDE's windows
# closing and coming back, and an IDE restarted with its windows at their
# hidden places (put home).  Rectangles are read from the X server.
#
# Exits 77 (skipped) when Xvfb, WM or xterm is missing, or when this build's
# window system cannot see other programs' windows.  BRIDGE_E2E_KEEP=DIR keeps
# the run's files (the bridge's log, the state file) there.  BRIDGE_E2E_TOL sets
# how many pixels a frame may stand off its place (default 2: a strip of
# HangOutPixels +-1 measured on a frame whose extents the X server reports).
set -u

if [ "$#" -ne 3 ]; then
  echo "usage: run.sh BRIDGE XDRIVE WM" >&2
  exit 2
fi
BRIDGE="$(realpath -e "$1")" || exit 2
XD="$(realpath -e "$2")" || exit 2
WM="$3"

skip() { echo "SKIPPED: $*"; exit 77; }
command -v Xvfb >/dev/null || skip "Xvfb is not installed (apt-get install xvfb)"
# shellcheck source=../x11/wm.sh
. "$(dirname "${BASH_SOURCE[0]}")/../x11/wm.sh"
wm_command "$WM" && [ "$WM" != none ] || { echo "run.sh: unknown window manager $WM" >&2; exit 2; }
command -v "${WM_CMD[0]}" >/dev/null || skip "$WM is not installed (apt-get install $WM)"
command -v xterm >/dev/null || skip "xterm is not installed (apt-get install xterm)"
command -v xprop >/dev/null || skip "xprop is not installed (apt-get install x11-utils)"

# The leak checker at exit now and then read a stale dynamic-TLS entry (of a
# library unloaded by then) and crashed; it does not track dynamic TLS with this.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_tls_get_addr=0"
# Qt's own D-Bus and fontconfig allocations live as long as the bridge.
export LSAN_OPTIONS="suppressions=$(dirname "$(realpath "$0")")/bridge_lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/bridge-x11-XXXXXX")"
PIDS=()
cleanup() {
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do stop_process "${PIDS[i]}"; done
  if [ -n "${BRIDGE_E2E_KEEP:-}" ]; then mkdir -p "$BRIDGE_E2E_KEEP" && cp -r "$WORK"/. "$BRIDGE_E2E_KEEP"/; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*" >&2
  echo "---- the bridge's log ----" >&2
  cat "$WORK/bridge.log" >&2 2>/dev/null
  exit 1
}
step() { echo "== $*"; }

# ---- the desktop ------------------------------------------------------------
mkfifo "$WORK/displayfd"
# -noreset: a server that resets as its last client leaves turns away the
# next one while it does.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$WORK/displayfd" 2>"$WORK/xvfb.log" &
PIDS+=($!)
read -r -t 20 DISPLAYNUM <"$WORK/displayfd" || fail "Xvfb did not start"
export DISPLAY=":$DISPLAYNUM"
wm_start "$WORK" "$WORK/wm.log" || fail "$WM did not start"

export WINDIR="$WORK/windows" XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config"
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$WINDIR" "$XDG_CONFIG_HOME" && mkdir -p -m 700 "$XDG_RUNTIME_DIR"

"$BRIDGE" --list-windows >"$WORK/list.log" 2>&1
case $? in
  0) ;;
  3) skip "this build's window system cannot see other programs' windows (no X11 backend): $(cat "$WORK/list.log")" ;;
  *) fail "--list-windows: $(cat "$WORK/list.log")" ;;
esac

cat >"$WINDIR/EdgetuckIDE.ini" <<'EOF'
[IDEs]
List=FakeIDE
[FakeIDE]
MainInstance=fakeide
MainClass=XTerm
MainTitle=FakeIDE main*
ProjectTitle=FakeIDE main - {project}
InspectorTitle=FakeIDE inspector
EOF
settings() {  # settings AUTOSTART
  cat >"$WINDIR/Edgetuck.ini" <<EOF
[Edgetucker]
mgHideInspector=True
mgSide=0
mgHideDelphi=True
mgWindowSounds=False
mgAnimate=False
mgAnimateSpeed=5
mgDelay=50
HangOutPixels=5
mgUseAutoHide=$1
mgDisableOnFocusLoss=True
EOF
}
settings True

# ---- the foreign IDE: two xterms of another process --------------------------
IDE_PIDS=()
start_ide() {  # start_ide MAIN_TITLE INSPECTOR_TITLE
  # The inspector first: an IDE shows the project in its main window's title
  # once its windows are up, and a project shown starts hiding at once.
  xterm -name fakeide -T "$2" -geometry 30x30+10+110 -e sleep 100000 &
  IDE_PIDS+=($!)
  PIDS+=($!)
  INSP="$("$XD" wait-window "$2" 10000)" || fail "the inspector xterm did not appear"
  xterm -name fakeide -T "$1" -geometry 200x5+0+0 -e sleep 100000 &
  IDE_PIDS+=($!)
  PIDS+=($!)
  MAIN="$("$XD" wait-window "$1" 10000)" || fail "the main xterm did not appear"
}
quit_ide() {
  kill "${IDE_PIDS[@]}" 2>/dev/null
  "$XD" wait-gone "$MAIN" 10000 || fail "the main xterm did not go"
  "$XD" wait-gone "$INSP" 10000 || fail "the inspector xterm did not go"
  IDE_PIDS=()
}
log_has() {  # log_has TEXT: waits until the bridge's log holds TEXT
  timeout 10 tail -n +1 -f "$WORK/bridge.log" | grep -q -F -m 1 -- "$1" || fail "the log never said: $1"
}

TOL="${BRIDGE_E2E_TOL:-2}"
# frame WIN -> "l t r b"; hidden/shown/home checks wait on the X server's events.
read_frame() { "$XD" frame "$1"; }
wait_main_hidden() { "$XD" wait-frame "$MAIN" 0 _ 1280 5 "$TOL" 10000 >/dev/null || fail "main window not hidden ($1)"; }
wait_main_shown() { "$XD" wait-frame "$MAIN" 0 0 1280 _ "$TOL" 10000 >/dev/null || fail "main window not shown ($1)"; }
wait_insp_hidden() { "$XD" wait-frame "$INSP" _ 0 5 _ "$TOL" 10000 >/dev/null || fail "inspector not hidden ($1)"; }
wait_insp_shown() { "$XD" wait-frame "$INSP" 0 0 _ _ "$TOL" 10000 >/dev/null || fail "inspector not shown ($1)"; }
wait_home() {
  # shellcheck disable=SC2086
  "$XD" wait-frame "$MAIN" $MAIN_HOME "$TOL" 10000 >/dev/null || fail "main window not home ($1): $(read_frame "$MAIN")"
  # shellcheck disable=SC2086
  "$XD" wait-frame "$INSP" $INSP_HOME "$TOL" 10000 >/dev/null || fail "inspector not home ($1): $(read_frame "$INSP")"
}

# Moves the pointer away (X Y) as a hand does, a pixel at a time, until the
# window is hidden: a report that arrives while the add-in is still busy
# revealing the window is dropped, so one single motion may not be enough.
leave_until_hidden() {  # leave_until_hidden X Y WIN L T R B WHAT
  local x=$1 y=$2 win=$3 i
  for ((i = 0; i < 20; i++)); do
    "$XD" motion "$x" $((y + i))
    "$XD" wait-frame "$win" "$4" "$5" "$6" "$7" "$TOL" 500 >/dev/null 2>&1 && return 0
  done
  fail "$8 not hidden after the pointer left it: $(read_frame "$win")"
}

step "the IDE starts with project alpha"
start_ide "FakeIDE main - alpha" "FakeIDE inspector"
# Let the window manager settle the first placement before taking it as home.
"$XD" wait-frame "$MAIN" 0 0 _ _ 1 5000 >/dev/null || fail "main xterm not at 0,0: $(read_frame "$MAIN")"
MAIN_HOME="$(read_frame "$MAIN")"
INSP_HOME="$(read_frame "$INSP")"
echo "home: main $MAIN_HOME, inspector $INSP_HOME"

step "the bridge finds the IDE and starts hiding by itself (automatic start)"
: >"$WORK/bridge.log"  # there before log_has reads it: the job opens it in its own time
"$BRIDGE" --ide FakeIDE >>"$WORK/bridge.log" 2>&1 &
BRIDGE_PID=$!
PIDS+=($BRIDGE_PID)
log_has "found FakeIDE's main window"
log_has 'project "alpha" opened'
wait_main_hidden "automatic start"
wait_insp_hidden "automatic start"
echo "hidden: main $(read_frame "$MAIN"), inspector $(read_frame "$INSP")"

step "a second start only forwards its command"
"$BRIDGE" >"$WORK/second.log" 2>&1 || fail "a second start failed: $(cat "$WORK/second.log")"
grep -q "already running" "$WORK/second.log" || fail "a second start did not say it forwarded"

step "reveal and hide the main window with the pointer"
"$XD" motion 640 400
"$XD" motion 640 2
wait_main_shown "pointer on its strip"
leave_until_hidden 640 500 "$MAIN" 0 _ 1280 5 "main window"

step "reveal and hide the inspector with the pointer"
"$XD" motion 2 400
wait_insp_shown "pointer on its strip"
leave_until_hidden 700 500 "$INSP" _ 0 5 _ "inspector"

step "Stop on the control panel (raised by --panel, Escape presses Stop while hiding runs)"
"$BRIDGE" --panel >"$WORK/panel.log" 2>&1 || fail "--panel failed: $(cat "$WORK/panel.log")"
PANEL="$("$XD" wait-window "Edgetucker 1.2d" 10000)" || fail "the panel did not appear"
"$XD" wait-active "$PANEL" 10000 || fail "the panel did not get the focus"
"$XD" key 9
wait_home "Stop"
echo "stopped: main $(read_frame "$MAIN"), inspector $(read_frame "$INSP")"

step "the title shows the project closed, then a project opens: hiding starts by itself"
"$XD" title "$MAIN" "FakeIDE main"
log_has 'project "alpha" closed'

"$XD" title "$MAIN" "FakeIDE main - beta"
log_has 'project "beta" opened'
wait_main_hidden "project beta"
wait_insp_hidden "project beta"

step "the title shows the project closed while hiding: Stop, both windows home"
"$XD" title "$MAIN" "FakeIDE main"
log_has 'project "beta" closed'
wait_home "project closed"

step "a project opens, then another replaces it"
"$XD" title "$MAIN" "FakeIDE main - beta"
wait_main_hidden "project beta again"
wait_insp_hidden "project beta again"
"$XD" title "$MAIN" "FakeIDE main - gamma two"
log_has 'project "beta" closed'
log_has 'project "gamma two" opened'
wait_main_hidden "project gamma two"
wait_insp_hidden "project gamma two"

step "the IDE's windows close and come back"
quit_ide
log_has "main window went away"
log_has 'project "gamma two" closed'
start_ide "FakeIDE main - delta" "FakeIDE inspector"
log_has 'project "delta" opened'
wait_main_hidden "IDE back"
wait_insp_hidden "IDE back"

step "the panel again: the settings are read anew (no automatic start from now on)"
settings False
"$BRIDGE" --panel >"$WORK/panel.log" 2>&1 || fail "--panel failed: $(cat "$WORK/panel.log")"

step "the IDE exits while both are hidden and starts again with them at their hidden places"
HIDDEN_MAIN="$(read_frame "$MAIN")"
HIDDEN_INSP="$(read_frame "$INSP")"
quit_ide
start_ide "booting main" "booting inspector"
# Both stand at their hidden places before the bridge can know them by title.
# A window manager that keeps windows on the screen (metacity, icewm) never
# lets an IDE start with one there: then there is nothing to put home.
placed=1
# shellcheck disable=SC2086
set -- $HIDDEN_MAIN
"$XD" move "$MAIN" "$1" "$2"
"$XD" wait-frame "$MAIN" "$1" "$2" _ _ 40 10000 >/dev/null || placed=0
# shellcheck disable=SC2086
set -- $HIDDEN_INSP
"$XD" move "$INSP" "$1" "$2"
"$XD" wait-frame "$INSP" "$1" "$2" _ _ 40 10000 >/dev/null || placed=0
if [ "$placed" = 0 ]; then
  echo "skipped: $WM keeps the restarted windows on the screen (main at $(read_frame "$MAIN"), inspector at $(read_frame "$INSP")), so none can start at its hidden place"
else
  "$XD" title "$INSP" "FakeIDE inspector"
  "$XD" title "$MAIN" "FakeIDE main - delta"
  log_has "back home from where it was hidden"
  wait_home "IDE restarted at the hidden places"
  echo "put home: main $(read_frame "$MAIN"), inspector $(read_frame "$INSP")"
  log_has 'project "delta" opened'
  # shellcheck disable=SC2086
  "$XD" wait-frame "$MAIN" $MAIN_HOME "$TOL" 1000 >/dev/null || fail "main window left home after the project opened"
fi

step "the bridge ends on SIGTERM, with its panel shown"
# The panel turns a close down (closing it only hides it): that must not keep
# the bridge from ending.
"$BRIDGE" --panel >"$WORK/panel.log" 2>&1 || fail "--panel failed: $(cat "$WORK/panel.log")"
"$XD" wait-window "Edgetucker 1.2d" 10000 >/dev/null || fail "the panel did not appear"
kill -TERM "$BRIDGE_PID"
for _ in $(seq 300); do kill -0 "$BRIDGE_PID" 2>/dev/null || break; sleep 0.05; done
kill -0 "$BRIDGE_PID" 2>/dev/null && fail "the bridge did not end within 15 s of SIGTERM"
wait "$BRIDGE_PID"
RC=$?
[ "$RC" -eq 0 ] || fail "the bridge ended with status $RC"
echo "PASSED"
exit 0
