#!/usr/bin/env bash
# A Wayland desktop for the installed program, run by tests/e2e/wayland.sh inside a private
# session bus as the user the compositor runs as: a headless sway, a StatusNotifierItem panel
# (sni_watcher.py), a notification server (python3-dbusmock's notification_daemon) and, where
# wtype is installed, a virtual keyboard.
# Usage: wayland_session.sh DIR SHOTS   (DIR holds prog/, the installed program)
set -u
DIR=$1 SHOTS=$2
PROG="$DIR/prog"
export HOME="$DIR/home" XDG_CONFIG_HOME="$DIR/home/.config" XDG_DATA_HOME="$DIR/home/.local/share"
export XDG_RUNTIME_DIR="$DIR/run"
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Nudgelark" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=wayland
unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
cd "$PROG" || exit 1

PIDS=()
cleanup() {
    local p
    for p in "${PIDS[@]}"; do
        kill "$p" 2>/dev/null
    done
    wait 2>/dev/null
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    [ -n "${SWAYSOCK:-}" ] && swaymsg -t get_tree > "$DIR/fail-tree.json" 2>/dev/null && tree > "$DIR/fail-tree.txt"
    for f in "$DIR"/*.log "$DIR"/fail-tree.txt reminder.nld; do
        [ -f "$f" ] && { echo "--- $f"; tail -n 40 "$f"; }
    done
    exit 1
}

# Runs "$@" every 0.1 s until it succeeds or $WAIT_SECS (15) have passed.
wait_for() {
    local tries=$((${WAIT_SECS:-15} * 10))
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# The compositor's windows, one a line: title, app id, focused, urgent, client size.
tree() {
    swaymsg -t get_tree 2>/dev/null | /usr/bin/python3 -c '
import json, sys
def views(node):
    if node.get("type") in ("con", "floating_con") and node.get("pid"):
        yield node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from views(child)
for v in views(json.load(sys.stdin)):
    r = v["window_rect"]
    print("%s\t%s\t%s\t%s\t%dx%d" % (v["name"], v.get("app_id"), v["focused"], v["urgent"], r["width"], r["height"]))
'
}
# A window titled $1 whose client width is $2 (any width without it).
has_view() { tree | awk -F'\t' -v t="$1" -v w="${2:-}" '$1 == t && (w == "" || $5 ~ "^" w "x") {f = 1} END {exit !f}'; }
no_view() { ! has_view "$@"; }
# The main window's width: the described 345 where its captions fit, more with a larger font; the
# splash, titled the same, is 335 wide.
MAIN_W='(34[5-9]|3[5-9][0-9]|[4-9][0-9][0-9])'
view_field() { tree | awk -F'\t' -v t="$1" -v n="$2" '$1 == t {print $n; exit}'; }

start_sway() {
    printf 'xwayland disable\n' > "$DIR/sway.conf"
    # A compositor takes the sockets named in these, were they left from an earlier one.
    unset SWAYSOCK WAYLAND_DISPLAY
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        sway -c "$DIR/sway.conf" >> "$DIR/sway.log" 2>&1 &
    SWAY_PID=$!
    PIDS+=("$SWAY_PID")
    sway_up() {
        SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*."$SWAY_PID".sock 2>/dev/null | head -1)
        [ -n "$SWAYSOCK" ] && SWAYSOCK=$SWAYSOCK swaymsg -t get_version >/dev/null 2>&1
    }
    if ! wait_for sway_up; then
        echo "skipped: sway did not start here"
        tail -n 5 "$DIR/sway.log"
        exit 77
    fi
    export SWAYSOCK
    WAYLAND_DISPLAY=$(cd "$XDG_RUNTIME_DIR" && ls wayland-* 2>/dev/null | grep -v '\.lock$' | head -1)
    export WAYLAND_DISPLAY
}

stop_sway() {
    kill -KILL "$SWAY_PID" 2>/dev/null
    wait "$SWAY_PID" 2>/dev/null
}

start_watcher() {
    WATCHER_LOG=$1
    /usr/bin/python3 "$DIR/sni_watcher.py" "$WATCHER_LOG" 2>> "$WATCHER_LOG.err" &
    WATCHER_PID=$!
    PIDS+=("$WATCHER_PID")
    wait_for grep -qs '^watcher ready' "$WATCHER_LOG" || fail "the panel's watcher did not start"
}
stop_watcher() {
    kill "$WATCHER_PID" 2>/dev/null
    wait "$WATCHER_PID" 2>/dev/null
}
registered_item() { awk '/^registered /{name = $2} END {print name}' "$WATCHER_LOG"; }
item_status() {
    gdbus call --session -d "$1" -o /StatusNotifierItem -m org.freedesktop.DBus.Properties.Get \
        org.kde.StatusNotifierItem Status 2>/dev/null
}
has_status() { item_status "$1" | grep -q "'$2'"; }

NOTES="$DIR/notify.log"
/usr/bin/python3 -m dbusmock --template notification_daemon -l "$NOTES" > "$DIR/dbusmock.log" 2>&1 &
PIDS+=("$!")
notify_server_up() {
    gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus -m org.freedesktop.DBus.NameHasOwner \
        org.freedesktop.Notifications 2>/dev/null | grep -q true
}
wait_for notify_server_up || fail "the notification server did not start"
# The server's log, and its ids, run on over the whole session: each part counts from its start.
NOTES_FROM=0
IDS_FROM=0
new_part() {
    NOTES_FROM=$(wc -l < "$NOTES")
    IDS_FROM=$(grep -ac ' Notify ' "$NOTES")
}
part_notes() { tail -n +$((NOTES_FROM + 1)) "$NOTES"; }
notices() { part_notes | grep -ac ' Notify '; }
has_notices() { [ "$(notices)" -ge "$1" ]; }
# The action key $2 on the part's notice number $1: the server's ids count from 1, one a notice.
invoke_action() {
    gdbus call --session -d org.freedesktop.Notifications -o /org/freedesktop/Notifications \
        -m org.freedesktop.DBus.Mock.EmitSignal org.freedesktop.Notifications ActionInvoked us \
        "[<uint32 $((IDS_FROM + $1))>, <'$2'>]" >/dev/null
}
is_closed() { part_notes | grep -aq " CloseNotification $((IDS_FROM + $1))\$"; }

start_program() {
    APP_LOG=$1
    shift
    ./nudgelark "$@" > "$APP_LOG" 2>&1 &
    APP_PID=$!
    PIDS+=("$APP_PID")
}
program_gone() { ! kill -0 "$APP_PID" 2>/dev/null; }

shot() {
    grim "$SHOTS/$1" 2>> "$DIR/grim.log" || echo "note: grim could not take $1"
}

at() { date -d "@$1" +"$2"; }

# --- A plain start: splash, main window, a due alert answered through its notice ----------------
printf '[General]\nDel=1\nSound=1\nInterval=0\n' > "$XDG_CONFIG_HOME/Nudgelark/Nudgelark.conf"
now=$(date +%s)
due=$((now + 12))
later=$((due + 10))
{
    printf 'Call Ana - %s - %s - 0 - 1, - 0\r\n' "$(at "$due" %d.%m.%y)" "$(at "$due" %H:%M:%S)"
    printf 'Stretch - %s - %s - 0 - 1, - 0\r\n' "$(at "$later" %d.%m.%y)" "$(at "$later" %H:%M:%S)"
} > reminder.nld
printf -- '-0-\r\nCall Ana back & bring <notes>\r\n==\r\n-1-\r\nStand up and stretch\r\n==\r\n' > reminder.nlt

start_sway
start_program "$DIR/app1.log"
WAIT_SECS=30 wait_for has_view Nudgelark 335 || fail "no splash (335 wide, titled Nudgelark) in the compositor's list"
wait_for has_view Nudgelark "$MAIN_W" || fail "no main window (titled Nudgelark, wider than the splash) after the splash"
wait_for no_view Nudgelark 335 || fail "the splash stayed after the main window came"
echo "main window: $(tree | grep -P '^Nudgelark\t' | head -1)"
shot wayland-main.png

WAIT_SECS=30 wait_for has_view Reminder 289 || fail "the due reminder's alert (289 wide, titled Reminder) did not show"
alert=$(tree | grep -P '^Reminder\t' | head -1)
echo "alert: $alert"
# sway gives a newly mapped window the focus, and marks one urgent that asks for activation
# without it. (Qt 6.4's Wayland client asks only with a launcher's activation token, so an alert
# sway did not focus would rely on its notice.) It must not sit unnoticed behind the main window.
[ "$(view_field Reminder 3)" = True ] || [ "$(view_field Reminder 4)" = True ] ||
    fail "the alert is neither focused nor urgent: $alert"
wait_for has_notices 1 || fail "the alert posted no notice"
note=$(part_notes | grep -a ' Notify ' | head -1)
echo "notice: $note"
grep -qF '"Call Ana" "Call Ana back &amp; bring &lt;notes&gt;" ["ok", "OK", "pause", "Pause"]' <<<"$note" ||
    fail "the notice is not the reminder's name and escaped text with OK and Pause"
grep -qF '"urgency": 2' <<<"$note" || fail "the notice is not critical"
shot wayland-alert.png

invoke_action 1 ok
wait_for no_view Reminder || fail "the notice's OK did not close the alert"
wait_for is_closed 1 || fail "the notice stayed after its alert closed"
# The answer marks the reminder; the file follows at the end of that turn.
wait_for grep -q "^Call Ana - .* - 1, - 1" reminder.nld || fail "the answered reminder is not checked on disk"

# A second start: the guard's message shows; closing it ends that start, the first runs on.
FIRST_PID=$APP_PID
start_program "$DIR/second.log"
SECOND_PID=$APP_PID
APP_PID=$FIRST_PID
wait_for has_view Error || fail "a second start showed no message"
swaymsg '[title="^Error$"] kill' >/dev/null
# Its message closed, the second start ends; on a busy machine the Wayland client's teardown
# can take seconds. Where it does not end, what it waits in is told.
WAIT_SECS=30 wait_for bash -c "! kill -0 $SECOND_PID 2>/dev/null" ||
    fail "the second start did not end (waiting in $(cat /proc/$SECOND_PID/wchan 2>/dev/null); $(tr -d '\0' < /proc/$SECOND_PID/task/*/comm 2>/dev/null | head -c 200))"
