#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails when a program's library search path (RPATH or RUNPATH) holds an entry that the loader
# would resolve against the working folder (empty or relative), or an absolute folder outside
# the allowed ones. A library planted in the working folder must never be loaded.
# Usage: check_runpath.sh [--allow DIR]... PROGRAM...
set -euo pipefail
allowed=()
while [ "${1:-}" = --allow ]; do
    allowed+=("${2%/}")
    shift 2
done
[ $# -gt 0 ] || { echo "usage: $0 [--allow DIR]... PROGRAM..." >&2; exit 2; }

entry_ok() {
    local entry=$1 dir
    case "$entry" in
    '$ORIGIN' | '$ORIGIN/'* | '${ORIGIN}' | '${ORIGIN}/'*) return 0 ;;
    /*) ;;
    *) return 1 ;;
    esac
    for dir in "${allowed[@]}"; do
        [ "$entry" = "$dir" ] || [ "${entry#"$dir"/}" != "$entry" ] && return 0
    done
    return 1
}

status=0
for program in "$@"; do
    [ -f "$program" ] || { echo "FAIL: $program: no such file" >&2; status=1; continue; }
    # Lines like: 0x...1d (RUNPATH)  Library runpath: [a:b]
    while IFS= read -r line; do
        paths=${line#*[}
        paths=${paths%]}
        # Split on ":" keeping empty entries, including a leading or trailing one.
        rest=$paths:
        while [ -n "$rest" ]; do
            entry=${rest%%:*}
            rest=${rest#*:}
            if ! entry_ok "$entry"; then
                echo "FAIL: $program: search path entry '$entry' in [$paths]" >&2
                status=1
                break
            fi
        done
    done < <(LC_ALL=C readelf -d "$program" | grep -E '\((RPATH|RUNPATH)\)' || true)
done
[ "$status" -ne 0 ] || echo "PASS: $# programs"
exit "$status"
