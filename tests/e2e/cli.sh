#!/usr/bin/env bash
# The command line and the launcher's actions with the installed program: --help and --version
# without a display; bad input refused with exit code 2 and nothing changed; --add and --list on
# the files while no program runs; then, with the program running, --add reaching its list at
# once (and its files soon after), --list from its list, --show bringing a minimised window back,
# and the launcher entry's "New reminder" opening the editor, both in the running program and
# starting one that does not run.
set -u
BUILD=$1 SRC=$(cd "$2" && pwd)
. "$SRC/tests/support/e2e-lib.sh"
. "$SRC/tests/support/TrayFinder.sh"
e2e_setup "$BUILD"
cd "$PROG" || exit 1
LOG=$E2E_TMP/app.log
: > "$LOG"

fail() {
    echo "FAIL: $*"
    echo "--- program output"
    cat "$LOG"
    exit 1
}
# Runs the program with the arguments and no display; keeps its exit code, output and errors.
cli() {
    env -u DISPLAY ./nudgelark "$@" < /dev/null > "$E2E_TMP/out" 2> "$E2E_TMP/err"
    rc=$?
}
# Waits up to $2 seconds for the data file to hold a line matching $1.
wait_saved() {
    local start=$SECONDS
    until grep -q "$1" reminder.nld 2>/dev/null; do
        ((SECONDS - start < $2)) || return 1
        sleep 0.2
    done
}
# Waits up to $2 seconds for the process $1 to end.
wait_ended() {
    local start=$SECONDS
    while kill -0 "$1" 2>/dev/null; do
        ((SECONDS - start < $2)) || return 1
        sleep 0.2
    done
}

cli --help
[ $rc -eq 0 ] && grep -q '^Usage: nudgelark' "$E2E_TMP/out" || fail "--help: exit $rc, $(cat "$E2E_TMP/err")"
cli --version
[ $rc -eq 0 ] && grep -qx 'Nudgelark [0-9][0-9.]*' "$E2E_TMP/out" || fail "--version: exit $rc, $(cat "$E2E_TMP/out")"
echo "ok: --help and --version without a display"

# Each refusal: exit code 2, a line on standard error, nothing on standard output, no file made.
while IFS='|' read -r expect args; do
    eval "set -- $args"
    cli "$@"
    [ $rc -eq 2 ] || fail "$args: exit $rc"
    grep -qF "nudgelark: $expect" "$E2E_TMP/err" || fail "$args: said $(cat "$E2E_TMP/err")"
    [ ! -s "$E2E_TMP/out" ] || fail "$args: printed $(cat "$E2E_TMP/out")"
done <<'EOF'
unknown option: --frobnicate|--frobnicate
not a date that exists: 31.02.26|--add Tea --at 31.02.26 10:00
not a duration: -5m|--add Tea --in -5m
Reminder name contains characters that cannot be saved!|--add "Call - Ana" --in 5m
Reminde text not specified!|--add Tea --text "" --in 5m
Invalid repeat interval!|--add Tea --at 10:00 --every 1441m
EOF
[ ! -e reminder.nld ] && [ ! -e reminder.nlt ] || fail "a refused command changed the files"
echo "ok: bad input refused with exit code 2, nothing written"

cli --add Tea --text "Green tea" --in 20m
[ $rc -eq 0 ] || fail "--add without a running program: exit $rc, $(cat "$E2E_TMP/err")"
grep -q '^Tea - [0-9][0-9]\.[0-9][0-9]\.[0-9][0-9] - [0-9:]* - 0 - 1, - 0'$'\r''$' reminder.nld ||
    fail "the data file: $(cat -A reminder.nld)"
