#!/usr/bin/env bash
# Speed and memory of mrfyc-patch, side by side with `cp` + `sync` of the copy (the same
# durability) and with a whole-file rewrite, on logs of 1 MiB, 256 MiB and 2 GiB + 1 byte; then
# mrfyc's start-up against a minimal Qt window under Xvfb. Runs alternate A B C A B C, figures
# are medians. Usage: bash bench/run.sh  (after a release build; scripts/dev.sh bench does both)
#   MRFYC_BENCH_ROUNDS   rounds per size (default 7; the 2 GiB log gets at most 5)
#   MRFYC_BENCH_DIR      where the logs go (default build/bench-data, removed at the end)
#   MRFYC_BENCH_SIZES    sizes in bytes (default "1048576 268435456 2147483649")
#   MRFYC_APP            the mrfyc program whose start-up is measured (default: this build's)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${MRFYC_BUILD:-build/release}
data=${MRFYC_BENCH_DIR:-build/bench-data}
rounds=${MRFYC_BENCH_ROUNDS:-7}
sizes=${MRFYC_BENCH_SIZES:-"1048576 268435456 2147483649"}
patcher=$build/tools/mrfyc-patch
rewrite=$build/bench/mrfyc-bench-rewrite
minimal=$build/bench/mrfyc-bench-window
app=${MRFYC_APP:-$build/app/mrfyc}
results=$build/bench-results.md

for program in "$patcher" "$rewrite" "$minimal"; do
    [ -x "$program" ] || { echo "missing $program: build the release preset first" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }

mkdir -p "$data"
xvfb_pid='' openbox_pid=''
cleanup() {
    [ -n "$openbox_pid" ] && kill "$openbox_pid" 2>/dev/null
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

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
max() { sort -n | tail -1; }

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

# Runs a command once from a clean page cache state (nothing dirty), appending
# "microseconds peak_KiB" to the file named first.
measure() {
    local into=$1
    shift
    sync
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f %M -o "$data/peak" "$@" >/dev/null
    end=$(date +%s%N)
    echo "$(((end - start) / 1000)) $(tail -1 "$data/peak")" >>"$into"
}

copy_and_sync() { cp "$1" "$2" && sync "$2"; }
export -f copy_and_sync

baseline_kib=$( (/usr/bin/time -f %M "$patcher" --help >/dev/null) 2>&1 | tail -1)

{
    echo "mrfyc-patch against cp + sync and a whole-file rewrite ($(date -u +%Y-%m-%d), $(nproc) cores, $(df --output=fstype "$data" | tail -1) on $(df --output=source "$data" | tail -1))"
    echo
    echo "| log | mrfyc-patch | cp + sync | ratio | rewrite | ratio | mrfyc-patch MiB/s | peak above baseline: patch | rewrite |"
    echo "|---|---|---|---|---|---|---|---|---|"
} >"$results"

for size in $sizes; do
    log=$data/log.mrfy
    make_log "$log" "$size"
    n=$rounds
    ((size > (1 << 30) && n > 5)) && n=5
    rm -f "$data"/a "$data"/b "$data"/c
    for ((round = 0; round < n; round++)); do
        measure "$data/a" "$patcher" "$log"
        measure "$data/b" bash -c 'copy_and_sync "$1" "$2"' bash "$log" "$data/copy"
        rm -f "$data/copy"
        measure "$data/c" "$rewrite" "$data/Temp.txt" "$log"
    done
    a=$(cut -d' ' -f1 "$data/a" | median)
    b=$(cut -d' ' -f1 "$data/b" | median)
    c=$(cut -d' ' -f1 "$data/c" | median)
    peak_a=$(cut -d' ' -f2 "$data/a" | max)
    peak_c=$(cut -d' ' -f2 "$data/c" | max)
    rm -f "$log"
    awk -v size="$size" -v a="$a" -v b="$b" -v c="$c" -v pa="$peak_a" -v pc="$peak_c" \
        -v base="$baseline_kib" -v n="$n" 'BEGIN {
            label = size >= 1073741824 ? sprintf("%.0f GiB + %d B", int(size / 1073741824), size % 1073741824) \
                                       : sprintf("%d MiB", size / 1048576)
            printf "| %s (%d rounds) | %.3f s | %.3f s | **%.2f** | %.3f s | %.2f | %.0f | %+d KiB | %+d KiB |\n",
                label, n, a / 1e6, b / 1e6, a / b, c / 1e6, c / b, size / 1048576 / (a / 1e6),
                pa - base, pc - base
        }' >>"$results"
done
echo >>"$results"
echo "Baseline: mrfyc-patch --help peaks at $baseline_kib KiB." >>"$results"

# --- Start-up ---------------------------------------------------------------------------------
caption='ミルフィのアニメデータを修正するツール'
startup() {
    echo
    if [ ! -x "$app" ]; then
        echo "Start-up: skipped, $app is not built in this tree."
        return
    fi
    for tool in Xvfb xdotool openbox xdpyinfo; do
        command -v "$tool" >/dev/null || { echo "Start-up: skipped, $tool is missing."; return; }
    done
    local display
    for display in $(seq 71 99); do [ -e /tmp/.X11-unix/X$display ] || break; done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$display"
    until xdpyinfo >/dev/null 2>&1; do sleep 0.05; done
    openbox --sm-disable >/dev/null 2>&1 &
    openbox_pid=$!
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; do sleep 0.05; done
    unset QT_QPA_PLATFORM

    # Microseconds from the start of the process to its window being mapped; -1 if never.
    shown_after() {
        local title=$1
        shift
        local start end pid deadline
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1 &
        pid=$!
        deadline=$((start + 20000000000))
        until xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; do
            if (($(date +%s%N) > deadline)) || ! kill -0 "$pid" 2>/dev/null; then
                kill "$pid" 2>/dev/null || true
                wait "$pid" 2>/dev/null || true
                echo -1
                return
            fi
        done
        end=$(date +%s%N)
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        echo $(((end - start) / 1000))
    }
    rm -f "$data/s_app" "$data/s_min"
    shown_after "$caption" "$app" >/dev/null # warm the caches of both once
    shown_after mrfyc-bench-minimal "$minimal" >/dev/null
    local round
    for ((round = 0; round < 11; round++)); do
        shown_after "$caption" "$app" >>"$data/s_app"
        shown_after mrfyc-bench-minimal "$minimal" >>"$data/s_min"
    done
    if grep -q -- -1 "$data/s_app" "$data/s_min"; then
        echo "Start-up: a window did not show within 20 s (or its program ended) in $(grep -c -- -1 "$data/s_app" "$data/s_min" | tr '\n' ' ')runs."
        return
    fi
    local s_app s_min
    s_app=$(median <"$data/s_app")
    s_min=$(median <"$data/s_min")
    awk -v a="$s_app" -v m="$s_min" 'BEGIN {
        printf "Start-up to the window shown (Xvfb + openbox, 11 rounds, medians): mrfyc %.0f ms, minimal Qt window %.0f ms, ratio **%.2f**\n",
            a / 1000, m / 1000, a / m
    }'
}
startup >>"$results"

cat "$results"
