#!/usr/bin/env bash
# The Windows edition's help viewer and provisioning under 64-bit Wine: the provisioning and
# viewer checks of talvoro_win32_docs_tests.exe, then the program itself driven as a user drives
# it: 帮助 from the pop-up opens one window titled 使用手册 and writes the manual to
# %WINDIR%\temp\daveduvhelp.mht; choosing it again keeps one window; closing the viewer leaves
# the basket; a viewer left open keeps the program running after the basket has closed. Wine
# runs without its Gecko engine here, so the browser shows nothing: the window must still come
# and go without a crash.
#
# Needs a built build-win64 (tools/build-windows.sh). Uses $DISPLAY when set (with a window
# manager running); otherwise starts its own Xvfb and openbox. Exit 0 when every check passed.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bin=${TALVORO_WIN64_DIR:-$root/build-win64/src/platform/win32}
exe=$bin/talvoro.exe
docs_tests=$bin/talvoro_win32_docs_tests.exe
manual=$bin/talvoro-manual.mht
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
shot=${TALVORO_SCREENSHOT:-/tmp/wine_help.png}

passed=0
failed=0
check() {  # check "what" command...
    local what=$1
    shift
    if "$@"; then echo "ok   $what"; passed=$((passed + 1)); else echo "FAIL $what"; failed=$((failed + 1)); fi
}

for f in "$exe" "$docs_tests" "$manual"; do
    [ -f "$f" ] || { echo "missing $f: run tools/build-windows.sh first" >&2; exit 2; }
done

own_pids=()
prefix=$(mktemp -d /tmp/talvoro-wine-help.XXXXXX)
cleanup() {
    WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null
    for pid in "${own_pids[@]}"; do kill "$pid" 2>/dev/null; done
    rm -rf "$prefix"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    exec {fd}< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
    own_pids+=($!)
    read -r -t 30 n <&$fd || { echo "Xvfb did not start" >&2; exit 2; }
    export DISPLAY=:$n
    openbox >/dev/null 2>&1 &
    own_pids+=($!)
    wait_wm() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    for _ in $(seq 200); do wait_wm && break; sleep 0.1; done
    wait_wm || { echo "openbox did not start on $DISPLAY" >&2; exit 2; }
fi
echo "# display $DISPLAY, Wine prefix $prefix"
# Without Gecko the browser control shows nothing, and Wine never asks to install it.
export WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /t REG_SZ /d "Noto Sans CJK SC" /f \
    >/dev/null 2>&1

echo "# provisioning and viewer checks"
"$wine" "$docs_tests" 2>/dev/null | sed 's/^/#   /'
check "the provisioning and viewer checks pass under Wine" test "${PIPESTATUS[0]}" -eq 0

help_file=$prefix/drive_c/windows/temp/daveduvhelp.mht
app_pid=
app_windows() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null; }
window_named() {  # the program's visible windows titled $1
    local w
    for w in $(app_windows); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && echo "$w"
    done
}
basket() {
    local w
    for w in $(app_windows); do
        xdotool getwindowgeometry --shell "$w" 2>/dev/null | grep -qx 'WIDTH=40' && { echo "$w"; return 0; }
    done
    return 1
}
wait_for() {  # wait_for SECONDS command...
    local until=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -ge $until ] && return 1
        sleep 0.2
    done
}
running() { kill -0 "$app_pid" 2>/dev/null; }
exited() { ! running; }
viewers() { window_named 使用手册 | wc -l; }
one_viewer() { [ "$(viewers)" -eq 1 ]; }
no_viewer() { [ "$(viewers)" -eq 0 ]; }

start_basket() {
    "$wine" "$exe" >/dev/null 2>&1 &
    app_pid=$!
    local until=$((SECONDS + 40)) w x y width height screen
    while [ $SECONDS -lt $until ]; do
        basket >/dev/null && { sleep 0.5; return 0; }
        # Wine's speech stub fails a call at start: answer its error box as a user would.
        for w in $(app_windows); do
            case $(xdotool getwindowname "$w" 2>/dev/null) in
                错误信息：*)
                    eval "$(xdotool getwindowgeometry --shell "$w" | tr '[:upper:]' '[:lower:]')"
                    xdotool windowactivate --sync "$w" 2>/dev/null
                    xdotool mousemove $((x + width / 2)) $((y + 10)) click 1 sleep 0.2 key Return
                    sleep 0.5 ;;
            esac
        done
        sleep 0.2
    done
    return 1
}
menu() {  # menu KEYS...: a right click on the basket, then keys in the pop-up once it is open
    local X= Y= WIDTH HEIGHT SCREEN WINDOW before geometry until=$((SECONDS + 10))
    # Wine may put the basket's window up anew just after a viewer came or went: ask for its
    # place until the window that answers is still there.
    until geometry=$(basket_geometry); do
        [ $SECONDS -ge $until ] && { echo "# no basket to right-click"; return 1; }
        sleep 0.2
    done
    eval "$geometry"
    before=$(app_windows | wc -l)
    xdotool mousemove $((X + 20)) $((Y + 20)) sleep 0.2 mousedown 3 sleep 0.1 mouseup 3
    wait_for 5 more_windows_than "$before" || echo "# the pop-up did not show within 5 s"
    xdotool key --delay 120 "$@"
    sleep 0.5
}
basket_geometry() {  # the basket's X=, Y=... lines, or failure while it has none
    local w g
    w=$(basket) && g=$(xdotool getwindowgeometry --shell "$w" 2>/dev/null) &&
        grep -q '^X=[0-9-]' <<<"$g" && echo "$g"
}
more_windows_than() { [ "$(app_windows | wc -l)" -gt "$1" ]; }
choose_help() { menu Up Up Up Return; }  # from no selection: 关闭, 关于, 帮助
close_viewer() {
    xdotool windowactivate --sync "$(window_named 使用手册 | head -1)" 2>/dev/null
    xdotool key alt+F4
    wait_for 10 no_viewer
}
same_file() { [ "$(stat -c %i.%Y "$help_file")" = "$1" ]; }

check "the basket appears" start_basket
choose_help
check "帮助 opens one window titled 使用手册" wait_for 15 one_viewer
import -window root "$shot"
echo "# screenshot with the viewer open: $shot"
check "the manual is written to %WINDIR%\\temp\\daveduvhelp.mht" cmp -s "$help_file" "$manual"
written=$(stat -c %i.%Y "$help_file")
sleep 1.1
choose_help
sleep 1
check "帮助 again keeps one window" one_viewer
check "and leaves the file as it was" same_file "$written"
check "closing the viewer" close_viewer
check "leaves the basket running" running

echo "# a viewer left open when the basket closes"
choose_help
check "the viewer opens again" wait_for 15 one_viewer
menu Up Return  # 关闭
check "the basket closes" wait_for 10 eval '! basket'
check "the program runs on while the viewer is open" running
close_viewer
check "closing the viewer then ends the program" wait_for 10 exited

echo "# $passed passed, $failed failed"
[ "$failed" -eq 0 ]
