#!/usr/bin/env bash
# ./start.sh as a new user meets it: on a copy of what a clone holds (the tracked files, as they
# stand in the tree) with no build directory, on a private Xvfb display with openbox. It must
# build the program the way it builds it for users, start it, and show the basket. The user's
# build must also be free of compiler warnings: they no longer stop it, but they would stop the
# test command's own build. The basket then ends on SIGTERM as it does on 关闭.
# Usage: start_test.sh SOURCE_DIR BUILD_DIR (where the screenshot goes)
set -uo pipefail
src=$(cd "${1:?source dir}" && pwd)
artifacts=${2:?build dir}/test-artifacts
git -C "$src" rev-parse --git-dir >/dev/null 2>&1 || { echo "not a git checkout: skipped"; exit 77; }
work=$(mktemp -d /tmp/talvoro-start.XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
passed=0 failed=0
check() { local what=$1; shift; if "$@"; then echo "ok   $what"; passed=$((passed+1)); else echo "FAIL $what"; failed=$((failed+1)); fi; }

mkdir "$work/tree"
(cd "$src" && git ls-files -z | tar --null -T - --ignore-failed-read -cf -) | tar -xf - -C "$work/tree"
check "the copy holds start.sh and no build" test -x "$work/tree/start.sh" -a ! -e "$work/tree/build"

home=$work
. "$src/tools/private-desktop.sh" || exit 1
pids+=("${desktop_pids[@]}")
export XDG_CONFIG_HOME=$work/config
start=$(date +%s)
(cd "$work/tree" && exec ./start.sh) >"$work/start.log" 2>&1 &
app=$!
pids+=($app)

# start.sh execs the program once it is built, so the basket belongs to the same process.
window=
while kill -0 $app 2>/dev/null; do
    window=$(xdotool search --onlyvisible --pid $app 2>/dev/null | head -1)
    [ -n "$window" ] && break
    [ $(($(date +%s) - start)) -gt 1500 ] && break
    sleep 0.5
done
echo "# start.sh built and showed the basket in $(($(date +%s) - start)) s"
if ! check "start.sh built the program and showed a window" test -n "$window"; then
    tail -40 "$work/start.log"
    exit 1
fi
geometry=$(xwininfo -id "$window")
size=$(awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}' <<<"$geometry")
check "the window is the 40 x 40 basket (it is $size)" test "$size" = 40x40
check "it stays above other windows" grep -q _NET_WM_STATE_ABOVE <(xprop -id "$window" _NET_WM_STATE)
# The engine module reads Han text through the Mandarin dictionary found beside it.
check "the program's build made the Mandarin dictionary beside the engine module" \
    test -s "$work/tree/build/bin/mandarin.dict" -a -e "$work/tree/build/bin/libtalvoro-espeak.so"
mkdir -p "$artifacts" && import -window root "$artifacts/start-basket.png" 2>/dev/null

warnings=$(grep -E ':[0-9]+(:[0-9]+)?: warning:|^cc1plus: warning:|ld: warning:' "$work/start.log")
check "the user's build shows no warnings" test -z "$warnings"
[ -n "$warnings" ] && echo "$warnings"

kill -TERM $app
status="still running"
for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
kill -0 $app 2>/dev/null || { wait $app; status=$?; }
check "the basket ends on SIGTERM, exit status 0 (it was $status)" test "$status" = 0

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
