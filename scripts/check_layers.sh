#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Draws the include graph between the layers and fails on any include that runs upward, on a Qt
# header below the shell, on the patch's steps reaching past the file seam into one platform, and
# on one toolkit's code reaching into the other's: nothing under a qt/ folder includes a Win32
# header or win32/ code, nothing under a win32/ folder a Qt header or qt/ code, and the seams at
# the root of shell/ and ui/ include neither toolkit.
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
)
toolkit_free="rules files tools tests/support tests/rules tests/files tests/tools tests/faults tests/fuzz"
qt_header='^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q[A-Za-z]*(/[A-Za-z]*)?>'
win32_header='^[[:space:]]*#[[:space:]]*include[[:space:]]*<(windows|windowsx|winuser|wingdi|commctrl|commdlg|shellapi|shlobj|shlwapi|uxtheme|objbase|ole2)\.h>'

# Which toolkit's side a path lies on: qt, win32, or none.
side_of() {
    case /$1 in
    */qt/*) echo qt ;;
    */win32/*) echo win32 ;;
    *) echo none ;;
    esac
}

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
        case $(side_of "$file"):$(side_of "$included") in
        qt:win32 | win32:qt) fail "$file includes $included (the other toolkit's code)" ;;
        esac
        case $file:$included in
        files/posix/*:files/win32/* | files/win32/*:files/posix/*)
            fail "$file includes $included (the other platform's side)" ;;
        files/[!/]*.*:files/posix/* | files/[!/]*.*:files/win32/*)
            [[ $file == files/*/* ]] || fail "$file includes $included (past the file seam)" ;;
        esac
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
    if [[ " $toolkit_free " == *" $from "* ]] && grep -Eq "$qt_header" "$file"; then
        fail "$file includes a Qt header ($from builds without Qt)"
    fi
    case $file in
    shell/*/* | ui/*/* | app/*/* | tests/*/qt/* | tests/*/win32/*) ;;
    shell/* | ui/* | app/*) # a seam at a layer's root serves both toolkits
        grep -Eq "$qt_header|$win32_header" "$file" && fail "$file includes a toolkit at the layer's root" ;;
    esac
    if [ "$(side_of "$file")" = win32 ] && grep -Eq "$qt_header" "$file"; then
        fail "$file includes a Qt header (Win32 code)"
    fi
    if [ "$(side_of "$file")" = qt ] && grep -Eiq "$win32_header" "$file"; then
        fail "$file includes a Win32 header (Qt code)"
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
