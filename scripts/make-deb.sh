#!/usr/bin/env bash
# Builds the Debian package from a build folder: the program folder in /usr/lib/nudgelark (the
# program, its sounds, help and sounds.ini), the command in /usr/bin, the launcher entry, icons,
# AppStream metadata, manual page and the package's documents.
# Usage: make-deb.sh BUILD_DIR [OUT_DIR]   (prints the path of the .deb it made)
set -eu
build=$(cd "$1" && pwd)
out=${2:-$build}
src=$(cd "$(dirname "$0")/.." && pwd)
pkg=$src/packaging
version=$(sed -n 's/^project(Nudgelark VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
arch=$(dpkg --print-architecture)
lib=/usr/lib/nudgelark

stage=$(mktemp -d "${TMPDIR:-/tmp}/nudgelark-deb.XXXXXX")
trap 'rm -rf "$stage"' EXIT
root=$stage/root
umask 022

DESTDIR=$root cmake --install "$build" --prefix "$lib" >/dev/null
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$root$lib/nudgelark"
mkdir -p "$root/usr/bin"
ln -s ../lib/nudgelark/nudgelark "$root/usr/bin/nudgelark"

install -D -m 644 "$pkg/nudgelark.desktop" "$root/usr/share/applications/nudgelark.desktop"
install -D -m 644 "$pkg/nudgelark.metainfo.xml" "$root/usr/share/metainfo/example.nudgelark.Nudgelark.metainfo.xml"
install -D -m 644 "$pkg/nudgelark.svg" "$root/usr/share/icons/hicolor/scalable/apps/nudgelark.svg"
for size in 16 32 48 64; do
    install -D -m 644 "$src/resources/icons/${size}x${size}/nudgelark.png" \
        "$root/usr/share/icons/hicolor/${size}x${size}/apps/nudgelark.png"
done
install -D -m 644 "$src/resources/nudgelark.png" "$root/usr/share/icons/hicolor/128x128/apps/nudgelark.png"
install -D -m 644 "$pkg/nudgelark.1" "$root/usr/share/man/man1/nudgelark.1"
gzip -9n "$root/usr/share/man/man1/nudgelark.1"
install -D -m 644 "$pkg/copyright" "$root/usr/share/doc/nudgelark/copyright"
install -D -m 644 "$pkg/changelog" "$root/usr/share/doc/nudgelark/changelog"
gzip -9n "$root/usr/share/doc/nudgelark/changelog"
chmod -R u=rwX,go=rX "$root"
chmod 755 "$root$lib/nudgelark"

# The libraries the program links, as Debian's own packages would declare them.
mkdir -p "$stage/debian"
printf 'Source: nudgelark\n\nPackage: nudgelark\nArchitecture: any\n' > "$stage/debian/control"
shlibs=$(cd "$stage" && dpkg-shlibdeps -O -e"$root$lib/nudgelark" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
[ -n "$shlibs" ] || { echo "make-deb: dpkg-shlibdeps found no libraries (is dpkg-dev installed?)" >&2; exit 1; }
rm -rf "$stage/debian"

mkdir -p "$root/DEBIAN"
cat > "$root/DEBIAN/control" <<EOT
Package: nudgelark
Version: $version
Architecture: $arch
Maintainer: Nudgelark maintainers <maintainers@users.noreply.c-seed-61629e7b.example>
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $shlibs, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good
Recommends: qt6-wayland
Section: utils
Priority: optional
Description: desktop reminders on time, at start-up, at shutdown and online
 Nudgelark keeps a short list of named reminders. Each fires on a date and a
 time of day (optionally again every few days or minutes), when the desktop
 session starts or ends, or when the network connection comes up or goes down.
 A reminder that fires plays a sound and shows an alert to confirm or pause.
 .
 Reminders can also be added from a terminal or a script:
 "nudgelark --add Tea --in 20m". Each user's reminders are kept in
 ~/.local/share/Nudgelark.
EOT
(cd "$root" && find . -path ./DEBIAN -prune -o -type f -print | sed 's|^\./||' | LC_ALL=C sort | xargs -d '\n' md5sum) \
    > "$root/DEBIAN/md5sums"
chmod 644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

mkdir -p "$out"
deb=$out/nudgelark_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
