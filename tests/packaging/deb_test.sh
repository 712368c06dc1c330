#!/usr/bin/env bash
# The Debian package: built with cpack from the build tree, its contents and metadata checked,
# installed with dpkg, the basket started from its .desktop entry on a private Xvfb display with
# openbox, and the package removed again. Usage: deb_test.sh BUILD_DIR
set -uo pipefail
build=$(cd "${1:?build dir}" && pwd)
work=$(mktemp -d /tmp/talvoro-deb.XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    dpkg -r talvoro >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
passed=0 failed=0
check() { local what=$1; shift; if "$@"; then echo "ok   $what"; passed=$((passed+1)); else echo "FAIL $what"; failed=$((failed+1)); fi; }

(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/talvoro_*.deb 2>/dev/null | head -1)
check "cpack built a package" test -f "$deb"
echo "# $(basename "$deb"), $(du -k "$deb" | cut -f1) kB"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/talvoro ./usr/lib/talvoro/libtalvoro-espeak.so ./usr/share/applications/talvoro.desktop \
         ./usr/share/icons/hicolor/48x48/apps/talvoro.png ./usr/share/icons/hicolor/128x128/apps/talvoro.png; do
    check "the package holds $f" grep -qx "$f" <<<"$contents"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "# Depends: $depends"
for d in libqt6widgets6 libespeak-ng1 libpulse0 espeak-ng-data fonts-noto-cjk; do
    check "it depends on $d" grep -q "$d" <<<"$depends"
done
dpkg-deb -x "$deb" "$work/root"
check "the .desktop entry is valid" desktop-file-validate "$work/root/usr/share/applications/talvoro.desktop"

quietly() { "$@" >>"$work/dpkg.log" 2>&1; }
check "dpkg installs it" quietly dpkg -i "$deb"
check "dpkg lists its files" grep -qx /usr/bin/talvoro <(dpkg -L talvoro)

# Start it the way a desktop does: the Exec line of the installed entry, found on PATH.
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/talvoro.desktop)
home=$work
. "$(dirname "$0")/../../tools/private-desktop.sh" || exit 1
pids+=("${desktop_pids[@]}")
export XDG_CONFIG_HOME=$work/config
(cd / && exec env PATH=/usr/bin:/bin $exec_line >"$work/app.log" 2>&1) &
app=$!
pids+=($app)
windows=
for _ in $(seq 100); do
    windows=$(xdotool search --onlyvisible --pid $app 2>/dev/null)
    [ -n "$windows" ] && break
    sleep 0.1
done
sleep 1  # an error box of the start-up would be up by now
windows=$(xdotool search --onlyvisible --pid $app 2>/dev/null)
check "the installed program shows a window" test -n "$windows"
check "it runs from /usr/bin" test "$(readlink /proc/$app/exe 2>/dev/null)" = /usr/bin/talvoro
# One window, and that the basket: a missing engine or engine data shows an error box instead.
basket=$(head -1 <<<"$windows")
geometry=$(xdotool getwindowgeometry "$basket" 2>/dev/null | tr '\n' ' ')
check "it shows only its basket, 40 x 40 (no error box)" \
    test "$(wc -w <<<"$windows")" -eq 1 -a -n "$(grep -o 'Geometry: 40x40' <<<"$geometry")"
[ "$(wc -w <<<"$windows")" -eq 1 ] || {
    for w in $windows; do echo "# window: $(xdotool getwindowname "$w")"; done
    echo "# its output:"; sed 's/^/#   /' "$work/app.log"
}
import -window root "$work/installed.png" 2>/dev/null && cp "$work/installed.png" /tmp/talvoro-installed.png
kill $app 2>/dev/null

check "dpkg removes it" quietly dpkg -r talvoro
check "nothing of it is left" test ! -e /usr/bin/talvoro -a ! -e /usr/lib/talvoro
echo "# $passed passed, $failed failed"
[ "$failed" -eq 0 ]
