#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program under with_xvfb.sh: its window has the main window's caption, the program's
# class and 32 x 32 icon, and closing it ends the program with exit code 0.
set -uo pipefail
caption='ミルフィのアニメデータを修正するツール'
fail() { echo "FAIL: $*"; kill "$pid" 2>/dev/null; exit 1; }

"$1" &
pid=$!
for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name "^${caption}\$" 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "no window titled $caption"
xprop -id "$window" WM_CLASS | grep -q '"mrfyc"' || fail "WM_CLASS: $(xprop -id "$window" WM_CLASS)"
xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (32 x 32)' || fail "no 32 x 32 icon on the window"

wmctrl -i -c "$window"
for _ in $(seq 150); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "still running after close"
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "exit code $rc"
echo "window shown, closed, exit code 0"

# Started with a file it refuses: the window first, then the notice over it.
"$1" /nonexistent/log.txt &
pid=$!
for _ in $(seq 300); do
    notice=$(xdotool search --onlyvisible --name '^mrfyc$' 2>/dev/null | head -n 1)
    [ -n "$notice" ] && break
    sleep 0.1
done
[ -n "$notice" ] || fail "no notice for a refused file"
xdotool search --onlyvisible --name "^${caption}\$" >/dev/null || fail "notice without the window"
kill "$pid"
wait "$pid" 2>/dev/null
echo "refused file from the command line: notice shown over the window"
