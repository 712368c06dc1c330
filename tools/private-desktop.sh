# Sourced by the benchmark and package-test scripts: a private Xvfb display with openbox and a
# private runtime folder under $home (which the caller creates). Exports DISPLAY and
# XDG_RUNTIME_DIR; the X server's and window manager's pids are in desktop_pids for the caller
# to end.
export XDG_RUNTIME_DIR=$home/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
desktop_pids=()

Xvfb -displayfd 9 -screen 0 1280x800x24 -nolisten tcp 9>"$home/display" 2>/dev/null &
desktop_pids+=($!)
for _ in $(seq 600); do [ -s "$home/display" ] && break; sleep 0.05; done
[ -s "$home/display" ] || { echo "Xvfb did not start" >&2; return 1; }
export DISPLAY=:$(cat "$home/display")
openbox >/dev/null 2>&1 &
desktop_pids+=($!)
for _ in $(seq 200); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.05; done
sleep 0.5  # openbox announces itself before it manages new windows
