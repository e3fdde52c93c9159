#!/usr/bin/env bash
# The real program in a real X server with a window manager: it shows the main window, titled with
# the main window's caption, and ends with exit code 0 when that window is closed.
set -uo pipefail
program=$1
display=:91
caption='ミルフィのアニメデータを修正するツール'
export DISPLAY=$display
unset QT_QPA_PLATFORM

pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb $display did not start"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done

"$program" &
program_pid=$!
window=
for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name "^${caption}\$" 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { kill "$program_pid"; fail "no window titled $caption"; }
[ "$(xdotool getwindowname "$window")" = "$caption" ] || fail "title is $(xdotool getwindowname "$window")"
xprop -id "$window" WM_CLASS | grep -q '"mrfyc"' || fail "WM_CLASS: $(xprop -id "$window" WM_CLASS)"
xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (32 x 32)' || fail "no 32 x 32 icon on the window"

wmctrl -i -c "$window"
for _ in $(seq 150); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program_pid" 2>/dev/null && { kill "$program_pid"; fail "still running after close"; }
wait "$program_pid"
rc=$?
[ "$rc" -eq 0 ] || fail "exit code $rc"
echo "window shown, closed, exit code 0"
