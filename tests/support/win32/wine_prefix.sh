#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# setup: creates (or brings up to date) the private Wine prefix of this build and keeps its
# server running for the whole test run; cleanup: stops that server.
set -euo pipefail
action="$1"
export WINEPREFIX="$2"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
case "$action" in
setup)
    mkdir -p "$WINEPREFIX"
    # A persistent server: every test after this one starts without Wine's start-up cost.
    # Its processes outlive this script: they must not hold ctest's output pipe open.
    log="$WINEPREFIX.log"
    # (Refused when a server of this prefix runs already, e.g. from an interrupted run.)
    wineserver -p </dev/null >>"$log" 2>&1 || true
    if ! wineboot -i </dev/null >>"$log" 2>&1; then
        cat "$log" >&2
        exit 1
    fi
    ;;
cleanup)
    wineserver -k || true
    ;;
*)
    echo "usage: $0 setup|cleanup PREFIX" >&2
    exit 2
    ;;
esac
