#!/usr/bin/env bash
# run.sh BRIDGE XDRIVE [SHOTS]
#
# The add-in beside a real Lazarus, with the real pointer, on Xvfb (1280 x 800)
# under openbox.  Not part of the test suite (Lazarus is large); run it by hand:
#
#     apt-get install lazarus-ide-gtk2 xvfb openbox imagemagick
#     tests/bridge_lazarus/run.sh build/bin/edgetucker-bridge build/bin/bridge_xdrive shots/
#
# Steps: Lazarus starts with a prepared configuration (no welcome dialog) and
# its Object Inspector shown; the bridge starts; `--panel` opens the control
# panel; Start is clicked; each window is revealed by resting the pointer on
# its strip and hidden by moving away; `--panel` again and Escape press Stop;
# both windows must stand at home.  A screenshot of every step goes to SHOTS
# (default: shots-lazarus/).  Prints the strips it measured.
#
# Exits 77 when Lazarus, Xvfb or openbox is missing.  The configuration is
# made in a temporary HOME; nothing of the user's own Lazarus is touched.
set -u

if [ "$#" -lt 2 ]; then
  echo "usage: run.sh BRIDGE XDRIVE [SHOTS]" >&2
  exit 2
fi
BRIDGE="$(realpath -e "$1")" || exit 2
XD="$(realpath -e "$2")" || exit 2
SHOTS="$(realpath -m "${3:-shots-lazarus}")"
mkdir -p "$SHOTS"

skip() { echo "SKIPPED: $*"; exit 77; }
command -v lazarus-ide >/dev/null || skip "Lazarus is not installed (apt-get install lazarus-ide-gtk2)"
command -v Xvfb >/dev/null || skip "Xvfb is not installed (apt-get install xvfb)"
command -v openbox >/dev/null || skip "openbox is not installed (apt-get install openbox)"
LAZDIR="$(dirname "$(ls -d /usr/lib/lazarus/*/ide/version.inc 2>/dev/null | head -n 1)")"
LAZDIR="${LAZDIR%/ide}"
[ -n "$LAZDIR" ] && [ -d "$LAZDIR" ] || skip "no Lazarus directory under /usr/lib/lazarus"
# version.inc holds the version in quotes, e.g. '2.2.6+dfsg2-2'.
LAZVER="$(tr -d "'\r\n" <"$LAZDIR/ide/version.inc")"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/bridge-lazarus-XXXXXX")"
PIDS=()
cleanup() {
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do kill "${PIDS[i]}" 2>/dev/null; done
  wait 2>/dev/null
  cp "$WORK"/*.log "$SHOTS"/ 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  shot "failure"
  cat "$WORK/bridge.log" >&2 2>/dev/null
  exit 1
}
N=0
shot() {  # shot NAME: a screenshot of the whole screen
  N=$((N + 1))
  if command -v import >/dev/null; then
    import -window root "$SHOTS/$(printf %02d $N)-$1.png" 2>/dev/null
  fi
}
step() { echo "== $*"; }

# ---- the desktop ---------------------------------------------------------------
mkfifo "$WORK/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$WORK/displayfd" 2>"$WORK/xvfb.log" &
PIDS+=($!)
read -r -t 20 DISPLAYNUM <"$WORK/displayfd" || fail "Xvfb did not start"
export DISPLAY=":$DISPLAYNUM"
openbox >"$WORK/wm.log" 2>&1 &
PIDS+=($!)
"$XD" wait-wm 10000 || fail "openbox did not start"

# ---- Lazarus with a prepared configuration ----------------------------------------
# A fresh configuration makes Lazarus open its welcome dialog: for an Fppkg
# configuration that Debian leaves incomplete, and for a configuration whose
# recorded version differs from the IDE's full version string.  Both are
# written here, in a HOME of our own.
export HOME="$WORK/home" TMPDIR="$WORK/tmp" XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$HOME/.config" "$HOME/.fppkg/config" "$TMPDIR" && mkdir -p -m 700 "$XDG_RUNTIME_DIR"
FPCLIB="$(ls -d /usr/lib/*/fpc/default 2>/dev/null | head -n 1)"
cat >"$HOME/.config/fppkg.cfg" <<EOF
[Defaults]
ConfigVersion=5
LocalRepository={UserDir}.fppkg/
BuildDir={LocalRepository}build/
ArchivesDir={LocalRepository}archives/
CompilerConfigDir={LocalRepository}config/
RemoteMirrors=https://www.freepascal.org/repository/mirrors.xml
RemoteRepository=auto
CompilerConfig=default
FPMakeCompilerConfig=default
Downloader=FPC
InstallRepository=user
[Repository]
Name=fpc
Description=Packages which are installed along with the Free Pascal Compiler
Path=$FPCLIB/
Prefix=$FPCLIB
[Repository]
Name=user
Description=User-installed packages
Path={LocalRepository}lib/fpc/{CompilerVersion}
Prefix={LocalRepository}
EOF
cat >"$HOME/.fppkg/config/default" <<EOF
[Defaults]
ConfigVersion=5
Compiler=$(command -v fpc)
OS=Linux
CPU=$(uname -m)
EOF
PCP="$WORK/pcp"
mkdir -p "$PCP"
# The shape Lazarus itself writes after a successful first start.
cat >"$PCP/environmentoptions.xml" <<EOF
<?xml version="1.0"?>
<CONFIG>
  <EnvironmentOptions>
    <Version Value="110" Lazarus="$LAZVER"/>
    <LazarusDirectory Value="$LAZDIR/"/>
    <CompilerFilename Value="$(command -v fpc)"/>
    <FPCSourceDirectory Value="/usr/share/fpcsrc/\$(FPCVER)/"/>
    <MakeFilename/>
    <TestBuildDirectory Value="~/tmp/"/>
    <Debugger>
      <Configs>
        <Config ConfigName="FpDebug" ConfigClass="TFpDebugDebugger" Active="True"/>
        <Config ConfigName="Gdb" ConfigClass="TGDBMIDebugger" DebuggerFilename="$(command -v gdb || echo /usr/bin/gdb)"/>
      </Configs>
    </Debugger>
  </EnvironmentOptions>
