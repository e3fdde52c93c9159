#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real mrfyc in a real X server, driven by real key and mouse input: values typed, a log's path
# typed into the open dialog and Enter, nothing of the dialog left, then OK by Enter and by one
# click, each notice closed, the window closed.
# In sizelimit mode the program runs under a file size limit that the new log cannot fit: the
# patch must fail with the error box, the log stay as it was and the window go on.
# Usage: run_window.sh MRFYC ARTIFACT_DIR (japanese|menu|sizelimit)
set -euo pipefail

program=$1
artifacts=$2
mode=$3
caption='ミルフィのアニメデータを修正するツール'
mkdir -p "$artifacts"
rm -f "$artifacts/mrfyc-"*"-$mode.png" "$artifacts/mrfyc-failure-$mode.png"

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

on_failure() {
    local name
    for name in xvfb openbox mrfyc; do
        [ -f "$work/$name.log" ] && sed "s/^/$name: /" "$work/$name.log" >&2
    done
    [ -n "${DISPLAY:-}" ] && import -window root "$artifacts/mrfyc-failure-$mode.png" 2>/dev/null || true
}

. "$(dirname "$0")/../../support/script_kit.sh"

# A free display among :95 to :99; Xvfb refuses one that is taken. No reset when the last client
# leaves, or openbox could meet a server in the middle of one.
start_x() {
    local n
    for n in 95 96 97 98 99; do
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
        local pid=$!
        # Still running: the answer came from this server, not from one that holds the display.
        if wait_for 10 xdpyinfo -display ":$n" && kill -0 "$pid" 2>/dev/null; then
            pids+=("$pid")
            export DISPLAY=":$n"
            return 0
        fi
        kill "$pid" 2>/dev/null || true
    done
    fail "no display among :95 to :99"
}

start_x
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 10 wmctrl -m || fail "openbox did not start"

# Qt's file dialog keeps its history in the user's settings: a run of its own here.
export XDG_CONFIG_HOME="$work/config"

# The program in a folder of its own, since it writes Temp.txt beside itself.
mkdir "$work/bin" "$work/logs"
cp "$program" "$work/bin/mrfyc"
log="$work/logs/chat 0001.mrfy"
printf 'old contents\r\n\001\377 tail' >"$log"
# 2 KiB more than the limit of 1 KiB blocks below allows; Temp.txt still fits.
[ "$mode" = sizelimit ] && head -c 2048 /dev/urandom >>"$log"
cp "$log" "$work/old.bin"

# Qt reads the user's language from these; glibc needs no Japanese locale installed for it.
locale=C.UTF-8
[ "$mode" = japanese ] && locale=ja_JP.UTF-8
limit=unlimited
[ "$mode" = sizelimit ] && limit=1
LANG=$locale LC_ALL=$locale QT_QPA_PLATFORM=xcb \
    bash -c 'ulimit -f "$1" && exec "$2"' - "$limit" "$work/bin/mrfyc" >"$work/mrfyc.log" 2>&1 &
mrfyc_pid=$!
pids+=("$mrfyc_pid")

# A visible window of the program with exactly this caption (xdotool's --name does not match the
# Japanese title, so the names are compared here).
find_window() {
    local id
    for id in $(xdotool search --onlyvisible --class mrfyc 2>/dev/null); do
        [ "$(xdotool getwindowname "$id")" = "$1" ] && echo "$id" && return 0
    done
    return 1
}
wait_for 30 find_window "$caption" || fail "no window captioned $caption"
window=$(find_window "$caption")
window_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$window" ]; }
wait_for 10 window_active || xdotool windowactivate --sync "$window"

# Outer place and size: the client area plus the frame the window manager reports (xwininfo,
# since xdotool's geometry is off under a reparenting window manager).
client_geometry() {
    xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}
