#!/usr/bin/env bash
# package_test.sh BRIDGE XDRIVE [SHOTS]
#
# The Lazarus package, end to end, with a real Lazarus on a private X server:
#  1. `edgetucker-bridge --install-lazarus-package --pcp DIR` into a throw-away
#     Lazarus configuration (tools/lazarus/lazarus-config.sh): lazbuild adds
#     the package and rebuilds the IDE (DIR/bin/lazarus, some minutes);
#  2. Xvfb (1280 x 800) and openbox; the rebuilt IDE opens project "alpha";
#     no bridge runs yet;
#  3. Tools > Edgetucker 1.2d, clicked with the real pointer (XTest): the entry
#     starts the bridge, which reports the IDE's word for "alpha", and the
#     control panel appears; Start hides the Object Inspector;
#  4. project "beta" is opened from the command line (the second start hands
#     it to the running IDE):
#     the bridge reports the IDE's own events ("alpha" closed, "beta" opened)
#     and the inspector comes home;
#  5. the panel again from the Tools menu, Start, and Save All (Ctrl+Shift+S)
#     with the inspector hidden: the IDE's saved window places
#     (environmentoptions.xml) hold its home place, as saved before Start;
#  6. `--uninstall-lazarus-package`: the package leaves the IDE's list and the
#     configuration (no text file of it names the package any more).
# Screenshots of the steps (the open Tools menu among them) go to SHOTS
# (default: ./lazarus-package-shots), with report.txt and the logs.
#
# LAZARUS_PACKAGE_REUSE=DIR keeps the run's folder in DIR and, when DIR holds
# an IDE rebuilt by an earlier run, starts from step 2 (for working on the
# test; the uninstall step is then left out too).
#
# Lazarus (lazarus-ide-gtk2, lazarus-src-2.2, fpc), Xvfb, openbox, xdotool,
# x11-utils and ImageMagick are installed with apt-get when missing (as root).
# As root, the IDE, lazbuild and the bridge run as user "nobody": the Lazarus
# directory must be one its user cannot write, as on a user's system, so that
# lazbuild builds the IDE into the configuration instead of the installed
# Lazarus.  Exits 0 when every check passed, 1 when one failed, 77 (skipped)
# when something it needs is missing and cannot be installed.
set -u
if [ "$#" -lt 2 ]; then
  echo "usage: package_test.sh BRIDGE XDRIVE [SHOTS]" >&2
  exit 2
fi
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO="$(cd "$HERE/../.." && pwd)"
BRIDGE="$(realpath -e "$1")" || exit 2
XD="$(realpath -e "$2")" || exit 2
SHOTS="$(realpath -m "${3:-$PWD/lazarus-package-shots}")"

skip() { echo "SKIPPED: $*"; exit 77; }

# ---- packages -------------------------------------------------------------------
PACKAGES=(lazarus-ide-gtk2 lazarus-src-2.2 fpc gdb make xvfb openbox xdotool x11-utils imagemagick)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || skip "missing packages: ${missing[*]} (apt-get install them, or run as root)"
  echo "== installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=900 install -y -q --no-install-recommends "${missing[@]}" >/dev/null ||
    { apt-get -o DPkg::Lock::Timeout=900 update -q >/dev/null &&
      apt-get -o DPkg::Lock::Timeout=900 install -y -q --no-install-recommends "${missing[@]}" >/dev/null; } ||
    skip "apt-get could not install: ${missing[*]}"
fi
LAZ_SYS="$(ls -d /usr/lib/lazarus/[0-9]* 2>/dev/null | sort -V | tail -n 1)"
[ -n "$LAZ_SYS" ] || skip "no Lazarus under /usr/lib/lazarus"

# ---- the run's folders, user and processes ---------------------------------------
REUSE="${LAZARUS_PACKAGE_REUSE:-}"
if [ -n "$REUSE" ]; then
  WORK="$(realpath -m "$REUSE")"
  mkdir -p "$WORK"
