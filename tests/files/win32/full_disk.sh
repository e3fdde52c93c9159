#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# full_disk.sh PREFIX TESTS.exe SCRATCH: runs the full-disk tests on a 32 MiB tmpfs of their own,
# mounted in a private mount namespace and given to Wine as drive T:. Exit 77 (skipped) where
# the system refuses an unprivileged namespace.
set -euo pipefail
prefix="$1" tests="$2" scratch="$3"
here="$(cd "$(dirname "$0")" && pwd)"
if ! unshare -Urm true 2>/dev/null; then
    echo "skipped: no private mount namespace here (unshare -Urm refused)"
    exit 77
fi
work="$scratch/full_disk.$$"
mkdir -p "$work/disk"
# A copy of the prefix: a Wine server belongs to one prefix, and the one of the test run lives
# outside this namespace, where the tmpfs cannot be seen. Hard links make the copy instant; Wine
# saves its registry through new files, so the originals stay as they are.
cp -al "$prefix" "$work/prefix" 2>/dev/null || cp -a "$prefix" "$work/prefix"
trap 'rm -rf "$work"' EXIT
export MRFYC_FULL_DISK='T:\'
unshare -Urm bash -c '
    set -e
    mount -t tmpfs -o size=32m tmpfs "$1/disk"
    ln -sfn "$1/disk" "$1/prefix/dosdevices/t:"
    status=0
    "$2" "$1/prefix" "$3" --gtest_filter=FullDisk.* || status=$?
    WINEPREFIX="$1/prefix" wineserver -k || true
    exit $status
' full_disk "$work" "$here/../../support/win32/wine_run.sh" "$tests"
