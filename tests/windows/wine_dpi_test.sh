#!/usr/bin/env bash
# The Windows basket on screens at 96, 120 and 144 dpi (100, 125 and 150 %) under 64-bit Wine: the
# window keeps its size and place in twips (600 x 600 twips: 40, 50 and 60 pixels), and the
# picture seen on the screen is, pixel for pixel, the basket drawn for that size inside its dark
# blue frame. The screenshots are kept for a person to look at.
#
# Needs a built build-win64 (tools/build-windows.sh). Uses $DISPLAY when set (with a window
# manager running); otherwise starts its own Xvfb and openbox. Exit 0 when every check passed.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bin=${TALVORO_WIN64_DIR:-$root/build-win64/src/platform/win32}
exe=$bin/talvoro.exe
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
shots=${TALVORO_SCREENSHOT_DIR:-/tmp}

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
for tool in xdotool xprop xdpyinfo import convert compare; do
    command -v $tool >/dev/null || { echo "missing $tool" >&2; exit 2; }
done

own_pids=()
prefix=$(mktemp -d /tmp/talvoro-wine-dpi.XXXXXX)
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
    sleep 0.5
fi
echo "# display $DISPLAY, Wine prefix $prefix"

export WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
reg() { "$wine" reg "$@" >/dev/null 2>&1; }
reg add 'HKCU\Software\Talvoro\site' /v top /t REG_SZ /d 3000 /f
reg add 'HKCU\Software\Talvoro\site' /v left /t REG_SZ /d 4500 /f

app_pid=
app_windows() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null; }
geometry() { xdotool getwindowgeometry --shell "$1" 2>/dev/null | tr '\n' ' '; }
basket_of() {  # basket_of SIZE: the program's visible SIZE x SIZE window
    local w
    for w in $(app_windows); do
        case " $(geometry "$w")" in *" WIDTH=$1 HEIGHT=$1 "*) echo "$w"; return 0 ;; esac
    done
    return 1
}
exited() { ! kill -0 "$app_pid" 2>/dev/null; }

# Starts the program and waits for a basket of SIZE pixels. Wine's speech stub fails the rate
# at start-up; that error box is answered with Return, as a user would.
start_basket() {  # start_basket SIZE
    "$wine" "$exe" >/dev/null 2>&1 &
    app_pid=$!
    local until=$((SECONDS + 40)) w
    while [ $SECONDS -lt $until ]; do
        basket_of "$1" >/dev/null && { sleep 0.5; return 0; }
        for w in $(app_windows); do
            case $(xdotool getwindowname "$w" 2>/dev/null) in
                错误信息：*)
                    xdotool windowactivate --sync "$w" key Return 2>/dev/null
                    sleep 0.5
                    ;;
            esac
        done
        sleep 0.2
    done
    echo "# windows of the program: $(for w in $(app_windows); do geometry "$w"; done)"
    return 1
}

# The screen at each scale, with what the basket must be there: its size and place in pixels
# (top 3000 and left 4500 twips), the picture's place in it, and the image drawn for it.
# At 168 dpi (175 %) no image is carried at the size: the 76-pixel one is scaled down to 67.
for case in "96 40 300 200 1 1 38 37 basket.bmp 38" \
    "120 50 375 250 1 1 48 47 basket-48.bmp 48" \
    "144 60 450 300 2 2 57 55 basket-57.bmp 57" \
    "168 70 525 350 2 2 66 65 basket-76.bmp 67"; do
    read -r dpi size x y left top width height image drawn <<<"$case"
    echo "# $dpi dpi"
    reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
    "$wineserver" -w  # the next start reads the new scale

    check "at $dpi dpi the basket is a $size x $size window" start_basket "$size"
    w=$(basket_of "$size") || continue
    check "at $dpi dpi it stands at $x,$y" eval \
        '[[ " $(geometry "$w")" == *" X=$x Y=$y "* ]] || { echo "# $(geometry "$w")"; false; }'

    shot=$shots/wine_dpi_$dpi.png
    expected=$prefix/expected_$dpi.png
    import -window root -crop "${size}x${size}+$x+$y" +repage "$shot"
    convert -size "${size}x$size" 'xc:rgb(0,0,192)' \
        \( "$root/resources/$image" -resize "${drawn}x$drawn" -crop "${width}x$height+0+0" \
        +repage \) -geometry "+$left+$top" -composite "$expected"
    differing=$(compare -metric AE "$expected" "$shot" null: 2>&1)
    echo "# screenshot: $shot ($differing pixels differ from $image at $drawn px in its frame)"
    if [ "$drawn" -eq "${image//[!0-9]/}" ] || [ "$image" = basket.bmp ]; then
        check "at $dpi dpi the screen shows $image inside the frame" test "$differing" = 0
    else
        # Scaled, the system's averaging and ours differ a little: most pixels still match
        # closely, which a picture cut, shifted or left out would not.
        close=$(compare -metric AE -fuzz 10% "$expected" "$shot" null: 2>&1)
        echo "# $close pixels differ by more than 10 %"
        check "at $dpi dpi the screen shows $image scaled to $drawn pixels inside the frame" \
            test "$close" -le $((size * size / 20))
    fi

    xdotool windowactivate --sync "$w" key alt+F4 2>/dev/null
    check "at $dpi dpi Alt+F4 ends the program" eval 'for _ in $(seq 50); do exited && break; sleep 0.2; done; exited'
done

echo "# $passed passed, $failed failed"
[ "$failed" -eq 0 ]
