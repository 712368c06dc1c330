#!/usr/bin/env bash
# Dropped text on the basket, on a private Xvfb display with openbox: time from the release of the
# drag until the basket has the text and until it is heard. Usage: bench/run-drop.sh [runs]
# (after ./test.sh; tools/setup-debian.sh bench installs espeak-ng and spd-say for comparison)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TALVORO_BUILD_DIR:-build}

home=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$home"' EXIT
export XDG_RUNTIME_DIR=$home/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

Xvfb -displayfd 9 -screen 0 1280x800x24 -nolisten tcp 9>"$home/display" 2>/dev/null &
for _ in $(seq 100); do [ -s "$home/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$home/display")
openbox >/dev/null 2>&1 &
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.05; done
sleep 0.5  # openbox announces itself before it manages new windows

TALVORO_BUILD_DIR=$build "$build/bench/drop_latency" "${1:-5}"