</CONFIG>
EOF
cat >"$HOME/.config/Edgetuck.ini" <<'EOF'
[Edgetucker]
mgHideInspector=True
mgSide=0
mgHideDelphi=True
mgWindowSounds=False
mgAnimate=True
mgAnimateSpeed=5
mgDelay=200
HangOutPixels=5
mgUseAutoHide=False
mgDisableOnFocusLoss=True
EOF
export WINDIR="$HOME/.config" XDG_STATE_HOME="$WORK/state"

step "Lazarus starts straight into the IDE"
lazarus-ide --force-new-instance --pcp="$PCP" >"$WORK/lazarus.log" 2>&1 &
PIDS+=($!)
MAIN="$("$XD" wait-window "Lazarus IDE v$LAZVER - project1" 60000)" || fail "Lazarus's main window did not appear"
LAZPID="$("$XD" pid "$MAIN")" && PIDS+=("$LAZPID")
if ! INSP="$("$XD" find "Object Inspector")"; then
  "$XD" wait-active "$MAIN" 10000
  "$XD" key 95  # F11: View > Object Inspector
  INSP="$("$XD" wait-window "Object Inspector" 20000)" || fail "the Object Inspector did not appear"
fi
MAIN_HOME="$("$XD" frame "$MAIN")"
INSP_HOME="$("$XD" frame "$INSP")"
echo "home: main $MAIN_HOME, inspector $INSP_HOME"
shot "lazarus"

step "the bridge finds Lazarus; --panel opens the control panel"
"$BRIDGE" >"$WORK/bridge.log" 2>&1 &
BRIDGE_PID=$!
PIDS+=($BRIDGE_PID)
timeout 20 tail -n +1 -f "$WORK/bridge.log" | grep -q -m 1 "found Lazarus" || fail "the bridge did not find Lazarus"
"$BRIDGE" --panel || fail "--panel failed"
PANEL="$("$XD" wait-window "Edgetucker 1.2d" 10000)" || fail "the panel did not appear"
shot "panel"

step "Start"
# The Start button: 75 x 104 at (167, 5) of the panel's client area.
"$XD" click-client "$PANEL" 204 57
"$XD" wait-frame "$MAIN" _ _ _ 5 1 10000 >/dev/null || fail "main window not hidden: $("$XD" frame "$MAIN")"
"$XD" wait-frame "$INSP" _ _ 5 _ 1 10000 >/dev/null || fail "inspector not hidden: $("$XD" frame "$INSP")"
echo "hidden: main $("$XD" frame "$MAIN") (strip: its bottom), inspector $("$XD" frame "$INSP") (strip: its right)"
shot "hidden"

reveal_and_hide() {  # WIN STRIP_X STRIP_Y AWAY_X AWAY_Y SHOWN_L SHOWN_T NAME
  "$XD" motion "$2" "$3"
  "$XD" wait-frame "$1" "$6" "$7" _ _ 1 10000 >/dev/null || fail "$8 not revealed: $("$XD" frame "$1")"
  shot "$8-shown"
  local i
  for ((i = 0; i < 20; i++)); do
    "$XD" motion "$4" $(($5 + i))
    if [ "$8" = main ]; then
      "$XD" wait-frame "$1" _ _ _ 5 1 500 >/dev/null && break
    else
      "$XD" wait-frame "$1" _ _ 5 _ 1 500 >/dev/null && break
    fi
  done
  [ "$i" -lt 20 ] || fail "$8 not hidden again: $("$XD" frame "$1")"
  shot "$8-hidden"
}
step "reveal and hide the main window with the pointer"
reveal_and_hide "$MAIN" 640 2 640 500 0 0 main
step "reveal and hide the Object Inspector with the pointer"
reveal_and_hide "$INSP" 2 400 700 500 0 0 inspector

step "Stop: --panel, then Escape on the panel"
"$BRIDGE" --panel || fail "--panel failed"
"$XD" wait-active "$PANEL" 10000 || fail "the panel did not get the focus"
"$XD" key 9
# shellcheck disable=SC2086
"$XD" wait-frame "$MAIN" $MAIN_HOME 1 10000 >/dev/null || fail "main window not home: $("$XD" frame "$MAIN")"
# shellcheck disable=SC2086
"$XD" wait-frame "$INSP" $INSP_HOME 1 10000 >/dev/null || fail "inspector not home: $("$XD" frame "$INSP")"
echo "home again: main $("$XD" frame "$MAIN"), inspector $("$XD" frame "$INSP")"
shot "stopped"
echo "PASSED (screenshots in $SHOTS)"
exit 0
