#!/usr/bin/env bash
# The Windows edition under 64-bit Wine, driven the way a user drives it: placement restored
# from the registry, always on top, the pop-up menu, pasting text copied in another program and
# reading it, a drag with the left button, closing from the menu and with Alt+F4, and the place
# saved for the next start. Wine's speech service is a stub that lists one voice and fails most
# calls; the program must live with it.
#
# Needs a built build-win64 (tools/build-windows.sh). Uses $DISPLAY when set (with a window
# manager running); otherwise starts its own Xvfb and openbox. Exit 0 when every check passed.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bin=${TALVORO_WIN64_DIR:-$root/build-win64/src/platform/win32}
exe=$bin/talvoro.exe
unit_tests=$bin/talvoro_win32_tests.exe
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
shot=${TALVORO_SCREENSHOT:-/tmp/wine_basket.png}

passed=0
failed=0
ok() { echo "ok   $*"; passed=$((passed + 1)); }
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
check() {  # check "what" command...
    local what=$1
    shift
    if "$@"; then ok "$what"; else fail "$what"; fi
}

[ -x "$exe" ] || { echo "missing $exe: run tools/build-windows.sh first" >&2; exit 2; }
for tool in xdotool xprop xdpyinfo import convert xclip; do
    command -v $tool >/dev/null || { echo "missing $tool" >&2; exit 2; }
done

own_pids=()
prefix=$(mktemp -d /tmp/talvoro-wine.XXXXXX)
cleanup() {
    WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null
    mountpoint -q "$prefix/small" 2>/dev/null && umount "$prefix/small"
    for pid in "${own_pids[@]}"; do kill "$pid" 2>/dev/null; done
    rm -rf "$prefix"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    # Xvfb picks a free display itself and writes its number to the pipe.
    exec {fd}< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
    own_pids+=($!)
    read -r -t 30 n <&$fd || { echo "Xvfb did not start" >&2; exit 2; }
    export DISPLAY=:$n
    openbox >/dev/null 2>&1 &
    own_pids+=($!)
    wait_wm() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    for _ in $(seq 200); do wait_wm && break; sleep 0.1; done
    wait_wm || { echo "openbox did not start on $DISPLAY" >&2; exit 2; }
    sleep 0.5  # openbox announces itself before it manages new windows
fi
echo "# display $DISPLAY, Wine prefix $prefix"

export WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
reg() { "$wine" reg "$@" >/dev/null 2>&1; }
reg_value() {  # reg_value NAME: the REG_SZ value of HKCU\Software\Talvoro\site
    "$wine" reg query 'HKCU\Software\Talvoro\site' /v "$1" 2>/dev/null |
        awk -v n="$1" '$1 == n && $2 == "REG_SZ" { print $3 }' | tr -d '\r'
}
set_place() {
    reg add 'HKCU\Software\Talvoro\site' /v top /t REG_SZ /d "$1" /f
    reg add 'HKCU\Software\Talvoro\site' /v left /t REG_SZ /d "$2" /f
}

# A new prefix takes a while; the first reg call sets it up. Wine finds no font for Chinese
# under the names Windows uses, so the Simplified Chinese fallback is pointed at Noto CJK.
reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /t REG_SZ /d "Noto Sans CJK SC" /f

if [ -x "$unit_tests" ]; then
    echo "# adapter tests"
    # A small drive T: (a 64 KiB tmpfs, root only) for saving onto a full disk.
    small_drive=
    if [ "$(id -u)" -eq 0 ] && mkdir -p "$prefix/small" &&
        mount -t tmpfs -o size=64k tmpfs "$prefix/small" 2>/dev/null; then
        ln -sfn "$prefix/small" "$prefix/dosdevices/t:"
        small_drive=T:
    fi
    # A text file that is a link to a device that never ends.
    ln -s /dev/zero "$prefix/drive_c/story-link.txt"
    TALVORO_SMALL_DRIVE=$small_drive TALVORO_DEVICE_LINK='C:\story-link.txt' \
        "$wine" "$unit_tests" 2>/dev/null | sed 's/^/#   /'
    check "the adapter tests pass under Wine" test "${PIPESTATUS[0]}" -eq 0
    [ -z "$small_drive" ] || umount "$prefix/small"
fi

app_pid=
speech_log=$prefix/speech.log
startup_boxes=()
geometry() { xdotool getwindowgeometry --shell "$1" 2>/dev/null | tr '\n' ' '; }
app_windows() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null; }
basket() {  # the program's visible 40 x 40 window
    local w
    for w in $(app_windows); do
        case " $(geometry "$w")" in *" WIDTH=40 HEIGHT=40 "*) echo "$w"; return 0 ;; esac
    done
    return 1
}
named_window() {  # named_window TITLE: the program's visible window with this title
    local w
    for w in $(app_windows); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
    done
    return 1
}
wait_for() {  # wait_for SECONDS command...: until the command succeeds
    local until=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -ge $until ] && return 1
        sleep 0.2
    done
}
window_count() { app_windows | wc -l; }
more_windows_than() { [ "$(window_count)" -gt "$1" ]; }
exited() { ! kill -0 "$app_pid" 2>/dev/null; }

