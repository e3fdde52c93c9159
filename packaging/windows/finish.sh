#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The last step of every program in the Windows download, made in place:
#   finish.sh PROGRAM                                 signs it, when the publisher signs
#   finish.sh UNINSTALLER SETUP_TEXT UNINSTALL_TEXT   (makensis, for the uninstaller it makes from
#       the installer) puts UNINSTALL_TEXT where the version information says SETUP_TEXT, then signs
# The publisher signs with MRFYC_SIGN_CERT (the certificate, with its chain) and MRFYC_SIGN_KEY
# (its private key, unencrypted), both PEM files. The signing time is SOURCE_DATE_EPOCH, so that
# the same program signed again gives the same bytes; MRFYC_SIGN_TIMESTAMP_URL, when set, has a
# time-stamping server countersign (the signature then outlives the certificate, but holds the
# server's time, so that signing twice no longer gives the same bytes).
set -euo pipefail
file=$1

if [ $# -eq 3 ]; then
    # Both texts in UTF-16 and of one length: the version resource keeps its layout.
    utf16() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -d ' \n'; }
    from=$(utf16 "$2") to=$(utf16 "$3")
    [ ${#from} = ${#to} ] || { echo "finish.sh: \"$2\" and \"$3\" differ in length" >&2; exit 1; }
    cp "$file" "$file.orig"
    FROM=$from TO=$to perl -0777 -pi -e \
        'BEGIN { $f = pack("H*", $ENV{FROM}); $t = pack("H*", $ENV{TO}); }
         $n = s/\Q$f\E/$t/g || 0; $n == 1 or die "finish.sh: the description is there $n times\n";' "$file"
    # The installer's check of itself: a CRC-32 (as gzip's) of all but the first 512 bytes, in
    # the last 4. Made again for the new text, once the old one is seen to be where it belongs.
    crc() { tail -c +513 "$1" | head -c -4 | gzip -c | tail -c 8 | head -c 4; }
    cmp -s <(crc "$file.orig") <(tail -c 4 "$file.orig") ||
        { echo "finish.sh: no installer check where it belongs" >&2; exit 1; }
    { head -c -4 "$file"; crc "$file"; } >"$file.new"
    mv "$file.new" "$file"
    rm "$file.orig"
fi

[ -n "${MRFYC_SIGN_CERT:-}${MRFYC_SIGN_KEY:-}" ] || exit 0
if [ -z "${MRFYC_SIGN_CERT:-}" ] || [ -z "${MRFYC_SIGN_KEY:-}" ]; then
    echo "finish.sh: signing needs both MRFYC_SIGN_CERT and MRFYC_SIGN_KEY" >&2
    exit 1
fi
sign=(osslsigncode sign -h sha256 -n mrfyc -certs "$MRFYC_SIGN_CERT" -key "$MRFYC_SIGN_KEY"
    -time "$SOURCE_DATE_EPOCH")
[ -z "${MRFYC_SIGN_TIMESTAMP_URL:-}" ] || sign+=(-ts "$MRFYC_SIGN_TIMESTAMP_URL")
rm -f "$file.signed"
"${sign[@]}" -in "$file" -out "$file.signed" >/dev/null
mv "$file.signed" "$file"