wait "$SECOND_PID"
[ $? -eq 0 ] || fail "the second start did not end with 0"
kill -0 "$FIRST_PID" 2>/dev/null || fail "the first instance ended with the second"

# The compositor goes away while an alert waits: the next reminder fires, and as soon as its
# notice is up the compositor is killed. Qt ends the program at once.
WAIT_SECS=30 wait_for has_notices 2 || fail "the second reminder did not fire"
stop_sway
WAIT_SECS=15 wait_for program_gone || fail "the program outlived its compositor"
wait "$APP_PID"
echo "program ended with $? when the compositor went away"
grep -q "Wayland connection broke" "$DIR/app1.log" || fail "the program did not see its compositor go"
# Nobody answered that alert: its reminder is not done, and fires again at the next start. The
# answered one is done on disk.
grep -q "^Stretch - .* - 1, - 0" reminder.nld || fail "a reminder whose alert nobody answered is done on disk"
grep -q "^Call Ana - .* - 1, - 1" reminder.nld || fail "an earlier change was lost"

# --- Started with /s: into the panel; the alert's Pause through its notice; Activate -----------
new_part
printf 'Hello - #%s - 0 - 0 - 2, - 0\r\n' "$(date +%d.%m.%y)" > reminder.nld
printf -- '-0-\r\nGood morning\r\n==\r\n' > reminder.nlt
start_sway
start_watcher "$DIR/watcher1.log"
start_program "$DIR/app2.log" /s
WAIT_SECS=30 wait_for has_view Nudgelark 335 || fail "no splash after a start with /s"
WAIT_SECS=20 wait_for grep -qs '^registered ' "$WATCHER_LOG" || fail "the tray icon did not register with the panel"
item=$(registered_item)
wait_for has_view Reminder 289 || fail "the start-up reminder's alert did not show"
no_view Nudgelark "$MAIN_W" || fail "the main window shows after a start with /s"
wait_for has_status "$item" NeedsAttention || fail "the tray icon does not ask for attention: $(item_status "$item")"
wait_for has_notices 1 || fail "the start-up alert posted no notice"
part_notes | grep -aq ' Notify .*"Hello" "Good morning"' || fail "the start-up notice is not Hello's"
invoke_action 1 pause
wait_for is_closed 1 || fail "the notice stayed after Pause"
# With Interval 0 the paused alert comes back a minute later (a pause lasts at least a minute),
# with a notice of its own.
WAIT_SECS=120 wait_for has_notices 2 || fail "the paused alert did not come back"
wait_for has_view Reminder 289 || fail "no alert window for the returning reminder"
invoke_action 2 ok
wait_for no_view Reminder || fail "OK on the second notice did not close the alert"
wait_for has_status "$item" Active || fail "the tray icon still asks for attention: $(item_status "$item")"
gdbus call --session -d "$item" -o /StatusNotifierItem -m org.kde.StatusNotifierItem.Activate 0 0 >/dev/null ||
    fail "the tray icon refused Activate"
