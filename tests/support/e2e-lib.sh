# Shared steps of the end-to-end scripts: a private home, a private X server with a tray host,
# and the program installed into a temporary program folder. Source it; it sets E2E_TMP,
# PROG (the program folder) and DISPLAY, and cleans up on exit.
# Usage in a script:  . "$SRC/tests/support/e2e-lib.sh"; e2e_setup "$BUILD"

e2e_skip() { echo "skipped: $*"; exit 77; }

e2e_need() {
    for c in "$@"; do
        command -v "$c" >/dev/null 2>&1 || e2e_skip "$c is not installed"
    done
}

e2e_cleanup() {
    local pids
    pids=$(jobs -p)
    [ -n "${E2E_APP_PID:-}" ] && kill "$E2E_APP_PID" 2>/dev/null
    [ -n "$pids" ] && kill $pids 2>/dev/null
    [ -n "${E2E_XVFB_PID:-}" ] && kill "$E2E_XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    [ -n "${E2E_TMP:-}" ] && [ -z "${E2E_KEEP:-}" ] && rm -rf "$E2E_TMP"
}

e2e_setup() {
    local build=$1
    e2e_need Xvfb xdotool
    E2E_TMP=$(mktemp -d /tmp/nudgelark-e2e.XXXXXX)
    trap e2e_cleanup EXIT
    export HOME="$E2E_TMP/home" XDG_CONFIG_HOME="$E2E_TMP/home/.config" XDG_DATA_HOME="$E2E_TMP/home/.local/share"
    export XDG_RUNTIME_DIR="$E2E_TMP/run"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER
    PROG="$E2E_TMP/prog"
    cmake --install "$build" --prefix "$PROG" >/dev/null || { echo "install failed"; exit 1; }
    local d
    for d in $(seq 90 140); do
        if [ ! -e "/tmp/.X11-unix/X$d" ] && [ ! -e "/tmp/.X$d-lock" ]; then
            break
        fi
    done
    Xvfb ":$d" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    E2E_XVFB_PID=$!
    export DISPLAY=":$d"
    for _ in $(seq 50); do
        xdotool getmouselocation >/dev/null 2>&1 && break
        sleep 0.1
    done
    xdotool getmouselocation >/dev/null 2>&1 || e2e_skip "Xvfb did not start"
}

e2e_start_tray() {
    e2e_need trayer
    trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true \
        --transparent false >/dev/null 2>&1 &
    timeout 10 xdotool search --sync --classname trayer >/dev/null 2>&1 || e2e_skip "trayer did not start"
}

# Waits up to $2 seconds (default 10) for a visible window titled $1; prints its id.
e2e_wait_window() {
    local title=$1 secs=${2:-10} id
    for _ in $(seq $((secs * 10))); do
        id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

e2e_shot() {
    command -v import >/dev/null 2>&1 && import -window root "$1" 2>/dev/null
}

# Presses Return in the first visible window titled $1 (its default button answers); 0 when found.
e2e_answer() {
    local id
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$id" ] || return 1
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id" 2>/dev/null
    sleep 0.2
    xdotool key --clearmodifiers Return
    return 0
}

# The modification time of a file in nanoseconds, or 0.
e2e_mtime() { stat -c %Y%N "$1" 2>/dev/null || echo 0; }
