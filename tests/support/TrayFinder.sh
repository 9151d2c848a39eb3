#!/bin/bash
# Helpers for scripts that drive a program's tray icon under a real X server with trayer.
# Source this file; it needs xdotool.
#
#   find_tray_icon PID [TIMEOUT]      prints "WINDOW X Y" (the icon's centre, screen coordinates)
#                                     of the program's tray icon, waiting up to TIMEOUT seconds (10)
#   click_tray_icon PID BUTTON [N]    clicks the icon N times (1) with BUTTON (1 left, 2 middle, 3 right)
#
# Qt's XEmbed tray icon is a small mapped window of the program (22x30 in a 32 px trayer): it is
# told from the program's other windows by its size and by being mapped inside the tray.

find_tray_icon()
{
    local pid=$1 timeout=${2:-10} deadline window geometry x y w h
    deadline=$((SECONDS + timeout))
    while ((SECONDS <= deadline)); do
        for window in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
            geometry=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null) || continue
            x=$(sed -n 's/^X=//p' <<<"$geometry")
            y=$(sed -n 's/^Y=//p' <<<"$geometry")
            w=$(sed -n 's/^WIDTH=//p' <<<"$geometry")
            h=$(sed -n 's/^HEIGHT=//p' <<<"$geometry")
            if ((w >= 2 && w <= 64 && h >= 2 && h <= 64)); then
                echo "$window $((x + w / 2)) $((y + h / 2))"
                return 0
            fi
        done
        sleep 0.2
    done
    return 1
}

click_tray_icon()
{
    local pid=$1 button=$2 count=${3:-1} window x y
    read -r window x y < <(find_tray_icon "$pid") || return 1
    xdotool mousemove "$x" "$y" click --repeat "$count" --delay 80 "$button"
}
