#!/usr/bin/env bash
# The end of the session for real: the running program gets SIGTERM, writes its reminders at once
# (before any shutdown alert), shows the shutdown reminder's alert, marks it done, writes the files
# again and ends with exit code 0. A second run checks the same without any shutdown reminder.
set -u
BUILD=$1 SRC=$2
. "$SRC/tests/support/e2e-lib.sh"
e2e_setup "$BUILD"
cd "$PROG" || exit 1

printf 'Plain - 01.01.30 - 0 - 0 - 1, - 0\r\nBye - #01.01.26 - 0 - 0 - 3, - 0\r\n' > reminder.nld
printf -- '-0-\r\nplain\r\n==\r\n-1-\r\nSee you\r\n==\r\n' > reminder.nlt
touch -d '2001-01-01' reminder.nld reminder.nlt
before=$(e2e_mtime reminder.nld)

./nudgelark > "$E2E_TMP/app.log" 2>&1 &
E2E_APP_PID=$!
e2e_wait_window Nudgelark 15 >/dev/null || { echo "FAIL: the main window did not show"; exit 1; }
sleep 0.5
kill -TERM "$E2E_APP_PID"

# The files are written before the shutdown alert waits for the user (a box about a missing
# sound file may come first).
alert=
for _ in $(seq 50); do
    alert=$(xdotool search --onlyvisible --name '^Reminder$' 2>/dev/null | head -1)
    [ -n "$alert" ] && break
    e2e_answer Error
    sleep 0.2
done
[ -n "$alert" ] || { echo "FAIL: no shutdown alert"; e2e_shot "$E2E_TMP/fail.png"; exit 1; }
[ "$(e2e_mtime reminder.nld)" != "$before" ] || { echo "FAIL: not saved before the alert"; exit 1; }
grep -q "^Bye - " reminder.nld || { echo "FAIL: the saved file lost a reminder"; exit 1; }
e2e_shot "$E2E_TMP/shutdown-alert.png"

# Answer the alert (and any message box about sounds) until the program ends.
for _ in $(seq 100); do
    kill -0 "$E2E_APP_PID" 2>/dev/null || break
    e2e_answer Error || e2e_answer Reminder
    sleep 0.2
done
wait "$E2E_APP_PID"
rc=$?
E2E_APP_PID=
[ "$rc" -eq 0 ] || { echo "FAIL: exit code $rc"; cat "$E2E_TMP/app.log"; exit 1; }
grep -q "^Bye - .* - 3, - 1" reminder.nld || { echo "FAIL: the shutdown reminder is not marked done"; cat reminder.nld; exit 1; }
grep -q "^Plain - 01.01.30 - 0 - 0 - 1, - 0" reminder.nld || { echo "FAIL: other reminder changed"; exit 1; }

# Without shutdown reminders the program simply saves and ends.
printf 'Plain - 01.01.30 - 0 - 0 - 1, - 0\r\n' > reminder.nld
printf -- '-0-\r\nplain\r\n==\r\n' > reminder.nlt
./nudgelark > "$E2E_TMP/app2.log" 2>&1 &
E2E_APP_PID=$!
e2e_wait_window Nudgelark 15 >/dev/null || { echo "FAIL: the main window did not show (2)"; exit 1; }
kill -HUP "$E2E_APP_PID"
wait "$E2E_APP_PID"
rc=$?
E2E_APP_PID=
[ "$rc" -eq 0 ] || { echo "FAIL: exit code $rc after SIGHUP"; exit 1; }
[ -s reminder.nld ] || { echo "FAIL: data file empty"; exit 1; }
echo "1 passed, 0 failed"
