#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Draws the include graph between the layers and fails on any include that runs upward, on a Qt
# header below the shell, and on the patch's steps reaching past the file seam into one platform.
# `scripts/check_layers.sh [SOURCE_ROOT]`; prints one "from -> to (count)" line per edge.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# What each folder may include besides itself, bottom to top.
declare -A allowed=(
    [rules]=""
    [files]="rules"
    [tools]="files rules"
    [shell]="files rules"
    [ui]="shell files rules"
    [app]="ui shell files rules"
    [tests/support]="files rules"
    [tests/rules]="rules tests/support"
    [tests/files]="files rules tests/support"
    [tests/tools]="tools files rules tests/support"
    [tests/faults]="files rules tests/support"
    [tests/fuzz]="rules"
    [tests/shell]="shell files rules tests/support"
    [tests/ui]="ui shell files rules tests/support"
    [tests/app]="app ui shell files rules tests/support"
    [tests/windows]="ui shell tools files rules"
)
toolkit_free="rules files tools tests/support tests/rules tests/files tests/tools tests/faults tests/fuzz"

# The layer a path belongs to: tests/X for tests, else its top folder.
layer_of() {
    case $1 in
    tests/*) echo "$1" | cut -d/ -f1-2 ;;
    *) echo "${1%%/*}" ;;
    esac
}

declare -A edges=()
failures=0
fail() {
    echo "WRONG WAY: $*"
    failures=$((failures + 1))
}

while IFS= read -r -d '' file; do
    file=${file#./}
    from=$(layer_of "$file")
    [ -n "${allowed[$from]+set}" ] || continue
    while IFS= read -r included; do
        [[ $included == */* ]] || continue # a file beside this one
        to=$(layer_of "$included")
        [ -n "${allowed[$to]+set}" ] || [[ $to == files || $to == rules ]] || continue
        edges["$from -> $to"]=$((${edges["$from -> $to"]:-0} + 1))
        if [ "$to" != "$from" ] && [[ " ${allowed[$from]} " != *" $to "* ]]; then
            fail "$file includes $included ($from may use only: ${allowed[$from]:-nothing})"
        fi
        # The steps in files/ see only the seam; one platform's side never sees the other's.
        case $file:$included in
        files/posix/*:files/win32/* | files/win32/*:files/posix/*)
            fail "$file includes $included (the other platform's side)" ;;
        files/[!/]*.*:files/posix/* | files/[!/]*.*:files/win32/*)
            [[ $file == files/*/* ]] || fail "$file includes $included (past the file seam)" ;;
        esac
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
    if [[ " $toolkit_free " == *" $from "* ]] &&
        grep -Eq '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q[A-Za-z]*>' "$file"; then
        fail "$file includes a Qt header ($from builds without Qt)"
    fi
done < <(find rules files tools shell ui app tests -type f \( -name '*.cpp' -o -name '*.h' \) -print0 |
    sort -z)

for edge in "${!edges[@]}"; do
    echo "$edge (${edges[$edge]})"
done | sort
if [ "$failures" -gt 0 ]; then
    echo "$failures include(s) against the layers"
    exit 1
fi
