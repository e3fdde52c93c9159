#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Speed and memory of mrfyc-patch against `cp` + `sync FILE` of the copy (the same durability) and
# `cp` + `sync FILE` + `mv` over the original (which, like the patch, also frees the old file), on
# logs of 1 MiB, 256 MiB and 2 GiB + 1 byte; then mrfyc's start-up to its window's map event against
# a stock Qt window with the same controls and caption and a bare window, under Xvfb + openbox.
# Every command is spawned directly (bench/spawn_timer.cpp, no shell in between) and timed from
# spawn to exit; rounds alternate (at start-up, every other round starts with the yardstick); each
# size runs twice: as it comes, and with 3 s idle before every round (a VM that hands free memory
# back to its host is slow to fill fresh page cache then). Both the median of the per-round ratios
# and the ratio of the medians are printed, and the worse mode is the one reported. Last,
# mrfyc.exe's start-up under Wine to its window's map event against a bare Win32 window with the
# same controls, font, manifest and caption, in the same display.
# Usage: bash bench/run.sh  (after a release build; scripts/dev.sh bench does both)
#   MRFYC_BENCH_ROUNDS     rounds per size and mode (default 9; logs over 1 GiB get at most 5)
#   MRFYC_BENCH_DIR        where the logs go (default build/bench-data, removed at the end)
#   MRFYC_BENCH_SIZES      sizes in bytes (default "1048576 268435456 2147483649"; empty: start-up only)
#   MRFYC_BENCH_STARTUP    start-up rounds (default 31; 0 skips it)
#   MRFYC_APP              the mrfyc program whose start-up is measured (default: this build's)
#   MRFYC_WINDOWS_BUILD    where mrfyc.exe and the bare Win32 window are (default build/windows;
#                          the Windows part is skipped when they or Wine are missing)
#   MRFYC_BENCH_STARTUP_WINDOWS  start-up rounds under Wine (default 21; 0 skips it)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${MRFYC_BUILD:-build/release}
data=${MRFYC_BENCH_DIR:-build/bench-data}
rounds=${MRFYC_BENCH_ROUNDS:-9}
sizes=${MRFYC_BENCH_SIZES-"1048576 268435456 2147483649"}
startup_rounds=${MRFYC_BENCH_STARTUP:-31}
patcher=$build/tools/mrfyc-patch
rewrite=$build/bench/mrfyc-bench-rewrite
timer=$build/bench/mrfyc-bench-timer
map_wait=$build/bench/mrfyc-bench-map-wait
stock=$build/bench/mrfyc-bench-stock
bare=$build/bench/mrfyc-bench-window
app=${MRFYC_APP:-$build/app/qt/mrfyc}
windows_build=${MRFYC_WINDOWS_BUILD:-build/windows}
windows_rounds=${MRFYC_BENCH_STARTUP_WINDOWS:-21}
wine_prefix=$PWD/build/bench-wine/prefix
wine_started=''
results=$build/bench-results.md
# The whole-file rewrite needs twice the log in memory: only for logs up to this size.
rewrite_max=$((256 << 20))

if [ -n "$sizes" ]; then
    for program in "$patcher" "$rewrite" "$timer"; do
        [ -x "$program" ] || { echo "missing $program: build the release preset first" >&2; exit 1; }
    done
fi

mkdir -p "$data"
xvfb_pid='' openbox_pid='' bus_pid=''
cleanup() {
    # Every step runs, whatever the one before returned (a Wine server already gone, say).
    set +e
    [ -n "$wine_started" ] && WINEPREFIX=$wine_prefix wineserver -k >/dev/null 2>&1
    [ -n "$openbox_pid" ] && kill "$openbox_pid" 2>/dev/null
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$data"
}
trap cleanup EXIT

largest=0
for size in $sizes; do ((size > largest)) && largest=$size; done
need_kib=$(((largest * 3) / 1024 + 1048576))
avail_kib=$(df --output=avail -k "$data" | tail -1)
if ((avail_kib < need_kib)); then
    echo "needs $((need_kib / 1048576)) GiB free in $data, has $((avail_kib / 1048576)) GiB" >&2
    exit 1
fi

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
max() { sort -n | tail -1; }
load() { cut -d' ' -f1-3 /proc/loadavg; }
# Median of column a / column b, row by row, of two files of one number per line.
ratio_median() { paste -d' ' "$1" "$2" | awk '{print $1 / $2}' | median; }

