#!/usr/bin/env bash
# How soon after the wall clock jumps forward past a due instant the installed program fires it.
# The program waits for a reminder due in ten minutes; the system clock is then set five minutes
# past that instant (date -s), and the firing is taken from the program's trigger trace. The clock
# is set back by the same amount afterwards, however the script ends.
#
# It sets the clock of the whole machine, so it runs only as root and only when asked for
# (BENCH_CLOCK_JUMP=1); it is never part of the tests.
set -u
PREFIX=${1:?usage: clockjump.sh PROGRAM-FOLDER}
if [ "${BENCH_CLOCK_JUMP:-0}" != 1 ]; then
    echo "clockjump: skipped (it sets the system clock; BENCH_CLOCK_JUMP=1 runs it)"
    exit 0
fi
[ "$(id -u)" = 0 ] || { echo "clockjump: skipped (setting the clock needs root)"; exit 0; }
. "$(dirname "$0")/../tests/support/e2e-lib.sh"
for c in Xvfb xdotool xwininfo; do
    command -v "$c" >/dev/null || { echo "clockjump: $c is missing (make test-deps installs it)"; exit 1; }
done
TMP=$(mktemp -d /tmp/nudgelark-clockjump.XXXXXX)
JUMPED_MS=0
restore_clock() {
    # Back by what was added, whatever has passed since.
    if [ "$JUMPED_MS" -ne 0 ]; then
        date -s "@$(awk -v n="$(date +%s%N)" -v j="$JUMPED_MS" 'BEGIN {printf "%.3f", (n / 1e6 - j) / 1000}')" >/dev/null
        JUMPED_MS=0
    fi
}
trap 'restore_clock; kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$TMP"' EXIT
export HOME="$TMP/home" XDG_CONFIG_HOME="$TMP/home/.config" XDG_RUNTIME_DIR="$TMP/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/Nudgelark" && chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
printf '[General]\nDel=0\nSound=0\nInterval=30\n' > "$XDG_CONFIG_HOME/Nudgelark/Nudgelark.conf"

PROG="$TMP/prog"
cp -r "$PREFIX" "$PROG"
due=$(($(date +%s) + 600))
printf 'After the jump - %s - %s - 0 - 1, - 0\r\n' "$(date -d "@$due" +%d.%m.%y)" "$(date -d "@$due" +%H:%M:%S)" \
    > "$PROG/reminder.nld"
printf -- '-0-\r\nThe clock jumped\r\n==\r\n' > "$PROG/reminder.nlt"

E2E_TMP=$TMP
e2e_start_x
LOG="$TMP/app.log"
QT_LOGGING_RULES="nudgelark.triggers=true" QT_MESSAGE_PATTERN='%{time yyyy-MM-dd HH:mm:ss.zzz} %{message}' \
    "$PROG/nudgelark" > "$LOG" 2>&1 &
e2e_wait_main 30 >/dev/null || { echo "clockjump: the main window did not show"; cat "$LOG"; exit 1; }
# A few seconds for the wake to be armed a minute ahead, as it is while idle.
sleep 3

jump_ms=$(((due + 300) * 1000 - $(date +%s%3N)))
# The clock is set to this instant; the firing is timed from it.
jumped_at=$(($(date +%s%3N) + jump_ms))
date -s "@$(awk -v t="$jumped_at" 'BEGIN {printf "%.3f", t / 1000}')" >/dev/null ||
    { echo "clockjump: skipped (the system refused to set the clock)"; exit 0; }
JUMPED_MS=$jump_ms
start=$SECONDS
while ! grep -q ' fires "After the jump' "$LOG"; do
    ((SECONDS - start < 20)) || break
    sleep 0.05
done
line=$(grep -m1 ' fires "After the jump' "$LOG")
restore_clock
[ -n "$line" ] || { echo "clockjump: the reminder did not fire within 20 s of the jump"; cat "$LOG"; exit 1; }
read -r day time _ <<< "$line"
fired=$(date -d "$day $time" +%s%3N)
echo "clock set $((jump_ms / 1000)) s forward, past the due instant by 300 s: fired $((fired - jumped_at)) ms after the jump (target: within 1000 ms)"
