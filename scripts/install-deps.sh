#!/usr/bin/env bash
# Installs the Debian packages that building (and, with "test", testing) needs, when missing.
set -eu
want=(cmake ninja-build g++ make qt6-base-dev qt6-multimedia-dev gstreamer1.0-plugins-good
      gstreamer1.0-plugins-base libgl-dev libsm-dev pkg-config qt6-wayland)
if [ "${1:-}" = test ]; then
    want+=(xvfb xauth xdotool imagemagick trayer pulseaudio pulseaudio-utils sox
           x11-session-utils x11-xserver-utils x11-utils dbus-x11 iproute2 dbus libglib2.0-bin python3-dbus
           python3-gi sway grim python3-dbusmock wtype qt6ct dpkg-dev desktop-file-utils appstream openbox
           at-spi2-core python3-pyatspi xfce4-panel xfconf
           gnome-session-bin)
fi
if [ "${1:-}" = deb ]; then
    want+=(dpkg-dev)
fi
if [ "${1:-}" = fuzz ]; then
    want+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${want[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