# Random bytes, made quickly: a 16 MiB random block repeated, then the odd tail.
make_log() {
    local path=$1 size=$2 block=$((16 << 20))
    if ((size <= block)); then
        head -c "$size" /dev/urandom >"$path"
        return
    fi
    head -c "$block" /dev/urandom >"$data/block"
    : >"$path"
    local done=0
    while ((done + block <= size)); do
        cat "$data/block" >>"$path"
        done=$((done + block))
    done
    head -c $((size - done)) /dev/urandom >>"$path"
    rm -f "$data/block"
}

# Runs one command (or several separated by ";") with nothing dirty in the page cache, appending
# the microseconds to $1.t and the peak KiB to $1.m.
measure() {
    local into=$1
    shift
    sync
    local out
    out=$("$timer" "$@")
    echo "${out% *}" >>"$into.t"
    echo "${out#* }" >>"$into.m"
}

baseline_kib=0
[ -z "$sizes" ] || baseline_kib=$("$timer" "$patcher" --help | cut -d' ' -f2)

{
    echo "mrfyc-patch against cp + sync FILE of the copy ($(date -u +%Y-%m-%d), $(nproc) cores, $(df --output=fstype "$data" | tail -1) on $(df --output=source "$data" | tail -1), load at start $(load))"
    echo
    echo "| log | mode | rounds | mrfyc-patch | cp + sync | ratio: median of rounds | ratio of medians | cp + sync + mv | ratio | rewrite | ratio | peak above baseline: patch | rewrite | load |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
} >"$results"

# One size in one mode: $1 size, $2 pause before each round (s), $3 rounds.
bench_size() {
    local size=$1 pause=$2 n=$3 log=$data/log.mrfy round
    rm -f "$data"/[pcmr].[tm]
    for ((round = 0; round < n; round++)); do
        sleep "$pause"
        measure "$data/p" "$patcher" "$log"
        sleep "$pause"
        measure "$data/c" cp "$log" "$data/copy" \; sync "$data/copy"
        rm -f "$data/copy"
        sleep "$pause"
        measure "$data/m" cp "$log" "$data/copy" \; sync "$data/copy" \; mv "$data/copy" "$log"
        if ((size <= rewrite_max)); then
            sleep "$pause"
            measure "$data/r" "$rewrite" "$data/Temp.txt" "$log"
        fi
    done
    local p c m r=0 rr=0 pc mc rc=0 peak_r=0
    p=$(median <"$data/p.t")
    c=$(median <"$data/c.t")
    m=$(median <"$data/m.t")
    pc=$(ratio_median "$data/p.t" "$data/c.t")
    mc=$(ratio_median "$data/p.t" "$data/m.t")
    if [ -e "$data/r.t" ]; then
        r=$(median <"$data/r.t")
        rc=$(ratio_median "$data/r.t" "$data/c.t")
        peak_r=$(($(max <"$data/r.m") - baseline_kib))
    fi
    awk -v size="$size" -v mode="$([ "$pause" = 0 ] && echo 'as it comes' || echo "${pause} s idle")" \
        -v n="$n" -v p="$p" -v c="$c" -v m="$m" -v r="$r" -v pc="$pc" -v mc="$mc" -v rc="$rc" \
        -v pp="$(($(max <"$data/p.m") - baseline_kib))" -v pr="$peak_r" -v ld="$(load)" 'BEGIN {
            label = size >= 1073741824 ? sprintf("%.0f GiB + %d B", int(size / 1073741824), size % 1073741824) \
                                       : sprintf("%d MiB", size / 1048576)
            rw = r > 0 ? sprintf("%.3f s | %.2f", r / 1e6, rc) : "– | –"
            rp = r > 0 ? sprintf("%+d KiB", pr) : "–"
            printf "| %s | %s | %d | %.3f s | %.3f s | **%.2f** | %.2f | %.3f s | %.2f | %s | %+d KiB | %s | %s |\n",
                label, mode, n, p / 1e6, c / 1e6, pc, p / c, m / 1e6, mc, rw, pp, rp, ld
        }'
    echo "$pc" >"$data/worse.$pause"
}

for size in $sizes; do
    make_log "$data/log.mrfy" "$size"
    n=$rounds
    ((size > (1 << 30) && n > 5)) && n=5
    bench_size "$size" 0 "$n" >>"$results"
    bench_size "$size" 3 "$n" >>"$results"
    awk -v a="$(cat "$data/worse.0")" -v b="$(cat "$data/worse.3")" -v size="$size" \
        'BEGIN { printf "Worse mode at %s bytes: %.2f x cp + sync\n", size, (a > b ? a : b) }' >>"$data/worse"
    rm -f "$data/log.mrfy"
