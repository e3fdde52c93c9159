#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# kill_at_replacement.sh PREFIX HELPER.exe SCRATCH: kills a patch while the Wine server holds
# the first rename of the log's folder: before the rename is made, after it, and with a rename
# that fails (the patch killed before it could clean up, as a power cut would leave it). Then
# the log must be old or new, and the next patch must leave the log alone in its folder.
# Wine's server makes the renames, so it runs under strace on a copy of the prefix of its own.
# Exit 77 (skipped) where strace cannot trace here.
set -euo pipefail
prefix="$1" helper="$2" scratch="$3"
if ! strace -qq -o /dev/null true 2>/dev/null; then
    echo "skipped: strace cannot trace here"
    exit 77
fi
work="$scratch/kill_at_replacement.$$"
mkdir -p "$work/logs"
cp -al "$prefix" "$work/prefix" 2>/dev/null || cp -a "$prefix" "$work/prefix"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
log="$work/logs/killed.mrfy"
winlog="Z:${log//\//\\}"
head -c 3000000 /dev/urandom >"$work/old"
header='layer_count=1;'
{ printf %s "$header"; cat "$work/old"; } >"$work/new"
failed=0

# Polls (bounded, 60 s) until the server is, or is no longer, held in rename: syscall 82, or -1
# where strace has put a failure in its place.
wait_rename() {
    local want="$1" server="$2" at held
    for _ in $(seq 3000); do
        at="$(cut -d' ' -f1 "/proc/$server/syscall" 2>/dev/null || true)"
        held=out
        if [ "$at" = 82 ] || [ "$at" = -1 ]; then held=in; fi
        [ "$held" = "$want" ] && return 0
        sleep 0.02
    done
    return 1
}

for moment in delay_enter=3000000 delay_exit=3000000 error=EIO:delay_exit=3000000; do
    rm -rf "$work/logs" && mkdir "$work/logs" && cp "$work/old" "$log"
    strace -f -qq -o /dev/null -e trace=rename \
        -e inject=rename:"$moment":when=1 wineserver -f -p &
    tracer=$!
    server=""
    for _ in $(seq 500); do
        server="$(pgrep -P "$tracer" || true)"
        [ -n "$server" ] && break
        sleep 0.02
    done
    wine "$helper" prepend "$winlog" "$header" &
    patch=$!
    if ! wait_rename in "$server"; then
        echo "FAIL $moment: the patch never renamed"
        failed=1
    fi
    kill -9 "$patch"
    wait "$patch" || true
    wait_rename out "$server" || true
    if cmp -s "$log" "$work/old"; then
        echo "$moment: killed, the log is the old one"
    elif cmp -s "$log" "$work/new"; then
        echo "$moment: killed, the log is the new one"
    else
        echo "FAIL $moment: killed, the log is neither old nor new"
        failed=1
    fi
    ls -A "$work/logs"
    if [[ "$moment" = error=* ]] && ! { cmp -s "$log" "$work/old" && [ "$(ls -A "$work/logs" | wc -l)" = 2 ]; }; then
        echo "FAIL $moment: expected the old log and the new file a killed patch leaves"
        failed=1
    fi
    cp "$log" "$work/before" 2>/dev/null || cp "$work/old" "$work/before"
    if ! wine "$helper" prepend "$winlog" "$header"; then
        echo "FAIL $moment: the next patch failed"
        failed=1
    fi
    if ! { printf %s "$header"; cat "$work/before"; } | cmp -s - "$log"; then
        echo "FAIL $moment: the next patch did not put the header in front"
        failed=1
    fi
    if [ "$(ls -A "$work/logs")" != killed.mrfy ]; then
        echo "FAIL $moment: left beside the log after the next patch:" $(ls -A "$work/logs")
        failed=1
    fi
    wineserver -k || true
    wait "$tracer" || true
done
exit $failed
