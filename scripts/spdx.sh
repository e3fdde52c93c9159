#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Adds the licence line to every tracked source file that lacks one; re-runnable.
# `scripts/spdx.sh --check` only lists the files that lack it and fails when there are any.
set -euo pipefail
cd "$(dirname "$0")/.."
tag='SPDX-License-Identifier: MIT'
check=false
[ "${1:-}" = --check ] && check=true
missing=0
while IFS= read -r -d '' file; do
    head -n 3 "$file" | grep -q "SPDX-License-Identifier:" && continue
    missing=$((missing + 1))
    if $check; then
        echo "no licence line: $file"
        continue
    fi
    case $file in
    *.cpp | *.h) comment="// $tag" ;;
    *) comment="# $tag" ;;
    esac
    if head -n 1 "$file" | grep -q '^#!'; then
        # After the interpreter line, which must stay first.
        { head -n 1 "$file"; echo "$comment"; tail -n +2 "$file"; } >"$file.spdx"
    else
        { echo "$comment"; cat "$file"; } >"$file.spdx"
    fi
    chmod --reference="$file" "$file.spdx"
    mv "$file.spdx" "$file"
done < <(git ls-files -z -- '*.cpp' '*.h' '*.sh' '*.py' '*.cmake' 'CMakeLists.txt' '*/CMakeLists.txt' '.ci/run')
if $check && [ "$missing" -gt 0 ]; then
    exit 1
fi
exit 0
