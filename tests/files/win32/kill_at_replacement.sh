#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# kill_at_replacement.sh PREFIX HELPER.exe SCRATCH: Wine's server makes the renames, so it runs
# under strace (on a copy of the prefix) and is held 3 s at its first rename while the patch is
# killed: before the rename, after it, and at a rename made to fail (the patch dies before it can
# clean up). The log must be old or new, and the next patch must leave it alone in its folder.
# Exit 77 (skipped) where strace cannot trace.
set -euo pipefail
prefix="$1" helper="$2" work="$3/kill_at_replacement.$$"
strace -qq -o /dev/null true 2>/dev/null || { echo "skipped: strace cannot trace here"; exit 77; }
mkdir -p "$work"
cp -al "$prefix" "$work/prefix" 2>/dev/null || cp -a "$prefix" "$work/prefix"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
log="$work/logs/killed.mrfy" header='layer_count=1;' failures=0
head -c 3000000 /dev/urandom >"$work/old"
. "$(dirname "$0")/../../support/script_kit.sh"
# Polls a condition for 60 s at most.
within() { for _ in $(seq 3000); do eval "$1" && return 0; sleep 0.02; done; return 1; }
# The server in rename (82), or in the failure strace put in its place (-1).
in_rename='grep -qE "^(82|-1) " "/proc/$server/syscall"'
for moment in delay_enter=3000000 delay_exit=3000000 error=EIO:delay_exit=3000000; do
    check_context=$moment
    rm -rf "$work/logs" && mkdir "$work/logs" && cp "$work/old" "$log"
    strace -f -qq -o /dev/null -e trace=rename -e inject=rename:"$moment":when=1 wineserver -f -p &
    tracer=$!
    # Ready once it listens: a wine started before then would make an untraced server of its own.
    within 'server="$(pgrep -P "$tracer")" && ls -l "/proc/$server/fd" 2>/dev/null | grep -q socket:' ||
        failed "no server"
    wine "$helper" prepend "Z:${log//\//\\}" "$header" &
    patch=$!
    within "$in_rename" || failed "no rename"
    kill -9 "$patch" && wait "$patch" || true
    within "! $in_rename" || failed "the server stays held"
    cp "$log" "$work/before" || failed "no log"
    cmp -s "$log" "$work/old" || { printf %s "$header"; cat "$work/old"; } | cmp -s - "$log" ||
        failed "the log is neither old nor new"
    echo "$moment: killed; $(cmp -s "$log" "$work/old" && echo old || echo new) log;" $(ls -A "$work/logs")
    [[ "$moment" != error=* ]] || [ "$(ls -A "$work/logs" | wc -l)" = 2 ] || failed "nothing left to clean"
    wine "$helper" prepend "Z:${log//\//\\}" "$header" || failed "the next patch failed"
    { printf %s "$header"; cat "$work/before"; } | cmp -s - "$log" || failed "the next patch is wrong"
    [ "$(ls -A "$work/logs")" = killed.mrfy ] || failed "left after the next patch:" $(ls -A "$work/logs")
    wineserver -k || true
    wait "$tracer" || true
done
[ "$failures" -eq 0 ]
