#!/usr/bin/env bash
# How close to its due instant the installed program fires a reminder: 20 reminders fall due six
# seconds apart; the time of each firing is taken from the program's trigger trace (to the
# millisecond) and each alert is answered at once. Prints the median and the worst lateness.
set -u
PREFIX=${1:?usage: ontime.sh PROGRAM-FOLDER}
COUNT=${COUNT:-20}
# The steps that find and click the alert are the end-to-end scripts' own.
. "$(dirname "$0")/../tests/support/e2e-lib.sh"
for c in Xvfb xdotool xwininfo; do
    command -v "$c" >/dev/null || { echo "ontime: $c is missing (make test-deps installs it)"; exit 1; }
done
TMP=$(mktemp -d /tmp/nudgelark-ontime.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$TMP"' EXIT
export HOME="$TMP/home" XDG_CONFIG_HOME="$TMP/home/.config" XDG_RUNTIME_DIR="$TMP/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/Nudgelark" && chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
printf '[General]\nDel=0\nSound=0\nInterval=30\n' > "$XDG_CONFIG_HOME/Nudgelark/Nudgelark.conf"

PROG="$TMP/prog"
cp -r "$PREFIX" "$PROG"
first=$(($(date +%s) + 25))
: > "$PROG/reminder.nld"
: > "$PROG/reminder.nlt"
for i in $(seq 0 $((COUNT - 1))); do
    due=$((first + 6 * i))
    printf 'On time %d - %s - %s - 0 - 1, - 0\r\n' "$i" "$(date -d "@$due" +%d.%m.%y)" "$(date -d "@$due" +%H:%M:%S)"
    printf -- '-%d-\r\nNumber %d\r\n==\r\n' "$i" "$i" >> "$PROG/reminder.nlt"
done > "$PROG/reminder.nld"

E2E_TMP=$TMP
e2e_start_x
LOG="$TMP/app.log"
QT_LOGGING_RULES="nudgelark.triggers=true" QT_MESSAGE_PATTERN='%{time yyyy-MM-dd HH:mm:ss.zzz} %{message}' \
    "$PROG/nudgelark" > "$LOG" 2>&1 &
end=$((first + 6 * COUNT + 10))
while [ "$(date +%s)" -lt "$end" ] && [ "$(grep -c ' fires "On time' "$LOG")" -lt "$COUNT" ]; do
    # The alert's buttons take no key: OK is clicked, as the end-to-end scripts click it.
    if read -r id _ < <(e2e_find Reminder); then
        e2e_click_alert "$id" ok 8
        e2e_wait_gone "$id" 10 || e2e_click_alert "$id" ok 28
    fi
    sleep 0.2
done
grep ' fires "On time' "$LOG" | while read -r day time _ _ _ n _; do
    n=${n%\"}
    fired=$(date -d "$day $time" +%s%3N)
    echo $((fired - (first + 6 * n) * 1000))
done > "$TMP/late.txt"
got=$(wc -l < "$TMP/late.txt")
[ "$got" -eq "$COUNT" ] || { echo "ontime: $got of $COUNT reminders fired"; cat "$LOG"; exit 1; }
sort -n "$TMP/late.txt" | awk -v c="$COUNT" '{v[NR] = $1} END {
    printf "fired after the due instant over %d reminders: median %d ms, worst %d ms, earliest %d ms (target: within 1000 ms)\n",
        c, v[int((c + 1) / 2)], v[c], v[1] }'