else
  WORK="$(mktemp -d "${TMPDIR:-/tmp}/lazarus-package-XXXXXX")"
fi
chmod 755 "$WORK"
REUSED=0
[ -n "$REUSE" ] && [ -x "$WORK/config/bin/lazarus" ] && REUSED=1
mkdir -p "$SHOTS"
rm -f "$SHOTS"/[0-9][0-9]-*.png "$SHOTS"/report.txt "$SHOTS"/*.log
REPORT="$SHOTS/report.txt"
: >"$REPORT"
PIDS=()
# shellcheck source=../x11/wm.sh
. "$REPO/tests/x11/wm.sh"
cleanup() {
  local i
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do stop_process "${PIDS[i]}"; done
  cp "$WORK"/*.log "$SHOTS"/ 2>/dev/null
  [ -n "$REUSE" ] || rm -rf "$WORK"
}
trap cleanup EXIT
say() { echo "$*" | tee -a "$REPORT"; }
STEP=0
shot() {
  STEP=$((STEP + 1))
  local f
  f="$SHOTS/$(printf '%02d' "$STEP")-$1.png"
  import -display "$DISPLAY" -window root "$f" 2>/dev/null
  echo "   screenshot $(basename "$f")" >>"$REPORT"
}
fail() {
  say "FAILED: $*"
  [ -n "${DISPLAY:-}" ] && shot failed
  say "---- the IDE's log (the bridge it started writes there too), last lines ----"
  tail -n 30 "$WORK/lazarus.log" 2>/dev/null | tee -a "$REPORT"
  exit 1
}
die() { say "SETUP FAILED: $*"; exit 1; }

# Who runs the IDE, lazbuild and the bridge.
AS=()
if [ "$(id -u)" -eq 0 ]; then
  AS=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
fi
# shellcheck source=../../tools/lazarus/lazarus-config.sh
. "$REPO/tools/lazarus/lazarus-config.sh"
if [ "$REUSED" = 0 ]; then
say "== preparing a Lazarus configuration"
prepare_lazarus
fi
LAZVER="$(head -n 1 "$WORK/lazarus/ide/version.inc" | tr -d "'\r")"
mkdir -p "$WORK/tmp" "$WORK/windows" "$WORK/state" "$WORK/xdg" "$WORK/proj" && mkdir -p -m 700 "$WORK/runtime"
if [ "${#AS[@]}" -gt 0 ]; then
  # Everything but the Lazarus directory belongs to the user that runs the IDE.
  find "$WORK" -mindepth 1 -maxdepth 1 ! -name lazarus -exec chown -R 65534:65534 {} +
else
  chmod -R a-w "$WORK/lazarus/packager"
  chmod a-w "$WORK/lazarus"
fi
# "${AS_USER[@]}" CMD...: as the IDE's user, with the run's own places (every
# link of the chain execs the next, so $! of a background run is CMD's pid).
AS_USER=("${AS[@]}" env HOME="$WORK/home" TMPDIR="$WORK/tmp" WINDIR="$WORK/windows" XDG_STATE_HOME="$WORK/state"
         XDG_CONFIG_HOME="$WORK/xdg" XDG_RUNTIME_DIR="$WORK/runtime" QT_QPA_PLATFORM=xcb LANG=C.UTF-8
         ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0:intercept_tls_get_addr=0")

# ---- 1. installing the package --------------------------------------------------------
if [ "$REUSED" = 1 ]; then
  say "== reusing the IDE rebuilt in $WORK/config by an earlier run"
else
say "== edgetucker-bridge --install-lazarus-package --pcp $WORK/config"
T0=$SECONDS
"${AS_USER[@]}" "$BRIDGE" --install-lazarus-package --pcp "$WORK/config" >"$WORK/install.log" 2>&1
rc=$?
grep -v -E '^(\(|/|Hint|Note|Warning|Info|make|perl|Free Pascal|Copyright|[[:space:]])' "$WORK/install.log" | tee -a "$REPORT"
[ "$rc" -eq 0 ] || fail "--install-lazarus-package ended with status $rc"
say "   installed and rebuilt in $((SECONDS - T0)) s"
[ -x "$WORK/config/bin/lazarus" ] || fail "no rebuilt IDE at $WORK/config/bin/lazarus"
grep -q "To undo: edgetucker-bridge --uninstall-lazarus-package" "$WORK/install.log" || fail "the install did not say how to undo it"
grep -q -F "'$BRIDGE'" "$WORK/config/edgetucker_ide/bridgeprogram.inc" || fail "the package does not name this bridge"
grep -q '<Item[0-9]* Value="edgetucker_ide"/>' "$WORK/config/miscellaneousoptions.xml" ||
  fail "the IDE's installed packages do not list edgetucker_ide"
fi

# ---- 2. the desktop, the projects and the IDE ---------------------------------------------
project() {  # project NAME: a program of one file, its session kept beside it
  cat >"$WORK/proj/$1.lpi" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<CONFIG>
  <ProjectOptions>
    <Version Value="11"/>
    <General>
      <Flags>
        <MainUnitHasCreateFormStatements Value="False"/>
        <MainUnitHasTitleStatement Value="False"/>
        <MainUnitHasScaledStatement Value="False"/>
      </Flags>
      <SessionStorage Value="InProjectDir"/>
      <Title Value="$1"/>
    </General>
    <BuildModes Count="1">
      <Item1 Name="Default" Default="True"/>
    </BuildModes>
    <Units Count="1">
      <Unit0>
        <Filename Value="$1.lpr"/>
        <IsPartOfProject Value="True"/>
      </Unit0>
    </Units>
  </ProjectOptions>
</CONFIG>
EOF
  printf 'program %s;\nbegin\nend.\n' "$1" >"$WORK/proj/$1.lpr"
}
project alpha
project beta
[ "${#AS[@]}" -gt 0 ] && chown -R 65534:65534 "$WORK/proj"
# Only the inspector hides (the main window stays usable for the menu and the
# keys), at once, without sounds or automatic start.
cat >"$WORK/windows/Edgetuck.ini" <<'INI'
[Edgetucker]
mgHideInspector=True
mgSide=0
mgHideDelphi=False
mgWindowSounds=False
mgAnimate=False
mgAnimateSpeed=5
mgDelay=200
HangOutPixels=5
mgUseAutoHide=False
mgDisableOnFocusLoss=False
INI
[ "${#AS[@]}" -gt 0 ] && chown 65534:65534 "$WORK/windows/Edgetuck.ini"

say "== Xvfb 1280x800, openbox, the rebuilt IDE with project alpha"
mkfifo "$WORK/displayfd"
# -noreset: a server that resets as its last client leaves turns away the
# next one while it does.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$WORK/displayfd" 2>"$WORK/xvfb.log" &
PIDS+=($!)
read -r -t 20 DISPLAYNUM <"$WORK/displayfd" || die "Xvfb did not start"
export DISPLAY=":$DISPLAYNUM"
wm_command openbox
wm_start "$WORK" "$WORK/wm.log" || die "openbox did not start"
"${AS_USER[@]}" "$WORK/config/bin/lazarus" --pcp="$WORK/config" --scp="$WORK/secondary" "$WORK/proj/alpha.lpi" \
  >"$WORK/lazarus.log" 2>&1 &
LAZ_PID=$!
PIDS+=("$LAZ_PID")
MAIN="$("$XD" wait-window "Lazarus IDE v$LAZVER - alpha" 120000)" || fail "Lazarus did not show project alpha"
INSP="$("$XD" wait-window "Object Inspector" 30000)" || fail "no Object Inspector"
sleep 1  # the IDE lays its windows out once more after showing them
INSP_HOME="$("$XD" frame "$INSP")"
MAIN_FRAME="$("$XD" frame "$MAIN")"
say "Lazarus up: main window $MAIN ($MAIN_FRAME), inspector $INSP ($INSP_HOME)"
shot lazarus
grep -q "edgetucker-bridge: no bridge runs" "$WORK/lazarus.log" &&
  say "   (the package told no bridge of alpha's opening: none runs yet)"

# ---- the pointer and the keys ------------------------------------------------------------------
pointer() { xdotool getmouselocation 2>/dev/null | sed -n 's/^x:\([0-9-]*\) y:\([0-9-]*\).*/\1 \2/p'; }
glide() {  # glide X Y: XTest motion in a dozen steps
  local from i n=12
  read -r -a from <<<"$(pointer)"
  [ "${#from[@]}" -eq 2 ] || from=(640 400)
  for ((i = 1; i <= n; i++)); do
    "$XD" motion $((from[0] + ($1 - from[0]) * i / n)) $((from[1] + ($2 - from[1]) * i / n))
    sleep 0.015
  done
}
click_at() { glide "$1" "$2"; sleep 0.1; xdotool click 1; }
log_has() {  # log_has TEXT SECONDS
  timeout "$2" tail -n +1 -f "$WORK/lazarus.log" | grep -q -F -m 1 -- "$1"
}
read -r ML MT MR MB <<<"$MAIN_FRAME"
focus_main() { click_at $(((ML + MR) / 2 + 200)) $((MT + 8)); sleep 0.3; }  # its title bar
grab() { import -display "$DISPLAY" -window root "$WORK/$1.png" 2>/dev/null; }
# box A B: the bounding box "x y w h" of what differs between two screenshots
box() {
  compare -metric AE "$WORK/$1.png" "$WORK/$2.png" -compose src "$WORK/diff.png" >/dev/null 2>&1
  convert "$WORK/diff.png" -fuzz 10% -trim -format '%X %Y %w %h' info: 2>/dev/null | tr -d '+'
}

