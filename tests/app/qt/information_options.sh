#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# mrfyc --help and --version: answered on stdout with exit code 0, with no display to open a
# window on.
set -uo pipefail
. "$(dirname "$0")/../../support/script_kit.sh"
start_checks "$1"

check() { # option, pattern the first line of stdout must match
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb timeout 60 "$program" "$1" \
        >"$dir/out" 2>"$dir/err"
    local rc=$?
    if [ "$rc" -ne 0 ] || ! head -n 1 "$dir/out" | grep -Eq "$2"; then
        failed "($1): exit code $rc"
        sed 's/^/  stdout: /' "$dir/out"
        sed 's/^/  stderr: /' "$dir/err"
        return
    fi
    echo "ok ($1)"
}

check --help '^Usage: .*mrfyc \[options\] \[FILE\]$'
check -h '^Usage: '
check --version '^mrfyc [0-9]+\.[0-9]+\.[0-9]+$'
check -v '^mrfyc [0-9]'
grep -q -- '--version' "$dir/out" && failed "(-v): printed help"
[ "$failures" -eq 0 ]
