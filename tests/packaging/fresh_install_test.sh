#!/usr/bin/env bash
# The Debian package on a fresh Debian 12: a minimal bookworm root made with debootstrap, the
# package installed there with apt so that exactly its declared Depends come in, its program and
# engine module checked for unresolved libraries, the basket started inside the root from the
# installed .desktop entry on a private Xvfb display with openbox; then, with man-db and AppStream
# added to the root, `man` shows each program's page and AppStream lists the program from its
# metainfo; and the package purged again.
# Needs root and the Debian mirror; an unreachable mirror is a failure, not a skip.
# TALVORO_DEBIAN_MIRROR overrides the mirror taken from this machine's apt sources;
# TALVORO_FRESH_NO_CACHE=1 fetches everything instead of reusing this machine's apt cache.
# Usage: fresh_install_test.sh BUILD_DIR
set -uo pipefail
build=$(cd "${1:?build dir}" && pwd)
suite=bookworm
app_id=io.github.talvoro.Talvoro

passed=0 failed=0
check() { local what=$1; shift; if "$@"; then echo "ok   $what"; passed=$((passed+1)); else echo "FAIL $what"; failed=$((failed+1)); fi; }
give_up() { echo "FAIL $*"; echo "# $passed passed, $((failed+1)) failed"; exit 1; }

[ "$(id -u)" -eq 0 ] || give_up "making a root with debootstrap and entering it needs root"
for tool in cpack debootstrap chroot wget Xvfb openbox xdotool xprop import; do
    command -v "$tool" >/dev/null || give_up "$tool is not installed (tools/setup-debian.sh test)"
done

# The mirror this machine's own apt uses, so the fresh root sees what the build saw.
mirror=${TALVORO_DEBIAN_MIRROR:-$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
    /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v '^\s*#' |
    grep -oE 'https?://[^ ]+/debian/?( |$)' | head -1 | tr -d ' ')}
mirror=${mirror:-http://deb.debian.org/debian}
mirror=${mirror%/}
security=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources \
    2>/dev/null | grep -v '^\s*#' | grep -oE 'https?://[^ ]+/debian-security/?( |$)' | head -1 | tr -d ' ')
security=${security:-http://deb.debian.org/debian-security}
security=${security%/}

work=$(mktemp -d /tmp/talvoro-fresh.XXXXXX)
root=$work/root
pids=()
trap cleanup EXIT
trap 'exit 130' INT TERM

mounts_under() {  # mount points at or below $1, deepest first
    awk -v top="$1" '{ p = $5; gsub(/\\040/, " ", p); if (p == top || index(p, top "/") == 1) print p }' \
        /proc/self/mountinfo | sort -r
}
release() {  # stops what runs in the root under $1, unmounts everything there and removes $1
    local dir=$1 r p m
    for r in /proc/[0-9]*/root; do
        [ "$(readlink "$r" 2>/dev/null)" = "$dir/root" ] && { p=${r#/proc/}; kill -9 "${p%/root}" 2>/dev/null; }
    done
    for _ in 1 2 3; do
        while read -r m; do
            [ -n "$m" ] && { umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null; }
        done < <(mounts_under "$dir")
        [ -z "$(mounts_under "$dir")" ] && break
        sleep 0.5
    done
    if [ -n "$(mounts_under "$dir")" ]; then
        echo "FAIL still mounted, $dir left in place:"; mounts_under "$dir" | sed 's/^/#   /'
        return 1
    fi
    # --one-file-system: even a mount that appeared since is never descended into.
    rm -rf --one-file-system "$dir"
}
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    release "$work" || exit 1
}
echo $$ >"$work/owner"
# A run killed outright (a ctest timeout sends SIGKILL) could not clean up after itself.
for old in /tmp/talvoro-fresh.*; do
    [ -d "$old" ] && [ "$old" != "$work" ] || continue
    [ -f "$old/owner" ] && kill -0 "$(cat "$old/owner")" 2>/dev/null && continue
    echo "# removing what an earlier run left: $old"
    release "$old"
done
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
t_start=$(now)

# --- the package ---
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; give_up "cpack failed"; }
deb=$(ls "$work"/talvoro_*.deb 2>/dev/null | head -1)
check "cpack built a package" test -f "$deb"
[ -f "$deb" ] || give_up "no package to install"
echo "# $(basename "$deb"), $(du -k "$deb" | cut -f1) kB, Depends: $(dpkg-deb -f "$deb" Depends)"

# --- a fresh bookworm root ---
wget -q -T 20 -t 2 -O /dev/null "$mirror/dists/$suite/InRelease" ||
    give_up "the Debian mirror $mirror cannot be reached; a fresh install needs the network"
# Packages this machine's apt already fetched are offered to debootstrap and apt (hard links, so
# nothing is copied and the host's cache is never written); anything else comes from the mirror,
# and every file is checked against the archive's checksums either way.
mkdir -p "$work/debs"
[ -n "${TALVORO_FRESH_NO_CACHE:-}" ] ||
    find /var/cache/apt/archives -maxdepth 1 -name '*.deb' -exec cp -l -t "$work/debs" {} + 2>/dev/null
cached=$(find "$work/debs" -name '*.deb' | wc -l)
t=$(now)
if ! timeout 300 debootstrap --variant=minbase --cache-dir="$work/debs" "$suite" "$root" "$mirror" >"$work/debootstrap.log" 2>&1; then
    tail -n 20 "$work/debootstrap.log" | sed 's/^/#   /'
    give_up "debootstrap could not make a $suite root from $mirror"
fi
echo "# debootstrap --variant=minbase $suite: $(since "$t") s ($cached packages offered from the local cache)"
check "the root is Debian 12" grep -q '^12' "$root/etc/debian_version"

mount -t proc proc "$root/proc" || give_up "cannot mount /proc in the root"
mount -t sysfs -o ro sysfs "$root/sys" || give_up "cannot mount /sys in the root"
mount -t tmpfs -o mode=1777,size=64m shm "$root/dev/shm" || give_up "cannot mount /dev/shm in the root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb $security $suite-security main
EOF
# A root is no running system: no daemon is started, and dpkg need not sync every file.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d" && chmod 755 "$root/usr/sbin/policy-rc.d"
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/unsafe-io"
cp "$deb" "$root/tmp/"
find "$work/debs" -name '*.deb' -exec cp -l -t "$root/var/cache/apt/archives" {} + 2>/dev/null

inside() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive ${http_proxy:+http_proxy=$http_proxy} \
    ${https_proxy:+https_proxy=$https_proxy} "$@"; }
