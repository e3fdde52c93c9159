#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the Windows download twice, from two copies of the checkout in folders whose names differ
# in text and length, and compares the programs, the zip, the installer and the sums byte for
# byte. The copies keep their build folders and the files' times, so a second run rebuilds only
# what changed since. Usage: reproducible.sh SOURCE_DIR WORK_DIR PREFIX
# Both are signed with a certificate made for the run; every signature is checked against it, the
# uninstaller's too, as the installer writes it (silently, under Wine in PREFIX).
set -euo pipefail
source=$1 work=$2
export WINEPREFIX=$3 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cd "$source"
git rev-parse --git-dir >/dev/null 2>&1 || { echo "not a git checkout: nothing to copy"; exit 77; }
# For make_package.sh alone, as in a checkout: the linker would take it as the programs' time stamp.
epoch=$(git log -1 --format=%ct)
unset SOURCE_DATE_EPOCH MRFYC_SIGN_TIMESTAMP_URL
mkdir -p "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 30 \
    -subj "/CN=mrfyc test" -addext extendedKeyUsage=codeSigning 2>/dev/null
export MRFYC_SIGN_CERT=$work/cert.pem MRFYC_SIGN_KEY=$work/key.pem

copy_and_package() { # FOLDER: the tracked files as the working tree has them, then the package
    mkdir -p "$1"
    git ls-files -z | while IFS= read -r -d '' file; do
        [ -e "$file" ] && printf '%s\0' "$file"
    done | xargs -0 cp -a --parents -t "$1"
    (cd "$1" && rm -rf dist && cmake --preset windows-release >/dev/null &&
        cmake --build --preset windows-release --target mrfyc mrfyc-patch >/dev/null &&
        SOURCE_DATE_EPOCH=$epoch cmake --build --preset windows-release >/dev/null)
}
one=$work/a/mrfyc
two="$work/二つ目の、名前の長いフォルダー/mrfyc-source"
copy_and_package "$one"
# A clock that has moved on: a time stamp written by either build would differ.
built=$(date +%s)
until [ "$(date +%s)" -gt "$built" ]; do sleep 0.1; done
copy_and_package "$two"

same=0
for file in build/windows-release/app/win32/mrfyc.exe build/windows-release/tools/mrfyc-patch.exe \
    $(cd "$one" && ls dist/*); do
    if cmp "$one/$file" "$two/$file"; then
        same=$((same + 1))
    else
        echo "differs: $file"
    fi
done
[ "$same" = 5 ] || exit 1
echo "the same bytes from both folders: $(cd "$one/dist" && ls | tr '\n' ' ')"

unsigned=$(
    rm -rf "$work/zip" && unzip -q "$one"/dist/*.zip -d "$work/zip"
    installed=$(winepath -u 'C:\mrfyc-signed')
    wine "$one"/dist/*-setup.exe /S "/D=C:\mrfyc-signed" || echo "the signed installer failed"
    for file in "$one"/dist/*-setup.exe "$work"/zip/*.exe "$installed/uninstall.exe"; do
        osslsigncode verify -CAfile "$work/cert.pem" -in "$file" >/dev/null 2>&1 || echo "not signed: $file"
    done
    wine "$installed/uninstall.exe" /S || echo "the signed uninstaller failed"
)
[ -z "$unsigned" ] || { echo "$unsigned"; exit 1; }
echo "every program signed, the uninstaller the installer writes too"
