#!/usr/bin/env bash
# The Debian package on this machine: built from the build folder, checked (its contents, the
# launcher entry with desktop-file-validate, the AppStream data with appstreamcli, and lintian
# where it is installed), installed with apt, then used by an ordinary user made for the test: a
# reminder added from the command line lands in that user's own data folder (made on first use,
# sounds.ini copied from the installed one), the program starts under its own X server, takes a
# reminder from the command line into its list and its files, and opens its editor from the
# launcher's "New reminder". The package and the user are removed afterwards.
set -u
BUILD=$(cd "$1" && pwd) SRC=$(cd "$2" && pwd)
. "$SRC/tests/support/e2e-lib.sh"

[ "$(id -u)" -eq 0 ] || e2e_skip "installing a package needs root"
e2e_need dpkg-deb dpkg-shlibdeps apt-get useradd userdel runuser Xvfb xdotool xwininfo flock
# One package test at a time on a machine.
exec 9> /tmp/nudgelark-package-test.lock
flock -w 900 9 || e2e_skip "another package test holds the machine"
if dpkg-query -W -f='${Status}' nudgelark 2>/dev/null | grep -q 'ok installed'; then
    e2e_skip "a nudgelark package is installed on this machine already; it is left alone"
fi

TMP=$(mktemp -d /tmp/nudgelark-package.XXXXXX)
chmod 755 "$TMP"
U=nlkpkg$$
LOG=$TMP/app.log
: > "$LOG"
installed=0 made_user=0 app= xvfb=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    [ $installed = 1 ] && dpkg -P nudgelark >/dev/null 2>&1
    [ $made_user = 1 ] && userdel -r "$U" >/dev/null 2>&1
    [ -z "${E2E_KEEP:-}" ] && rm -rf "$TMP"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    echo "--- program output"
    cat "$LOG"
    exit 1
}

# The package and its parts.
deb=$(bash "$SRC/scripts/make-deb.sh" "$BUILD" "$TMP") || fail "make-deb.sh"
echo "built $(basename "$deb"): $(stat -c %s "$deb") bytes"
dpkg-deb -c "$deb" | awk '{ print $6 }' > "$TMP/contents"
for f in usr/bin/nudgelark usr/lib/nudgelark/nudgelark usr/lib/nudgelark/sounds.ini \
    usr/lib/nudgelark/sounds/GenSound.wav usr/lib/nudgelark/help/index.html \
    usr/share/applications/nudgelark.desktop usr/share/metainfo/example.nudgelark.Nudgelark.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/nudgelark.svg usr/share/icons/hicolor/48x48/apps/nudgelark.png \
    usr/share/doc/nudgelark/copyright usr/share/man/man1/nudgelark.1.gz; do
    grep -qx "\./$f" "$TMP/contents" || fail "the package lacks $f"
done
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no dependencies declared"
dpkg-deb -x "$deb" "$TMP/tree"
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$TMP/tree/usr/share/applications/nudgelark.desktop" || fail "desktop-file-validate"
    echo "ok: desktop-file-validate"