installed() { inside dpkg-query -W -f '${db:Status-Abbrev}\n' | grep -c '^ii'; }
apt_options=(-o Acquire::Languages=none -o APT::Sandbox::User=root -o Dpkg::Use-Pty=0)

before=$(installed)
size_before=$(du -smx --exclude="$root/var/cache/apt" "$root" | cut -f1)
t=$(now)
inside timeout 420 sh -c "cd /tmp && apt-get ${apt_options[*]} update && apt-get ${apt_options[*]} install -y \
    --no-install-recommends ./$(basename "$deb")" >"$work/apt.log" 2>&1
status=$?
echo "# apt-get update and install: $(since "$t") s"
check "apt installs it with its dependencies on a fresh system" test "$status" -eq 0
if [ "$status" -ne 0 ]; then
    tail -n 30 "$work/apt.log" | sed 's/^/#   /'
    grep -qE 'Could not resolve|Failed to fetch|Temporary failure' "$work/apt.log" &&
        echo "# the mirror could not be reached from the root"
    give_up "nothing to check without the package installed"
fi
after=$(installed)
size_after=$(du -smx --exclude="$root/var/cache/apt" "$root" | cut -f1)
echo "# apt installed $((after - before)) packages ($before in the minimal root, $after after);" \
     "$(sed -n 's|^Need to get \(.*\) of archives.*|\1|p' "$work/apt.log" | head -1) of archives fetched (of all needed)"
echo "# talvoro Installed-Size $(dpkg-deb -f "$deb" Installed-Size) kB; with its dependencies" \
     "the root grew by $((size_after - size_before)) MB"

# --- what was installed ---
files=$(inside dpkg -L talvoro)
check "dpkg lists /usr/bin/talvoro" grep -qx /usr/bin/talvoro <<<"$files"
check "dpkg lists the .desktop entry" grep -qx /usr/share/applications/$app_id.desktop <<<"$files"
check "dpkg lists the metainfo where AppStream looks" grep -qx /usr/share/metainfo/$app_id.metainfo.xml <<<"$files"
modules=$(find "$root/usr/lib/talvoro" -name '*.so*' -type f 2>/dev/null | sed "s|^$root||")
check "the engine module is installed under /usr/lib/talvoro" test -n "$modules"
for f in /usr/bin/talvoro $modules; do
    out=$(inside ldd "$f" 2>&1)
    check "ldd $f resolves every library in the root" test -n "$out" -a -z "$(grep 'not found' <<<"$out")"
    grep 'not found' <<<"$out" | sed 's/^/#   /'
done

# --- the basket, started inside the root the way a desktop starts it ---
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/$app_id.desktop" | head -1 |
            sed -E 's/ +%[fFuUdDnNickvm]//g')
check "the entry's Exec line names a program on PATH" inside sh -c "command -v ${exec_line%% *} >/dev/null"
# The X server listens on an abstract socket as well, which the root shares with the host.
home=$work
. "$(dirname "$0")/../../tools/private-desktop.sh" || give_up "Xvfb did not start"
pids+=("${desktop_pids[@]}")
mkdir -p -m 700 "$root/run/talvoro-user" && mkdir -p "$root/root/.talvoro-config"
t=$(now)
# exec all the way down, so that $! is the program itself.
(exec > "$work/app.log" 2>&1; exec chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/root \
    LANG=C.UTF-8 DISPLAY="$DISPLAY" XDG_RUNTIME_DIR=/run/talvoro-user XDG_CONFIG_HOME=/root/.talvoro-config \
    sh -c "cd / && exec $exec_line") &