# Answers a message box with Return. A click in the box first gives it the keyboard focus,
# so the key reaches it however the window manager hands out focus.
answer_box() {
    local x y width height screen
    eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null | tr '[:upper:]' '[:lower:]')"
    [ -n "${width:-}" ] || return 1
    xdotool windowactivate --sync "$1" 2>/dev/null
    xdotool mousemove $((x + width / 2)) $((y + 10)) click 1 sleep 0.2 key Return
    sleep 0.5
}

# Starts the program and waits for the basket. Start-up error boxes (Wine's speech stub fails
# some calls) are recorded and answered with Return, as a user would.
start_basket() {
    # A copy left over from a failed step would take the next one's clicks.
    if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
        kill "$app_pid"
        wait_for 10 exited
    fi
    # Wine's debug channel for the speech service tells each call to Speak.
    WINEDEBUG=-all,+sapi "$wine" "$exe" >/dev/null 2>"$speech_log" &
    app_pid=$!
    startup_boxes=()
    seen_boxes=()
    local until=$((SECONDS + 40)) w title
    while [ $SECONDS -lt $until ]; do
        if basket >/dev/null; then
            sleep 0.5  # a user does not act within the first instant either
            return 0
        fi
        for w in $(app_windows); do
            title=$(xdotool getwindowname "$w" 2>/dev/null)
            case $title in
                错误信息：*)
                    case " ${seen_boxes[*]} " in *" $w "*) ;; *)
                        seen_boxes+=("$w")
                        startup_boxes+=("$title") ;;
                    esac
                    answer_box "$w"
                    ;;
            esac
        done
        sleep 0.2
    done
    return 1
}

at_place() {  # at_place X Y: the basket's outer top-left corner on the screen
    local w
    w=$(basket) || return 1
    case " $(geometry "$w")" in *" X=$1 Y=$2 WIDTH=40 HEIGHT=40 "*) return 0 ;; esac
    echo "# basket geometry: $(geometry "$w")"
    return 1
}
above() { xprop -id "$(basket)" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }

# A right click in the basket's middle, then the pop-up; a user's click lasts a moment.
open_menu() {
    local w x y before
    w=$(basket) || return 1
    eval "$(xdotool getwindowgeometry --shell "$w")"
    before=$(window_count)
    xdotool mousemove $((X + 20)) $((Y + 20)) sleep 0.2 mousedown 3 sleep 0.1 mouseup 3
    wait_for 5 more_windows_than "$before"
}
menu_keys() { xdotool key --delay 120 "$@"; sleep 0.5; }
menu_window() {  # the open pop-up: the program's untitled window that is not the basket
    local w
    for w in $(app_windows); do
        case " $(geometry "$w")" in *" WIDTH=40 HEIGHT=40 "*) continue ;; esac
        [ -z "$(xdotool getwindowname "$w" 2>/dev/null)" ] && { echo "$w"; return 0; }
    done
    return 1
}

