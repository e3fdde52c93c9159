#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the build tree into a fresh prefix and checks the library search path of every
# installed program. Usage: check_installed_runpath.sh CMAKE BUILD_DIR CHECK_SCRIPT [ARGS...]
set -euo pipefail
cmake=$1 build=$2
shift 2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
mapfile -t programs < <(find "$prefix/bin" -type f)
[ "${#programs[@]}" -gt 0 ] || { echo "FAIL: nothing installed in bin/" >&2; exit 1; }
check=$1
shift
# The installed programs may reach the install tree (through $ORIGIN) and Qt, not the build tree.
args=()
while [ "${1:-}" = --allow ]; do
    [ "$2" = "$build" ] || args+=(--allow "$2")
    shift 2
done
bash "$check" "${args[@]}" --allow "$prefix" "${programs[@]}"
