#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a windowed Windows program under Wine on the current X display (start it inside
# tests/support/with_xvfb.sh): wine_gui_run.sh PREFIX PROGRAM.exe ARGS... Gives the program's exit
# code once every process of the prefix has ended, so that the next test starts a server of its own.
set -uo pipefail
export WINEPREFIX="$1"
shift
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
[ -n "${DISPLAY:-}" ] || { echo "wine_gui_run.sh: no X display" >&2; exit 1; }
wine "$@"
code=$?
# The desktop process stays behind the program; it must not outlive this display.
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
exit "$code"
