#!/usr/bin/env bash
# The program under a real X session manager (xsm). A checkpoint (a session name given, then
# Checkpoint) saves the session while it goes on: the program writes its files and does nothing
# else, no shutdown alert, and keeps running. Then Shutdown with a checkpoint ends the session:
# the program runs its shutdown scan (the reminder's alert), marks the reminder done, writes both
# files and ends.
set -u
BUILD=$1 SRC=$2
. "$SRC/tests/support/e2e-lib.sh"
e2e_need xsm iceauth
e2e_setup "$BUILD"
cd "$PROG" || exit 1
printf 'Plain - 01.01.30 - 0 - 0 - 1, - 0\r\nBye - #01.01.26 - 0 - 0 - 3, - 0\r\n' > reminder.nld
printf -- '-0-\r\nplain\r\n==\r\n-1-\r\nSee you\r\n==\r\n' > reminder.nlt
printf "%s\n" "sh -c \"exec $PROG/nudgelark 2>>$E2E_TMP/app.log\"" > "$HOME/.xsmstartup"

fail() {
    echo "FAIL: $*"
    e2e_shot "$E2E_TMP/fail.png"
    exit 1
}
# True while one of xsm's pop-up menus shows (an unnamed override-redirect window); sets MENU.
menu_open() {
    local w
    for w in $(xwininfo -root -children 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) (has no name).*/\1/p'); do
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' || continue
        xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' && { MENU=$w; return 0; }
    done
    return 1
}
# The widgets of xsm's window $1, one "X Y WIDTH HEIGHT" a line on the screen: its buttons and
# fields are subwindows of one form (left out). Where they lie depends on the fonts installed, so
# they are looked up, never assumed.
widgets() {
    xwininfo -tree -id "$1" 2>/dev/null |
        sed -n 's/^ *0x[0-9a-f]* (has no name): ()  \([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]*  +\([-0-9]*\)+\([-0-9]*\)$/\3 \4 \1 \2/p' |
        awk 'NR > 1'
}
# Moves the pointer to the middle of the widget of window $1 in row $2 (1 the top one, -1 the
# bottom one) and column $3 (1 the left one); fails when there is none.
point_at() {
    local list rows row x y w h
    list=$(widgets "$1")
    rows=$(cut -d' ' -f2 <<<"$list" | sort -n | uniq)
    if [ "$2" -lt 0 ]; then row=$(tail -n $((-$2)) <<<"$rows" | head -1); else row=$(sed -n "$2p" <<<"$rows"); fi
    [ -n "$row" ] || return 1
    read -r x y w h < <(awk -v r="$row" '$2 == r' <<<"$list" | sort -n -k1 | sed -n "$3p")
    [ -n "${h:-}" ] || return 1
    xdotool mousemove $((x + w / 2)) $((y + h / 2))
}
# Waits up to $2 seconds for the condition $1 (a command).
wait_until() {
    local start=$SECONDS
    until $1; do
        ((SECONDS - start < $2)) || return 1
        sleep 0.1
    done
}
# Fills in xsm's save dialog titled $1: the session name (the field right of the first label),
# then its first button. xsm greys the dialog out while the clients save and takes it away after.
fill_save_dialog() {
    local dialog
    dialog=$(e2e_wait_window "$1" 20) || fail "xsm's $1 dialog did not open"
    wait_until "point_at $dialog 1 2" 20 || fail "no name field in xsm's $1 dialog"
    xdotool click 1
    xdotool type --delay 30 Test
    point_at "$dialog" -1 1 || fail "no button in xsm's $1 dialog"
    xdotool click 1
}

xsm > "$E2E_TMP/xsm.log" 2>&1 &
if ! main=$(e2e_wait_main 60); then
    pgrep -f "^$PROG/nudgelark" > /dev/null || e2e_skip "xsm did not start the program ($(tail -n 1 "$E2E_TMP/xsm.log"))"
    fail "the program's main window did not show: $(cat "$E2E_TMP/app.log")"
fi
app=$(pgrep -f "^$PROG/nudgelark" | head -1)
[ -n "$app" ] || fail "no program process"
E2E_APP_PID=$app # ended on the way out should the script fail
panel=$(e2e_wait_window 'xsm: .*' 20) || e2e_skip "no xsm panel"
# The main window moves out of the way of xsm's own windows.
xdotool windowmove "$main" 500 400
main_moved() { xdotool getwindowgeometry "$main" 2>/dev/null | grep -q 'Position: 500,400 '; }
wait_until main_moved 20 || fail "the main window did not move"
# The panel's buttons: Client List and Session Log above, Checkpoint and Shutdown below.
wait_until "point_at $panel -1 2" 20 || fail "no buttons on xsm's panel"

# 1. A checkpoint: xsm writes its session file once every client has saved.
touch -d '2001-01-01' reminder.nld reminder.nlt
before=$(e2e_mtime reminder.nld)
point_at "$panel" -1 1 && xdotool click 1
fill_save_dialog Checkpoint
start=$SECONDS
until [ -e "$HOME/.XSM-Test" ]; do
    e2e_find Reminder >/dev/null && fail "a checkpoint showed the shutdown alert"
    kill -0 "$app" 2>/dev/null || fail "the program ended at a checkpoint"
    ((SECONDS - start < 60)) || fail "the checkpoint did not complete"
    sleep 0.1
done
e2e_find Reminder >/dev/null && fail "a checkpoint showed the shutdown alert"
kill -0 "$app" 2>/dev/null || fail "the program ended at a checkpoint"
[ "$(e2e_mtime reminder.nld)" != "$before" ] && [ "$(e2e_mtime reminder.nlt)" != "$before" ] ||
    fail "the checkpoint did not write the files"
grep -q "^Bye - .* - 3, - 0" reminder.nld || fail "a checkpoint marked the shutdown reminder done"
e2e_wait_main 0 >/dev/null || fail "the main window went away at a checkpoint"
e2e_shot "$E2E_TMP/xsm-checkpoint.png"
echo "checkpoint: files written, no alert, the program runs on"

# 2. Shutdown, with a checkpoint: xsm's "Shutdown" menu button, then its first entry, "With
# Checkpoint" (the upper of two).
point_at "$panel" -1 2 && xdotool mousedown 1
wait_until menu_open 20 || { xdotool mouseup 1; fail "xsm's shutdown menu did not open"; }
eval "$(xdotool getwindowgeometry --shell "$MENU")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 4)) mouseup 1
fill_save_dialog Shutdown

# The alerts are answered until the program ends; e2e_answer names each window it answered.
answered=$(e2e_answer_until_end "$app" 180 Error Reminder) || fail "the program did not end"
grep -qx Reminder <<<"$answered" || fail "no shutdown alert"
grep -q "^Bye - .* - 3, - 1" reminder.nld || { cat reminder.nld; fail "shutdown reminder not marked done"; }
echo "1 passed, 0 failed"