[ "$(cat reminder.nlt)" = $'-0-\r\nGreen tea\r\n==\r' ] || fail "the text file: $(cat -A reminder.nlt)"
cli --list
grep -qP '^Tea\t[0-9.]+ [0-9:]+\tnot done$' "$E2E_TMP/out" || fail "--list: $(cat "$E2E_TMP/out")"
echo "ok: --add and --list on the files while no program runs"
cli --show
[ $rc -eq 1 ] && grep -q 'no display to start it on' "$E2E_TMP/err" || fail "--show with no program and no display: exit $rc"

# Started as the session starts it: hidden in the tray once the splash has gone.
e2e_start_tray
./nudgelark /s > "$LOG" 2>&1 &
E2E_APP_PID=$!
# Its windows exist (hidden) once it has passed the single-instance guard and listens.
start=$SECONDS
until xdotool search --name '^Nudgelark$' >/dev/null 2>&1; do
    ((SECONDS - start < 60)) || fail "the program made no window"
    sleep 0.2
done

[ -e reminder.lock ] || fail "the running program holds no lock on its files"
cli --add "Call Ana" --text "Call Ana back" --at 01.01.30 18:00
[ $rc -eq 0 ] || fail "--add to the running program: exit $rc, $(cat "$E2E_TMP/err")"
cli --list
grep -qP '^Call Ana\t01.01.30 18:00:00\tnot done$' "$E2E_TMP/out" || fail "the running program's list: $(cat "$E2E_TMP/out")"
grep -qP '^Tea\t' "$E2E_TMP/out" || fail "the running program's list lost Tea: $(cat "$E2E_TMP/out")"
wait_saved '^Call Ana - 01.01.30 - 18:00:00 - 0 - 1, - 0' 30 || fail "the running program did not save the row"
echo "ok: --add reaches the running program's list and its files"

# After the splash the program sits in the tray, its window hidden.
find_tray_icon "$E2E_APP_PID" 60 >/dev/null || fail "no tray icon"
[ -z "$(e2e_wait_main 0)" ] || fail "the main window shows after /s"
cli --show
[ $rc -eq 0 ] || fail "--show: exit $rc"
e2e_wait_main 30 >/dev/null || fail "--show did not bring the window up"
e2e_shot "$E2E_TMP/list.png"
echo "ok: --show brings the window up from the tray"

# The launcher entry as make install writes it, and its "New reminder" action.
bash "$SRC/scripts/install-desktop.sh" "$PROG"
entry=$XDG_DATA_HOME/applications/nudgelark.desktop
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$entry" || fail "desktop-file-validate"
fi
action=$(awk '/^\[Desktop Action new\]/ { f = 1; next } /^\[/ { f = 0 } f && sub(/^Exec=/, "")' "$entry")
[ -n "$action" ] || fail "no \"New reminder\" action in $entry"
eval "set -- $action"
"$@" || fail "the action's command: exit $?"
editor=$(e2e_wait_window "New reminder" 30) || fail "the action did not open the editor"
e2e_shot "$E2E_TMP/new-reminder.png"
xdotool windowfocus --sync "$editor" 2>/dev/null
xdotool key --clearmodifiers Escape
e2e_wait_gone "$editor" 15 || fail "the editor did not close"
echo "ok: \"New reminder\" opens the editor in the running program"

kill -TERM "$E2E_APP_PID"
wait_ended "$E2E_APP_PID" 30 || fail "the program did not end on SIGTERM"
grep -q '^Call Ana - ' reminder.nld && grep -q '^Tea - ' reminder.nld || fail "rows lost: $(cat reminder.nld)"

# Where no program runs, the action starts one and opens its editor.
eval "set -- $action"
"$@" > "$LOG" 2>&1 &
E2E_APP_PID=$!
e2e_wait_window "New reminder" 60 > /dev/null || fail "the action did not start the program with its editor"
e2e_shot "$E2E_TMP/new-reminder-started.png"
kill -TERM "$E2E_APP_PID"
wait_ended "$E2E_APP_PID" 30 || fail "the program did not end on SIGTERM"
echo "ok: \"New reminder\" starts the program and opens the editor"
echo "PASS"
