#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command in a fresh Xvfb with openbox as window manager, on the given display or, when
# another server holds it, on one 10, 20, ... above.
set -uo pipefail
base=${1#:}
shift
unset QT_QPA_PLATFORM DISPLAY

pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
}
trap cleanup EXIT
. "$(dirname "$0")/script_kit.sh"

for n in $base $((base + 10)) $((base + 20)) $((base + 30)) $((base + 40)); do
    # A display someone else holds: under load their server can still answer before ours gives up.
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    pid=$!
    # Still running a moment after the display answers: the answer came from this server.
    if wait_for 30 xdpyinfo -display ":$n" && sleep 0.5 && kill -0 "$pid" 2>/dev/null; then
        pids+=("$pid")
        export DISPLAY=":$n"
        break
    fi
    kill "$pid" 2>/dev/null
done
[ -n "${DISPLAY:-}" ] || { echo "no display of our own from :$base"; exit 1; }
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
# Ready once it announces the hints that activation and closing need.
wm_ready() {
    local hints
    hints=$(xprop -root _NET_SUPPORTED 2>/dev/null) || return 1
    [[ $hints == *_NET_ACTIVE_WINDOW* && $hints == *_NET_CLOSE_WINDOW* ]]
}
wait_for 60 wm_ready || { echo "openbox did not start on $DISPLAY"; exit 1; }

"$@"