wait_for has_view Nudgelark "$MAIN_W" || fail "Activate did not bring the main window"
# Wayland never reports minimising: the icon stays in the tray and takes a showing window back.
gdbus call --session -d "$item" -o /StatusNotifierItem -m org.kde.StatusNotifierItem.Activate 0 0 >/dev/null ||
    fail "the tray icon refused a second Activate"
wait_for no_view Nudgelark "$MAIN_W" || fail "Activate on the showing window did not take it into the tray"
gdbus call --session -d "$item" -o /StatusNotifierItem -m org.kde.StatusNotifierItem.Activate 0 0 >/dev/null ||
    fail "the tray icon refused a third Activate"
wait_for has_view Nudgelark "$MAIN_W" || fail "Activate did not bring the main window back from the tray"
! grep -q "^unregistered $item " "$WATCHER_LOG" || fail "the icon left the tray while the window showed"
kill -TERM "$APP_PID"
WAIT_SECS=15 wait_for program_gone || fail "SIGTERM did not end the program"
wait "$APP_PID"
[ $? -eq 0 ] || fail "SIGTERM did not end the program cleanly"
stop_watcher

# --- A panel that comes late: the window stays on screen until there is a tray to go to ---------
printf 'Plain - 01.01.30 - 0 - 0 - 1, - 0\r\n' > reminder.nld
printf -- '-0-\r\nplain\r\n==\r\n' > reminder.nlt
start_program "$DIR/app3.log" /s
WAIT_SECS=20 wait_for has_view Nudgelark "$MAIN_W" || fail "without a panel the main window is not on screen"
start_watcher "$DIR/watcher2.log"
WAIT_SECS=20 wait_for grep -qs '^registered ' "$WATCHER_LOG" || fail "a late panel did not get the icon"
wait_for no_view Nudgelark "$MAIN_W" || fail "the window did not go into the late panel"
kill -TERM "$APP_PID"
WAIT_SECS=15 wait_for program_gone || fail "SIGTERM did not end the program"
stop_watcher

