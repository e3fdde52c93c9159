#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program under with_xvfb.sh: its window has the main window's caption, the program's
# class and 32 x 32 icon, and closing it ends the program with exit code 0.
set -uo pipefail
. "$(dirname "$0")/../../support/script_kit.sh"
caption='ミルフィのアニメデータを修正するツール'
on_failure() { kill "$pid" 2>/dev/null; }
visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 | grep .; }

"$1" &
pid=$!
wait_for 30 visible "^${caption}\$" || fail "no window titled $caption"
window=$(visible "^${caption}\$")
xprop -id "$window" WM_CLASS | grep -q '"mrfyc"' || fail "WM_CLASS: $(xprop -id "$window" WM_CLASS)"
xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (32 x 32)' || fail "no 32 x 32 icon on the window"

wmctrl -i -c "$window"
wait_for 15 eval '! kill -0 "$pid"' || fail "still running after close"
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "exit code $rc"
echo "window shown, closed, exit code 0"

# Started with a file it refuses: the window first, then the notice over it.
"$1" /nonexistent/log.txt &
pid=$!
wait_for 30 visible '^mrfyc$' || fail "no notice for a refused file"
visible "^${caption}\$" >/dev/null || fail "notice without the window"
kill "$pid"
wait "$pid" 2>/dev/null
echo "refused file from the command line: notice shown over the window"

# A journal it cannot take up (an older version's, which holds no proof of the old contents) is
# told in a notice over the window, and kept.
home=$(mktemp -d)
cp "$1" "$home/mrfyc"
journal="$home/Temp.txt.journal-0123456789abcdef"
printf 'MRFYCJ01' >"$journal"
"$home/mrfyc" &
pid=$!
wait_for 30 visible '^mrfyc$' || fail "no notice of a journal that waits"
visible "^${caption}\$" >/dev/null || fail "the journal's notice without the window"
kill "$pid"
wait "$pid" 2>/dev/null
[ "$(cat "$journal")" = MRFYCJ01 ] || fail "the waiting journal was not kept as it was"
rm -rf "$home"
echo "a journal that waits: notice shown over the window, journal kept"
