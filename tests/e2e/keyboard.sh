#!/usr/bin/env bash
# A day with the installed program by keyboard alone, under a window manager: a reminder typed
# into the editor and saved with Alt+O fires; Return, Space and Escape typed at its fresh alert
# leave it showing, and Alt+P pauses it; when it comes back, Tab and Space press its OK; Return
# on a row views it and Escape closes the view; Delete deletes a row; Alt+C closes the program.
set -u
BUILD=$1 SRC=$2
. "$SRC/tests/support/e2e-lib.sh"
e2e_setup "$BUILD"
e2e_start_wm
cd "$PROG" || exit 1

fail() {
    echo "FAIL: $*"
    e2e_shot "$E2E_TMP/failed.png"
    cat "$LOG"
    exit 1
}
# Waits for the window titled $1 to show and to have the keyboard; prints its id.
window_with_keys() {
    local id
    id=$(e2e_wait_window "$1" 30) || return 1
    e2e_wait_active "$id" 30 || return 1
    echo "$id"
}
# Waits up to $2 seconds for the data file to hold (with $3 "no": to lack) a line matching $1.
wait_saved() {
    local start=$SECONDS held
    while :; do
        held=no
        grep -q "$1" reminder.nld 2>/dev/null && held=yes
        [ "$held" = "${3:-yes}" ] && return 0
        ((SECONDS - start < $2)) || return 1
        sleep 0.1
    done
}
# Waits up to $2 seconds for a line of the program's log that matches $1.
wait_logged() {
    local start=$SECONDS
    until grep -q "$1" "$LOG"; do
        ((SECONDS - start < $2)) || return 1
        sleep 0.1
    done
}

# The snooze is 0 minutes, which counts as the shortest pause, one minute. No sounds.
mkdir -p "$XDG_CONFIG_HOME/Nudgelark"
printf '[General]\nDel=0\nSound=0\nInterval=0\n' > "$XDG_CONFIG_HOME/Nudgelark/Nudgelark.conf"
printf 'Old - #%s - 0 - 0 - 2, - 0\r\n' "$(date +%d.%m.%y)" > reminder.nld
printf -- '-0-\r\nAn old one\r\n==\r\n' > reminder.nlt

LOG="$E2E_TMP/app.log"
QT_LOGGING_RULES="nudgelark.triggers=true" ./nudgelark > "$LOG" 2>&1 &
E2E_APP_PID=$!
main=$(e2e_wait_main 30) || fail "no main window"
e2e_wait_active "$main" 30 || fail "the main window did not get the keyboard"

# New reminder: its name, its text, "on specific date/time", "on specific time" and the time
# picker (reached past the buttons and the name and text), then Alt+O.
xdotool key ctrl+n
window_with_keys "New reminder" >/dev/null || fail "Ctrl+N did not open the editor"
due=$(($(date +%s) + 20))
xdotool type --delay 30 "Tea"
xdotool key Tab
xdotool type --delay 30 "The tea is ready"
xdotool key Tab space Tab Tab Tab Tab Tab Tab space Tab Tab Tab Tab Tab Tab Tab
# Each section of the time moves on to the next once it is full.
xdotool type --delay 30 "$(date -d "@$due" +%H%M%S)"
e2e_shot "$E2E_TMP/editor.png"
xdotool key alt+o
wait_saved "^Tea - #$(date -d "@$due" +%d.%m.%y) - $(date -d "@$due" +%H:%M:%S) - 0 - 1, - 0" 30 ||
    fail "Alt+O did not save the typed reminder: $(cat reminder.nld)"
echo "typed and saved: $(grep '^Tea' reminder.nld | tr -d '\r')"

# Its alert: keys typed while it appears answer nothing, so Alt+P still finds it to pause.
alert=$(window_with_keys Reminder) || fail "the typed reminder did not fire"
xdotool key Return space Escape
e2e_shot "$E2E_TMP/alert-after-keys.png"
xdotool key alt+p
# Had a key before it answered the alert, Alt+P would have found no alert to pause.
wait_logged 'paused alert of "Tea" comes back' 120 || fail "no pause came back: Return, Space or Escape answered the alert"
alert=$(window_with_keys Reminder) || fail "the paused alert did not show again"
echo "Return, Space and Escape left the alert showing; Alt+P paused it and it came back"

# Tab goes from the message to OK; Space presses it.
xdotool key Tab
e2e_shot "$E2E_TMP/alert-ok-focused.png"
xdotool key space
e2e_wait_gone "$alert" 15 || fail "Tab and Space did not answer the alert"
e2e_wait_active "$main" 15 || fail "the main window did not get the keyboard back"
echo "Tab and Space pressed the alert's OK"

# The list has the keyboard: Home picks the first row, Return views it, Escape closes the view.
xdotool key Home Return
view=$(window_with_keys "View reminder") || fail "Return on a row did not view it"
e2e_shot "$E2E_TMP/view.png"
xdotool key Escape
e2e_wait_gone "$view" 15 || fail "Escape did not close the view"
e2e_wait_active "$main" 15 || fail "the main window did not get the keyboard back"

# Delete asks first; Return answers its default OK.
xdotool key Delete
box=$(window_with_keys Warning) || fail "Delete did not ask"
xdotool key Return
e2e_wait_gone "$box" 15 || fail "Return did not answer the question"
wait_saved '^Old ' 30 no || fail "Delete did not delete the row: $(cat reminder.nld)"
echo "Delete deleted \"Old\""

xdotool key alt+c
WAIT_SECS=30 e2e_wait_for bash -c "! kill -0 $E2E_APP_PID 2>/dev/null" || fail "Alt+C did not close the program"
[ "$(grep -c 'comes back' "$LOG")" -eq 1 ] || fail "OK paused the alert as well"
[ "$(tr -d '\r' < reminder.nld | cut -d' ' -f1)" = Tea ] || fail "the saved list is not just the typed reminder"
echo "1 passed, 0 failed"
