# wm.sh: sourced by the X11 test scripts; starts a window manager on $DISPLAY
# and stops what a run started.
#
#   wm_command NAME     sets WM_CMD to the command line that runs NAME, without
#                       session management; returns 2 for an unknown name.
#                       The names: none, openbox, fluxbox, xfwm4, icewm,
#                       metacity (the six that place windows each their own
#                       way), and the desktops people run: kwin_x11 (KDE
#                       Plasma on X11), mutter (GNOME on X11, --x11), marco
#                       (MATE), muffin (Cinnamon), xfce (xfwm4 with
#                       xfce4-panel along the top of the screen), i3 (tiling,
#                       its default), i3-floating (i3 with every window
#                       floating) and dwm (tiling, with no layout to ask:
#                       only what it does with a move tells)
#   wm_packages NAME    prints the Debian packages NAME needs, one a line
#                       (marco aborts without the settings schema of
#                       mate-settings-daemon-common, muffin without
#                       cinnamon-settings-daemon's)
#   wm_start WORK LOG   starts WM_CMD (nothing for none) with its output in
#                       LOG, adding its process ids to PIDS, and waits until
#                       it names itself on the root window (and, for xfce,
#                       until its panel has reserved its space); returns 1
#                       when it did not come up within 60 s (a loaded machine
#                       starts one with a session bus slowly)
#   wm_await_root PATTERN SECONDS [PROPERTY]
#                       with `xprop -root -spy [PROPERTY]` open on fd 4,
#                       waits until one of its lines matches the extended
#                       regex PATTERN; returns 1 when none has within SECONDS
#   stop_process PID    ends PID: SIGTERM, and SIGKILL when it is still there
#                       after two seconds (fluxbox now and then blocks SIGTERM
#                       and would hang the run's cleanup)
#
# Every window manager but openbox, fluxbox and icewm reads its settings over
# D-Bus: they get a session bus of the run's own (in WORK), ended with the run;
# without dbus-daemon they start without one.  The desktops' window managers
# also get a home of their own in WORK (their settings, and KWin's and
# xfce4-panel's configuration files), and GSettings keep to memory, so that a
# run leaves nothing behind and starts from the defaults.

wm_command() {
  WM_NAME="$1"
  case "$1" in
    none) WM_CMD=() ;;
    openbox) WM_CMD=(openbox --sm-disable) ;;
    fluxbox) WM_CMD=(fluxbox) ;;
    xfwm4|xfce) WM_CMD=(xfwm4 --compositor=off --sm-client-disable) ;;
    icewm) WM_CMD=(icewm) ;;
    metacity) WM_CMD=(metacity --sm-disable) ;;
    kwin_x11) WM_CMD=(kwin_x11 --replace) ;;
    mutter) WM_CMD=(mutter --x11 --replace --sm-disable) ;;
    marco) WM_CMD=(marco --replace --sm-disable --no-composite) ;;
    muffin) WM_CMD=(muffin --x11 --replace --sm-disable) ;;
    # The configuration file is written by wm_start (-c names it there).
    i3|i3-floating) WM_CMD=(i3) ;;
    dwm) WM_CMD=(dwm) ;;
    *) return 2 ;;
  esac
}

wm_packages() {
  case "$1" in
    none) ;;
    openbox|fluxbox|icewm) echo "$1" ;;
    xfwm4) printf '%s\n' xfwm4 dbus-daemon ;;
    metacity) printf '%s\n' metacity dbus-daemon ;;
    xfce) printf '%s\n' xfwm4 xfce4-panel xfconf dbus-daemon ;;
    kwin_x11) printf '%s\n' kwin-x11 dbus-daemon ;;
    mutter) printf '%s\n' mutter dbus-daemon ;;
    marco) printf '%s\n' marco mate-settings-daemon-common dbus-daemon ;;
    muffin) printf '%s\n' muffin cinnamon-settings-daemon dbus-daemon ;;
    i3|i3-floating) echo i3-wm ;;
    dwm) echo dwm ;;
    *) return 2 ;;
  esac
}

# The panel of the xfce desktop: one panel along the top of the screen, its
# whole width, with a clock, in xfconf's file form (xfconfd reads it at start).
wm_xfce_panel_config() {
  local dir="$1/xfce4/xfconf/xfce-perchannel-xml"
  mkdir -p "$dir"
  cat >"$dir/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="26"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="clock"/>
  </property>
</channel>
XML
}

