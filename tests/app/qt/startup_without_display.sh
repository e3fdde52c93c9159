#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# mrfyc started where Qt cannot open a window: exit code 1 and the start-up failure text on
# stderr, never an abort.
set -uo pipefail
. "$(dirname "$0")/../../support/script_kit.sh"
start_checks "$1"

check() { # name, then the environment and arguments of the run
    local name=$1
    shift
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" >"$dir/out" 2>"$dir/err"
    local rc=$?
    if [ "$rc" -ne 1 ]; then
        failed "($name): exit code $rc, expected 1"
    elif ! grep -Eq $'^Exception がモジュール [^ ]+ の [0-9A-F]{16} で発生しました。\r$' "$dir/err"; then
        failed "($name): no start-up failure text"
    else
        echo "ok ($name)"
        return 0
    fi
    sed "s/^/  stderr: /" "$dir/err"
}

check "no display" QT_QPA_PLATFORM=xcb timeout 60 "$program"
check "unknown platform" timeout 60 "$program" -platform no-such-platform
check "unknown platform in the environment" QT_QPA_PLATFORM=no-such-platform timeout 60 "$program"
[ "$failures" -eq 0 ]