# Where Tools and its entry stand.  Read once, from the keyboard's way through
# the menu: Alt+T opens Tools with its first entry lit; each Down lights the
# next.  What changes on the screen between two lit entries is their band: the
# menu's left edge (under the Tools title) and the entries' height.  Our entry
# is the ninth (after Options, Rescan FPC Source Directory, Code Templates,
# CodeTools Defines Editor, Configure External Tools, Desktops, Example
# Projects and Compare files).
TOOLS_X="" TOOLS_Y="" ENTRY_Y=""
locate_entry() {
  focus_main
  xdotool key alt+t
  sleep 1
  grab k1
  xdotool key Down
  sleep 0.5
  grab k2
  local b12 i
  read -r -a b12 <<<"$(box k1 k2)"
  [ "${#b12[@]}" -eq 4 ] || fail "the Tools menu did not open on Alt+T"
  for i in 3 4 5 6 7 8; do xdotool key Down; sleep 0.2; done
  sleep 0.3
  grab k8
  xdotool key Down
  sleep 0.5
  grab k9
  local b89
  read -r -a b89 <<<"$(box k8 k9)"
  [ "${#b89[@]}" -eq 4 ] || fail "the Tools menu's entries did not light up"
  cp "$WORK/k9.png" "$SHOTS/tools-menu-keyboard.png"
  xdotool key Escape
  sleep 0.3
  xdotool key Escape
  TOOLS_X=$((b12[0] + 20))
  TOOLS_Y=$((b12[1] - 14))              # the menu bar, just above the menu
  ENTRY_Y=$((b89[1] + b89[3] * 3 / 4))   # the lower of the two lit bands
  say "Tools at $TOOLS_X,$TOOLS_Y; Edgetucker 1.2d at y $ENTRY_Y (entries ${b12[3]} px for two)"
}
menu_entry() {  # Tools > Edgetucker 1.2d with the pointer
  click_at "$TOOLS_X" "$TOOLS_Y"
  sleep 0.8
  glide $((TOOLS_X + 60)) "$ENTRY_Y"
  sleep 0.5
  shot "tools-menu"
  xdotool click 1
}
PANEL=""
wait_panel() {
  PANEL="$("$XD" wait-window "Edgetucker 1.2d" 30000)" || fail "the control panel did not appear"
  local f
  read -r -a f <<<"$("$XD" frame "$PANEL")"
  PANEL_CLIENT=($(xwininfo -id "$PANEL" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'))
  say "   the panel is up: $PANEL at ${f[*]}"
}
press_start() { click_at $((PANEL_CLIENT[0] + 167 + 37)) $((PANEL_CLIENT[1] + 5 + 52)); }
inspector_hidden() { "$XD" wait-frame "$INSP" _ 0 5 _ 2 10000 >/dev/null; }
inspector_home() {
  # shellcheck disable=SC2086
  "$XD" wait-frame "$INSP" $INSP_HOME 0 10000 >/dev/null
}
saved_inspector() {  # the inspector's place as the IDE saved it: "left top width height"
  sed -n '/<Desktop1 /,/<\/Desktop1>/p' "$WORK/config/environmentoptions.xml" |
    sed -n '/<ObjectInspectorDlg>/,/<\/ObjectInspectorDlg>/p' |
    sed -n 's/.*<CustomPosition\(.*\)\/>.*/\1/p' | head -n 1 |
    awk '{ for (i = 1; i <= NF; i++) { split($i, kv, "="); gsub(/"/, "", kv[2]); v[kv[1]] = kv[2] }
           print (v["Left"] == "" ? 0 : v["Left"]), (v["Top"] == "" ? 0 : v["Top"]), v["Width"], v["Height"] }'
}
# save_all: Save All from its keys (enabled only with something to save, so a
# line is typed into the source editor first); waits until the IDE has told
# the bridge and then written the source, and its options file stands still.
save_all() {
  local n src before i last now
  n="$(grep -c "about to save its windows' places" "$WORK/lazarus.log")"
  src="$WORK/proj/$1.lpr"
  before="$(stat -c %Y.%y "$src")"
  click_at 760 450
  xdotool type --delay 30 "// saved"
  xdotool key Return ctrl+shift+s
  for ((i = 0; i < 300; i++)); do
    [ "$(grep -c "about to save its windows' places" "$WORK/lazarus.log")" -gt "$n" ] &&
      [ "$(stat -c %Y.%y "$src")" != "$before" ] && break
    sleep 0.1
  done
  [ "$i" -lt 300 ] || fail "Save All did not reach the bridge and the source (bridge: $(grep -c "about to save" "$WORK/lazarus.log") saves heard)"
  last=""
  for ((i = 0; i < 50; i++)); do
    now="$(stat -c %y "$WORK/config/environmentoptions.xml")"
    [ "$now" = "$last" ] && [ "$i" -ge 10 ] && break
    last="$now"
    sleep 0.1
  done
}

# ---- 3. the menu entry starts the bridge and raises the panel -------------------------------
say "== Tools > Edgetucker 1.2d (no bridge runs yet)"
locate_entry
menu_entry
wait_panel
# The bridge the entry started: a child of the IDE.
BRIDGE_PID="$(pgrep -P "$LAZ_PID" -f -- "--ide-pid $LAZ_PID --panel" | head -n 1)"
[ -n "$BRIDGE_PID" ] && PIDS+=("$BRIDGE_PID")
log_has "project \"alpha\" opened (the IDE's word)" 20 || fail "the bridge did not take alpha from the IDE"
say "   the entry started the bridge (pid ${BRIDGE_PID:-?}), which took project alpha from the IDE's word"
shot panel
press_start
inspector_hidden || fail "Start did not hide the inspector: $("$XD" frame "$INSP")"
say "   Start hid the inspector: $("$XD" frame "$INSP")"
shot started

# ---- 4. another project: the IDE's own events; the windows come home ---------------------------
say "== lazarus beta.lpi: the running IDE opens it"
# A second start hands its files to the running IDE (Lazarus's default for
# several instances), which closes alpha and opens beta as a project.
timeout 120 "${AS_USER[@]}" "$WORK/config/bin/lazarus" --pcp="$WORK/config" --scp="$WORK/secondary" \
  "$WORK/proj/beta.lpi" >"$WORK/second-start.log" 2>&1 || say "   (the second start ended with status $?)"
log_has "project \"alpha\" closed (the IDE's word)" 30 || fail "the bridge did not report the IDE's closing of alpha"
say "   the bridge: project \"alpha\" closed (the IDE's word)"
inspector_home || fail "the inspector did not come home when alpha closed: $("$XD" frame "$INSP")"
say "   the inspector came home: $("$XD" frame "$INSP")"
log_has "project \"beta\" opened (the IDE's word)" 30 || fail "the bridge did not report the IDE's opening of beta"
"$XD" wait-window "Lazarus IDE v$LAZVER - beta" 20000 >/dev/null || fail "the IDE does not show beta"
say "   the bridge: project \"beta\" opened (the IDE's word)"
shot beta

# ---- 5. saving with the inspector hidden -------------------------------------------------------
say "== Save All with the inspector at home, then hidden"
save_all beta
HOME_SAVED="$(saved_inspector)"
[ -n "$HOME_SAVED" ] || fail "environmentoptions.xml holds no place of the inspector"
say "   saved at home: inspector $HOME_SAVED"
menu_entry
wait_panel
press_start
inspector_hidden || fail "Start did not hide the inspector: $("$XD" frame "$INSP")"
HIDDEN="$("$XD" frame "$INSP")"
say "   hidden: $HIDDEN"
shot hidden-before-save
save_all beta
SAVED="$(saved_inspector)"
say "   saved while hidden: inspector $SAVED"
[ "$SAVED" = "$HOME_SAVED" ] || fail "the IDE saved the inspector at $SAVED, not at its home $HOME_SAVED"
shot saved

say "== the bridge ends; the IDE quits"
[ -n "${BRIDGE_PID:-}" ] && stop_process "$BRIDGE_PID"
stop_process "$LAZ_PID"

# ---- 6. uninstalling ---------------------------------------------------------------------------
if [ -n "$REUSE" ]; then
  say "PASSED, the uninstall left out (LAZARUS_PACKAGE_REUSE; screenshots and logs in $SHOTS)"
  exit 0
fi
say "== edgetucker-bridge --uninstall-lazarus-package --pcp $WORK/config"
T0=$SECONDS
"${AS_USER[@]}" "$BRIDGE" --uninstall-lazarus-package --pcp "$WORK/config" >"$WORK/uninstall.log" 2>&1
rc=$?
grep -v -E '^(\(|/|Hint|Note|Warning|Info|make|perl|Free Pascal|Copyright|[[:space:]])' "$WORK/uninstall.log" | tee -a "$REPORT"
[ "$rc" -eq 0 ] || fail "--uninstall-lazarus-package ended with status $rc"
say "   uninstalled and rebuilt in $((SECONDS - T0)) s"
grep -q 'Value="edgetucker_ide"' "$WORK/config/miscellaneousoptions.xml" && fail "edgetucker_ide is still listed"
[ -e "$WORK/config/edgetucker_ide" ] && fail "$WORK/config/edgetucker_ide is still there"
# Nothing the install added is left in the configuration: the link in
# packagefiles.xml, the unit path in idemake.cfg, staticpackages.inc's entry.
left=$(grep -rIl -i 'edgetucker_ide' "$WORK/config")
[ -n "$left" ] && fail "the configuration still names the package in: $left"
say "PASSED (screenshots and logs in $SHOTS)"
exit 0
