#!/usr/bin/env bash
# The end of an X session under a real session manager (xsm): its Shutdown with a checkpoint asks
# the program to save its state; the program runs its shutdown scan (the reminder's alert), marks
# the reminder done, writes both files and ends.
set -u
BUILD=$1 SRC=$2
. "$SRC/tests/support/e2e-lib.sh"
e2e_need xsm iceauth
e2e_setup "$BUILD"
cd "$PROG" || exit 1
printf 'Plain - 01.01.30 - 0 - 0 - 1, - 0\r\nBye - #01.01.26 - 0 - 0 - 3, - 0\r\n' > reminder.nld
printf -- '-0-\r\nplain\r\n==\r\n-1-\r\nSee you\r\n==\r\n' > reminder.nlt
echo "$PROG/nudgelark" > "$HOME/.xsmstartup"

xsm > "$E2E_TMP/xsm.log" 2>&1 &
e2e_wait_window Nudgelark 20 >/dev/null || e2e_skip "xsm did not start the program"
app=$(pgrep -f "^$PROG/nudgelark" | head -1)
panel=$(xdotool search --onlyvisible --name '^xsm: ' | head -1)
[ -n "$panel" ] || e2e_skip "no xsm panel"
main=$(xdotool search --onlyvisible --name '^Nudgelark$' | head -1)
xdotool windowmove "$main" 500 400 # out of the way of xsm's own windows
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$panel")"
# xsm's "Shutdown" menu button, then "With Checkpoint".
xdotool mousemove $((X + 140)) $((Y + 37)) mousedown 1
sleep 0.5
xdotool mousemove $((X + 150)) $((Y + 56))
sleep 0.3
xdotool mouseup 1
dialog=$(e2e_wait_window Shutdown 10) || e2e_skip "xsm's shutdown dialog did not open"
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove $((X + 164)) $((Y + 14)) click 1
xdotool type --delay 30 Test
xdotool mousemove $((X + 37)) $((Y + 109)) click 1

saw_alert=0
for _ in $(seq 150); do
    kill -0 "$app" 2>/dev/null || break
    if xdotool search --onlyvisible --name '^Reminder$' >/dev/null 2>&1; then
        saw_alert=1
        e2e_shot "$E2E_TMP/xsm-alert.png"
    fi
    e2e_answer Error || e2e_answer Reminder
    sleep 0.2
done
kill -0 "$app" 2>/dev/null && { echo "FAIL: the program did not end"; e2e_shot "$E2E_TMP/fail.png"; exit 1; }
[ "$saw_alert" -eq 1 ] || { echo "FAIL: no shutdown alert"; exit 1; }
grep -q "^Bye - .* - 3, - 1" reminder.nld || { echo "FAIL: shutdown reminder not marked done"; cat reminder.nld; exit 1; }
echo "1 passed, 0 failed"
