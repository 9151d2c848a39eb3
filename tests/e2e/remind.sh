#!/usr/bin/env bash
# A user's day with the installed program: started with /s, its start-up reminder fires about a
# second after the splash; a reminder due shortly fires on time, Pause brings it back after the
# snooze minutes of the options, and a repeating reminder moves on and stays armed.
set -u
BUILD=$1 SRC=$2
. "$SRC/tests/support/e2e-lib.sh"
e2e_setup "$BUILD"
cd "$PROG" || exit 1

# The snooze: one minute.
mkdir -p "$XDG_CONFIG_HOME/Nudgelark"
printf '[General]\nDel=1\nSound=1\nInterval=1\n' > "$XDG_CONFIG_HOME/Nudgelark/Nudgelark.conf"
now=$(date +%s)
due=$((now + 25))
d=$(date -d "@$due" +%d.%m.%y)
t=$(date -d "@$due" +%H:%M:%S)
today=$(date +%d.%m.%y)
{
    printf 'Hello - #%s - 0 - 0 - 2, - 0\r\n' "$today"
    printf 'Call Ana - %s - %s - 0 - 1, - 0\r\n' "$d" "$t"
    printf 'Stretch - #%s - %s - 2 - 1,0, - 0\r\n' "$(date -d "@$due" +%d.%m.%y)" "$(date -d "@$((due + 20))" +%H:%M:%S)"
} > reminder.nld
printf -- '-0-\r\nGood morning\r\n==\r\n-1-\r\nCall Ana back\r\n==\r\n-2-\r\nStand up and stretch\r\n==\r\n' > reminder.nlt

LOG="$E2E_TMP/app.log"
started=$SECONDS
QT_LOGGING_RULES="nudgelark.triggers=true" ./nudgelark /s > "$LOG" 2>&1 &
E2E_APP_PID=$!

# Waits for a log line, answering other windows with their default button meanwhile; with
# a third argument "pause" the alert is paused instead.
wait_for() {
    local pattern=$1 secs=$2 action=${3:-ok} start=$SECONDS id
    while ((SECONDS - start < secs)); do
        grep -q "$pattern" "$LOG" && return 0
        e2e_answer Error
        sleep 0.3
    done
    return 1
}
# Presses the alert's middle button (Pause): the window is 289 wide, its buttons sit 8 above
# its bottom edge, Pause from 108 to 183.
pause_alert() {
    local id
    id=$(e2e_wait_window Reminder 10) || return 1
    eval "$(xdotool getwindowgeometry --shell "$id")"
    e2e_shot "$E2E_TMP/alert.png"
    xdotool mousemove $((X + 145)) $((Y + HEIGHT - 19)) click 1
    sleep 0.5
    ! xdotool search --onlyvisible --name '^Reminder$' >/dev/null 2>&1
}
ok_alert() {
    e2e_wait_window Reminder 10 >/dev/null || return 1
    for _ in $(seq 20); do
        e2e_answer Reminder || return 0
        sleep 0.3
    done
    return 1
}

wait_for 'fires "Hello" on event 2' 15 || { echo "FAIL: no start-up reminder"; cat "$LOG"; exit 1; }
echo "start-up reminder $((SECONDS - started)) s after start"
ok_alert || { echo "FAIL: the start-up alert did not close"; exit 1; }
wait_for 'fires "Call Ana" on event 1' 60 || { echo "FAIL: the timed reminder did not fire"; cat "$LOG"; exit 1; }
late=$(( $(date +%s) - due ))
echo "timed reminder fired ${late} s after its time"
[ "$late" -ge 0 ] && [ "$late" -le 3 ] || { echo "FAIL: fired ${late} s off its time"; exit 1; }
pause_alert || { echo "FAIL: no alert window to pause"; exit 1; }
paused=$SECONDS

wait_for 'fires "Stretch" on event 1' 60 || { echo "FAIL: the repeating reminder did not fire"; cat "$LOG"; exit 1; }
ok_alert
sleep 2 # the list is written a second after a change
grep -q "^Stretch - .* - $(date -d "@$((due + 140))" +%H:%M:%S) - 2 - 1,0, - 0" reminder.nld || {
    echo "FAIL: the repeating reminder did not move on by two minutes, armed"; cat reminder.nld; exit 1; }

wait_for 'paused alert of "Call Ana" comes back' 90 || { echo "FAIL: the paused alert did not come back"; cat "$LOG"; exit 1; }
back=$((SECONDS - paused))
echo "paused alert came back after ${back} s"
[ "$back" -ge 55 ] || { echo "FAIL: it came back too early"; exit 1; }
ok_alert
echo "1 passed, 0 failed"
