# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Shell helpers shared by the end-to-end scripts; sourced, not run.

# Polls a condition every 0.1 s until it holds or the seconds ($1) run out.
wait_for() {
    local tries=$(($1 * 10))
    shift
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# The seven-line header a patch writes: log_header WIDTH HEIGHT LINES QUALITY.
log_header() {
    printf 'layer_count=2\r\nlayer_max=2\r\nlayer_last=2\r\nimage_width=%s\r\nimage_height=%s\r\ncount_lines=%s\r\nquality=%s\r\n' "$@"
}

# check_patched_log EXPECTED LOG HEADER SCRATCH: the log holds exactly EXPECTED, the scratch file
# exactly HEADER, and the log's folder nothing but the log. Prints what is wrong and fails.
check_patched_log() {
    local expected=$1 log=$2 header=$3 scratch=$4 leftovers
    if ! cmp "$expected" "$log"; then
        od -c "$log" | head -n 20 >&2
        echo "the log is not what the patch should leave"
        return 1
    fi
    cmp "$header" "$scratch" || { echo "Temp.txt does not hold the header"; return 1; }
    leftovers=$(ls -A "$(dirname "$log")")
    [ "$leftovers" = "$(basename "$log")" ] || {
        echo "the log's folder holds more than the log: $leftovers"
        return 1
    }
}

# How a script reports a check that does not hold. Both print "FAIL: MESSAGE" on standard error,
# with "(context)" after FAIL while the script's check_context is set, then run the script's own
# on_failure when it has one (to show its logs, take a screenshot, stop what it started).
# fail MESSAGE: the script cannot go on; it ends with exit code 1.
fail() {
    report_failure "$@"
    exit 1
}
# failed MESSAGE: the script goes on with its other checks; counted in failures.
failed() {
    report_failure "$@"
    failures=$((${failures:-0} + 1))
}
report_failure() {
    echo "FAIL${check_context:+ ($check_context)}: $*" >&2
    if declare -F on_failure >/dev/null; then on_failure; fi
}

# For scripts of many checks on one program ($1): program, a scratch folder dir removed on exit,
# and failures, the count of failed checks.
start_checks() {
    # shellcheck disable=SC2034 # used by the sourcing script
    program=$1
    dir=$(mktemp -d)
    trap 'rm -rf "$dir"' EXIT
    failures=0
}