# i3's configuration: its defaults, without a bar (nothing reserves space) and,
# for i3-floating, every window floating at the place and size it asks for.
wm_i3_config() {
  local file="$1" floating="$2"
  {
    echo "# i3 config file (v4)"
    echo "font pango:monospace 8"
    if [ "$floating" = 1 ]; then
      echo 'for_window [class=".*"] floating enable'
      echo "floating_maximum_size -1 x -1"
    fi
  } >"$file"
}

# xprop -spy lists the root's properties first and selects their changes only
# after that: a change in between (a window manager that starts while xprop
# does) comes as no event.  So after each quiet second the property is read
# once more as well; the spy's events still end the wait at once.
wm_await_root() {
  local pattern="$1" end=$((SECONDS + $2)) prop="${3:-}" line status
  while [ "$SECONDS" -lt "$end" ]; do
    if read -r -t 1 -u 4 line; then
      [[ "$line" =~ $pattern ]] && return 0
      continue
    else
      status=$?
    fi
    # shellcheck disable=SC2086 # no property: all of them
    xprop -root $prop 2>/dev/null | grep -Eq -- "$pattern" && return 0
    # The spy ended: the reads above no longer wait.
    [ "$status" -gt 128 ] || sleep 1
  done
  return 1
}

wm_start() {
  local work="$1" log="$2" ready=0 spy bus=""
  [ "${#WM_CMD[@]}" -gt 0 ] || return 0
  # A window manager announces itself with _NET_SUPPORTING_WM_CHECK on the
  # root window; xprop -spy prints the root's properties at every change, so
  # this waits on the event.
  exec 4< <(timeout 60 xprop -root -spy 2>/dev/null)
  spy=$!
  PIDS+=("$spy")
  local env_cmd=() extra=()
  case "$WM_NAME" in
    openbox|fluxbox|icewm|i3|i3-floating|dwm) ;;
    *)
      if command -v dbus-daemon >/dev/null; then
        mkfifo "$work/busaddress"
        dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/bus" \
          --print-address=5 5>"$work/busaddress" >/dev/null 2>&1 &
        PIDS+=($!)
        read -r -t 30 bus <"$work/busaddress" || true
        [ -n "$bus" ] && env_cmd=(env "DBUS_SESSION_BUS_ADDRESS=$bus")
      fi ;;
  esac
  case "$WM_NAME" in
    kwin_x11|mutter|marco|muffin|xfce)
      mkdir -p "$work/wm-home/.config" && mkdir -p -m 700 "$work/wm-runtime"
      [ "${#env_cmd[@]}" -gt 0 ] || env_cmd=(env)
      env_cmd+=("HOME=$work/wm-home" "XDG_CONFIG_HOME=$work/wm-home/.config"
                "XDG_RUNTIME_DIR=$work/wm-runtime" GSETTINGS_BACKEND=memory) ;;
  esac
  case "$WM_NAME" in
    # No compositing (Xvfb has no GL), KWin's own X platform.
    kwin_x11) env_cmd+=(KWIN_COMPOSE=N QT_QPA_PLATFORM=xcb) ;;
    xfce) wm_xfce_panel_config "$work/wm-home/.config" ;;
    i3|i3-floating)
      wm_i3_config "$work/i3.config" "$([ "$WM_NAME" = i3-floating ] && echo 1 || echo 0)"
      extra=(-c "$work/i3.config") ;;
  esac
  "${env_cmd[@]}" "${WM_CMD[@]}" "${extra[@]}" >"$log" 2>&1 &
  PIDS+=($!)
  wm_await_root '^_NET_SUPPORTING_WM_CHECK\(WINDOW\): window id #' 60 && ready=1
  kill "$spy" 2>/dev/null
  exec 4<&-
  [ "$ready" = 1 ] || return 1
  [ "$WM_NAME" = xfce ] || return 0
  # The panel is up once the work area the window manager publishes leaves
  # room at the top.
  exec 4< <(timeout 60 xprop -root -spy _NET_WORKAREA 2>/dev/null)
  spy=$!
  PIDS+=("$spy")
  "${env_cmd[@]}" xfce4-panel --disable-wm-check --sm-client-disable >"$log.panel" 2>&1 &
  PIDS+=($!)
  ready=0
  wm_await_root '^_NET_WORKAREA\(CARDINAL\) = [0-9]+, [1-9]' 60 _NET_WORKAREA && ready=1
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