# The rows of a picture of the pop-up, top to bottom, read off its pixels: "|" for a separator,
# "on" for an item in dark (enabled) text, "off" for one in grey (disabled) text, and a "*"
# after an item with a check mark left of its caption.
menu_rows() {  # menu_rows PNG
    convert "$1" -colorspace Gray -depth 8 txt:- 2>/dev/null | awk '
        NR == 1 { sub(/.*: /, ""); split($0, size, ","); w = size[1]; h = size[2]; next }
        { split($0, f, /[,:( ]+/); v = f[3] + 0; p[f[1], f[2]] = v; seen[v]++ }
        function item() {
            if (band >= 4) out = out " " (darkest < 90 ? "on" : "off") (checked ? "*" : "")
            band = 0; darkest = 255; checked = 0
        }
        END {
            for (v in seen) if (seen[v] > most) { most = seen[v]; bg = v }
            band = 0; darkest = 255
            for (y = 0; y < h; y++) {
                across = 0; ink = 0
                for (x = 4; x < w - 4; x++) {
                    d = bg - p[x, y]
                    if (d > 12 || d < -12) across++
                    if (x >= 16 && x < w - 12 && d > 30) {
                        ink++
                        if (p[x, y] < darkest) darkest = p[x, y]
                    }
                    if (x < 16 && d > 30 && p[x, y] < 90) mark = 1
                }
                if (across > (w - 8) * 0.8) {  # a line across: a separator or the frame
                    item()
                    if (out !~ /\|$/) out = out " |"
                } else if (ink) {
                    band++
                    if (mark) checked = 1
                } else {
                    item()
                }
                mark = 0
            }
            item()
            sub(/^ *(\| *)*/, "", out); sub(/( *\|)* *$/, "", out)
            print out
        }'
}
# The open pop-up's rows; its picture is kept as ${shot%.png}_NAME.png.
popup_rows() {  # popup_rows NAME
    local w picture=${shot%.png}_$1.png rows until=$((SECONDS + 5))
    # The window is mapped before its items are drawn: read until every row is there.
    while :; do
        w=$(menu_window) && import -window "$w" "$picture" 2>/dev/null &&
            rows=$(menu_rows "$picture") && [ "$(echo "$rows" | wc -w)" -eq 21 ] && break
        [ $SECONDS -ge $until ] && break
        sleep 0.2
    done
    echo "${rows:-}"
}
speak_calls() { grep -c 'sapi:spvoice_Speak (' "$speech_log"; }
spoken_more_than() { [ "$(speak_calls)" -gt "$1" ]; }
copied=
clipboard_holds_copy() { [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$copied" ]; }
copy_text() {  # copy_text TEXT: another program puts TEXT on the X clipboard and serves it
    copied=$1
    printf '%s' "$copied" | xclip -selection clipboard -quiet >/dev/null 2>&1 &
    own_pids+=($!)
    wait_for 5 clipboard_holds_copy || return 1
    sleep 0.5  # Wine takes the new owner's text on its next look
}
close_from_menu() {  # "关闭" is the menu's last item: Up from no selection reaches it
    open_menu && menu_keys Up Return && wait_for 10 exited
}
drag_basket() {  # drag_basket DX DY with the left button, in small steps
    local w x y i
    w=$(basket) || return 1
    eval "$(xdotool getwindowgeometry --shell "$w")"
    xdotool mousemove $((X + 20)) $((Y + 20)) sleep 0.2 mousedown 1 sleep 0.2
    for i in 1 2 3 4 5 6 7 8 9 10; do
        xdotool mousemove $((X + 20 + $1 * i / 10)) $((Y + 20 + $2 * i / 10)) sleep 0.05
    done
    xdotool sleep 0.2 mouseup 1
    sleep 0.8
}

echo "# first start: top 3000, left 4500 twips (200 and 300 pixels at 96 dpi)"
set_place 3000 4500
check "the basket appears" start_basket
for title in "${startup_boxes[@]}"; do echo "# start-up reported: $title"; done
# Wine 8's SetRate is a stub (E_NOTIMPL); that one box is the only start-up error allowed.
check "no start-up error but Wine's unimplemented speech calls" \
    test -z "$(printf '%s\n' "${startup_boxes[@]}" | grep -v '^错误信息：-2147467263$' | grep .)"
check "a 40 x 40 window at 300,200" at_place 300 200
check "it stays above other windows (_NET_WM_STATE_ABOVE)" above
check "the program keeps running with Wine's speech stub" kill -0 "$app_pid"

# Another program sends the basket and the program's message windows their own message numbers
# with made-up pointers, and broadcasts them: nothing in a message is trusted. The pasting and
# reading below show the basket still at work.
poke=$bin/talvoro_win32_poke.exe
if [ -x "$poke" ]; then
    poke_basket() { "$wine" "$poke" --broadcast | sed 's/^/# /'; return "${PIPESTATUS[0]}"; }
    check "another program's messages with made-up contents reach the basket" poke_basket
    check "the basket outlives them" eval 'sleep 1 && kill -0 "$app_pid" && basket >/dev/null'
fi

check "a right click opens the pop-up menu" open_menu
import -window root "$shot"
echo "# screenshot with the menu open: $shot"
# Up from no selection is "关闭", five more reach "语音", whose head is enabled only when at
# least one voice was listed; its sub-menu then opens as another window.
count=$(window_count)
menu_keys Up Up Up Up Up Up Right
check "the voice sub-menu opens (a voice was listed)" more_windows_than "$count"
import -window root "${shot%.png}_voices.png"
menu_keys Escape Escape Escape

# "朗读" with nothing to read: an information box under the program's title. The arrow keys
# stop on grayed items too (保存, 粘贴, 清除 here); only separators are passed over.
open_menu && menu_keys Down Down Down Down Down Down Down Return
check "reading an empty buffer shows a box titled Talvoro" wait_for 5 named_window Talvoro
import -window root "${shot%.png}_read.png"
answer_box "$(named_window Talvoro)"
check "the box closes with Return" wait_for 5 eval '! named_window Talvoro'

# Text copied in another program, pasted with 自动 ticked: it is read at once. Wine's Speak
# fails, and a failed read ends in silence, the menu back at rest: 朗读 enabled as the buffer
# holds text, 停止 and 暂停 grey. Rows: 打开 保存 | 粘贴 清除 | 叠加 自动 | 朗读 停止 暂停 |
# 语音 语速 音量 | 帮助 关于 | 关闭.
empty_rows="on off | on off | on on* | on off off | on on on | on on | on"
idle_rows="on on | on on | on on* | on off off | on on on | on on | on"
read_in_silence() {  # read_in_silence WHAT SPEAK_CALLS_BEFORE
    check "$1 calls Speak" wait_for 5 spoken_more_than "$2"
    check "$1: no box when Speak fails" eval '! wait_for 2 more_windows_than 1'
    check "$1: the program keeps running" kill -0 "$app_pid"
}
check "copying text in another program" copy_text "hello from the clipboard"
open_menu
rows=$(popup_rows before_paste)
echo "# rows before pasting: $rows"
check "粘贴 is enabled, 保存 and 清除 grey with nothing taken in" test "$rows" = "$empty_rows"
calls=$(speak_calls)
menu_keys Down Down Down Return
read_in_silence "pasting" "$calls"
open_menu
rows=$(popup_rows pasted)
echo "# rows after pasting: $rows"
check "after pasting the menu is at rest, with 保存 and 清除 enabled" test "$rows" = "$idle_rows"
calls=$(speak_calls)
menu_keys Down Down Down Down Down Down Down Return
read_in_silence "朗读 on the pasted text" "$calls"
open_menu
rows=$(popup_rows after_read)
check "after 朗读 the menu is at rest" test "$rows" = "$idle_rows"
menu_keys Escape

# Under an English Wine the characters reach the clipboard's ANSI text as question marks: still
# text, taken in and read like any other.
check "copying Chinese text in another program" copy_text "你好，这是剪贴板里的中文。"
calls=$(speak_calls)
open_menu && menu_keys Down Down Down Return
read_in_silence "pasting Chinese text" "$calls"
open_menu
rows=$(popup_rows pasted_chinese)
check "after pasting Chinese text the menu is at rest" test "$rows" = "$idle_rows"
menu_keys Escape

# Text dragged from another Windows program onto the basket, after the made-up messages above:
# the source is told it was copied, the text replaces the buffer and is read, and 保存 writes
# exactly that text (typed into the save dialog as a user would).
drag_source=$bin/talvoro_win32_drag.exe
if [ -x "$drag_source" ]; then
    drag_log=$prefix/drag.log
    "$wine" "$drag_source" "dropped from another program" >"$drag_log" 2>/dev/null &
    drag_pid=$!
    own_pids+=($drag_pid)
    check "a drag source starts in another program" wait_for 20 grep -q ready "$drag_log"
    sleep 1
    calls=$(speak_calls)
    eval "$(xdotool getwindowgeometry --shell "$(basket)")"
    xdotool mousemove 160 130 sleep 0.2 mousedown 1 sleep 0.2
    for i in 1 2 3 4 5 6 7 8 9 10; do
        xdotool mousemove $((160 + (X + 20 - 160) * i / 10)) $((130 + (Y + 20 - 130) * i / 10)) \
            sleep 0.05
    done
    xdotool sleep 0.3 mouseup 1
    check "the source is told its text was copied" wait_for 5 grep -q '^dropped 1' "$drag_log"
    read_in_silence "the drop" "$calls"
    kill "$drag_pid" 2>/dev/null
    saved=$prefix/drive_c/dropped.txt
    open_menu && menu_keys Down Down Return
    if wait_for 10 named_window 保存文件; then
        xdotool windowactivate --sync "$(named_window 保存文件)" sleep 0.5 \
            type --delay 50 'C:\dropped.txt'
        xdotool sleep 0.3 key Return
    fi
    printf 'dropped from another program\r\n' >"$prefix/expected-drop.txt"
    check "保存 writes the dropped text, whole" wait_for 10 cmp -s "$saved" "$prefix/expected-drop.txt"
fi

# A middle click opens nothing. Its release hands the capture to the basket itself; the next
# right click, without a move in between, must still reach the picture.
count=$(window_count)
eval "$(xdotool getwindowgeometry --shell "$(basket)")"
xdotool mousemove $((X + 20)) $((Y + 20)) sleep 0.2 click 2
sleep 0.5
check "a middle click opens no menu" test "$(window_count)" -eq "$count"
check "a right click right after it opens the menu" open_menu
menu_keys Escape

# The About box, two up from no selection: it opens at its designed place with the keyboard in
# it; Esc, Enter, Alt+F4 and a click on its surface close it; a second About keeps the one box;
# a link is red while the button is down and asks the shell once. The shell's web and mail
# handlers (winebrowser) are pointed at a script that writes down what it is handed.
about_windows() {
    local w
    for w in $(app_windows); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = 关于 ] && echo "$w"
    done
}
about_closed() { [ -z "$(about_windows)" ]; }
about_at_place() {  # the client area: 4785 x 3075 twips at 4185, 3180
    local w
    w=$(about_windows | head -1)
    [ -n "$w" ] || return 1
    xwininfo -id "$w" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
        /Width:/ { w = $2 } /Height:/ { h = $2 } END { exit !(x "," y "," w "," h == "279,212,319,205") }'
}
open_about() { open_menu && menu_keys Up Up Return && wait_for 5 about_at_place; }
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
link_inks() {  # link_inks X Y W H: "BLUE RED", pure-blue and pure-red pixel counts on screen
    import -window root -crop "$3x$4+$1+$2" +repage -depth 8 txt:- 2>/dev/null | awk -F'[(),]+' '
        NR > 1 { r = $3 + 0; g = $4 + 0; b = $5 + 0  # "x,y: (r,g,b)  #RRGGBB  name"
                 if (b >= 200 && r <= 60 && g <= 60) blue++
                 if (r >= 200 && g <= 60 && b <= 60) red++ }
        END { print blue + 0, red + 0 }'
}
link_is() {  # link_is blue|red X Y W H
    local inks
    inks=$(link_inks "$2" "$3" "$4" "$5")
    case $1 in
        blue) [ "${inks% *}" -ge 30 ] && [ "${inks#* }" -eq 0 ] ;;
        red) [ "${inks#* }" -ge 30 ] && [ "${inks% *}" -eq 0 ] ;;
    esac
}
url_log=$prefix/urls.log
url_requests() { [ -f "$url_log" ] && cat "$url_log"; }
request_count() { url_requests | grep -c .; }
requests_settled() {  # requests_settled N: N requests and no more within a second and a half
    wait_for 10 eval '[ "$(request_count)" -ge '"$1"' ]' || return 1
    sleep 1.5
    [ "$(request_count)" -eq "$1" ]
}
printf '#!/bin/sh\nfor a in "$@"; do printf "%%s\\n" "$a"; done >> "%s"\n' "$url_log" \
    > "$prefix/record-url"
