#!/usr/bin/env bash
# Start-up time and idle memory of the basket beside a bare Qt 6 frameless window, on a private
# Xvfb display with openbox. Usage: bench/run-startup.sh [runs]   (after building into build/)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
build=${TALVORO_BUILD_DIR:-build}

home=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$home"' EXIT
export XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_CONFIG_HOME/Talvoro"
printf '[site]\ntop=3000\nleft=4500\n' > "$XDG_CONFIG_HOME/Talvoro/Talvoro.conf"

Xvfb -displayfd 9 -screen 0 1280x800x24 -nolisten tcp 9>"$home/display" 2>/dev/null &
for _ in $(seq 100); do [ -s "$home/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$home/display")
openbox >/dev/null 2>&1 &
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.05; done
sleep 0.5  # openbox announces itself before it manages new windows

echo "Start-up: time from process start until the window is mapped, and resident memory once idle"
"$build/bench/startup_bench" "$runs" "bare-qt=$build/bench/bench_bare_window" "talvoro=$build/bin/talvoro" ${EXTRA:-}
