#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# same_as_linux.sh PREFIX mrfyc-patch.exe SCRATCH LINUX_PATCHER...: patches one log with the
# first Linux patcher that exists and with the Windows one, with the same options, and compares
# every byte and the reports. Exit 77 (skipped) when no Linux patcher was built.
set -euo pipefail
prefix="$1" exe="$2" scratch="$3"
shift 3
here="$(cd "$(dirname "$0")" && pwd)"
linux=""
for candidate in "$@"; do
    if [ -x "$candidate" ]; then
        linux="$candidate"
        break
    fi
done
if [ -z "$linux" ]; then
    echo "skipped: no Linux mrfyc-patch built (noqt, release or dev preset)"
    exit 77
fi
echo "Linux patcher: $linux"
work="$scratch/same_as_linux.$$"
mkdir -p "$work/linux" "$work/windows"
trap 'rm -rf "$work"' EXIT
name='R&D 그림 😀.mrfy'
# Every byte value, a header's first line and CR LF among them, then more than one copy block.
{
    printf 'layer_count=1\r\n'
    for i in $(seq 0 255); do printf "\\$(printf %03o "$i")"; done
    head -c 1100000 /dev/urandom
} >"$work/original"
cp "$work/original" "$work/linux/$name"
cp "$work/original" "$work/windows/$name"
options=(--width 640 --height=480 --lines 77 --quality 3)

LC_ALL=C "$linux" "${options[@]}" "$work/linux/$name" >"$work/linux.out"
windows_path="Z:$(printf '%s' "$work/windows/$name" | tr / '\\')"
# Wine turns the Linux command line into UTF-16 by the locale: a UTF-8 one, still English.
LC_ALL=C.UTF-8 "$here/../../support/win32/wine_run.sh" "$prefix" "$exe" "${options[@]}" "$windows_path" >"$work/windows.out"

status=0
if cmp -s "$work/original" "$work/linux/$name"; then
    echo "FAIL: the Linux patcher left the log as it was"
    status=1
fi
if ! cmp "$work/linux/$name" "$work/windows/$name"; then
    echo "FAIL: the two patched logs differ"
    status=1
fi
if [ "$(cat "$work/linux.out")" != "$work/linux/$name: patched" ] ||
    [ "$(cat "$work/windows.out")" != "$windows_path: patched"$'\r' ]; then
    echo "FAIL: reports differ:"
    cat "$work/linux.out" "$work/windows.out"
    status=1
fi
for side in linux windows; do
    if [ "$(ls -A "$work/$side")" != "$name" ]; then
        echo "FAIL: left beside the $side log: $(ls -A "$work/$side")"
        status=1
    fi
done
exit $status
