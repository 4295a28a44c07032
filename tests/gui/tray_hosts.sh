# The real tray hosts the tray tests run the program on, as Debian ships them: one row each.
# Sourced by desktop_session.sh (--host NAME starts the host's window manager) and by the tests,
# which start, stop and restart the panel themselves, since the order of panel and program is
# part of what they test. Each panel gets a minimal configuration in the throw-away HOME that
# keeps its default look (theme, size, colours) and leaves out what needs more of a desktop.
#
#   host     window manager  panel                               item reaches it through
#   xfce     xfwm4           xfce4-panel 4.18, systray plugin    StatusNotifierItem (XEmbed too)
#   lxqt     openbox         lxqt-panel 1.2, statusnotifier      StatusNotifierItem (XEmbed too)
#   gtk-sni  openbox         gtk-sni-tray-standalone + watcher   StatusNotifierItem
#                            (+ xcompmgr: its window is translucent)
#   tint2    openbox         tint2 17, default tint2rc           XEmbed
#   icewm    icewm's own     icewm 3.3 (window manager + bar)    XEmbed
#   trayer   openbox         trayer                              XEmbed
TRAY_HOSTS="xfce lxqt gtk-sni tint2 icewm trayer"

host_window_manager() {
  case "$1" in
    xfce) echo xfwm4 ;;
    icewm) echo none ;; # icewm is window manager and panel in one; the test starts it
    *) echo openbox ;;
  esac
}

host_protocol() {
  case "$1" in
    xfce | lxqt | gtk-sni) echo sni ;;
    *) echo xembed ;;
  esac
}

# Background services a host needs before its window manager: xfce keeps its settings in xfconfd,
# which the private bus never starts on demand.
host_services() {
  case "$1" in
    xfce) echo /usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd ;;
    # gtk-sni-tray's window is translucent and shows nothing without a compositing manager.
    gtk-sni) echo xcompmgr ;;
  esac
}

write_host_config() {
  case "$1" in
    xfce)
      # Debian's default panel 1 (dark mode, 26 px, 16 px icons, square systray icons) with only
      # the window list and the systray: the other default plugins need services of their own.
      local dir="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
      mkdir -p "$dir"
      cat >"$dir/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="dark-mode" type="bool" value="true"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="icon-size" type="uint" value="16"/>
      <property name="size" type="uint" value="26"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="2"/>
        <value type="int" value="3"/>
        <value type="int" value="6"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-2" type="string" value="tasklist"/>
    <property name="plugin-3" type="string" value="separator">
      <property name="expand" type="bool" value="true"/>
      <property name="style" type="uint" value="0"/>
    </property>
    <property name="plugin-6" type="string" value="systray">
      <property name="square-icons" type="bool" value="true"/>
    </property>
  </property>
</channel>
XML
      ;;
    lxqt)
      # Debian's default panel (theme, position, size) with its two tray plugins only.
      mkdir -p "$XDG_CONFIG_HOME/lxqt"
      printf '%s\n' "panels=panel1" "" "[panel1]" "plugins=statusnotifier,tray" "position=Bottom" \
        "desktop=0" "" "[statusnotifier]" "type=statusnotifier" "" "[tray]" "type=tray" \
        >"$XDG_CONFIG_HOME/lxqt/panel.conf"
      ;;
    tint2)
      # Debian's default tint2rc without the clock, whose minutes would change the picture.
      mkdir -p "$XDG_CONFIG_HOME/tint2"
      sed 's/^panel_items = .*/panel_items = LTS/' /etc/xdg/tint2/tint2rc \
        >"$XDG_CONFIG_HOME/tint2/tint2rc"
      ;;
    icewm)
      # The default theme and taskbar, without the mail, network and clock applets.
      mkdir -p "$HOME/.icewm"
      printf '%s\n' "TaskBarShowMailboxStatus=0" "TaskBarShowNetStatus=0" "TaskBarShowCPUStatus=0" \
        "TaskBarShowMEMStatus=0" "TaskBarShowClock=0" "TaskBarShowApm=0" \
        >"$HOME/.icewm/preferences"
      ;;
  esac
}

# The screen rows the panel covers, "top height" (the screen is 1280x800).
host_panel_rows() {
  case "$1" in
    lxqt | tint2 | icewm) echo "760 40" ;;
    *) echo "0 40" ;;
  esac
}

# The panel's command line; tint2 and trayer run with their defaults.
host_panel_command() {
  case "$1" in
    xfce) echo xfce4-panel --disable-wm-check ;;
    lxqt) echo lxqt-panel ;;
    gtk-sni) echo gtk-sni-tray-standalone ;;
    tint2) echo tint2 ;;
    icewm) echo icewm ;;
    trayer) echo trayer --edge top --align right --widthtype request --height 32 --SetDockType true \
      --expand true --transparent false ;;
  esac
}

# Starts the panel of host $1 (and the watcher it needs); PANEL_PIDS lists what was started. Waits
# until the panel takes tray items: its watcher has a host (StatusNotifierItem) or it owns the
# tray selection (XEmbed).
PANEL_PIDS=""
start_panel() {
  local host="$1" log="$PIGMORA_SESSION_DIR/panel-$1.log" pid
  write_host_config "$host"
  if [ "$host" = gtk-sni ]; then
    # gtk-sni-tray shows the items of a watcher it does not run itself.
    status-notifier-watcher >>"$log" 2>&1 &
    pid=$!
    PANEL_PIDS="$PANEL_PIDS $pid"
    echo "$pid" >>"$PIGMORA_SESSION_DIR/pids"
    wait_for_bus_name org.kde.StatusNotifierWatcher 15 || return 1
  fi
  # shellcheck disable=SC2046
  $(host_panel_command "$host") >>"$log" 2>&1 &
  pid=$!
  PANEL_PIDS="$PANEL_PIDS $pid"
  echo "$pid" >>"$PIGMORA_SESSION_DIR/pids"
  if [ "$(host_protocol "$host")" = sni ]; then
    wait_for_status_notifier_host 20
  else
    wait_for_xembed_tray 20
  fi
}

stop_panel() {
  local pid
  for pid in $PANEL_PIDS; do kill -TERM "$pid" 2>/dev/null; done
  for pid in $PANEL_PIDS; do
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  PANEL_PIDS=""
}

bus_name_owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# Runs a command every 0.1 s until it succeeds, for at most $1 seconds.
wait_until() {
  local tries=$(($1 * 10))
  shift
  while [ $tries -gt 0 ]; do
    "$@" && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

wait_for_bus_name() { wait_until "${2:-10}" bus_name_owned "$1"; }

status_notifier_host_registered() {
  dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
    string:IsStatusNotifierHostRegistered 2>/dev/null | grep -q 'boolean true'
}

wait_for_status_notifier_host() { wait_until "${1:-10}" status_notifier_host_registered; }

# The bus names of the items the watcher holds, one a line.
registered_items() {
  dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
    string:RegisteredStatusNotifierItems 2>/dev/null | sed -n 's/^ *string "\(.*\)"$/\1/p'
}

xembed_tray_running() {
  [ -n "$(python3 "$(dirname "${BASH_SOURCE[0]}")/tray_probe.py" tray-owner)" ]
}

wait_for_xembed_tray() { wait_until "${1:-10}" xembed_tray_running; }