# --- The dialogs, opened and closed by keyboard through a virtual keyboard ----------------------
# wtype types through the compositor's virtual keyboard. Each run of it adds a keyboard to the
# seat and takes it away when done; a program binds a seat's keyboard only once the seat has one,
# and keys sent before that are lost. So one wtype that only waits holds a keyboard on the seat
# for the whole part, from before the program starts.
KEYS_LOG="$DIR/wtype.log"
start_keyboard() {
    wtype -s 3000000 2>> "$KEYS_LOG" &
    KEYBOARD_PID=$!
    PIDS+=("$KEYBOARD_PID")
    keyboard_up() {
        swaymsg -t get_inputs 2>/dev/null | grep -q '"type": "keyboard"' ||
            ! kill -0 "$KEYBOARD_PID" 2>/dev/null
    }
    wait_for keyboard_up && kill -0 "$KEYBOARD_PID" 2>/dev/null
}
stop_keyboard() {
    kill "$KEYBOARD_PID" 2>/dev/null
    wait "$KEYBOARD_PID" 2>/dev/null
}
keys() { wtype "$@" 2>> "$KEYS_LOG" || fail "wtype could not type: $*"; }
# The menu bar of the window titled $1 in keyboard mode: Alt pressed and let go on its own. (Alt
# sent as a modifier together with the key reads as an Alt already let go.)
menu_keys_to() {
    local title=$1
    shift
    keys_to "$title" -P Alt_L -p Alt_L "$@"
}

