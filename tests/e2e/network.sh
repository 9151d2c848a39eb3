#!/usr/bin/env bash
# Connection triggers for real: the installed program runs in a network namespace of its own
# with one veth interface. Its address is there at the start (the connect reminder fires about a
# minute after the detector's first tick), then taken away (the disconnect reminder fires about a
# minute later) and given back (the connect reminder fires again). No traffic is sent anywhere.
set -u
BUILD=$1 SRC=$2
. "$SRC/tests/support/e2e-lib.sh"
e2e_need ip
[ "$(id -u)" -eq 0 ] || e2e_skip "network namespaces need root"
NS="nlark$$"
HOST_IF="nlh$$"
NS_IF="nln$$"
ADDR=192.0.2.77/24 # a documentation address, on an interface of our own
ip netns add "$NS" 2>/dev/null || e2e_skip "cannot create a network namespace here"
netns_cleanup() {
    ip link del "$HOST_IF" 2>/dev/null
    ip netns del "$NS" 2>/dev/null
}
e2e_setup "$BUILD"
trap 'e2e_cleanup; netns_cleanup' EXIT
ip link add "$HOST_IF" type veth peer name "$NS_IF" || e2e_skip "cannot create a veth pair"
ip link set "$NS_IF" netns "$NS"
ip link set "$HOST_IF" up
ip netns exec "$NS" ip link set "$NS_IF" up
ip netns exec "$NS" ip addr add "$ADDR" dev "$NS_IF"

cd "$PROG" || exit 1
printf 'Up - #01.01.26 - 0 - 0 - 4, - 0\r\nDown - #01.01.26 - 0 - 0 - 5, - 0\r\n' > reminder.nld
printf -- '-0-\r\nConnected\r\n==\r\n-1-\r\nDisconnected\r\n==\r\n' > reminder.nlt
LOG="$E2E_TMP/app.log"
ip netns exec "$NS" env QT_LOGGING_RULES="nudgelark.triggers=true" ./nudgelark > "$LOG" 2>&1 &
E2E_APP_PID=$!

# Waits until the log has $1 lines matching $2, answering alerts and boxes meanwhile.
wait_for() {
    local count=$1 pattern=$2 secs=$3 start=$SECONDS
    while ((SECONDS - start < secs)); do
        if [ "$(grep -c "$pattern" "$LOG")" -ge "$count" ]; then
            echo $((SECONDS - start))
            return 0
        fi
        e2e_answer Error Reminder >/dev/null || sleep 0.5
    done
    return 1
}

t=$(wait_for 1 'fires "Up" on event 4' 110) || { echo "FAIL: no connect alert at start"; cat "$LOG"; exit 1; }
echo "connect alert $t s after start"
grep -q '"Down"' "$LOG" && { echo "FAIL: disconnect alert while connected"; exit 1; }

ip netns exec "$NS" ip addr del "$ADDR" dev "$NS_IF"
t=$(wait_for 1 'fires "Down" on event 5' 90) || { echo "FAIL: no disconnect alert"; cat "$LOG"; exit 1; }
echo "disconnect alert $t s after the address went"
[ "$t" -ge 55 ] || { echo "FAIL: the disconnect alert came too early ($t s)"; exit 1; }

ip netns exec "$NS" ip addr add "$ADDR" dev "$NS_IF"
t=$(wait_for 2 'fires "Up" on event 4' 90) || { echo "FAIL: no connect alert after the address came back"; cat "$LOG"; exit 1; }
echo "connect alert $t s after the address came back"
[ "$t" -ge 55 ] || { echo "FAIL: the connect alert came too early ($t s)"; exit 1; }
echo "1 passed, 0 failed"
