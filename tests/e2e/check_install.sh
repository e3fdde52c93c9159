#!/usr/bin/env bash
# cmake --install puts the program, its icon and its desktop entry under the prefix.
# Usage: check_install.sh CMAKE BUILD_DIR
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$1" --install "$2" --prefix "$prefix" >/dev/null
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -x "$prefix/bin/mrfyc" ] || fail "no bin/mrfyc"
[ -s "$prefix/share/icons/hicolor/32x32/apps/mrfyc.png" ] || fail "no 32x32 icon"
desktop="$prefix/share/applications/mrfyc.desktop"
[ -f "$desktop" ] || fail "no desktop file"
grep -qx 'Exec=mrfyc' "$desktop" || fail "desktop file does not start mrfyc"
grep -qx 'Icon=mrfyc' "$desktop" || fail "desktop file names another icon"
echo "PASS"
