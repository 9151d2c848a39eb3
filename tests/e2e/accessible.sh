#!/usr/bin/env bash
# What a screen reader meets in the installed program, read through AT-SPI under Xvfb and a
# window manager, each window opened by keyboard: in the splash, the main window, a fired alert,
# a view, the editor, the options, the event sounds, the About box and the delete question, every
# control the keyboard reaches has a role and a name. A fired alert has its message in the focus;
# ticking a row's box with Space is heard as a checked-state change. Prints each window's tree.
set -u
BUILD=$1 SRC=$2
. "$SRC/tests/support/e2e-lib.sh"
[ -x /usr/libexec/at-spi-bus-launcher ] || e2e_skip "at-spi2-core is not installed"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || e2e_skip "python3-pyatspi is not installed"
e2e_need dbus-daemon gdbus
e2e_setup "$BUILD"
e2e_start_wm
cd "$PROG" || exit 1

# A session bus of its own that starts no service on demand (no notification pop-ups), with the
# accessibility bus on it.
sed 's|<standard_session_servicedirs */>||' /usr/share/dbus-1/session.conf > "$E2E_TMP/bus.conf"
{ read -r DBUS_SESSION_BUS_ADDRESS; read -r BUS_PID; } < <(dbus-daemon --config-file="$E2E_TMP/bus.conf" --fork \
    --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS
trap 'kill "$BUS_PID" 2>/dev/null; e2e_cleanup' EXIT
/usr/libexec/at-spi-bus-launcher --launch-immediately > "$E2E_TMP/at-spi.log" 2>&1 &
start=$SECONDS
until gdbus call --session -d org.a11y.Bus -o /org/a11y/bus -m org.a11y.Bus.GetAddress >/dev/null 2>&1; do
    ((SECONDS - start < 30)) || e2e_skip "the AT-SPI bus did not start"
    sleep 0.1
done

mkdir -p "$XDG_CONFIG_HOME/Nudgelark"
printf '[General]\nDel=0\nSound=1\nInterval=5\n' > "$XDG_CONFIG_HOME/Nudgelark/Nudgelark.conf"
due=$(($(date +%s) + 15))
{
    printf 'Tea - #%s - %s - 0 - 1, - 0\r\n' "$(date -d "@$due" +%d.%m.%y)" "$(date -d "@$due" +%H:%M:%S)"
    printf 'Bread - #%s - 0 - 0 - 4, - 0\r\n' "$(date +%d.%m.%y)"
} > reminder.nld
printf -- '-0-\r\nThe tea is ready\r\n==\r\n-1-\r\nBuy bread\r\n==\r\n' > reminder.nlt

LOG="$E2E_TMP/app.log"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ./nudgelark > "$LOG" 2>&1 &
E2E_APP_PID=$!
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
tree() { /usr/bin/python3 "$SRC/tests/support/a11y_tree.py" tree "$@"; }
# Prints the tree of the window titled $1 (of the role $2) once it has the keyboard.
check_window() {
    local id
    id=$(e2e_wait_window "$1" 30) && e2e_wait_active "$id" 30 || { fail "no window \"$1\" with the keyboard"; return 1; }
    echo "--- $1"
    tree "$@" || fail "\"$1\" has a control without a role or a name"
}
close_window() {
    local id
    id=$(e2e_find "$1" | cut -d' ' -f1)
    xdotool key "$2"
    [ -n "$id" ] && e2e_wait_gone "$id" 15 || fail "$2 did not close \"$1\""
}

# The splash shows for three seconds; it is read when AT-SPI is quick enough to see it.
if splash=$(A11Y_WAIT=3 tree Nudgelark dialog); then
    echo "--- splash"
    echo "$splash"
else
    echo "note: the splash had gone before AT-SPI could read it"
fi
main=$(e2e_wait_main 30) || { fail "no main window"; exit 1; }
e2e_wait_active "$main" 30 || fail "the main window did not get the keyboard"
check_window Nudgelark frame

# The alert, with its message in the focus; Alt+O answers it.
check_window Reminder > "$E2E_TMP/alert.txt"
cat "$E2E_TMP/alert.txt"
grep -q '^  *label | The tea is ready | focusable | focused$' "$E2E_TMP/alert.txt" ||
    fail "the alert's message does not have the focus"
close_window Reminder alt+o
e2e_wait_active "$main" 15 || fail "the main window did not get the keyboard back"

# Space on the last row ("Bread", which never fires) is heard as its box changing.
/usr/bin/python3 "$SRC/tests/support/a11y_tree.py" checked 30 > "$E2E_TMP/checked.log" 2>&1 &
LISTENER=$!
WAIT_SECS=30 e2e_wait_for grep -q '^listening' "$E2E_TMP/checked.log" || fail "the AT-SPI listener did not start"
xdotool key End space
WAIT_SECS=30 e2e_wait_for grep -q '^Bread checked=1' "$E2E_TMP/checked.log" || fail "ticking \"Bread\" was not heard"
xdotool key space
WAIT_SECS=30 e2e_wait_for grep -q '^Bread checked=0' "$E2E_TMP/checked.log" || fail "unticking \"Bread\" was not heard"
kill "$LISTENER" 2>/dev/null
cat "$E2E_TMP/checked.log"

xdotool key Return
check_window "View reminder"
close_window "View reminder" Escape
xdotool key ctrl+n
check_window "New reminder"
close_window "New reminder" Escape
xdotool key alt+r o
check_window Options
xdotool key alt+s
check_window "Define events sounds"
close_window "Define events sounds" Escape
close_window Options Escape
xdotool key alt+h a
check_window "About Nudgelark"
close_window "About Nudgelark" Escape
xdotool key Delete
check_window Warning
close_window Warning Escape

xdotool key alt+c
WAIT_SECS=30 e2e_wait_for bash -c "! kill -0 $E2E_APP_PID 2>/dev/null" || fail "Alt+C did not close the program"
[ "$failed" -eq 0 ] || { e2e_shot "$E2E_TMP/failed.png"; exit 1; }
echo "1 passed, 0 failed"
