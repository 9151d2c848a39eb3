#!/usr/bin/env bash
# The end of the session for real: the running program gets SIGTERM, writes its reminders at once
# (before any shutdown alert), shows the shutdown reminder's alert, marks it done, writes the files
# again and ends with exit code 0. Then the same end comes while the splash still shows: the splash
# gives way, the shutdown alert shows, the program ends with 0 and the files are written. A last
# run checks the end without any shutdown reminder, during the splash and after it. Last, a machine
# shutdown announced by logind (a python3-dbusmock stand-in on a private system bus): the program
# holds a delay lock, shows the shutdown reminder when the shutdown comes, lets the lock go once it
# is answered (or when the time logind allows has run out), and ends at the SIGTERM that follows.
set -u
BUILD=$1 SRC=$2
. "$SRC/tests/support/e2e-lib.sh"
e2e_setup "$BUILD"
cd "$PROG" || exit 1

with_shutdown_reminder() {
    printf 'Plain - 01.01.30 - 0 - 0 - 1, - 0\r\nBye - #01.01.26 - 0 - 0 - 3, - 0\r\n' > reminder.nld
    printf -- '-0-\r\nplain\r\n==\r\n-1-\r\nSee you\r\n==\r\n' > reminder.nlt
    touch -d '2001-01-01' reminder.nld reminder.nlt
}
# Waits for the program to end; fails unless with exit code 0.
ended_with_0() {
    local rc
    wait "$E2E_APP_PID"
    rc=$?
    E2E_APP_PID=
    [ "$rc" -eq 0 ] || { echo "FAIL: exit code $rc ($1)"; cat "$E2E_TMP/app.log"; exit 1; }
}
marked_done() {
    grep -q "^Bye - .* - 3, - 1" reminder.nld || { echo "FAIL: the shutdown reminder is not marked done ($1)"; cat reminder.nld; exit 1; }
    grep -q "^Plain - 01.01.30 - 0 - 0 - 1, - 0" reminder.nld || { echo "FAIL: other reminder changed ($1)"; exit 1; }
}
# Answers the shutdown alert (and any message box about sounds) until the program ends.
answer_until_end() {
    e2e_answer_until_end "$E2E_APP_PID" 120 Error Reminder >/dev/null ||
        { echo "FAIL: the program did not end ($1)"; e2e_shot "$E2E_TMP/fail.png"; exit 1; }
}

# 1. SIGTERM to the running program.
with_shutdown_reminder
before=$(e2e_mtime reminder.nld)
./nudgelark > "$E2E_TMP/app.log" 2>&1 &
E2E_APP_PID=$!
e2e_wait_main 30 >/dev/null || { echo "FAIL: the main window did not show"; cat "$E2E_TMP/app.log"; exit 1; }
kill -TERM "$E2E_APP_PID"
# The files are written before the shutdown alert waits for the user (a box about a missing
# sound file may come first).
e2e_wait_window_answering Reminder 30 Error >/dev/null ||
    { echo "FAIL: no shutdown alert"; e2e_shot "$E2E_TMP/fail.png"; exit 1; }
[ "$(e2e_mtime reminder.nld)" != "$before" ] || { echo "FAIL: not saved before the alert"; exit 1; }
grep -q "^Bye - " reminder.nld || { echo "FAIL: the saved file lost a reminder"; exit 1; }
e2e_shot "$E2E_TMP/shutdown-alert.png"
answer_until_end "SIGTERM while running"
ended_with_0 "SIGTERM while running"
marked_done "SIGTERM while running"

# 2. SIGTERM while the splash shows: nothing has run yet, and still the end is carried out.
with_shutdown_reminder
./nudgelark > "$E2E_TMP/app.log" 2>&1 &
E2E_APP_PID=$!
start=$SECONDS
until [ -n "$(e2e_windows_of "$E2E_APP_PID" 335x159)" ]; do
    ((SECONDS - start < 30)) || { echo "FAIL: no splash"; exit 1; }
    sleep 0.05
