#!/usr/bin/env bash
# The program under GNOME's real session manager (gnome-session, without the shell), on private
# session and system buses. A stand-in for the shell's logout dialog (python3-dbusmock) lets the
# test call a logout off as the dialog's Cancel would.
# 1. A logout with a shutdown reminder: its alert shows, and the session manager's inhibitor names
#    the program and gives the reminder's text as the reason.
# 2. The logout called off: the alert stays and is answered, the program runs on with its main
#    window, the reminder marked done.
# 3. A second logout: the alert shows again; its answer lets the session end, and the program ends
#    with 0, its files written.
set -u
BUILD=$1 SRC=$(cd "$2" && pwd)
. "$SRC/tests/support/e2e-lib.sh"
GSM=/usr/libexec/gnome-session-binary
[ -x "$GSM" ] || e2e_skip "gnome-session is not installed (package gnome-session-bin)"
e2e_need dbus-daemon gdbus
/usr/bin/python3 -c 'import dbusmock' 2>/dev/null || e2e_skip "python3-dbusmock is not installed"
e2e_setup "$BUILD"
cd "$PROG" || exit 1

fail() {
    echo "FAIL: $*"
    e2e_shot "$E2E_TMP/fail.png"
    echo "--- program:"; cat "$E2E_TMP/app.log" 2>/dev/null
    echo "--- gnome-session:"; tail -n 30 "$E2E_TMP/gsm.log" 2>/dev/null
    exit 1
}
wait_until() {
    local start=$SECONDS
    until eval "$1"; do
        ((SECONDS - start < $2)) || return 1
        sleep 0.1
    done
}
manager() {
    gdbus call --session -d org.gnome.SessionManager -o "${2:-/org/gnome/SessionManager}" \
        -m "${3:-org.gnome.SessionManager}.$1" "${@:4}" 2>/dev/null
}

# Buses of the test's own: the session manager will not start without a system bus, and nothing
# is started on demand on them.
cat > "$E2E_TMP/bus.conf" <<EOT
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=$E2E_TMP</listen>
  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
EOT
start_bus() {
    local out
    out=$(dbus-daemon --config-file="$E2E_TMP/bus.conf" --fork --print-address=1 --print-pid=1) || e2e_skip "no D-Bus daemon"
    BUS_ADDRESS=$(sed -n 1p <<<"$out")
    BUS_PIDS="${BUS_PIDS:-} $(sed -n 2p <<<"$out")"
}
start_bus; export DBUS_SYSTEM_BUS_ADDRESS=$BUS_ADDRESS
start_bus; export DBUS_SESSION_BUS_ADDRESS=$BUS_ADDRESS
trap 'e2e_cleanup; kill $BUS_PIDS 2>/dev/null' EXIT
export GSETTINGS_BACKEND=memory

# A session of one component that only waits; the program's desktop entry names it.
mkdir -p "$XDG_CONFIG_HOME/gnome-session/sessions" "$XDG_DATA_HOME/applications" "$E2E_TMP/no-config"
printf '[GNOME Session]\nName=Test\nRequiredComponents=waiter;\n' > "$XDG_CONFIG_HOME/gnome-session/sessions/t.session"
printf '[Desktop Entry]\nType=Application\nName=waiter\nExec=sleep 1d\n' > "$XDG_DATA_HOME/applications/waiter.desktop"
bash "$SRC/scripts/install-desktop.sh" "$PROG"

# The shell's logout dialog, as far as the session manager sees it.
/usr/bin/python3 -m dbusmock org.gnome.Shell /org/gnome/SessionManager/EndSessionDialog \
    org.gnome.SessionManager.EndSessionDialog -l "$E2E_TMP/dialog.log" > /dev/null 2>&1 &
wait_until "gdbus introspect --session -d org.gnome.Shell -o /org/gnome/SessionManager/EndSessionDialog >/dev/null 2>&1" 30 ||
    e2e_skip "python3-dbusmock did not start"
gdbus call --session -d org.gnome.Shell -o /org/gnome/SessionManager/EndSessionDialog \
    -m org.freedesktop.DBus.Mock.AddMethod '' Open uuuao '' '' > /dev/null || fail "the dialog stand-in took no Open"
dialog_signal() {
    gdbus call --session -d org.gnome.Shell -o /org/gnome/SessionManager/EndSessionDialog \
        -m org.freedesktop.DBus.Mock.EmitSignal org.gnome.SessionManager.EndSessionDialog "$1" '' '[]' > /dev/null
}
dialog_opened() { [ "$(grep -c ' Open ' "$E2E_TMP/dialog.log" 2>/dev/null)" -ge "$1" ]; }