done
{
    echo
    echo "Baseline: mrfyc-patch --help peaks at $baseline_kib KiB."
    cat "$data/worse" 2>/dev/null || true
} >>"$results"

# --- Start-up ---------------------------------------------------------------------------------
caption='ミルフィのアニメデータを修正するツール'

# A display of the benchmark's own, with a window manager, shared by both start-up measures.
start_display() {
    [ -z "$xvfb_pid" ] || return 0
    local tool display
    for tool in Xvfb openbox xdpyinfo xprop; do
        command -v "$tool" >/dev/null || return 1
    done
    for display in $(seq 71 99); do [ -e /tmp/.X11-unix/X$display ] || break; done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$display"
    until xdpyinfo >/dev/null 2>&1; do sleep 0.05; done
    openbox --sm-disable >/dev/null 2>&1 &
    openbox_pid=$!
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; do sleep 0.05; done
    unset QT_QPA_PLATFORM
    # A desktop session has a session bus; without one, every Qt program would start dbus-launch
    # for its accessibility bridge while it starts, which is part of neither program's start-up.
    if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-daemon >/dev/null; then
        local bus
        bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
        export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
        bus_pid=${bus##*$'\n'}
    fi
}

# Median milliseconds since main of each phase that MRFYC_TRACE_STARTUP marks, over some rounds.
phases() {
    local title=$1 program=$2 round
    for ((round = 0; round < 11; round++)); do
        MRFYC_TRACE_STARTUP=1 "$map_wait" "$title" "$program" 2>&1 >/dev/null | grep '^mrfyc start-up:'
    done | awk '{t = $3; $1 = $2 = $3 = $4 = $5 = $6 = $7 = ""; sub(/^ +/, ""); if (!($0 in n)) order[++k] = $0
        v[$0, ++n[$0]] = t}
        END {for (i = 1; i <= k; i++) {p = order[i]; m = n[p]
            for (a = 1; a <= m; a++) for (b = a + 1; b <= m; b++) if (v[p, b] < v[p, a]) {x = v[p, a]; v[p, a] = v[p, b]; v[p, b] = x}
            printf "%s%s %.1f", (i > 1 ? ", " : ""), p, (m % 2) ? v[p, (m + 1) / 2] : (v[p, m / 2] + v[p, m / 2 + 1]) / 2}}'
}

startup() {
    echo
    ((startup_rounds > 0)) || return 0
    local tool
    for tool in "$app" "$stock" "$bare" "$map_wait"; do
        [ -x "$tool" ] || { echo "Start-up: skipped, $tool is not built in this tree."; return; }
    done
    start_display || { echo "Start-up: skipped, Xvfb, openbox or the X utilities are missing."; return; }
    rm -f "$data"/s_*
    # Once each to warm the caches, then alternating rounds.
    "$map_wait" "$caption" "$app" >/dev/null 2>&1 || true
    "$map_wait" "$caption" "$stock" >/dev/null 2>&1 || true
    "$map_wait" mrfyc-bench-minimal "$bare" >/dev/null 2>&1 || true
    app_round() { "$map_wait" "$caption" "$app" 2>>"$data/c_app" >>"$data/s_app" || true; }
    stock_round() { "$map_wait" "$caption" "$stock" 2>>"$data/c_stock" >>"$data/s_stock" || true; }
    local round
    for ((round = 0; round < startup_rounds; round++)); do
        # What ran just before shifts a start by about 1 %: every other round starts with the
        # yardstick, so neither program always follows the same one.
        if ((round % 2)); then stock_round; app_round; else app_round; stock_round; fi
        "$map_wait" mrfyc-bench-minimal "$bare" 2>/dev/null >>"$data/s_bare" || true
    done
    if grep -q -- -1 "$data/s_app" "$data/s_stock" "$data/s_bare"; then
        echo "Start-up: a window was not mapped within 20 s (or its program ended) in some rounds."
        return
    fi
    cpu_times "$data/c_app" >"$data/u_app"
    cpu_times "$data/c_stock" >"$data/u_stock"
    awk -v a="$(median <"$data/s_app")" -v s="$(median <"$data/s_stock")" \
        -v b="$(median <"$data/s_bare")" -v rs="$(ratio_median "$data/s_app" "$data/s_stock")" \
        -v rb="$(ratio_median "$data/s_app" "$data/s_bare")" -v n="$startup_rounds" -v ld="$(load)" \
        -v ua="$(median <"$data/u_app")" -v us="$(median <"$data/u_stock")" 'BEGIN {
        printf "Start-up to the window'\''s map event (Xvfb + openbox, %d alternating rounds, medians, load %s): mrfyc %.1f ms, stock window with the same controls and caption %.1f ms, bare window %.1f ms; mrfyc / stock: **%.2f** (ratio of medians), %.2f (median of rounds); CPU time to the map %.1f ms against %.1f ms: %.2f; mrfyc / bare: %.2f\n",
            n, ld, a / 1000, s / 1000, b / 1000, a / s, rs, ua / 1000, us / 1000, ua / us, rb
    }'
    echo "Phases in ms since main (MRFYC_TRACE_STARTUP=1, medians of 11 rounds): mrfyc: $(phases "$caption" "$app"); stock window: $(phases "$caption" "$stock")"
}