done
kill -TERM "$E2E_APP_PID"
alert=$(e2e_wait_window_answering Reminder 30 Error) ||
    { echo "FAIL: no shutdown alert after SIGTERM during the splash"; e2e_shot "$E2E_TMP/fail.png"; exit 1; }
[ -z "$(e2e_windows_of "$E2E_APP_PID" 335x159)" ] || { echo "FAIL: the splash still shows under the alert"; exit 1; }
[ -z "$(e2e_wait_main 0)" ] || { echo "FAIL: the main window showed although the program ends"; exit 1; }
e2e_shot "$E2E_TMP/splash-shutdown-alert.png"
answer_until_end "SIGTERM during the splash"
ended_with_0 "SIGTERM during the splash"
marked_done "SIGTERM during the splash"

# 3. Without shutdown reminders the program simply saves and ends: SIGINT during the splash,
# SIGHUP after it.
printf 'Plain - 01.01.30 - 0 - 0 - 1, - 0\r\n' > reminder.nld
printf -- '-0-\r\nplain\r\n==\r\n' > reminder.nlt
for sig in INT HUP; do
    touch -d '2001-01-01' reminder.nld reminder.nlt
    before=$(e2e_mtime reminder.nld)
    ./nudgelark > "$E2E_TMP/app.log" 2>&1 &
    E2E_APP_PID=$!
    if [ "$sig" = INT ]; then
        start=$SECONDS
        until [ -n "$(e2e_windows_of "$E2E_APP_PID" 335x159)" ]; do
            ((SECONDS - start < 30)) || { echo "FAIL: no splash ($sig)"; exit 1; }
            sleep 0.05
        done
    else
        e2e_wait_main 30 >/dev/null || { echo "FAIL: the main window did not show ($sig)"; cat "$E2E_TMP/app.log"; exit 1; }
    fi
    sent=$(date +%s%N)
    kill -"$sig" "$E2E_APP_PID"
    answer_until_end "SIG$sig"
    ended_with_0 "SIG$sig"
    echo "SIG$sig: ended $(( ($(date +%s%N) - sent) / 1000000 )) ms after the signal"
    [ "$(e2e_mtime reminder.nld)" != "$before" ] && [ "$(e2e_mtime reminder.nlt)" != "$before" ] ||
        { echo "FAIL: the files were not written (SIG$sig)"; exit 1; }
    [ -s reminder.nld ] || { echo "FAIL: data file empty (SIG$sig)"; exit 1; }
done

# 4. logind: a delay lock, and the shutdown reminders when the machine's shutdown is announced.
if ! command -v dbus-daemon > /dev/null || ! /usr/bin/python3 -c 'import dbusmock' 2> /dev/null; then
    echo "logind part skipped: dbus-daemon or python3-dbusmock is not installed"
    echo "1 passed, 0 failed"
    exit 0
fi
cat > "$E2E_TMP/system.conf" <<EOT
<busconfig>
  <type>system</type>
  <listen>unix:tmpdir=$E2E_TMP</listen>
  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
EOT
bus=$(dbus-daemon --config-file="$E2E_TMP/system.conf" --fork --print-address=1 --print-pid=1) || { echo "FAIL: no bus"; exit 1; }
export DBUS_SYSTEM_BUS_ADDRESS=$(sed -n 1p <<<"$bus")
trap 'e2e_cleanup; kill '"$(sed -n 2p <<<"$bus")"' 2>/dev/null' EXIT
/usr/bin/python3 -m dbusmock --system --template logind > "$E2E_TMP/logind.log" 2>&1 &
logind() { gdbus call --system -d org.freedesktop.login1 -o /org/freedesktop/login1 "$@" 2> /dev/null; }
start=$SECONDS
until logind -m org.freedesktop.login1.Manager.ListInhibitors > /dev/null; do
    ((SECONDS - start < 30)) || { echo "FAIL: the logind stand-in did not start"; exit 1; }
    sleep 0.1
