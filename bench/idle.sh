#!/usr/bin/env bash
# Idle cost of the installed program: it runs under its own X server with a tray host and a
# session bus, holding 1,000 reminders none of which is due; after the splash and 15 seconds to
# settle, 60 seconds are measured: CPU time, resident and proportional memory, and wake-ups
# (voluntary and involuntary context switches of all its threads).
set -u
PREFIX=${1:?usage: idle.sh PROGRAM-FOLDER}
SETTLE=${SETTLE:-15}
MEASURE=${MEASURE:-60}
for c in Xvfb trayer dbus-run-session; do
    command -v "$c" >/dev/null || { echo "idle: $c is missing (make test-deps installs it)"; exit 1; }
done
TMP=$(mktemp -d /tmp/nudgelark-idle.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$TMP"' EXIT
export HOME="$TMP/home" XDG_CONFIG_HOME="$TMP/home/.config" XDG_RUNTIME_DIR="$TMP/run"
# No JACK fallback for GStreamer: a stale lock of its shared database in /dev/shm would hang the program.
export GST_PLUGIN_FEATURE_RANK=jackaudiosink:NONE,jackaudiosrc:NONE
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER

# A copy of the program folder with 1,000 reminders that are not due for years.
PROG="$TMP/prog"
cp -r "$PREFIX" "$PROG"
rm -f "$PROG"/reminder.nld* "$PROG"/reminder.nlt*
for i in $(seq 0 999); do
    case $((i % 4)) in
    0) printf 'Appointment %d - 24.12.40 - 09:30:00 - 0 - 1, - 0\r\n' "$i" ;;
    1) printf 'Weekly %d - 01.06.41 - 0 - 7 - 1,0, - 0\r\n' "$i" ;;
    2) printf 'At start %d - #08.12.26 - 0 - 0 - 2,3, - 1\r\n' "$i" ;;
    3) printf 'Online %d - #08.12.26 - 0 - 0 - 4,5, - 1\r\n' "$i" ;;
    esac
done > "$PROG/reminder.nld"
for i in $(seq 0 999); do
    printf -- '-%d-\r\nReminder text number %d\rwith a second line\r\n==\r\n' "$i" "$i"
done > "$PROG/reminder.nlt"

D=99
while [ -e "/tmp/.X11-unix/X$D" ]; do D=$((D + 1)); done
Xvfb ":$D" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY=":$D"
sleep 1
trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true --transparent false \
    >/dev/null 2>&1 &
sleep 1

dbus-run-session -- "$PROG/nudgelark" /s > "$TMP/app.log" 2>&1 &
sleep 1
PID=$(pgrep -f "^$PROG/nudgelark" | head -1)
[ -n "$PID" ] || { echo "idle: the program did not start"; cat "$TMP/app.log"; exit 1; }
sleep $((3 + SETTLE))

ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$PID/stat"; }
switches() {
    local sum=0 t v n
    for t in /proc/"$PID"/task/*; do
        v=$(awk '/^voluntary_ctxt_switches/ {print $2}' "$t/status" 2>/dev/null)
        n=$(awk '/^nonvoluntary_ctxt_switches/ {print $2}' "$t/status" 2>/dev/null)
        sum=$((sum + ${v:-0} + ${n:-0}))
    done
    echo "$sum"
}
threads() { ls /proc/"$PID"/task | wc -l; }
# The scheduler's own count of CPU time in nanoseconds, finer than the 10 ms ticks of utime + stime.
cpu_ns() { cat /proc/"$PID"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {print s}'; }
declare -A before
for t in /proc/"$PID"/task/*; do
    before[$t]=$(awk '/ctxt_switches/ {s += $2} END {print s}' "$t/status")
done
c0=$(cpu)
n0=$(cpu_ns)
s0=$(switches)
sleep "$MEASURE"
c1=$(cpu)
n1=$(cpu_ns)
s1=$(switches)
kill -0 "$PID" 2>/dev/null || { echo "idle: the program ended during the measurement"; exit 1; }
rss=$(awk '/^VmRSS/ {print $2}' "/proc/$PID/status")
hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$PID/status")
pss=$(awk '/^Pss:/ {print $2}' "/proc/$PID/smaps_rollup")
echo "idle cost over $MEASURE s with 1000 reminders ($(threads) threads):"
awk -v c=$((c1 - c0)) -v t="$ticks" -v m="$MEASURE" \
    'BEGIN {printf "  CPU: %.3f %% of one core from utime + stime (in ticks of 1/%d s)\n", 100 * c / t / m, t}'
awk -v n="$n0" -v n1="$n1" -v m="$MEASURE" \
    'BEGIN {printf "       %.4f %% of one core from the scheduler'"'"'s nanosecond count (target <= 0.01 %%)\n", 100 * (n1 - n) / 1e9 / m}'
awk -v s=$((s1 - s0)) -v m="$MEASURE" 'BEGIN {printf "  wake-ups: %.3f per second (target <= 0.05)\n", s / m}'
for t in /proc/"$PID"/task/*; do
    now=$(awk '/ctxt_switches/ {s += $2} END {print s}' "$t/status")
    name=$(cat "$t/comm")
    awk -v n="$name" -v s=$((now - ${before[$t]:-0})) -v m="$MEASURE" \
        'BEGIN {printf "    thread %-16s %.2f per second\n", n, s / m}'
done
awk -v r="$rss" -v h="$hwm" -v p="$pss" 'BEGIN {
    printf "  memory: VmRSS %.1f MB, VmHWM %.1f MB (target <= 60 MB), PSS %.1f MB (target <= 32 MB)\n",
        r / 1024, h / 1024, p / 1024 }'
kill "$PID"
