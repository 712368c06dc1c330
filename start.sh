#!/usr/bin/env bash
# Installs what is missing, builds the Linux edition and starts the basket.
# Without a desktop (no DISPLAY) it starts a virtual one on :99 with a window manager.
set -euo pipefail
cd "$(dirname "$0")"

tools/setup-debian.sh run
tools/build.sh run build

if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:99
  if ! xdpyinfo >/dev/null 2>&1; then
    Xvfb :99 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    openbox >/dev/null 2>&1 &
    echo "start: no desktop found; the basket runs on the virtual display :99"
  fi
fi
exec build/bin/talvoro
