#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the Windows download from the two built programs:
#   make_package.sh VERSION SOURCE_DIR WORK_DIR OUT_DIR MRFYC_EXE PATCH_EXE
# OUT_DIR receives mrfyc-VERSION-windows-x64.zip, mrfyc-VERSION-windows-x64-setup.exe and
# SHA256SUMS. The same programs and sources give the same bytes: every date inside is
# SOURCE_DATE_EPOCH (from the environment, else the last commit's time), the signing time too
# when the publisher signs (see finish.sh), every file's order and mode are fixed.
set -euo pipefail
version=$1 source=$2 work=$3 out=$4 mrfyc=$5 patch=$6
here=$source/packaging/windows
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    # Outside a checkout, the earliest date a zip can hold, rather than the time of the build.
    SOURCE_DATE_EPOCH=$(git -C "$source" log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
# UTF-8, so that makensis takes a path of any name.
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C.UTF-8
base=mrfyc-$version-windows-x64

# The files as the user gets them: texts in Windows' line ends, the read-me with a BOM so that
# any Notepad reads it as UTF-8.
stage=$work/stage
rm -rf "$stage"
mkdir -p "$stage" "$out"
cp "$mrfyc" "$stage/mrfyc.exe"
cp "$patch" "$stage/mrfyc-patch.exe"
bash "$here/finish.sh" "$stage/mrfyc.exe"
bash "$here/finish.sh" "$stage/mrfyc-patch.exe"
sed 's/$/\r/' "$source/LICENSE" >"$stage/LICENSE.txt"
{ printf '\357\273\277'; sed "s/@VERSION@/$version/g; s/\$/\r/" "$here/README.txt"; } >"$stage/README.txt"
files=(mrfyc.exe mrfyc-patch.exe README.txt LICENSE.txt)
chmod 0644 "${files[@]/#/$stage/}"
touch -h -d "@$SOURCE_DATE_EPOCH" "${files[@]/#/$stage/}"

rm -f "$out/$base.zip"
(cd "$stage" && zip -q -X -D "$out/$base.zip" "${files[@]}")

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" \
    -DICON="$source/app/icon/mrfyc.ico" -DOUTFILE="$out/$base-setup.exe" "$here/mrfyc.nsi"

(cd "$out" && sha256sum "$base.zip" "$base-setup.exe" >SHA256SUMS)
