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
    e2e_need Xvfb xdotool xwininfo
    E2E_TMP=$(mktemp -d /tmp/nudgelark-e2e.XXXXXX)
    trap e2e_cleanup EXIT
    export HOME="$E2E_TMP/home" XDG_CONFIG_HOME="$E2E_TMP/home/.config" XDG_DATA_HOME="$E2E_TMP/home/.local/share"
    export XDG_RUNTIME_DIR="$E2E_TMP/run"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER
    # With no audio server, GStreamer's automatic sink falls back to JACK, whose client library opens a
    # database in /dev/shm shared by every process of the user: one program killed while it holds that
    # database's lock (the scripts kill programs) hangs every later sound for good. Never try JACK here.
    export GST_PLUGIN_FEATURE_RANK=jackaudiosink:NONE,jackaudiosrc:NONE
    PROG="$E2E_TMP/prog"
    cmake --install "$build" --prefix "$PROG" >/dev/null || { echo "install failed"; exit 1; }
    e2e_start_x
}

# Starts a private X server. Xvfb picks a free display number itself and tells which one
# (-displayfd) once it listens: several runs at once on one machine never share a server.
e2e_start_x() {
    local numbers="$E2E_TMP/xvfb-display" start=$SECONDS d=
    : > "$numbers"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numbers" >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    while ((SECONDS - start < 60)); do
        d=$(grep -m1 -x '[0-9][0-9]*' "$numbers" 2>/dev/null)
        [ -n "$d" ] && break
        kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$d" ] || e2e_skip "Xvfb did not start ($(tail -n 1 "$E2E_TMP/xvfb.log" 2>/dev/null))"
    export DISPLAY=":$d"
    start=$SECONDS
    until xdotool getmouselocation >/dev/null 2>&1; do
        ((SECONDS - start < 30)) || e2e_skip "Xvfb on $DISPLAY does not answer"
        sleep 0.1
    done
}

e2e_start_tray() {
    e2e_need trayer
    trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true \
        --transparent false >/dev/null 2>&1 &
    timeout 10 xdotool search --sync --classname trayer >/dev/null 2>&1 || e2e_skip "trayer did not start"
}

# Runs "$@" every 0.1 s until it succeeds or $WAIT_SECS (default 15) have passed.
e2e_wait_for() {
    local tries=$((${WAIT_SECS:-15} * 10))
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Waits up to $2 seconds (default 10) for a visible window titled $1; prints its id.
e2e_wait_window() {
    local title=$1 secs=${2:-10} start=$SECONDS id
    while :; do
        id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        ((SECONDS - start < secs)) || return 1
        sleep 0.1
    done
}

# Waits up to $1 seconds (default 15) for the program's main window, titled "Nudgelark" as the
# splash is, but not of the splash's 335x159; prints its id.
e2e_wait_main() {
    local secs=${1:-15} start=$SECONDS id
    while :; do
        for id in $(xdotool search --onlyvisible --name '^Nudgelark$' 2>/dev/null); do
            xdotool getwindowgeometry "$id" 2>/dev/null | grep -q 'Geometry: 335x159$' && continue
            echo "$id"
            return 0
        done
        ((SECONDS - start < secs)) || return 1
        sleep 0.1
    done
}

# The first visible window titled one of the arguments, in their order: prints "ID TITLE".
e2e_find() {
    local title id
    for title in "$@"; do
        id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id $title"; return 0; }
    done
    return 1
}

# Waits up to $2 seconds for the window $1 to be no longer on screen.
e2e_wait_gone() {
    local id=$1 secs=$2 start=$SECONDS
    while xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; do
        ((SECONDS - start < secs)) || return 1
        sleep 0.1
    done
    return 0
}

e2e_shot() {
    command -v import >/dev/null 2>&1 && import -window root "$1" 2>/dev/null
}

# Clicks a button of the alert window $1, "ok" or "pause", its bottom edge $3 pixels above the
# window's (default 8). The buttons take neither the focus nor any key, so only a click answers
# the window. They stand in one row, at least 23 pixels high (xdotool gives the window's own area,
# without a frame). In the window's 289 pixels they are 75 to 80 wide at 8 and 108;
# a wider window has made room for a larger font: its three buttons, 20 pixels apart, and the
# margins of 8 pixels fill its width.
e2e_click_alert() {
    local WINDOW X Y WIDTH HEIGHT SCREEN width=75 step=100 left=8
    eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null)"
    [ -n "${HEIGHT:-}" ] || return 1
    if ((WIDTH > 289)); then
        width=$(((WIDTH - 56) / 3))
        step=$((width + 20))
    fi
    [ "$2" = pause ] && left=$((8 + step))
    xdotool mousemove $((X + left + width / 2)) $((Y + HEIGHT - ${3:-8} - 12)) click 1
}

# Answers the first visible window titled one of the arguments, and prints the title of the one it
# answered, found and answered in one step: an alert ("Reminder", "View reminder") by a click on
# OK (E2E_ALERT_BUTTON=pause: on Pause), any other window (a message box) by Return to its
# default button. Each answered window is kept as a screenshot, answer-N.png, in $E2E_TMP.
# Then waits for the window to go. 1 when none of them shows; 2 when it stayed on screen.
e2e_answer() {
    local id title
    read -r id title < <(e2e_find "$@") || return 1
    E2E_ANSWERED=$((${E2E_ANSWERED:-0} + 1))
    e2e_shot "$E2E_TMP/answer-$E2E_ANSWERED.png"
    case $title in
    Reminder | "View reminder")
        # The button row ends 8 pixels above the window's bottom; should the window keep the
        # 28 pixels of a framed tool window below it instead, the second click finds it there.
        # Both clicks fall in the button's column of this same window, never on another one.
        e2e_click_alert "$id" "${E2E_ALERT_BUTTON:-ok}" 8
        if ! e2e_wait_gone "$id" 10; then
            e2e_click_alert "$id" "${E2E_ALERT_BUTTON:-ok}" 28
        fi
        ;;
    *)
        xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id" 2>/dev/null
        xdotool key --clearmodifiers Return
        ;;
    esac
    echo "$title"
    e2e_wait_gone "$id" 15 || return 2
}

# Waits up to $2 seconds for a visible window titled $1, answering meanwhile the windows titled by
# the further arguments (a message box about a sound file, say); prints its id. The window waited
# for is looked for in the same step as the others, so it is never answered unseen.
e2e_wait_window_answering() {
    local want=$1 secs=$2 start=$SECONDS id title
    shift 2
    while ((SECONDS - start < secs)); do
        if read -r id title < <(e2e_find "$want" "$@"); then
            [ "$title" = "$want" ] && { echo "$id"; return 0; }
            e2e_answer "$title" >/dev/null
        else
            sleep 0.1
        fi
    done
    return 1
}

# Answers the windows titled by the arguments until the process $1 has ended, for up to $2
# seconds; prints the titles answered, one a line. 1 when the process is still running.
e2e_answer_until_end() {
    local pid=$1 secs=$2 start=$SECONDS
    shift 2
    while kill -0 "$pid" 2>/dev/null; do
        ((SECONDS - start < secs)) || return 1
        e2e_answer "$@" || sleep 0.1
    done
    return 0
}

# The visible windows of the process $1 of the size $2 (WIDTHxHEIGHT), one id a line.
e2e_windows_of() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        xdotool getwindowgeometry "$id" 2>/dev/null | grep -q "Geometry: $2\$" && echo "$id"
    done
}

# The modification time of a file in seconds to the nanosecond, or 0.
e2e_mtime() { stat -c %.9Y "$1" 2>/dev/null || echo 0; }
