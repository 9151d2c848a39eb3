#!/usr/bin/env bash
# The installed program with a notification server on its session bus (python3-dbusmock's
# notification_daemon on a private bus): a fired reminder posts one notice, critical, with the
# actions OK and Pause; the notice's Pause pauses the alert, which comes back with a notice of
# its own; answered in its window, the alert takes its notice down.
set -u
BUILD=$1 SRC=$(cd "$2" && pwd)
. "$SRC/tests/support/e2e-lib.sh"
command -v dbus-daemon >/dev/null 2>&1 || e2e_skip "dbus-daemon is not installed (dbus)"
command -v gdbus >/dev/null 2>&1 || e2e_skip "gdbus is not installed (libglib2.0-bin)"
/usr/bin/python3 -c 'import dbusmock' 2>/dev/null || e2e_skip "python3-dbusmock is not installed"
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

NOTES="$E2E_TMP/notify.log"
APP_LOG="$E2E_TMP/app.log"
fail() {
    echo "FAIL: $*"
    e2e_shot "$E2E_TMP/fail.png"
    for f in "$NOTES" "$APP_LOG" "$E2E_TMP/dbusmock.log" reminder.nld; do
        [ -f "$f" ] && { echo "--- $f"; cat "$f"; }
    done
    exit 1
}

/usr/bin/python3 -m dbusmock --template notification_daemon -l "$NOTES" > "$E2E_TMP/dbusmock.log" 2>&1 &
server_up() {
    gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus -m org.freedesktop.DBus.NameHasOwner \
        org.freedesktop.Notifications 2>/dev/null | grep -q true
}
e2e_wait_for server_up || fail "the notification server did not start"
notices() { grep -c ' Notify ' "$NOTES" 2>/dev/null; }
has_notices() { [ "$(notices)" -ge "$1" ]; }
is_closed() { grep -q " CloseNotification $1\$" "$NOTES"; }
# The server's ids count from 1, one for each notice.
invoke_action() {
    gdbus call --session -d org.freedesktop.Notifications -o /org/freedesktop/Notifications \
        -m org.freedesktop.DBus.Mock.EmitSignal org.freedesktop.Notifications ActionInvoked us \
        "[<uint32 $1>, <'$2'>]" >/dev/null
}
alert_shown() { xdotool search --onlyvisible --name '^Reminder$' >/dev/null 2>&1; }
alert_gone() { ! alert_shown; }

# The snooze: none, so a paused alert comes back at the next tick.
mkdir -p "$XDG_CONFIG_HOME/Nudgelark"
printf '[General]\nDel=1\nSound=1\nInterval=0\n' > "$XDG_CONFIG_HOME/Nudgelark/Nudgelark.conf"
due=$(($(date +%s) + 8))
printf 'Call Ana - %s - %s - 0 - 1, - 0\r\n' "$(date -d "@$due" +%d.%m.%y)" "$(date -d "@$due" +%H:%M:%S)" > reminder.nld
printf -- '-0-\r\nCall Ana back\r\n==\r\n' > reminder.nlt

./nudgelark > "$APP_LOG" 2>&1 &
E2E_APP_PID=$!

WAIT_SECS=40 e2e_wait_for has_notices 1 || fail "the fired reminder posted no notice"
e2e_wait_for alert_shown || fail "no alert window beside the notice"
note=$(grep ' Notify ' "$NOTES")
echo "notice: $note"
grep -qF '"Call Ana" "Call Ana back" ["ok", "OK", "pause", "Pause"]' <<<"$note" ||
    fail "the notice is not the reminder's name and text with the actions OK and Pause"
grep -qF '"urgency": 2' <<<"$note" || fail "the notice is not critical"
# The icon travels with the notice: no icon theme holds the program's.
grep -qF "\"image-path\": \"$PROG/nudgelark.png\"" <<<"$note" || fail "the notice does not carry the icon file"
grep -qF '"desktop-entry": "nudgelark"' <<<"$note" || fail "the notice does not name the launcher"
[ "$(notices)" -eq 1 ] || fail "one alert posted $(notices) notices"

invoke_action 1 pause
e2e_wait_for is_closed 1 || fail "the notice stayed after its Pause"
# Back a minute later (a pause lasts at least a minute, Interval 0 included): the alert closed in
# between and posts a notice again.
WAIT_SECS=120 e2e_wait_for has_notices 2 || fail "the paused alert did not come back"
line_of() { grep -n "$1" "$NOTES" | sed -n "${2}p" | cut -d: -f1; }
[ "$(line_of ' CloseNotification 1$' 1)" -lt "$(line_of ' Notify ' 2)" ] ||
    fail "the first notice was not withdrawn before the alert came back"
e2e_wait_for alert_shown || fail "no alert window for the returning reminder"

# Answered in its window: OK is the alert's first button, 8 px in from the left, 8 above the
# bottom edge, 75 by 23.
id=$(e2e_wait_window Reminder 10) || fail "the returning alert is not on screen"
eval "$(xdotool getwindowgeometry --shell "$id")"
e2e_shot "$E2E_TMP/alert.png"
xdotool mousemove $((X + 45)) $((Y + HEIGHT - 20)) click 1
e2e_wait_for alert_gone || fail "a click on OK did not close the alert"
e2e_wait_for is_closed 2 || fail "the notice stayed after the alert was answered in its window"
[ "$(notices)" -eq 2 ] || fail "$(notices) notices for two alerts"
e2e_wait_for grep -q '^Call Ana - .* - 1, - 1' reminder.nld || fail "the fired reminder is not checked on disk"
echo "1 passed, 0 failed"
