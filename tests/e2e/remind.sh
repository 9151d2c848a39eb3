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
# Each log line carries the program's own time, so that a late poll here is never taken for a
# late program.
QT_LOGGING_RULES="nudgelark.triggers=true" QT_MESSAGE_PATTERN='%{time yyyy-MM-dd HH:mm:ss} %{message}' \
    ./nudgelark /s > "$LOG" 2>&1 &
E2E_APP_PID=$!

# Waits for a log line, answering message boxes meanwhile.
wait_for() {
    local pattern=$1 secs=$2 start=$SECONDS
    while ((SECONDS - start < secs)); do
        grep -q "$pattern" "$LOG" && return 0
        e2e_answer Error >/dev/null || sleep 0.2
    done
    return 1
}
# The time of the last log line matching $1, in seconds since the epoch.
logged_at() { date -d "$(grep "$1" "$LOG" | tail -1 | cut -c1-19)" +%s; }
# Answers the alert with its button $1 (ok or pause).
answer_alert() {
    e2e_wait_window_answering Reminder 20 Error >/dev/null || return 1
    local answered
    answered=$(E2E_ALERT_BUTTON=$1 e2e_answer Reminder) && [ "$answered" = Reminder ]
}
# Waits up to $2 seconds for the data file to hold a line matching $1.
wait_saved() {
    local start=$SECONDS
    until grep -q "$1" reminder.nld; do
        ((SECONDS - start < $2)) || return 1
        sleep 0.2
    done
}

wait_for 'fires "Hello" on event 2' 30 || { echo "FAIL: no start-up reminder"; cat "$LOG"; exit 1; }
echo "start-up reminder $((SECONDS - started)) s after start"
answer_alert ok || { echo "FAIL: the start-up alert did not close"; exit 1; }
wait_for 'fires "Call Ana" on event 1' 60 || { echo "FAIL: the timed reminder did not fire"; cat "$LOG"; exit 1; }
late=$(( $(logged_at 'fires "Call Ana" on event 1') - due ))
echo "timed reminder fired ${late} s after its time"
[ "$late" -ge 0 ] && [ "$late" -le 3 ] || { echo "FAIL: fired ${late} s off its time"; exit 1; }
paused=$(date +%s) # taken before the click: the pause itself is no earlier
answer_alert pause || { echo "FAIL: no alert window to pause"; exit 1; }

wait_for 'fires "Stretch" on event 1' 60 || { echo "FAIL: the repeating reminder did not fire"; cat "$LOG"; exit 1; }
answer_alert ok || { echo "FAIL: the repeating reminder's alert did not close"; exit 1; }
wait_saved "^Stretch - .* - $(date -d "@$((due + 140))" +%H:%M:%S) - 2 - 1,0, - 0" 30 || {
    echo "FAIL: the repeating reminder did not move on by two minutes, armed"; cat reminder.nld; exit 1; }

wait_for 'paused alert of "Call Ana" comes back' 120 || { echo "FAIL: the paused alert did not come back"; cat "$LOG"; exit 1; }
back=$(( $(logged_at 'paused alert of "Call Ana" comes back') - paused ))
echo "paused alert came back after ${back} s"
[ "$back" -ge 55 ] || { echo "FAIL: it came back too early"; exit 1; }
answer_alert ok || { echo "FAIL: the paused alert did not close"; exit 1; }
echo "1 passed, 0 failed"