read -r X Y WIDTH HEIGHT < <(client_geometry)
read -r left right top bottom < <(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
outer="$((X - left)),$((Y - top)) $((WIDTH + left + right))x$((HEIGHT + top + bottom))"
echo "outer geometry: $outer (frame $left $right $top $bottom)"
[ "$outer" = "210,77 370x251" ] || fail "outer geometry $outer, expected 210,77 370x251"
import -window root -crop "$((WIDTH + left + right + 40))x$((HEIGHT + top + bottom + 40))+190+57" \
    "$artifacts/mrfyc-window-$mode.png"

# Focus starts on OK; Tab goes through height, width, line count and quality.
type_field() {
    xdotool key --clearmodifiers Tab
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 30 "$1"
}
type_field 1000
type_field 800
type_field 4321
type_field 5
# Back to OK, where the focus must be again once the dialog has closed.
xdotool key Tab

case $mode in
japanese) xdotool key alt+z ;;
sizelimit) xdotool key ctrl+o ;;
# The menu bar's only item sits at the left of the client area's top line.
*) xdotool mousemove --window "$window" 18 10 click 1 ;;
esac
# The dialog, and later the notice: a window of the program other than the main one becomes the
# active window (the window manager only ever activates top-level windows).
other_active() {
    local id
    id=$(xdotool getactivewindow 2>/dev/null) && [ "$id" != "$window" ] &&
        xprop -id "$id" WM_CLASS | grep -q '"mrfyc"' && echo "$id"
}
wait_for 15 other_active || fail "the open dialog did not appear"
dialog=$(other_active)
echo "dialog: $dialog \"$(xdotool getwindowname "$dialog")\""
xdotool type --delay 20 "$log"
# Gone: unmapped or destroyed.
gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
dialog_gone() { gone "$dialog"; }
xdotool key Return
wait_for 5 dialog_gone || fail "the open dialog did not close on Enter"
wait_for 10 window_active || fail "the window did not get the focus back"
# Nothing of the dialog stays on screen, such as its name completion popup.
only_window() { [ "$(xdotool search --onlyvisible --class mrfyc)" = "$window" ]; }
wait_for 3 only_window || fail "windows left after the dialog: $(xdotool search --onlyvisible --class mrfyc)"
import -window root "$artifacts/mrfyc-opened-$mode.png"

header=$'layer_count=2\r\nlayer_max=2\r\nlayer_last=2\r\nimage_width=800\r\nimage_height=1000\r\ncount_lines=4321\r\nquality=5\r\n'
printf '%s' "$header" >"$work/header.bin"
cp "$work/old.bin" "$work/expected.bin"
# patch_with WHAT INPUT...: one Enter or one click on OK patches (in sizelimit mode: fails) and
# shows the notice, which Enter closes.
patch_with() {
    local what=$1 notice
    shift
    "$@"
    wait_for 5 other_active || fail "no notice after $what"
    notice=$(other_active)
    [ "$(xdotool getwindowname "$notice")" = mrfyc ] || fail "the notice is not captioned mrfyc"
    import -window root "$artifacts/mrfyc-notice-$what-$mode.png"
    if [ "$mode" != sizelimit ]; then
        cat "$work/header.bin" "$work/expected.bin" >"$work/next.bin"
        mv "$work/next.bin" "$work/expected.bin"
    fi
    problem=$(check_patched_log "$work/expected.bin" "$log" "$work/header.bin" "$work/bin/Temp.txt") ||
        fail "after $what: $problem"
    xdotool key Return
    wait_for 10 gone "$notice" || fail "the notice did not close on Enter"
    wait_for 10 window_active || fail "the window did not get the focus back"
}
patch_with enter xdotool key Return
# OK's client place (244, 168, 75 x 25) lies below the menu bar, about 20 pixels high; the middle of
# the button allows for a few pixels either way.
patch_with click xdotool mousemove --window "$window" 281 200 click 1

wmctrl -i -c "$window"
for _ in $(seq 100); do
    kill -0 "$mrfyc_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$mrfyc_pid" 2>/dev/null && fail "mrfyc still runs after its window was closed"
status=0
wait "$mrfyc_pid" || status=$?
cat "$work/mrfyc.log" >&2
[ "$status" -eq 0 ] || fail "exit code $status"
echo "PASS: $mode"
