#!/usr/bin/env bash
# The Debian package: built with cpack from the build tree; checked by lintian (nothing above
# info level but the tags in lintian-allowed, each with its reason), its copyright file, its
# AppStream metainfo and .desktop entry, its stripped binaries against the debug symbols in
# talvoro-dbgsym; installed with dpkg, the basket started from its .desktop entry on a private
# Xvfb display with openbox, and the package removed again. Usage: deb_test.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
app_id=io.github.talvoro.Talvoro
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
ddeb=$(ls "$work"/talvoro-dbgsym_*.ddeb 2>/dev/null | head -1)
check "cpack built a package" test -f "$deb"
check "and its debug symbols package" test -f "$ddeb"
version=$(dpkg-deb -f "$deb" Version)
echo "# $(basename "$deb"), $(du -k "$deb" | cut -f1) kB; $(basename "$ddeb"), $(du -k "$ddeb" | cut -f1) kB"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/talvoro ./usr/lib/talvoro/libtalvoro-espeak.so ./usr/share/applications/$app_id.desktop \
         ./usr/share/metainfo/$app_id.metainfo.xml ./usr/share/man/man1/talvoro.1.gz \
         ./usr/share/doc/talvoro/copyright ./usr/share/doc/talvoro/changelog.gz \
         ./usr/share/icons/hicolor/48x48/apps/talvoro.png ./usr/share/icons/hicolor/128x128/apps/talvoro.png; do
    check "the package holds $f" grep -qx "$f" <<<"$contents"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "# Depends: $depends"
for d in libqt6widgets6 libespeak-ng1 libpulse0 espeak-ng-data fonts-noto-cjk; do
    check "it depends on $d" grep -q "$d" <<<"$depends"
done

# --- Debian's package checker ---
allowed=$here/lintian-allowed
lintian --display-info --no-tag-display-limit "$deb" "$ddeb" >"$work/lintian.log" 2>&1
status=$?
# 1 is lintian's own failure; 2 only says that it found errors, which are weighed below.
check "lintian ran (status $status)" test "$status" -ne 1
unexplained=$(awk '!/^#/ && NF == 1 { print $1 }' "$allowed")
check "every tag allowed in lintian-allowed says why" test -z "$unexplained"
unexpected=$(grep -E '^[EW]: ' "$work/lintian.log" | while read -r _ _ tag _; do
    grep -qE "^$tag\s" "$allowed" || echo "$tag"; done | sort -u)
check "lintian finds no error or warning beyond lintian-allowed" test -z "$unexpected"
grep -E '^[EW]: ' "$work/lintian.log" | sed 's/^/#   /'
echo "# lintian: $(grep -c '^[EW]: ' "$work/lintian.log") errors and warnings," \
     "$(grep -c '^I: ' "$work/lintian.log") infos ($(sed -n 's/^I: [^ ]* \([^ ]*\).*/\1/p' \
     "$work/lintian.log" | sort -u | tr '\n' ' '))"

# --- what it tells the system about itself ---
root=$work/root
dpkg-deb -x "$deb" "$root"
check "the .desktop entry is valid" desktop-file-validate "$root/usr/share/applications/$app_id.desktop"
# validate-tree also looks for the .desktop entry the metainfo launches, in the same tree.
appstreamcli validate-tree --no-net "$root" >"$work/appstream.log" 2>&1
check "the AppStream metainfo is valid, with its .desktop entry beside it" test $? -eq 0
grep -E '^ *[EWI]: ' "$work/appstream.log" | sed 's/^ */#   /'
check "the copyright file covers what the package ships" "$here/check_copyright.py" "$root"
zcat "$root/usr/share/doc/talvoro/changelog.gz" >"$work/changelog"
check "the changelog's newest entry is this version ($version)" \
    test "$(dpkg-parsechangelog -l "$work/changelog" -S Version 2>&1)" = "$version"

# --- stripped binaries, their symbols in talvoro-dbgsym by build id ---
dpkg-deb -x "$ddeb" "$work/dbgsym"
elves=$(find "$root" -type f -exec sh -c 'head -c4 "$1" | grep -q ELF' sh {} \; -print | sort)
for elf in $elves; do
    name=${elf#$root}
    check "$name is stripped" test -z "$(readelf -S --wide "$elf" | grep -E ' \.(symtab|debug_info) ')"
    id=$(readelf -n "$elf" | sed -n 's/.*Build ID: \([0-9a-f]*\).*/\1/p')
    debug=$work/dbgsym/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug
    check "talvoro-dbgsym holds its symbols and line tables (build id ${id:0:8}...)" \
        test -n "$id" -a -n "$(readelf -S --wide "$debug" 2>/dev/null | grep ' \.debug_line ')" \
             -a -n "$(readelf -S --wide "$debug" 2>/dev/null | grep ' \.symtab ')"
done

quietly() { "$@" >>"$work/dpkg.log" 2>&1; }
check "dpkg installs it" quietly dpkg -i "$deb"
check "dpkg lists its files" grep -qx /usr/bin/talvoro <(dpkg -L talvoro)

# Start it the way a desktop does: the Exec line of the installed entry, found on PATH.
entry=/usr/share/applications/$app_id.desktop
exec_line=$(sed -n 's/^Exec=//p' "$entry")
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
# Docks and task bars find the entry of a window by its class.
wm_class=$(xprop -id "$basket" WM_CLASS 2>/dev/null | sed -n 's/.*", "\(.*\)"$/\1/p')
check "the basket's window class ($wm_class) is the entry's StartupWMClass" \
    test -n "$wm_class" -a "$wm_class" = "$(sed -n 's/^StartupWMClass=//p' "$entry")"
import -window root "$work/installed.png" 2>/dev/null && cp "$work/installed.png" /tmp/talvoro-installed.png
kill $app 2>/dev/null

check "dpkg removes it" quietly dpkg -r talvoro
check "nothing of it is left" test ! -e /usr/bin/talvoro -a ! -e /usr/lib/talvoro
echo "# $passed passed, $failed failed"
[ "$failed" -eq 0 ]
