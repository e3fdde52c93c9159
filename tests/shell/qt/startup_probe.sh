#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What a program built on RunProgram takes from where it starts: after "--" every argument is a
# file name, for Qt too; the window has its icon; plugins come from Qt's own folder alone, never
# from the program's folder, a qt.conf planted there, the working folder or the environment.
set -uo pipefail
. "$(dirname "$0")/../../support/script_kit.sh"
start_checks "$1"
probe=$program
on_failure() { sed 's/^/  /' "$dir/out" "$dir/err" >&2; }

# arguments | the file chosen | the style sheet Qt read
while IFS='|' read -r arguments file sheet; do
    read -ra words <<<"$arguments"
    (cd "$dir" && timeout 60 "$probe" "${words[@]}" >"$dir/out" 2>"$dir/err") ||
        { failed "($arguments): exit code $?"; continue; }
    expected="file=${file:+$dir/$file}"$'\n'"stylesheet=$sheet"
    [ "$(head -n 2 "$dir/out")" = "$expected" ] || failed "($arguments): expected $expected"
done <<'ROWS'
-- -stylesheet=x.mrfy|-stylesheet=x.mrfy|
-stylesheet=x.mrfy -- -a.mrfy|-a.mrfy|file:///x.mrfy
a.mrfy -- b.mrfy|a.mrfy|
--|
ROWS

# The window icon, decoded beside the start-up or, when a desktop passes a start-up id, in line.
for environment in MRFYC_PROBE=1 DESKTOP_STARTUP_ID=probe; do
    (cd "$dir" && env "$environment" timeout 60 "$probe" >"$dir/out" 2>"$dir/err") ||
        { failed "($environment): exit code $?"; continue; }
    grep -qx 'icon=32x32' "$dir/out" || failed "($environment): no 32 x 32 window icon"
done

# A copy of the program in a folder where others have put plugin folders and a qt.conf.
mkdir -p "$dir/bin" "$dir/work" "$dir/evil"
cp "$probe" "$dir/bin/probe"
for folder in "$dir/bin" "$dir/work" "$dir/evil" "$dir/env" "$dir/qpa"; do
    mkdir -p "$folder/platforms" "$folder/imageformats" "$folder/styles"
done
printf '[Paths]\nPrefix=%s\nPlugins=%s\n' "$dir/evil" "$dir/evil" >"$dir/bin/qt.conf"
(cd "$dir/work" && QT_DEBUG_PLUGINS=1 QT_PLUGIN_PATH="$dir/env:" \
    QT_QPA_PLATFORM_PLUGIN_PATH="$dir/qpa" timeout 60 "$dir/bin/probe" >"$dir/out" 2>"$dir/err") ||
    failed "(plugins): exit code $?"
grep -q 'checking directory path' "$dir/err" || failed "(plugins): QT_DEBUG_PLUGINS said nothing"
grep -F "$dir" "$dir/err" && failed "(plugins): looked into the folders above"
grep -Eq "^plugins=/[^:]+$" "$dir/out" && ! grep -qF "$dir" "$dir/out" ||
    failed "(plugins): searches more than Qt's own folder"

[ "$failures" -eq 0 ] && echo "arguments after -- and plugin folders as they should be"