chmod +x "$prefix/record-url"
reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ /d "$prefix/record-url" /f
reg add 'HKCU\Software\Wine\WineBrowser' /v Mailers /t REG_SZ /d "$prefix/record-url" /f

check "关于 opens the About box with its client area at 279,212, 319 x 205" open_about
about=$(about_windows)
import -window root "${shot%.png}_about.png"
echo "# screenshot of the About box: ${shot%.png}_about.png"
check "the About box has the keyboard when it opens" wait_for 3 has_focus "$about"
xdotool key Escape
check "Esc closes the About box" wait_for 5 about_closed
check "the basket stays after the About box closed" eval 'basket >/dev/null'
check "关于 opens the About box again" open_about
xdotool key Return
check "Enter closes the About box" wait_for 5 about_closed
open_about && about=$(about_windows)
check "a second 关于 keeps the one box" eval 'open_about && [ "$(about_windows)" = "$about" ]'
www="$((279 + 83)) $((212 + 119)) 184 18"  # lblWww, with room below for a taller font
smtp="$((279 + 83)) $((212 + 152)) 109 18"
for link in "web:$www:http://www.talvoro.example/" "mail:$smtp:mailto:me@talvoro.example"; do
    IFS=: read -r what rect address <<<"$link"
    set -- $rect
    before=$(request_count)
    check "the $what link is blue" link_is blue "$@"
    xdotool mousemove $(($1 + 12)) $(($2 + 6)) mousedown 1
    check "the $what link turns red while the button is down" wait_for 3 link_is red "$@"
    [ "$what" = web ] && import -window root "${shot%.png}_about_pressed.png"
    check "nothing is opened before the release" test "$(request_count)" -eq "$before"
    xdotool mouseup 1
    check "the $what link is blue again after the release" wait_for 3 link_is blue "$@"
    check "one shell request for the $what link" requests_settled $((before + 1))
    check "the $what link asks for $address" test "$(url_requests | tail -1)" = "$address"
