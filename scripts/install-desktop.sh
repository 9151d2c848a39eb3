#!/usr/bin/env bash
# Adds a launcher entry and the icon to the user's desktop menu for the installed program.
set -eu
prefix=$1
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
icons="${XDG_DATA_HOME:-$HOME/.local/share}/icons/hicolor/128x128/apps"
mkdir -p "$apps" "$icons" 2>/dev/null || exit 0
cp "$prefix/nudgelark.png" "$icons/nudgelark.png" 2>/dev/null || true
# Desktop Entry quoting: the path in double quotes with \ " ` $ escaped, and % doubled.
exe="$prefix/nudgelark"
q=$(printf '%s' "$exe" | sed -e 's/\\/\\\\\\\\/g' -e 's/"/\\\\"/g' -e 's/`/\\\\`/g' -e 's/\$/\\\\$/g' -e 's/%/%%/g')
cat > "$apps/nudgelark.desktop" <<EOT
[Desktop Entry]
Type=Application
Name=Nudgelark
Comment=Desktop reminders on time, at start-up, at shutdown and on connection changes
Exec="$q"
Icon=nudgelark
Terminal=false
Categories=Utility;
Actions=new;show;

[Desktop Action new]
Name=New reminder
Exec="$q" --new

[Desktop Action show]
Name=Show
Exec="$q" --show
EOT
