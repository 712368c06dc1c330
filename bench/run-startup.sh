#!/usr/bin/env bash
# Start-up time and idle memory of the basket beside a bare Qt 6 frameless window, on a private
# Xvfb display with openbox. Usage: bench/run-startup.sh [runs]   (after building into build/)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
build=${TALVORO_BUILD_DIR:-build}

home=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$home"' EXIT
export XDG_CONFIG_HOME=$home/config
mkdir -p "$XDG_CONFIG_HOME/Talvoro"
printf '[site]\ntop=3000\nleft=4500\n' > "$XDG_CONFIG_HOME/Talvoro/Talvoro.conf"

. tools/private-desktop.sh

echo "Start-up: time from process start until the window is mapped, and resident memory once idle"
"$build/bench/startup_bench" "$runs" "bare-qt=$build/bench/bench_bare_window" "talvoro=$build/bin/talvoro" ${EXTRA:-}
