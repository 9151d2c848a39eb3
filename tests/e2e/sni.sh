#!/usr/bin/env bash
# The installed program with a panel that shows StatusNotifierItems (a watcher of our own on a
# private session bus), started with /s: its icon registers with the tool tip "Nudgelark"; the
# menu it exports holds Show and Exit, and both work; Activate (a left click there) brings the
# hidden main window back; a watcher that starts 5 s after the program still gets the icon, and a
# restarted watcher gets it again.
set -u
BUILD=$1 SRC=$(cd "$2" && pwd)
. "$SRC/tests/support/e2e-lib.sh"
command -v dbus-daemon >/dev/null 2>&1 || e2e_skip "dbus-daemon is not installed (dbus)"
command -v gdbus >/dev/null 2>&1 || e2e_skip "gdbus is not installed (libglib2.0-bin)"
/usr/bin/python3 -c 'import dbus, dbus.service, dbus.mainloop.glib; from gi.repository import GLib' 2>/dev/null ||
    e2e_skip "python3-dbus or python3-gi is not installed"
e2e_setup "$BUILD"
cd "$PROG" || exit 1

dbus-daemon --session --nofork --print-address=1 > "$E2E_TMP/bus" 2>/dev/null &
for _ in $(seq 100); do
    [ -s "$E2E_TMP/bus" ] && break
    sleep 0.1
done
[ -s "$E2E_TMP/bus" ] || e2e_skip "the private session bus did not start"
DBUS_SESSION_BUS_ADDRESS=$(head -1 "$E2E_TMP/bus")
export DBUS_SESSION_BUS_ADDRESS

fail() {
    echo "FAIL: $*"
    e2e_shot "$E2E_TMP/fail.png"
    for f in "$E2E_TMP"/watcher*.log "$E2E_TMP"/app*.log; do
        [ -f "$f" ] && { echo "--- $f"; cat "$f"; }
    done
    exit 1
}

start_watcher() {
    WATCHER_LOG=$1
    /usr/bin/python3 "$SRC/tests/support/sni_watcher.py" "$WATCHER_LOG" 2>> "$WATCHER_LOG.err" &
    WATCHER_PID=$!
    e2e_wait_for grep -qs '^watcher ready' "$WATCHER_LOG" || fail "the watcher did not start"
}

stop_watcher() {
    kill "$WATCHER_PID" 2>/dev/null
    wait "$WATCHER_PID" 2>/dev/null
}

registrations() { grep -c '^registered ' "$WATCHER_LOG" 2>/dev/null; }
has_registrations() { [ "$(registrations)" -ge "$1" ]; }
last_item() { awk '/^registered /{name = $2} END {print name}' "$WATCHER_LOG"; }
is_withdrawn() { grep -q "^unregistered $1 " "$WATCHER_LOG"; }

# The main window is on screen (the splash and other small windows do not count).
main_shown() {
    local id w
    for id in $(xdotool search --onlyvisible --name '^Nudgelark$' 2>/dev/null); do
        w=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | sed -n 's/^WIDTH=//p')
        [ "${w:-0}" -gt 64 ] && return 0
    done
    return 1
}
main_hidden() { ! main_shown; }

item_call() {
    local service=$1 path=$2 method=$3
    shift 3
    gdbus call --session -d "$service" -o "$path" -m "$method" -- "$@"
}

# The id of the exported menu's item labelled $2 ("_" before its Alt key, as dbusmenu marks it).
menu_id() {
    item_call "$1" /MenuBar com.canonical.dbusmenu.GetLayout 0 -1 '[]' |
        grep -oE "\(([0-9]+), \{[^}]*'label': <'$2'>" | grep -oE '^\([0-9]+' | tr -d '('
}

start_program() {
    APP_LOG=$1
    ./nudgelark /s > "$APP_LOG" 2>&1 &
    E2E_APP_PID=$!
}

stop_program() {
    kill -TERM "$E2E_APP_PID" 2>/dev/null
    wait "$E2E_APP_PID" 2>/dev/null
    E2E_APP_PID=
}

# --- A panel that is there before the program ------------------------------------------------
start_watcher "$E2E_TMP/watcher1.log"
start_program "$E2E_TMP/app1.log"
WAIT_SECS=30 e2e_wait_for has_registrations 1 || fail "the icon did not register"
item=$(last_item)
item_call "$item" /StatusNotifierItem org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem ToolTip \
    > "$E2E_TMP/tooltip" || fail "the item gives no tool tip"