XDG_CONFIG_DIRS="$E2E_TMP/no-config" "$GSM" --builtin --session=t --disable-acceleration-check \
    > "$E2E_TMP/gsm.log" 2>&1 &
GSM_PID=$!
wait_until "manager IsSessionRunning | grep -q true" 60 || { tail "$E2E_TMP/gsm.log"; e2e_skip "gnome-session did not start here"; }

printf 'Plain - 01.01.30 - 0 - 0 - 1, - 0\r\nBye - #01.01.26 - 0 - 0 - 3, - 0\r\n' > reminder.nld
printf -- '-0-\r\nplain\r\n==\r\n-1-\r\nSee you\r\n==\r\n' > reminder.nlt
./nudgelark > "$E2E_TMP/app.log" 2>&1 &
E2E_APP_PID=$!
e2e_wait_main 60 > /dev/null || fail "the main window did not show"

# The program is the session manager's client, under its desktop entry's name.
registered() {
    local c
    for c in $(manager GetClients | grep -o "/org/gnome/SessionManager/Client[0-9]*"); do
        manager GetAppId "$c" org.gnome.SessionManager.Client | grep -q "'nudgelark'" && return 0
    done
    return 1
}
wait_until registered 30 || fail "the program is not a client of the session manager"
# The inhibitor that holds the logout: prints "APP_ID|REASON|FLAGS" of each.
inhibitors() {
    local i
    for i in $(manager GetInhibitors | grep -o "/org/gnome/SessionManager/Inhibitor[0-9]*"); do
        echo "$(manager GetAppId "$i" org.gnome.SessionManager.Inhibitor | sed "s/^('\(.*\)',)$/\1/")|$(
            manager GetReason "$i" org.gnome.SessionManager.Inhibitor | sed "s/^('\(.*\)',)$/\1/")|$(
            manager GetFlags "$i" org.gnome.SessionManager.Inhibitor | sed 's/^(uint32 \(.*\),)$/\1/')"
    done
}

# 1. Logout: the shutdown alert, and the logout held in the program's name for the reminder.
out=$(gdbus call --session -d org.gnome.SessionManager -o /org/gnome/SessionManager -m org.gnome.SessionManager.Logout 1 2>&1) || fail "no logout: $out"
alert=$(e2e_wait_window_answering Reminder 60 Error) || fail "no shutdown alert at the logout"
wait_until "dialog_opened 1" 30 || fail "the logout was not held"
held=$(inhibitors)
echo "held by: $held"
[ "$held" = "nudgelark|See you|1" ] || fail "the inhibitor does not name the program and the reminder ($held)"
e2e_shot "$E2E_TMP/logout-alert.png"

# 2. The logout called off: the alert stays for its answer, and the program runs on.
dialog_signal Canceled
wait_until "manager IsSessionRunning | grep -q true" 30 || fail "the session did not go back to running"
e2e_wait_window Reminder 0 > /dev/null || fail "the alert went away with the cancel"
e2e_answer Reminder > /dev/null || fail "the alert could not be answered"
wait_until "grep -q '^Bye - .* - 3, - 1' reminder.nld" 30 || fail "the answered shutdown reminder is not marked done"
kill -0 "$E2E_APP_PID" 2>/dev/null || fail "the program ended although the logout was called off"
e2e_wait_main 10 > /dev/null || fail "the main window went away"
[ -z "$(inhibitors)" ] || fail "the logout is still held after the cancel"
echo "cancelled: the program runs on, the reminder done"

# 3. A second logout: the alert again, and its answer lets the session end.
out=$(gdbus call --session -d org.gnome.SessionManager -o /org/gnome/SessionManager -m org.gnome.SessionManager.Logout 1 2>&1) || fail "no second logout: $out"
e2e_wait_window_answering Reminder 60 Error > /dev/null || fail "no shutdown alert at the second logout"
wait_until "dialog_opened 2" 30 || fail "the second logout was not held"
[ "$(inhibitors)" = "nudgelark|See you|1" ] || fail "the second logout is not held for the reminder"
e2e_answer_until_end "$E2E_APP_PID" 60 Reminder Error > /dev/null || fail "the program did not end with the session"
wait "$E2E_APP_PID"
rc=$?
E2E_APP_PID=
[ "$rc" -eq 0 ] || fail "the program ended with $rc"
wait_until "! kill -0 $GSM_PID 2>/dev/null" 60 || fail "the session did not end"
grep -q '^Bye - .* - 3, - 1' reminder.nld || fail "the reminder is not marked done"
grep -q '^Plain - 01.01.30 - 0 - 0 - 1, - 0' reminder.nld || fail "another reminder changed"
echo "1 passed, 0 failed"
