#!/usr/bin/env bash
# Removes the installed program folder's program files, the launcher entry and the icon.
# The reminders (reminder.nld, reminder.nlt) and sounds.ini are kept unless PURGE=1.
set -eu
prefix=$1
data="${XDG_DATA_HOME:-$HOME/.local/share}"
rm -f "$data/applications/nudgelark.desktop" "$data/icons/hicolor/128x128/apps/nudgelark.png"
rm -f "${XDG_CONFIG_HOME:-$HOME/.config}/autostart/nudgelark.desktop"
rm -rf "$prefix/sounds" "$prefix/help"
rm -f "$prefix/nudgelark" "$prefix/nudgelark.png"
if [ "${PURGE:-0}" = 1 ]; then
    rm -rf "$prefix" "${XDG_CONFIG_HOME:-$HOME/.config}/Nudgelark"
fi
echo "Removed Nudgelark from $prefix (reminders kept unless PURGE=1)."
