#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Draws the include graph between the layers and fails on any include that runs upward, on a Qt
# header below the shell, on the patch's steps reaching past the file seam into one platform, and
# on one platform's code reaching into another's. The platforms' folders come from
# cmake/platforms.cmake, as the build takes them: nothing in one platform's folder includes
# another platform's code, a Win32 header is included only in the Windows folders and a Qt header
# only under qt/, and the seams at the root of shell/, ui/ and app/ include no toolkit.
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

# "layer/folder" -> the platforms whose code that folder holds, from the build's own table.
declare -A folder_platforms=()
while read -r platform pairs; do
    for pair in $pairs; do
        folder_platforms[${pair%%=*}/${pair#*=}]+=" $platform"
    done
done < <(sed -n 's/^set(MRFYC_FOLDERS_\([A-Za-z0-9_]*\)[[:space:]]\(.*\))$/\1 \2/p' cmake/platforms.cmake)
if [ ${#folder_platforms[@]} -eq 0 ]; then
    echo "no platform folders in cmake/platforms.cmake"
    exit 1
fi

# The platform folder a path lies in ("files/linux"), or nothing; tests/ mirrors the layers, and
# the kit in tests/support the file layer.
platform_folder_of() {
    local path=${1#tests/}
    path=${path/#support\//files/}
    [[ $path == */*/* ]] || return 0
    local rest=${path#*/}
    local folder=${path%%/*}/${rest%%/*}
    [ -z "${folder_platforms[$folder]+set}" ] || echo "$folder"
}

# Whether two platform folders' code can be built together: they share a platform.
same_platform() {
    local platform
    for platform in ${folder_platforms[$1]}; do
        [[ " ${folder_platforms[$2]} " == *" $platform "* ]] && return 0
    done
    return 1
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
        # The steps in files/ see only the seam; one platform's code never sees another's.
        from_folder=$(platform_folder_of "$file")
        to_folder=$(platform_folder_of "$included")
        if [ -n "$from_folder" ] && [ -n "$to_folder" ] && ! same_platform "$from_folder" "$to_folder"; then
            fail "$file includes $included (another platform's code)"
        fi
        if [[ $file == files/* && -z $from_folder && $to_folder == files/* ]]; then
            fail "$file includes $included (past the file seam)"
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
    if [[ " $toolkit_free " == *" $from "* ]] && grep -Eq "$qt_header" "$file"; then
        fail "$file includes a Qt header ($from builds without Qt)"
    fi
    case $file in
    shell/*/* | ui/*/* | app/*/*) ;;
    shell/* | ui/* | app/*) # a seam at a layer's root serves every platform
        grep -Eq "$qt_header|$win32_header" "$file" && fail "$file includes a toolkit at the layer's root" ;;
    esac
    folder=$(platform_folder_of "$file")
    if [ -n "$folder" ] && [[ $folder != */qt ]] && grep -Eq "$qt_header" "$file"; then
        fail "$file includes a Qt header (code of ${folder_platforms[$folder]# } outside qt/)"
    fi
    if [ -n "$folder" ] && [[ " ${folder_platforms[$folder]} " != *" win32 "* ]] &&
        grep -Eiq "$win32_header" "$file"; then
        fail "$file includes a Win32 header (code of ${folder_platforms[$folder]# })"
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
