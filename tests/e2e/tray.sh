#!/usr/bin/env bash
# The installed program in a real tray: started with /s it shows only its tray icon; a double
# click on the icon brings the main window; a second start reports the running instance, brings
# it forward and ends with exit code 0 while the first keeps running; a tray that quits with the
# window hidden in it brings the window back.
set -u
BUILD=$1 SRC=$2
. "$SRC/tests/support/e2e-lib.sh"
. "$SRC/tests/support/TrayFinder.sh"
e2e_setup "$BUILD"
e2e_start_tray
cd "$PROG" || exit 1

./nudgelark /s > "$E2E_TMP/app.log" 2>&1 &
E2E_APP_PID=$!
read -r icon x y < <(find_tray_icon "$E2E_APP_PID" 30) || {
    echo "FAIL: no tray icon"; e2e_shot "$E2E_TMP/fail.png"; cat "$E2E_TMP/app.log"; exit 1; }
# The icon shows in the same step that hides the main window again after the splash.
[ -z "$(e2e_wait_main 0)" ] || { echo "FAIL: the main window shows after a start with /s"; exit 1; }
e2e_shot "$E2E_TMP/tray.png"

xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
e2e_wait_main 20 >/dev/null || { echo "FAIL: double click did not show the main window"; e2e_shot "$E2E_TMP/fail2.png"; exit 1; }
e2e_shot "$E2E_TMP/shown.png"

# A second instance: its message, then it ends; the first one stays.
./nudgelark > "$E2E_TMP/second.log" 2>&1 &
second=$!
answered=$(e2e_answer_until_end "$second" 60 Error) || { echo "FAIL: the second instance did not end"; exit 1; }
wait "$second"
rc=$?
[ -n "$answered" ] || { echo "FAIL: the second instance showed no message"; exit 1; }
[ "$rc" -eq 0 ] || { echo "FAIL: the second instance ended with $rc"; exit 1; }
kill -0 "$E2E_APP_PID" 2>/dev/null || { echo "FAIL: the first instance ended"; exit 1; }
kill -TERM "$E2E_APP_PID"
wait "$E2E_APP_PID"

# The tray quits while the window is hidden in it: the window comes back within a few seconds.
started=$SECONDS
./nudgelark /s > "$E2E_TMP/app2.log" 2>&1 &
E2E_APP_PID=$!
find_tray_icon "$E2E_APP_PID" 30 >/dev/null || { echo "FAIL: no tray icon for the second start"; exit 1; }
[ -z "$(e2e_wait_main 0)" ] || { echo "FAIL: the main window shows after the second start with /s"; exit 1; }
# Past the program's own looks for a tray soon after its start: only watching the tray can tell.
while ((SECONDS - started < 8)); do
    sleep 0.2
done
kill -TERM "$E2E_TRAYER_PID"
e2e_wait_main 20 >/dev/null || {
    echo "FAIL: the window stayed hidden after the tray quit"; e2e_shot "$E2E_TMP/fail3.png"; exit 1; }
echo "1 passed, 0 failed"
