#!/usr/bin/env bash
# Dropped text on the basket, on a private Xvfb display with openbox: time from the release of the
# drag until the basket has the text and until it is heard. Usage: bench/run-drop.sh [runs]
# (after ./test.sh; tools/setup-debian.sh bench installs espeak-ng and spd-say for comparison)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TALVORO_BUILD_DIR:-build}

home=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$home"' EXIT

. tools/private-desktop.sh

TALVORO_BUILD_DIR=$build "$build/bench/drop_latency" "${1:-5}"
