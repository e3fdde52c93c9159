#!/usr/bin/env bash
# Runs a command in a fresh Xvfb on the given display with openbox as window manager.
set -uo pipefail
display=$1
shift
export DISPLAY=$display
unset QT_QPA_PLATFORM

pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 300); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { echo "Xvfb $display did not start"; exit 1; }
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
# Ready once it announces the hints that activation and closing need.
wm_ready() {
    local hints
    hints=$(xprop -root _NET_SUPPORTED 2>/dev/null) || return 1
    [[ $hints == *_NET_ACTIVE_WINDOW* && $hints == *_NET_CLOSE_WINDOW* ]]
}
for _ in $(seq 600); do wm_ready && break; sleep 0.1; done
wm_ready || { echo "openbox did not start on $display"; exit 1; }

"$@"
