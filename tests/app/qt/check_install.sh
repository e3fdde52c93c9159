#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The installed tree as a packager and a desktop see it: stripped programs, each with a manual
# page that man reads without a warning, the icon in every size, valid AppStream metainfo, a
# valid desktop entry and a MIME type that a file manager resolves to mrfyc.
# Usage: check_install.sh CMAKE BUILD_DIR
set -uo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
. "$(dirname "$0")/../../support/script_kit.sh"
"$1" --install "$2" --prefix "$prefix" --strip >/dev/null || fail "install"
failures=0
share=$prefix/share

for program in mrfyc mrfyc-patch; do
    [ -x "$prefix/bin/$program" ] || failed "no bin/$program"
done
# As lintian sees a package: every program stripped and with its manual page.
for binary in "$prefix"/bin/*; do
    program=$(basename "$binary")
    if ! readelf -h "$binary" >/dev/null 2>&1; then
        failed "bin/$program is no ELF file"
    elif grep -q '\.symtab\|\.debug_' <<<"$(readelf -S "$binary")"; then
        failed "bin/$program is not stripped"
    fi
    page=$share/man/man1/$program.1
    if [ ! -f "$page" ]; then
        failed "no manual page for $program"
    else
        warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
            man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || failed "man warns about $program.1: $warnings"
        # Bold comes as overstrikes: "N\bNA\bA...".
        # Whole outputs before grep -q, which would otherwise end the pipe early (pipefail).
        text=$(man -l -Tutf8 "$page" 2>/dev/null | sed 's/.\x08//g')
        grep -q "^ *$program - " <<<"$text" || failed "$program.1 has no NAME line"
    fi
done

metainfo=$(find "$share/metainfo" -name '*.metainfo.xml' 2>/dev/null)
if [ "$(echo "$metainfo" | grep -c .)" -ne 1 ]; then
    failed "not exactly one metainfo file: $metainfo"
else
    appstreamcli validate --no-net "$metainfo" >/dev/null || failed "appstreamcli validate"
    grep -q '<caption>' "$metainfo" || failed "metainfo has no screenshot caption"
    grep -q '<project_license>MIT</project_license>' "$metainfo" || failed "metainfo has no licence"
    grep -q '<launchable type="desktop-id">mrfyc.desktop</launchable>' "$metainfo" ||
        failed "metainfo does not launch mrfyc.desktop"
fi

for size in 16 32 48 64 128 256; do
    icon=$share/icons/hicolor/${size}x${size}/apps/mrfyc.png
    identify -format '%wx%h' "$icon" 2>/dev/null | grep -qx "${size}x${size}" ||
        failed "no ${size}x${size} icon"
done
grep -q '<svg' "$share/icons/hicolor/scalable/apps/mrfyc.svg" 2>/dev/null || failed "no scalable icon"

desktop=$share/applications/mrfyc.desktop
if [ -f "$desktop" ]; then
    desktop-file-validate "$desktop" || failed "desktop-file-validate"
    for line in 'Exec=mrfyc %f' 'TryExec=mrfyc' 'Icon=mrfyc' 'MimeType=application/x-mrfy-log;'; do
        grep -qxF "$line" "$desktop" || failed "desktop entry lacks $line"
    done
    for key in 'Name\[ja\]' GenericName 'GenericName\[ja\]' Keywords Comment 'Comment\[ja\]'; do
        grep -q "^$key=" "$desktop" || failed "desktop entry lacks $key"
    done
else
    failed "no desktop file"
fi

# The MIME type as a desktop sees it once the package's database is built.
# The entry's TryExec looks for mrfyc on PATH, as the menu would.
export PATH=$prefix/bin:$PATH
export XDG_DATA_DIRS=$share:/usr/share XDG_DATA_HOME=$prefix/home XDG_CONFIG_HOME=$prefix/config
export XDG_CONFIG_DIRS=$prefix/config
# What a package's triggers run after installing.
update-mime-database "$share/mime" || failed "update-mime-database"
update-desktop-database "$share/applications" || failed "update-desktop-database"
files=$prefix/files
mkdir -p "$files"
printf 'log' >"$files/a.mrfy"
printf 'log' >"$files/b.MRFY"
printf 'log' >"$files/c.tmp"
content_type() { gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }
[ "$(content_type "$files/a.mrfy")" = application/x-mrfy-log ] ||
    failed "gio: a.mrfy is $(content_type "$files/a.mrfy")"
for other in b.MRFY c.tmp; do
    [ "$(content_type "$files/$other")" != application/x-mrfy-log ] || failed "gio claims $other"
done
if command -v xdg-mime >/dev/null; then
    type=$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$files/a.mrfy")
    [ "$type" = application/x-mrfy-log ] || failed "xdg-mime: a.mrfy is $type"
fi
offered=$(gio mime application/x-mrfy-log 2>&1)
grep -q "mrfyc\.desktop" <<<"$offered" || failed "mrfyc not offered for the type: $offered"

[ "$failures" -eq 0 ] && echo "PASS"