done
# The time logind allows a delay lock, in microseconds.
allow() {
    logind -m org.freedesktop.DBus.Mock.AddProperty org.freedesktop.login1.Manager InhibitDelayMaxUSec \
        "<uint64 $1>" > /dev/null || logind -m org.freedesktop.DBus.Properties.Set org.freedesktop.login1.Manager \
        InhibitDelayMaxUSec "<uint64 $1>" > /dev/null
}
locked() { logind -m org.freedesktop.login1.Manager.ListInhibitors | grep -q "'shutdown', 'Nudgelark', '.*', 'delay'"; }
wait_cond() {
    local start=$SECONDS
    until eval "$1"; do
        ((SECONDS - start < $2)) || return 1
        sleep 0.1
    done
}
announce() {
    logind -m org.freedesktop.DBus.Mock.EmitSignal org.freedesktop.login1.Manager PrepareForShutdown b "[<$1>]" > /dev/null
}
for how in answered timeout; do
    with_shutdown_reminder
    if [ "$how" = answered ]; then allow 60000000; else allow 3000000; fi
    ./nudgelark > "$E2E_TMP/app.log" 2>&1 &
    E2E_APP_PID=$!
    e2e_wait_main 30 > /dev/null || { echo "FAIL: the main window did not show (logind)"; cat "$E2E_TMP/app.log"; exit 1; }
    wait_cond locked 30 || { echo "FAIL: no delay lock"; cat "$E2E_TMP/app.log"; exit 1; }
    announce true
    alert=$(e2e_wait_window_answering Reminder 30 Error) ||
        { echo "FAIL: no shutdown alert at the machine's shutdown"; e2e_shot "$E2E_TMP/fail.png"; exit 1; }
    if [ "$how" = answered ]; then
        locked || { echo "FAIL: the lock went before the alert was answered"; exit 1; }
        e2e_answer Reminder > /dev/null || { echo "FAIL: the alert could not be answered"; exit 1; }
        wait_cond '! locked' 30 || { echo "FAIL: the lock stayed after the answer"; exit 1; }
        wait_cond "grep -q '^Bye - .* - 3, - 1' reminder.nld" 30 || { echo "FAIL: not marked done (logind)"; exit 1; }
    else
        # Nobody answers: the lock goes when logind's time has run out, the alert still showing.
        wait_cond '! locked' 30 || { echo "FAIL: the lock outlasted logind's time"; exit 1; }
        e2e_wait_window Reminder 0 > /dev/null || { echo "FAIL: the alert went with the lock"; exit 1; }
    fi
    kill -0 "$E2E_APP_PID" 2> /dev/null || { echo "FAIL: the program ended before the shutdown's SIGTERM"; exit 1; }
    # The shutdown goes on: SIGTERM ends the program at once, without a second scan.
    kill -TERM "$E2E_APP_PID"
    start=$SECONDS
    while kill -0 "$E2E_APP_PID" 2> /dev/null; do
        ((SECONDS - start < 30)) || { echo "FAIL: the program did not end at SIGTERM ($how)"; e2e_shot "$E2E_TMP/fail.png"; exit 1; }
        e2e_find Reminder > /dev/null && [ "$how" = answered ] && { echo "FAIL: a second shutdown alert"; exit 1; }
        sleep 0.1
    done
    ended_with_0 "logind, $how"
    if [ "$how" = answered ]; then
        marked_done "logind"
    else
        grep -q "^Bye - .* - 3, - 0" reminder.nld || { echo "FAIL: an unanswered alert marked its reminder done"; exit 1; }
    fi
    echo "logind ($how): lock held, reminder shown, lock released, ended at SIGTERM"
done
echo "1 passed, 0 failed"