# The CPU times that map_wait writes to standard error, one a line.
cpu_times() { awk '$1 == "cpu" {print $2}' "$1"; }

# mrfyc.exe under Wine against the bare Win32 window, in the display that startup() made: a
# private prefix with the Japanese font names (made once, kept in build/bench-wine), one Wine
# server for all rounds, both programs once to warm the caches, then alternating rounds.
startup_windows() {
    echo
    ((windows_rounds > 0)) || return 0
    local exe=$windows_build/app/win32/mrfyc.exe win_stock=$windows_build/bench/mrfyc-bench-win32-stock.exe
    local tool
    for tool in "$exe" "$win_stock"; do
        [ -f "$tool" ] || { echo "Start-up under Wine: skipped, $tool is not built (windows preset)."; return; }
    done
    for tool in wine wineserver; do
        command -v "$tool" >/dev/null || { echo "Start-up under Wine: skipped, $tool is missing."; return; }
    done
    [ -x "$map_wait" ] || { echo "Start-up under Wine: skipped, $map_wait is not built."; return; }
    start_display || { echo "Start-up under Wine: skipped, Xvfb, openbox or the X utilities are missing."; return; }
    if [ ! -f "$wine_prefix/system.reg" ]; then
        bash tests/support/win32/wine_gui_prefix.sh setup "$wine_prefix" >&2 ||
            { echo "Start-up under Wine: skipped, the prefix could not be made."; return; }
    fi
    export WINEPREFIX=$wine_prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # The prefix is the benchmark's own: a server left from before may hold another display.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    wineserver -p </dev/null >/dev/null 2>&1 || { echo "Start-up under Wine: skipped, no Wine server."; return; }
    wine_started=1
    local wine
    wine=$(command -v wine)
    rm -f "$data"/w_*
    "$map_wait" "$caption" "$wine" "$exe" </dev/null >/dev/null 2>&1 || true
    "$map_wait" "$caption" "$wine" "$win_stock" </dev/null >/dev/null 2>&1 || true
    win_app_round() { "$map_wait" "$caption" "$wine" "$exe" </dev/null 2>>"$data/wc_app" >>"$data/w_app" || true; }
    win_stock_round() {
        "$map_wait" "$caption" "$wine" "$win_stock" </dev/null 2>>"$data/wc_stock" >>"$data/w_stock" || true
    }
    local round
    for ((round = 0; round < windows_rounds; round++)); do
        if ((round % 2)); then win_stock_round; win_app_round; else win_app_round; win_stock_round; fi
    done
    if grep -q -- -1 "$data/w_app" "$data/w_stock"; then
        echo "Start-up under Wine: a window was not mapped within 20 s in some rounds."
        return
    fi
    cpu_times "$data/wc_app" >"$data/wu_app"
    cpu_times "$data/wc_stock" >"$data/wu_stock"
    awk -v a="$(median <"$data/w_app")" -v s="$(median <"$data/w_stock")" \
        -v rs="$(ratio_median "$data/w_app" "$data/w_stock")" -v n="$windows_rounds" -v ld="$(load)" \
        -v ua="$(median <"$data/wu_app")" -v us="$(median <"$data/wu_stock")" 'BEGIN {
        printf "Start-up under Wine to the window'\''s map event (same display, %d alternating rounds, medians, load %s): mrfyc.exe %.1f ms, bare Win32 window with the same controls, font, manifest and caption %.1f ms; mrfyc.exe / bare: **%.2f** (ratio of medians), %.2f (median of rounds); CPU time of the program to the map %.1f ms against %.1f ms: %.2f\n",
            n, ld, a / 1000, s / 1000, a / s, rs, ua / 1000, us / 1000, ua / us
    }'
}
startup >>"$results"
startup_windows >>"$results"

cat "$results"