app=$!
pids+=($app)
shown=
for _ in $(seq 150); do
    shown=$(xdotool search --onlyvisible --class talvoro 2>/dev/null | head -1)
    [ -n "$shown" ] && break
    sleep 0.1
done
check "the program shows a window ($(since "$t") s after the start)" test -n "$shown"
check "it runs inside the fresh root" test "$(readlink /proc/$app/root 2>/dev/null)" = "$root"
check "it runs from the root's /usr/bin" test "$(readlink /proc/$app/exe 2>/dev/null)" = "$root/usr/bin/talvoro"
# A missing engine, voice data or font shows an error box, before the basket or beside it, so
# what counts is the whole set of its windows once it has settled.
sleep 0.5
windows=$(xdotool search --onlyvisible --pid $app 2>/dev/null)
check "it shows exactly one window (no error box)" test "$(wc -w <<<"$windows")" -eq 1
check "that window is the 40 x 40 basket" \
    grep -q "Geometry: 40x40" <(xdotool getwindowgeometry "${windows%%$'\n'*}" 2>/dev/null)
if [ "$(wc -w <<<"$windows")" -ne 1 ] || ! grep -q "Geometry: 40x40" <(xdotool getwindowgeometry "$shown" 2>/dev/null); then
    for w in $windows; do echo "#   window $w: \"$(xdotool getwindowname "$w" 2>/dev/null)\"" \
        "$(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: //p')"; done
    echo "# its output:"; sed 's/^/#   /' "$work/app.log"
fi
import -window root /tmp/talvoro-fresh-installed.png 2>/dev/null
# It answers there: a right click opens the pop-up, drawn with the root's own fonts.
eval "$(xdotool getwindowgeometry --shell "${windows%%$'\n'*}" 2>/dev/null)"
xdotool mousemove $((X + 20)) $((Y + 20)) click 3 2>/dev/null
popup=
for _ in $(seq 50); do
    [ "$(xdotool search --onlyvisible --pid $app 2>/dev/null | wc -l)" -ge 2 ] && { popup=yes; break; }
    sleep 0.1
done
check "a right click opens its pop-up menu" test -n "$popup"
sleep 0.3
import -window root /tmp/talvoro-fresh-popup.png 2>/dev/null
xdotool key Escape 2>/dev/null
kill $app 2>/dev/null
wait $app 2>/dev/null

# --- found by man and by software centres ---
# Neither is in a minimal root; they come after the basket has run with only its own Depends.
t=$(now)
inside timeout 300 apt-get "${apt_options[@]}" install -y --no-install-recommends man-db appstream \
    >>"$work/apt.log" 2>&1
check "apt adds man-db and appstream ($(since "$t") s)" test $? -eq 0
for program in $(grep '^/usr/bin/' <<<"$files"); do
    name=${program##*/}
    page=$(inside env MANWIDTH=80 man -P cat "$name" 2>&1)
    check "man $name shows its page" grep -qE "^ +$name - " <<<"$page"
    [ -n "$page" ] && sed -n '/^NAME/,/^SYNOPSIS/p' <<<"$page" | sed '/^$/d; s/^/#   /' | head -4
done
inside appstreamcli refresh-cache --force >>"$work/apt.log" 2>&1
component=$(inside appstreamcli get "$app_id" 2>&1)
check "AppStream knows $app_id from its metainfo" grep -q "^Identifier: $app_id" <<<"$component"
# The metainfo names no icon: AppStream has it from the .desktop entry the metainfo launches.
check "with the icon of the .desktop entry it launches" grep -qx "Icon: talvoro" <<<"$component"
sed 's/^/#   /' <<<"$component" | head -8

# --- and away again ---
quietly() { "$@" >>"$work/apt.log" 2>&1; }
check "apt purges it" quietly inside apt-get "${apt_options[@]}" purge -y talvoro
check "dpkg no longer knows it" test -z "$(inside dpkg-query -W -f '${db:Status-Abbrev}' talvoro 2>/dev/null | tr -d ' ')"
left=$(while read -r f; do [ -f "$root$f" -o -L "$root$f" ] && echo "$f"; done <<<"$files")
check "nothing of it is left" test -z "$left" -a ! -e "$root/usr/lib/talvoro" -a ! -e "$root/usr/share/doc/talvoro"
[ -z "$left" ] || sed 's/^/#   left: /' <<<"$left"

echo "# $(since "$t_start") s in all"
echo "# $passed passed, $failed failed"
[ "$failed" -eq 0 ]
