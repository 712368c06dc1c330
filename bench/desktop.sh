# Sourced by the benchmark scripts: a private Xvfb display with openbox and a private runtime
# folder under $home (which the caller creates), torn down with the caller's EXIT trap.
export XDG_RUNTIME_DIR=$home/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

Xvfb -displayfd 9 -screen 0 1280x800x24 -nolisten tcp 9>"$home/display" 2>/dev/null &
for _ in $(seq 100); do [ -s "$home/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$home/display")
openbox >/dev/null 2>&1 &
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.05; done
sleep 0.5  # openbox announces itself before it manages new windows