# The program runs with its protocol trace (WAYLAND_DEBUG) in its log: wayland_trace.py reads
# from it the size the program fixes for a window (the same smallest and largest size asked of
# the compositor), and whether the program has taken the keyboard into a window.
trace() { /usr/bin/python3 "$DIR/wayland_trace.py" "$APP_LOG" "$@"; }
# The program's window titled $1 is in the compositor's list, focused, at the size ($2, or else
# the one the program fixed) that it has there.
shows_fixed() {
    local want=${2:-$(trace fixed-size "$1")}
    [ -n "$want" ] && tree | awk -F'\t' -v t="$1" -v s="$want" \
        '$1 == t && $2 == "nudgelark" && $3 == "True" && $5 == s {f = 1} END {exit !f}'
}
expect_window() {
    wait_for shows_fixed "$@" ||
        fail "no focused window \"$1\" at ${2:-its fixed size} (fixed: $(trace fixed-size "$1"); listed: $(tree | grep -F "$1" | tr '\t' ' '))"
    echo "window: $(tree | grep -P "^\\Q$1\\E\t" | tr '\t' ' ')"
}
# Keys for the window titled $1, once the program has the keyboard in it.
keys_to() {
    local title=$1
    shift
    wait_for trace has-keyboard "$title" || fail "the program did not take the keyboard into \"$title\""
    keys "$@"
}
# Two of the surfaces' commits after the last key the program was sent: what the keys typed is
# drawn by then.
drawn_after_keys() {
    local last
    last=$(grep -an ' wl_keyboard@[0-9]*\.key(' "$APP_LOG" | tail -n 1 | cut -d: -f1)
    [ -n "$last" ] && [ "$(tail -n +$((last + 1)) "$APP_LOG" | grep -ac -- '-> wl_surface@[0-9]*\.commit()')" -ge 2 ]
}

dialogs_by_keyboard() {
    if ! command -v wtype >/dev/null 2>&1; then
        echo "skipped the dialogs: wtype is not installed"
        return
    fi
    if ! start_keyboard; then
        echo "skipped the dialogs: no virtual keyboard here ($(tail -n 1 "$KEYS_LOG" 2>/dev/null))"
        return
    fi
    # "Use sounds" ticked, so that "Set sounds >>" takes the focus.
    printf '[General]\nDel=1\nSound=1\nInterval=5\n' > "$XDG_CONFIG_HOME/Nudgelark/Nudgelark.conf"
    printf 'Plain - 01.01.30 - 0 - 0 - 1, - 0\r\n' > reminder.nld
    printf -- '-0-\r\nplain\r\n==\r\n' > reminder.nlt
    WAYLAND_DEBUG=1 start_program "$DIR/app4.log"
    WAIT_SECS=30 wait_for has_view Nudgelark "$MAIN_W" || fail "no main window for the dialogs"
    wait_for no_view Nudgelark 335 || fail "the splash stayed"
    expect_window Nudgelark

    # The list has the focus; the flat "New reminder" button is next.
    keys_to Nudgelark -k Tab -k space
    expect_window "New reminder"
    keys_to "New reminder" -k Escape
    wait_for no_view "New reminder" || fail "Escape did not close the editor"
    expect_window Nudgelark

    # Reminder > &New, and a name typed into the editor.
    menu_keys_to Nudgelark -k Down -k n
    expect_window "New reminder"
    keys_to "New reminder" "Call - Bob"
    wait_for drawn_after_keys || fail "the editor did not draw after the typing"
    shot wayland-editor.png
    # Alt+O presses OK: the name with the data file's separator is refused, and the editor stays.
    keys_to "New reminder" -M alt -k o -m alt
    expect_window Error
    keys_to Error -k Return
    wait_for no_view Error || fail "Return did not answer the refusal"
    expect_window "New reminder"
    keys_to "New reminder" -k Escape
    wait_for no_view "New reminder" || fail "Escape did not close the editor with a name typed"
    expect_window Nudgelark

    # Reminder > Options; in it, past "Delete after notification", "Run on Windows startup" and
    # "Use sounds" (ticked), to "Set sounds >>".
    menu_keys_to Nudgelark -k Down -k Down -k Down -k Down -k Down -k Return
    expect_window Options
    shot wayland-options.png
    keys_to Options -k Tab -k Tab -k Tab -k space
    expect_window "Define events sounds"
    shot wayland-sounds.png
    keys_to "Define events sounds" -k Escape
    wait_for no_view "Define events sounds" || fail "Escape did not close the sounds"
    expect_window Options
    keys_to Options -k Escape
    wait_for no_view Options || fail "Escape did not close the options"
    expect_window Nudgelark

    # Help > About (past Contents), closed with its OK.
    menu_keys_to Nudgelark -k Right -k Down -k Down -k Return
    expect_window "About Nudgelark"
    shot wayland-about.png
    keys_to "About Nudgelark" -k Return
    wait_for no_view "About Nudgelark" || fail "OK did not close the About box"
    expect_window Nudgelark

    kill -TERM "$APP_PID"
    WAIT_SECS=15 wait_for program_gone || fail "SIGTERM did not end the program"
    stop_keyboard
}

dialogs_by_keyboard
stop_sway
echo "1 passed, 0 failed"