grep -q "\], 'Nudgelark', '')" "$E2E_TMP/tooltip" || fail "tool tip is not Nudgelark: $(cut -c1-80 "$E2E_TMP/tooltip")"
item_call "$item" /StatusNotifierItem org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem Menu |
    grep -q "'/MenuBar'" || fail "the item names no menu"
e2e_wait_for main_hidden || fail "the main window shows after a start with /s"
e2e_shot "$E2E_TMP/in-tray.png"

layout=$(item_call "$item" /MenuBar com.canonical.dbusmenu.GetLayout 0 -1 '[]') || fail "no menu layout"
echo "menu: $layout"
show=$(menu_id "$item" _Show)
exitId=$(menu_id "$item" E_xit)
[ -n "$show" ] && [ -n "$exitId" ] || fail "the menu lacks Show or Exit"
grep -q "'type': <'separator'>" <<<"$layout" || fail "the menu has no separator"
item_call "$item" /MenuBar com.canonical.dbusmenu.Event "$show" clicked '<0>' 0 >/dev/null || fail "Event refused"
e2e_wait_for main_shown || fail "Show in the exported menu did not bring the main window"
e2e_wait_for is_withdrawn "$item" || fail "the icon stayed in the panel after Show"
e2e_shot "$E2E_TMP/shown-by-menu.png"
stop_program

# --- Activate (a left click on the icon) ------------------------------------------------------
start_program "$E2E_TMP/app2.log"
WAIT_SECS=30 e2e_wait_for has_registrations 2 || fail "the icon did not register for the second start"
item=$(last_item)
e2e_wait_for main_hidden || fail "the main window shows after the second start with /s"
item_call "$item" /StatusNotifierItem org.kde.StatusNotifierItem.Activate 0 0 >/dev/null || fail "Activate refused"
e2e_wait_for main_shown || fail "Activate did not bring the main window"
e2e_wait_for is_withdrawn "$item" || fail "the icon stayed in the panel after Activate"
stop_program
stop_watcher

# --- A panel that comes 5 s late, then restarts; Exit from its menu ---------------------------
printf 'Plain - 01.01.30 - 0 - 0 - 1, - 0\r\n' > reminder.nld
printf -- '-0-\r\nplain\r\n==\r\n' > reminder.nlt
touch -d '2001-01-01' reminder.nld reminder.nlt
before=$(e2e_mtime reminder.nld)
started=$(date +%s%N)
start_program "$E2E_TMP/app3.log"
# No tray yet: the window must stay reachable (minimised, never hidden).
WAIT_SECS=20 e2e_wait_for main_shown || fail "without a panel the main window is not reachable"
e2e_shot "$E2E_TMP/no-panel.png"
while (($(date +%s%N) - started < 5000000000)); do
    sleep 0.1
done
start_watcher "$E2E_TMP/watcher2.log"
WAIT_SECS=15 e2e_wait_for has_registrations 1 || fail "a watcher that came 5 s late did not get the icon"
e2e_wait_for main_hidden || fail "the window did not go into the late panel"

stop_watcher
e2e_wait_for main_shown || fail "the window did not come back when the panel went away"
start_watcher "$E2E_TMP/watcher3.log"
WAIT_SECS=15 e2e_wait_for has_registrations 1 || fail "a restarted watcher did not get the icon again"
e2e_wait_for main_hidden || fail "the window did not go into the restarted panel"
item=$(last_item)
exitId=$(menu_id "$item" E_xit)
[ -n "$exitId" ] || fail "the restarted panel sees no Exit"
item_call "$item" /MenuBar com.canonical.dbusmenu.Event "$exitId" clicked '<0>' 0 >/dev/null || fail "Event refused"
WAIT_SECS=15 e2e_wait_for bash -c "! kill -0 $E2E_APP_PID 2>/dev/null" || fail "Exit in the exported menu did not end the program"
wait "$E2E_APP_PID"
rc=$?
E2E_APP_PID=
[ "$rc" -eq 0 ] || fail "the program ended with $rc after Exit"
[ "$(e2e_mtime reminder.nld)" != "$before" ] || fail "Exit did not save the reminders"
grep -q "^Plain - 01.01.30 - 0 - 0 - 1, - 0" reminder.nld || fail "the saved reminder changed"
e2e_wait_for is_withdrawn "$item" || fail "the icon stayed in the panel after Exit"
echo "1 passed, 0 failed"
