#!/usr/bin/env bash
# A new time zone while the program runs. The installed program runs in a mount namespace whose
# /etc is a private copy set to UTC, holding a reminder due a minute ago by the clocks of Tokyo
# (nine hours ahead by its own clock). The copy's zone is then set to Tokyo as timedatectl sets it,
# a new link renamed over /etc/localtime: the alert shows at once, not at some later look.
set -u
BUILD=$1 SRC=$2
. "$SRC/tests/support/e2e-lib.sh"
unshare -m true 2>/dev/null || e2e_skip "no mount namespace of its own here (needs root)"
[ -e /usr/share/zoneinfo/Asia/Tokyo ] && [ -e /usr/share/zoneinfo/Etc/UTC ] || e2e_skip "no zone data (tzdata)"
e2e_setup "$BUILD"
cd "$PROG" || exit 1

ETC="$E2E_TMP/etc"
cp -a /etc "$ETC" 2>/dev/null
ln -sfn /usr/share/zoneinfo/Etc/UTC "$ETC/localtime"
echo Etc/UTC > "$ETC/timezone"
unset TZ
printf 'Tokyo - %s - 0 - 1, - 0\r\nLater - %s - 09:00:00 - 0 - 1, - 0\r\n' \
    "$(TZ=Asia/Tokyo date -d '-1 min' +'%d.%m.%y - %H:%M:%S')" "$(date -d '+30 days' +%d.%m.%y)" > reminder.nld
printf -- '-0-\r\nPast six in Tokyo\r\n==\r\n-1-\r\nLater on\r\n==\r\n' > reminder.nlt

LOG="$E2E_TMP/app.log"
QT_LOGGING_RULES="nudgelark.triggers=true" QT_MESSAGE_PATTERN='%{time yyyy-MM-dd HH:mm:ss.zzz} %{message}' \
    unshare -m sh -c 'mount --make-rprivate / && mount --bind "$1" /etc && exec "$2"' zone "$ETC" ./nudgelark \
    > "$LOG" 2>&1 &
E2E_APP_PID=$!

# The main window shows once the splash has gone: the engine runs from then on.
e2e_wait_main 60 >/dev/null || { echo "FAIL: the main window did not show"; cat "$LOG"; exit 1; }
if grep -q 'fires "Tokyo"' "$LOG"; then
    echo "FAIL: the reminder fired while the zone was still UTC"
    cat "$LOG"
    exit 1
fi

ln -s /usr/share/zoneinfo/Asia/Tokyo "$ETC/localtime.new" && mv -T "$ETC/localtime.new" "$ETC/localtime"
echo Asia/Tokyo > "$ETC/timezone"
changed=$(date +%s.%N)
e2e_wait_window_answering Reminder 120 Error >/dev/null || { echo "FAIL: no alert after the new zone"; cat "$LOG"; exit 1; }
e2e_shot "$E2E_TMP/alert.png"
[ -n "${E2E_KEEP:-}" ] && echo "screenshot: $E2E_TMP/alert.png"
# The program logs its own time, in its zone, which is Tokyo's by now.
fired=$(TZ=Asia/Tokyo date -d "$(grep 'fires "Tokyo"' "$LOG" | head -1 | cut -c1-23)" +%s.%N)
late=$(awk -v a="$fired" -v b="$changed" 'BEGIN {printf "%.1f", a - b}')
echo "alert $late s after the new zone"
# At once; the minute's look of old would have come some 55 seconds later.
awk -v l="$late" 'BEGIN {exit !(l < 10)}' || { echo "FAIL: the alert came $late s late"; exit 1; }
grep -q 'fires "Later"' "$LOG" && { echo "FAIL: a reminder due in a month fired"; exit 1; }
echo "PASS"
