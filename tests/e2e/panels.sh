#!/usr/bin/env bash
# The installed program with real panels that show StatusNotifierItems, each where it is installed:
# Xfce's xfce4-panel (its status tray) and LXQt's lxqt-panel (its status notifier and tray), under
# Xvfb on a private session bus. Started with /s, the icon shows in the panel; a click on it
# brings the hidden main window; the icon's menu, drawn by the panel, brings it with "Show";
# while an alert shows the panel draws a marked icon, and the plain one again once the alert is
# answered; a panel that quits (SIGTERM, its ordinary end) brings a hidden window back.
# Screenshots of each panel go to $E2E_TMP (E2E_KEEP=1 keeps them).
set -u
BUILD=$1 SRC=$(cd "$2" && pwd)
. "$SRC/tests/support/e2e-lib.sh"
e2e_need dbus-daemon gdbus import convert compare
PANELS=()
if command -v xfce4-panel >/dev/null 2>&1 && [ -f /usr/share/dbus-1/services/org.xfce.Xfconf.service ]; then
    PANELS+=(xfce)
fi
command -v lxqt-panel >/dev/null 2>&1 && PANELS+=(lxqt)
[ ${#PANELS[@]} -gt 0 ] || e2e_skip "neither xfce4-panel (with xfconf) nor lxqt-panel is installed"
e2e_setup "$BUILD"
cd "$PROG" || exit 1

fail() {
    echo "FAIL ($KIND): $*"
    e2e_shot "$E2E_TMP/$KIND-fail.png"
    for f in "$E2E_TMP/$KIND"/*.log; do
        [ -f "$f" ] && { echo "--- $f"; tail -n 30 "$f"; }
    done
    exit 1
}

watcher() {
    gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1" 2>/dev/null
}
host_there() { watcher IsStatusNotifierHostRegistered | grep -q true; }
# The unique bus name the program's item registered under.
item_name() { watcher RegisteredStatusNotifierItems | grep -o "':[0-9.]*" | head -1 | tr -d "'"; }
item_there() { [ -n "$(item_name)" ]; }
item_gone() { ! item_there; }
item_status() {
    gdbus call --session -d "$1" -o /StatusNotifierItem -m org.freedesktop.DBus.Properties.Get \
        org.kde.StatusNotifierItem Status 2>/dev/null
}

asks_attention() { item_status "$1" | grep -q NeedsAttention; }

main_shown() { [ -n "$(e2e_wait_main 0)" ]; }
main_hidden() { ! main_shown; }

# The part of the screen where the panel draws things that were not there in $BASE: W H X Y.
drawn_box() {
    import -window root "$E2E_TMP/$KIND/now.png" 2>/dev/null || return 1
    convert "$BASE" "$E2E_TMP/$KIND/now.png" -compose difference -composite -threshold 0 -trim \
        -format '%w %h %X %Y\n' info: 2>/dev/null
}
icon_drawn() {
    read -r W H X Y < <(drawn_box) || return 1
    X=${X#+} Y=${Y#+}
    # An icon, not a one-pixel blip: at least 8 pixels each way, at most a tray icon's size.
    [ "${W:-0}" -ge 8 ] && [ "${H:-0}" -ge 8 ] && [ "$W" -le 64 ] && [ "$H" -le 64 ]
}
# The panel's menu is a window of its own: what is drawn now covers much more than the icon.
menu_open() {
    local w h
    read -r w h _ < <(drawn_box) || return 1
    [ $((${w:-0} * ${h:-0})) -gt $((4 * W * H)) ]
}
crop_icon() {
    import -window root "$E2E_TMP/$KIND/now.png" 2>/dev/null &&
        convert "$E2E_TMP/$KIND/now.png" -crop "${W}x${H}+${X}+${Y}" +repage "$1"
}
# Pixels that differ between two crops of the icon.
pixels_apart() { compare -metric AE "$1" "$2" null: 2>&1 | grep -o '^[0-9]*'; }
icon_differs_from() {
    crop_icon "$E2E_TMP/$KIND/cmp.png" && [ "$(pixels_apart "$1" "$E2E_TMP/$KIND/cmp.png")" -gt $((W * H / 20)) ]
}
icon_same_as() {
    crop_icon "$E2E_TMP/$KIND/cmp.png" && [ "$(pixels_apart "$1" "$E2E_TMP/$KIND/cmp.png")" -le $((W * H / 50)) ]
}

start_panel() {
    local services="$E2E_TMP/$KIND/services"
    mkdir -p "$services"
    # Only the services named here start on demand: no notification daemon of the desktop's own.
    sed "s|<standard_session_servicedirs />|<servicedir>$services</servicedir>|" \
        /usr/share/dbus-1/session.conf > "$E2E_TMP/$KIND/bus.conf"
    case $KIND in
    xfce)
        cp /usr/share/dbus-1/services/org.xfce.Xfconf.service "$services/"
        mkdir -p "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
        # One panel at the top holding only the status tray.
        cat > "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="icon-size" type="uint" value="24"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
EOF
        PANEL_CMD=(env XDG_CURRENT_DESKTOP=XFCE xfce4-panel --disable-wm-check)
        ;;
    lxqt)
        mkdir -p "$XDG_CONFIG_HOME/lxqt"
        printf 'panels=panel1\n\n[panel1]\nplugins=statusnotifier,tray\nposition=Bottom\npanelSize=32\niconSize=24\n\n[statusnotifier]\ntype=statusnotifier\n\n[tray]\ntype=tray\n' \
            > "$XDG_CONFIG_HOME/lxqt/panel.conf"
        PANEL_CMD=(env XDG_CURRENT_DESKTOP=LXQt XDG_CONFIG_DIRS=/etc/xdg:/usr/share lxqt-panel)
        ;;
    esac
    local out
    out=$(dbus-daemon --config-file="$E2E_TMP/$KIND/bus.conf" --fork --print-address=1 --print-pid=1) ||
        fail "the private session bus did not start"
    DBUS_SESSION_BUS_ADDRESS=$(head -1 <<<"$out")
    BUS_PID=$(tail -1 <<<"$out")
    export DBUS_SESSION_BUS_ADDRESS
    "${PANEL_CMD[@]}" > "$E2E_TMP/$KIND/panel.log" 2>&1 &
    PANEL_PID=$!
    WAIT_SECS=60 e2e_wait_for host_there || fail "the panel did not take the tray"
}

start_program() {
    ./nudgelark /s > "$E2E_TMP/$KIND/app$1.log" 2>&1 &
    E2E_APP_PID=$!
}

stop_program() {
    kill -TERM "$E2E_APP_PID" 2>/dev/null
    wait "$E2E_APP_PID" 2>/dev/null
    E2E_APP_PID=
}

run_panel() {
    KIND=$1
    mkdir -p "$E2E_TMP/$KIND"
    rm -f reminder.nld reminder.nlt
    start_panel
    BASE="$E2E_TMP/$KIND/base.png"
    import -window root "$BASE"

    # The icon in the panel, and a click on it.
    start_program 1
    WAIT_SECS=30 e2e_wait_for item_there || fail "the icon did not register"
    e2e_wait_for main_hidden || fail "the main window shows after a start with /s"
    e2e_wait_for icon_drawn || fail "the panel draws no icon ($(drawn_box))"
    crop_icon "$E2E_TMP/$KIND/plain.png"
    cp "$E2E_TMP/$KIND/now.png" "$E2E_TMP/$KIND-plain.png"
    echo "$KIND: icon ${W}x${H} at $X,$Y"
    xdotool mousemove $((X + W / 2)) $((Y + H / 2)) click 1 mousemove 500 400
    e2e_wait_for main_shown || fail "a click on the icon did not bring the main window"
    e2e_wait_for item_gone || fail "the icon stayed in the panel with the window shown"
    stop_program

    # The panel's menu of the icon: its first item is Show.
    start_program 2
    WAIT_SECS=30 e2e_wait_for item_there || fail "the icon did not register for the second start"
    e2e_wait_for main_hidden || fail "the main window shows after the second start"
    e2e_wait_for icon_same_as "$E2E_TMP/$KIND/plain.png" || fail "the icon is not where it was"
    xdotool mousemove $((X + W / 2)) $((Y + H / 2)) click 3
    # The menu is the panel's own window: wait until it covers more than the icon.
    e2e_wait_for menu_open || fail "no menu opened on a right click"
    import -window root "$E2E_TMP/$KIND-menu.png"
    xdotool key Down Return mousemove 500 400
    e2e_wait_for main_shown || fail "Show in the panel's menu did not bring the main window"
    stop_program

    # An alert that fires at start: the panel marks the icon while it shows.
    printf 'Hello - #%s - 0 - 0 - 2, - 0\r\n' "$(date +%d.%m.%y)" > reminder.nld
    printf -- '-0-\r\nGood morning\r\n==\r\n' > reminder.nlt
    start_program 3
    WAIT_SECS=30 e2e_wait_for item_there || fail "the icon did not register for the third start"
    alert=$(e2e_wait_window Reminder 60) || fail "the start-up alert did not show"
    item=$(item_name)
    e2e_wait_for asks_attention "$item" ||
        fail "the item does not ask for attention: $(item_status "$item")"
    e2e_wait_for icon_differs_from "$E2E_TMP/$KIND/plain.png" || fail "the panel draws the same icon during the alert"
    cp "$E2E_TMP/$KIND/cmp.png" "$E2E_TMP/$KIND/attention.png"
    cp "$E2E_TMP/$KIND/now.png" "$E2E_TMP/$KIND-attention.png"
    echo "$KIND: $(pixels_apart "$E2E_TMP/$KIND/plain.png" "$E2E_TMP/$KIND/attention.png") of $((W * H)) pixels differ"
    e2e_click_alert "$alert" ok || fail "cannot click the alert's OK"
    e2e_wait_gone "$alert" 15 || fail "the alert did not close"
    e2e_wait_for icon_same_as "$E2E_TMP/$KIND/plain.png" || fail "the plain icon did not come back after OK"
    e2e_wait_for main_hidden || fail "the main window shows after the alert"

    # The panel quits in its ordinary way: the hidden window comes back.
    kill -TERM "$PANEL_PID"
    WAIT_SECS=20 e2e_wait_for main_shown || fail "the window stayed hidden after the panel quit"
    wait "$PANEL_PID" 2>/dev/null
    e2e_shot "$E2E_TMP/$KIND-panel-gone.png"
    stop_program
    kill "$BUS_PID" 2>/dev/null
    rm -f reminder.nld reminder.nlt
    echo "$KIND: passed"
}

for kind in "${PANELS[@]}"; do
    run_panel "$kind"
done
echo "1 passed, 0 failed"
