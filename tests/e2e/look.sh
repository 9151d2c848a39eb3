#!/usr/bin/env bash
# The installed program under a dark desktop palette (qt6ct's "darker" scheme, the Fusion style)
# and a 12 pt desktop font (E2E_LOOK_POINTS): every window is opened as a user opens it and kept as a screenshot
# (in $E2E_SHOTS when set), and what the screen shows is read back: the list's rows are dark on
# its white background, and the alert's text and "Delete" reach 4.5 to 1 on the window's colour.
set -u
BUILD=$1 SRC=$2
. "$SRC/tests/support/e2e-lib.sh"
e2e_need import convert
ls /usr/lib/*/qt6/plugins/platformthemes/libqt6ct.so >/dev/null 2>&1 || e2e_skip "qt6ct is not installed"
e2e_setup "$BUILD"
cd "$PROG" || exit 1
SHOTS=${E2E_SHOTS:-$E2E_TMP/shots}
mkdir -p "$SHOTS" "$XDG_CONFIG_HOME/qt6ct" "$XDG_CONFIG_HOME/Nudgelark"
scheme=$(ls /usr/share/qt6ct/colors/darker.conf 2>/dev/null) || e2e_skip "qt6ct has no \"darker\" scheme"
# The desktop font's size: 12 points unless E2E_LOOK_POINTS says otherwise.
printf '[Appearance]\ncolor_scheme_path=%s\ncustom_palette=true\nstyle=Fusion\n[Fonts]\n%s\n' "$scheme" \
    "general=\"DejaVu Sans,${E2E_LOOK_POINTS:-12},-1,5,400,0,0,0,0,0,0,0,0,0,0,1\"" > "$XDG_CONFIG_HOME/qt6ct/qt6ct.conf"
export QT_QPA_PLATFORMTHEME=qt6ct
# Sounds off: no sound file is needed; the options tick "Use sounds" below to reach the sounds.
printf '[General]\nDel=0\nSound=0\nInterval=15\n' > "$XDG_CONFIG_HOME/Nudgelark/Nudgelark.conf"
due=$(($(date +%s) + 20))
today=$(date +%d.%m.%y)
{
    printf 'Water the plants - %s - %s - 0 - 1, - 0\r\n' "$(date -d "@$due" +%d.%m.%y)" "$(date -d "@$due" +%H:%M:%S)"
    printf 'Call Ana - #%s - 0 - 0 - 2, - 0\r\n' "$today"
    printf 'Stretch - #%s - 0 - 0 - 3, - 0\r\n' "$today"
} > reminder.nld
printf -- '-0-\r\nWater the plants on the balcony\r\n==\r\n-1-\r\nCall Ana back\r\n==\r\n-2-\r\nStand up\r\n==\r\n' \
    > reminder.nlt

fail() {
    echo "FAIL: $*"
    cat "$E2E_TMP/app.log"
    # The program is ended here, while its display still runs: one that does not end on the
    # termination signal within 15 s is killed, so that the clean-up never waits for it.
    if [ -n "${E2E_APP_PID:-}" ]; then
        kill "$E2E_APP_PID" 2>/dev/null
        local start=$SECONDS
        # An ended child stays a zombie until the clean-up reaps it: that counts as ended.
        while ps -o stat= -p "$E2E_APP_PID" | grep -qv Z && ((SECONDS - start < 15)); do
            sleep 0.1
        done
        if ps -o stat= -p "$E2E_APP_PID" | grep -qv Z; then
            echo "the program did not end on SIGTERM within 15 s"
            kill -9 "$E2E_APP_PID"
        fi
    fi
    exit 1
}
shot() { import -window "$1" "$SHOTS/$2.png" 2>/dev/null || fail "no screenshot of $2"; }
# True when more than $1 windows of the program show.
more_windows() { [ "$(xdotool search --onlyvisible --pid "$E2E_APP_PID" 2>/dev/null | wc -l)" -gt "$1" ]; }
# Opens the main window's "Reminder" menu by a click on it and picks an item by keys ($@).
menu() {
    local X Y WIDTH HEIGHT WINDOW SCREEN before
    eval "$(xdotool getwindowgeometry --shell "$MAIN")"
    before=$(xdotool search --onlyvisible --pid "$E2E_APP_PID" 2>/dev/null | wc -l)
    xdotool mousemove $((X + 20)) $((Y + 8)) click 1
    e2e_wait_for more_windows "$before" || fail "the Reminder menu did not open"
    xdotool key "$@"
}
# Opens a window by the menu, keeps its screenshot, closes it with Escape.
visit() {
    local title=$1 name=$2 id
    shift 2
    menu "$@"
    id=$(e2e_wait_window "$title" 15) || fail "no window \"$title\""
    shot "$id" "$name"
    xdotool windowfocus --sync "$id" 2>/dev/null
    xdotool key Escape
    e2e_wait_gone "$id" 10 || fail "\"$title\" stayed open after Escape"
}

QT_LOGGING_RULES="nudgelark.triggers=true" ./nudgelark > "$E2E_TMP/app.log" 2>&1 &
E2E_APP_PID=$!
# The splash: the program's window of 335 by 159; it shows for three seconds, until the main
# window comes.
splash= MAIN= start=$SECONDS
while [ -z "$splash" ] && [ -z "$MAIN" ] && ((SECONDS - start < 60)); do
    for id in $(xdotool search --onlyvisible --pid "$E2E_APP_PID" 2>/dev/null); do
        if xdotool getwindowgeometry "$id" 2>/dev/null | grep -q 'Geometry: 335x159$'; then
            splash=$id
        else
            MAIN=$id
        fi
    done
    sleep 0.1
done
if [ -n "$splash" ]; then
    shot "$splash" splash
else
    echo "the splash was not caught on screen"
fi
MAIN=$(e2e_wait_main 30) || fail "no main window"
# The first screenshot of the main window once it shows, before any alert selects a row.
shot "$MAIN" main

alert=$(e2e_wait_window Reminder 60) || fail "the reminder due did not fire"
shot "$alert" alert
e2e_click_alert "$alert" ok 8
e2e_wait_gone "$alert" 10 || fail "OK did not close the alert"
shot "$MAIN" main-selected

# The alert selected its row: View shows it.
menu Down Down Return
view=$(e2e_wait_window "View reminder" 15) || fail "no view window"
shot "$view" view
e2e_click_alert "$view" ok 8
e2e_wait_gone "$view" 10 || fail "OK did not close the view"

visit "New reminder" editor Down Return
visit "Options" options Up Up Return
visit "About Nudgelark" about Right Up Return

# The sounds dialog opens from the options: "Use sounds" ticked, then "Set sounds >>".
menu Up Up Return
options=$(e2e_wait_window Options 15) || fail "no options"
xdotool windowfocus --sync "$options" 2>/dev/null
xdotool key Tab Tab space Tab space
sounds=$(e2e_wait_window "Define events sounds" 15) || fail "\"Set sounds >>\" did not open the sounds dialog"
shot "$sounds" sounds
xdotool windowfocus --sync "$sounds" 2>/dev/null
xdotool key Escape
e2e_wait_gone "$sounds" 10 || fail "the sounds dialog stayed open"
xdotool windowfocus --sync "$options" 2>/dev/null
xdotool key Escape
e2e_wait_gone "$options" 10 || fail "the options stayed open"

# What the screen shows. The contrast of two colours "R G B" as the desktop's accessibility rule
# computes it, in hundredths.
contrast() {
    awk -v a="$1" -v b="$2" 'function lin(c) { c /= 255; return c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ^ 2.4 }
        function lum(s,  p) { split(s, p, " "); return 0.2126 * lin(p[1]) + 0.7152 * lin(p[2]) + 0.0722 * lin(p[3]) }
        BEGIN { x = lum(a); y = lum(b); if (x < y) { t = x; x = y; y = t }; printf "%d\n", 100 * (x + 0.05) / (y + 0.05) }'
}
# The colours of an image, most frequent first: "COUNT R G B" a line.
colours() {
    convert "$1" -depth 8 -format %c histogram:info:- |
        sed -n 's/^ *\([0-9]*\): *( *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1 \2 \3 \4/p' | sort -rn
}
# The most frequent colour of an image whose channels pass the awk test $2 ("r g b" named so).
most() { colours "$1" | awk "{ r = \$2; g = \$3; b = \$4 } $2 { print r, g, b; exit }"; }

check_red() {
    local image=$1 what=$2 back red ratio
    back=$(most "$image" 1)
    red=$(most "$image" 'r > g + 60 && r > b + 60')
    [ -n "$red" ] || fail "no red text in $what"
    ratio=$(contrast "$red" "$back")
    echo "$what: red ($red) on ($back): $((ratio / 100)).$(printf %02d $((ratio % 100))):1"
    ((ratio >= 450)) || fail "$what reads below 4.5:1"
}
# The list: the one large white area of the dark window (the white of the captions is too thin to
# outlast an erosion); the text of its first row, right of the row's check box, must be dark.
box=$(convert "$SHOTS/main.png" -fill black +opaque white -morphology Erode Square:5 -trim \
    -format '%w %h %X %Y' info:)
read -r lw lh lx ly <<< "$box"
((lw > 100 && lh > 100)) || fail "no white list in the main window ($box)"
lx=$((${lx#+} - 5)) ly=$((${ly#+} - 5)) lw=$((lw + 10))
convert "$SHOTS/main.png" -crop "90x12+$((lx + 28))+$((ly + 4))" +repage "$E2E_TMP/row.png"
dark=$(colours "$E2E_TMP/row.png" | awk '$2 + $3 + $4 < 200 { n += $1 } END { print n + 0 }')
echo "the list's first row: $dark dark text pixels on white"
((dark >= 20)) || fail "the list's rows do not read on its white background"
check_red "$SHOTS/alert.png" "the alert's text"
# The button column, right of the list, on the window's own colour.
convert "$SHOTS/main.png" -crop "10000x10000+$((lx + lw + 4))+0" +repage "$E2E_TMP/column.png"
check_red "$E2E_TMP/column.png" "\"Delete\""
echo "screenshots in $SHOTS: $(cd "$SHOTS" && echo *.png)"
