#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# setup: creates (or brings up to date) the private Wine prefix for windowed tests, with Japanese
# fonts, and leaves no server running: a windowed test starts its own on its display, since a
# server started without a display keeps every later window of the prefix off-screen for good.
# cleanup: stops whatever a test left running.
set -euo pipefail
action="$1"
export WINEPREFIX="$2"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
here="$(cd "$(dirname "$0")" && pwd)"
case "$action" in
setup)
    mkdir -p "$WINEPREFIX"
    log="$WINEPREFIX.log"
    wineserver -k >/dev/null 2>&1 || true
    fonts="$WINEPREFIX/fonts.reg"
    iconv -f UTF-8 -t UTF-16 "$here/wine_fonts.reg" >"$fonts"
    if ! { wineboot -i && wine regedit "$(winepath -w "$fonts")" && wineserver -w; } \
        </dev/null >>"$log" 2>&1; then
        cat "$log" >&2
        exit 1
    fi
    ;;
cleanup)
    wineserver -k >/dev/null 2>&1 || true
    ;;
*)
    echo "usage: $0 setup|cleanup PREFIX" >&2
    exit 2
    ;;
esac
