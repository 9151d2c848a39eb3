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
echo "$PROG/nudgelark" > "$HOME/.xsmstartup"

fail() {
    echo "FAIL: $*"
    e2e_shot "$E2E_TMP/fail.png"
    exit 1
}
# The one of xsm's pop-up menus that shows (an unnamed override-redirect window): prints its id;
# 1 when none shows.
open_menu() {
    local w
    for w in $(xwininfo -root -children 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) (has no name).*/\1/p'); do
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' || continue
        xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' && { echo "$w"; return 0; }
    done
    return 1
}
menu_open() { open_menu >/dev/null; }
# Waits up to $2 seconds for the condition $1 (a command).
wait_until() {
    local start=$SECONDS
    until $1; do
        ((SECONDS - start < $2)) || return 1
        sleep 0.1
    done
}
# The centres of two widgets of xsm's window $1, "X Y X Y": the right one of the top row (the
# session name's field) and the left one of the bottom row (the dialog's own button). Each Xaw
# widget is a window of its own; where they stand depends on the fonts the X server has.
widget_centres() {
    xwininfo -tree -id "$1" 2>/dev/null |
        sed -n 's/^ *0x[0-9a-f]* (has no name): () *\([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]* *+\([-0-9]*\)+\([-0-9]*\) *$/\1 \2 \3 \4/p' |
        awk '$2 < 40 { w[NR] = $1; h[NR] = $2; x[NR] = $3; y[NR] = $4; if (!top || $4 < top) top = $4; if ($4 > low) low = $4 }
             END { for (i in x) {
                       if (y[i] == top && (tx == "" || x[i] > tx)) { tx = x[i]; t = (x[i] + int(w[i] / 2)) " " (y[i] + int(h[i] / 2)) }
                       if (y[i] == low && (bx == "" || x[i] < bx)) { bx = x[i]; b = (x[i] + int(w[i] / 2)) " " (y[i] + int(h[i] / 2)) } }
                   print t, b }'
}
# Fills in xsm's save dialog titled $1: the session name, then its first button.
fill_save_dialog() {
    local dialog tx ty bx by
    dialog=$(e2e_wait_window "$1" 20) || fail "xsm's $1 dialog did not open"
    read -r tx ty bx by < <(widget_centres "$dialog")
    [ -n "$by" ] || fail "no widgets found in xsm's $1 dialog"
    xdotool mousemove "$tx" "$ty" click 1
    xdotool type --delay 30 Test
    xdotool mousemove "$bx" "$by" click 1
}

xsm > "$E2E_TMP/xsm.log" 2>&1 &
main=$(e2e_wait_main 30) || e2e_skip "xsm did not start the program"
app=$(pgrep -f "^$PROG/nudgelark" | head -1)
[ -n "$app" ] || fail "no program process"
panel=$(e2e_wait_window 'xsm: .*' 20) || e2e_skip "no xsm panel"
# The main window moves out of the way of xsm's own windows.
xdotool windowmove "$main" 500 400
main_moved() { xdotool getwindowgeometry "$main" 2>/dev/null | grep -q 'Position: 500,400 '; }
wait_until main_moved 20 || fail "the main window did not move"
eval "$(xdotool getwindowgeometry --shell "$panel")"
PX=$X PY=$Y

# 1. A checkpoint: xsm writes its session file once every client has saved.
touch -d '2001-01-01' reminder.nld reminder.nlt
before=$(e2e_mtime reminder.nld)
xdotool mousemove $((PX + 40)) $((PY + 37)) click 1
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

# 2. Shutdown, with a checkpoint: xsm's "Shutdown" menu button, then "With Checkpoint".
xdotool mousemove $((PX + 140)) $((PY + 37)) mousedown 1
wait_until menu_open 20 || { xdotool mouseup 1; fail "xsm's shutdown menu did not open"; }
# The menu's first entry, "With Checkpoint", fills its upper half, whatever the fonts make its height.
eval "$(xdotool getwindowgeometry --shell "$(open_menu)")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 4)) mouseup 1
fill_save_dialog Shutdown

# The alerts are answered until the program ends; e2e_answer names each window it answered.
answered=$(e2e_answer_until_end "$app" 180 Error Reminder) || fail "the program did not end"
grep -qx Reminder <<<"$answered" || fail "no shutdown alert"
grep -q "^Bye - .* - 3, - 1" reminder.nld || { cat reminder.nld; fail "shutdown reminder not marked done"; }
echo "1 passed, 0 failed"
