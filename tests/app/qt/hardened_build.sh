#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The programs built as a Debian package builds them: release, Debian's hardening flags (all of
# them), every warning an error, so that an unchecked result or a format string from outside
# breaks this test and not a packager's build. Only the programs, to keep it cheap.
# Usage: hardened_build.sh CMAKE SOURCE_DIR BUILD_DIR
set -euo pipefail
cmake=$1 source=$2 build=$3
command -v dpkg-buildflags >/dev/null || { echo "dpkg-buildflags missing (package dpkg-dev)"; exit 1; }
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $cppflags -D_FORTIFY_SOURCE=2 -Werror=format-security"
ldflags=$(dpkg-buildflags --get LDFLAGS)
"$cmake" -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DMRFYC_BUILD_TESTS=OFF -DMRFYC_SANITIZE=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" >/dev/null
"$cmake" --build "$build" --target mrfyc mrfyc-patch
. "$(dirname "$0")/../../support/script_kit.sh"
failures=0
for program in "$build/app/qt/mrfyc" "$build/tools/mrfyc-patch"; do
    name=$(basename "$program")
    header=$(readelf -h "$program")
    segments=$(readelf -lW "$program")
    dynamic=$(readelf -dW "$program")
    symbols=$(readelf --dyn-syms -W "$program")
    grep -q 'Type: *DYN' <<<"$header" || failed "$name is no PIE"
    grep -q GNU_RELRO <<<"$segments" || failed "$name has no RELRO"
    grep -q BIND_NOW <<<"$dynamic" || grep -q 'FLAGS.*NOW' <<<"$dynamic" ||
        failed "$name is not bound now"
    grep -q '__stack_chk_fail' <<<"$symbols" ||
        failed "$name has no stack protector"
done
[ "$failures" -eq 0 ] && echo PASS
