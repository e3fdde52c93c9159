#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The icon files in app/icon are what make_icon.py writes today, byte for byte, and nothing of
# them is missing: a drawing changed without its files (or the reverse) fails here.
# Usage: icon_generated.sh SOURCE_DIR WORK_DIR
set -euo pipefail
icons=$1/app/icon work=$2
rm -rf "$work"
python3 "$icons/make_icon.py" "$work"
[ -n "$(ls -A "$work" 2>/dev/null)" ] || { echo "make_icon.py wrote nothing into $work"; exit 1; }
status=0
while IFS= read -r file; do
    cmp -s "$work/$file" "$icons/$file" || { echo "not as drawn: app/icon/$file"; status=1; }
done < <(cd "$work" && find . -type f | sort)
exit $status