done
check "the links leave the About box open" test -n "$(about_windows)"
xdotool mousemove $((279 + 20)) $((212 + 150)) click 1
check "a click on the About box's surface closes it" wait_for 5 about_closed
open_about && xdotool windowactivate --sync "$(about_windows)" key alt+F4 2>/dev/null
check "Alt+F4 closes the About box" wait_for 5 about_closed
check "the program keeps running with the basket" kill -0 "$app_pid"

# Closing writes the place, whatever the registry held meanwhile.
set_place stale stale
check "choosing 关闭 ends the program" close_from_menu
check "closing wrote top 3000" test "$(reg_value top)" = 3000
check "closing wrote left 4500" test "$(reg_value left)" = 4500

echo "# second start: dragged with the left button by 200,150 pixels"
check "the basket appears again at 300,200" eval 'start_basket && at_place 300 200'
drag_basket 200 150
check "a left drag moves the basket to 500,350" at_place 500 350
check "it is still above other windows" above
check "the menu still opens after the drag" open_menu
menu_keys Escape
check "closing from the menu ends the program" close_from_menu
check "the moved place is saved: top 5250" test "$(reg_value top)" = 5250
check "the moved place is saved: left 7500" test "$(reg_value left)" = 7500

echo "# third start: the saved place is restored"
check "the basket appears at 500,350" eval 'start_basket && at_place 500 350'
set_place stale stale
w=$(basket) && xdotool windowactivate --sync "$w" key alt+F4 2>/dev/null
check "Alt+F4 ends the program" wait_for 10 exited
check "Alt+F4 saved the place too" test "$(reg_value top),$(reg_value left)" = "5250,7500"

echo "# fourth start: a place written by hand, top 6000 and left 1500 twips"
set_place 6000 1500
check "the basket appears at 100,400" eval 'start_basket && at_place 100 400'
close_from_menu
check "that place is written back" test "$(reg_value top),$(reg_value left)" = "6000,1500"

echo "# fifth start: the About box outlives the basket"
check "the basket appears" start_basket
check "关于 opens the About box" open_about
about=$(about_windows)
open_menu && menu_keys Up Return
check "closing the basket leaves the About box open" wait_for 10 eval '! basket >/dev/null'
check "the program keeps running while its About box is open" \
    eval 'sleep 1; kill -0 "$app_pid" && [ "$(about_windows)" = "$about" ]'
xdotool windowactivate --sync "$about" key Escape 2>/dev/null
check "closing the About box then ends the program" wait_for 10 exited

echo "# $passed passed, $failed failed"
[ "$failed" -eq 0 ]