fi
if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate --no-net "$TMP"/tree/usr/share/metainfo/*.xml || fail "appstreamcli validate"
fi
if command -v lintian >/dev/null 2>&1; then
    lintian --fail-on error "$deb" 2>/dev/null || fail "lintian found errors"
    echo "ok: lintian, no errors"
fi

apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "$deb" > "$TMP/apt.log" 2>&1
if ! dpkg-query -W -f='${Status}' nudgelark 2>/dev/null | grep -q 'ok installed'; then
    tail -n 5 "$TMP/apt.log"
    e2e_skip "apt could not install the package and its dependencies here"
fi
installed=1
echo "ok: installed"
[ -d /usr/lib/nudgelark ] || fail "/usr/lib/nudgelark is not there"

useradd -m -s /bin/sh "$U" || e2e_skip "useradd could not make a user"
made_user=1
home=$(getent passwd "$U" | cut -d: -f6)
run=$TMP/run
mkdir -m 700 "$run"
chown "$U" "$run"
as_user() {
    runuser -u "$U" -- env -i HOME="$home" USER="$U" LOGNAME="$U" PATH=/usr/local/bin:/usr/bin:/bin \
        XDG_RUNTIME_DIR="$run" LANG=C.UTF-8 ${DISPLAY:+DISPLAY=$DISPLAY} "$@"
}
data=$home/.local/share/Nudgelark

[ "$(as_user nudgelark --version)" = "Nudgelark $(dpkg-deb -f "$deb" Version)" ] || fail "--version"
[ ! -e "$data" ] || fail "$data is there before the first use"
as_user nudgelark --add Tea --text "Green tea" --in 20m < /dev/null || fail "--add as $U: exit $?"
grep -q '^Tea - [0-9.]* - [0-9:]* - 0 - 1, - 0' "$data/reminder.nld" || fail "no Tea in $data/reminder.nld"
[ "$(stat -c %U "$data/reminder.nld")" = "$U" ] || fail "the data file is not $U's"
grep -qx 'DateTimeE=/usr/lib/nudgelark/sounds/GenSound.wav.' "$data/sounds.ini" || fail "sounds.ini: $(cat "$data/sounds.ini")"
ls /usr/lib/nudgelark | grep -q reminder && fail "reminder files in the installed folder"
echo "ok: --add as $U writes $data (made on first use, sounds.ini from the installed one)"

# The program as that user, on an X server of the user's own.
runuser -u "$U" -- Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$TMP/display" > "$TMP/xvfb.log" 2>&1 &
xvfb=$!
start=$SECONDS
until grep -qx '[0-9][0-9]*' "$TMP/display" 2>/dev/null; do
    kill -0 "$xvfb" 2>/dev/null && ((SECONDS - start < 60)) || e2e_skip "Xvfb did not start as $U"
    sleep 0.1
done
export DISPLAY=:$(head -n 1 "$TMP/display")
as_user nudgelark < /dev/null > "$LOG" 2>&1 &
app=$!
main=$(e2e_wait_main 60) || fail "the main window did not show"
as_user nudgelark --add "Call Ana" --text "Call Ana back" --at 01.01.30 18:00 < /dev/null || fail "--add to the running program"
as_user nudgelark --list < /dev/null > "$TMP/list" || fail "--list"
grep -qP '^Tea\t' "$TMP/list" && grep -qP '^Call Ana\t01.01.30 18:00:00\tnot done$' "$TMP/list" || fail "--list: $(cat "$TMP/list")"
start=$SECONDS
until grep -q '^Call Ana - 01.01.30 - 18:00:00 - 0 - 1, - 0' "$data/reminder.nld"; do
    ((SECONDS - start < 30)) || fail "the running program did not save Call Ana in $data"
    sleep 0.2
done
e2e_shot "$TMP/main-window.png"
echo "ok: the running program takes --add into its list and saves it in $data"

# The launcher's "New reminder", as the installed entry says.
action=$(awk '/^\[Desktop Action new\]/ { f = 1; next } /^\[/ { f = 0 } f && sub(/^Exec=/, "")' \
    /usr/share/applications/nudgelark.desktop)
[ "$action" = "nudgelark --new" ] || fail "the entry's New reminder action: $action"
as_user $action < /dev/null || fail "the action's command: exit $?"
e2e_wait_window "New reminder" 30 > /dev/null || fail "the action did not open the editor"
e2e_shot "$TMP/new-reminder.png"
echo "ok: \"New reminder\" opens the editor"

kill -TERM "$app"
start=$SECONDS
while kill -0 "$app" 2>/dev/null; do
    ((SECONDS - start < 30)) || fail "the program did not end on SIGTERM"
    sleep 0.2
done
app=
grep -q '^Tea - ' "$data/reminder.nld" && grep -q '^Call Ana - ' "$data/reminder.nld" || fail "rows lost"
echo "PASS"
