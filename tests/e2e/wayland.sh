#!/usr/bin/env bash
# The installed program as a native Wayland client under a headless sway, with a panel that shows
# StatusNotifierItems and a notification server on the session's bus: its windows show in the
# compositor's window list with their titles and sizes, with /s and without; a due alert asks
# for attention and is answered through its notice; the single-instance guard holds; a panel
# that comes late takes the window in; a compositor that goes away right after a change
# leaves the change on disk; and, typed through a virtual keyboard (wtype), the editor, the
# options, the event sounds and the About box open and close as windows of their own with
# their titles and fixed sizes. The session itself is tests/support/wayland_session.sh.
#
# sway refuses to run as root: as root, the session runs as an ordinary user made for the test.
set -u
BUILD=$1 SRC=$(cd "$2" && pwd)
. "$SRC/tests/support/e2e-lib.sh"
e2e_need sway swaymsg grim dbus-run-session gdbus
/usr/bin/python3 -c 'import dbus, dbus.service, dbus.mainloop.glib, dbusmock; from gi.repository import GLib' \
    2>/dev/null || e2e_skip "python3-dbus, python3-gi or python3-dbusmock is not installed"
compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-*.so" >/dev/null ||
    compgen -G "/usr/lib/qt6/plugins/platforms/libqwayland-*.so" >/dev/null ||
    e2e_skip "qt6-wayland is not installed"

TEST_USER=nudgelark-e2e
if [ "$(id -u)" -eq 0 ]; then
    e2e_need runuser
    if ! id "$TEST_USER" >/dev/null 2>&1; then
        useradd -m "$TEST_USER" >/dev/null 2>&1 || e2e_skip "cannot make the user $TEST_USER for sway"
    fi
else
    TEST_USER=$(id -un)
fi

E2E_TMP=$(mktemp -d /tmp/nudgelark-wayland.XXXXXX)
cleanup() {
    [ -n "${SESSION_PID:-}" ] && kill "$SESSION_PID" 2>/dev/null
    wait 2>/dev/null
    [ -z "${E2E_KEEP:-}" ] && rm -rf "$E2E_TMP"
}
trap cleanup EXIT
cmake --install "$BUILD" --prefix "$E2E_TMP/prog" >/dev/null || { echo "install failed"; exit 1; }
# The session reads its scripts from here: the source tree may not be readable for the test user.
cp "$SRC/tests/support/wayland_session.sh" "$SRC/tests/support/sni_watcher.py" \
    "$SRC/tests/support/wayland_trace.py" "$E2E_TMP/"
SHOTS=/tmp/nudgelark-shots
mkdir -p "$SHOTS"
chmod 1777 "$SHOTS" 2>/dev/null
if [ "$(id -u)" -eq 0 ]; then
    chown -R "$TEST_USER:" "$E2E_TMP"
    run_as() { runuser -u "$TEST_USER" -- "$@"; }
else
    run_as() { "$@"; }
fi
# A clean environment: nothing of the caller's display, bus or session leaks in.
run_as env -i PATH="$PATH" LANG=C.UTF-8 dbus-run-session -- \
    timeout 600 bash ${E2E_TRACE:+-x} "$E2E_TMP/wayland_session.sh" "$E2E_TMP" "$SHOTS" &
SESSION_PID=$!
wait "$SESSION_PID"
rc=$?
SESSION_PID=
exit "$rc"
