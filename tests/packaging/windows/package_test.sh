#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows download as a user gets it, under Wine on this test's display (Xvfb with openbox):
#   zip        unzipped into a folder with a Japanese name, mrfyc-patch.exe and mrfyc.exe there
#              each patch a log, "Temp.txt" lands beside them
#   installer  the installer run silently: the files, the Start-menu entry and the registry keys
#              where they belong, the installed programs patch logs, and the silent uninstaller
#              leaves nothing behind (Temp.txt included) and another program's .tmp alone
#   wizard     the same installation and removal through the Japanese wizards, walked with keys
#              as a user walks them; a picture of each page goes into ARTIFACT_DIR
#   upgrade    over an older installation with its window open: silently nothing changes (exit 2),
#              the wizard asks; once closed, both programs replaced, Temp.txt and .mrfy kept
# Usage: package_test.sh DIST_DIR VERSION PROBE_EXE ARTIFACT_DIR MODE (DISPLAY and WINEPREFIX set)
set -euo pipefail
dist=$1 version=$2 probe_exe=$3 artifacts=$4 mode=$5
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/../../support/script_kit.sh"
# A UTF-8 locale that every machine has: Wine reads the Japanese and emoji names by it.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
base=$dist/mrfyc-$version-windows-x64
caption='ミルフィのアニメデータを修正するツール'
work=$(mktemp -d)
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
check_context=$mode
on_failure() { import -window root "$artifacts/package-failure-$mode.png" 2>/dev/null || true; }

log_header 900 1200 6000 1 >"$work/header.bin"
new_log() { # FOLDER: a log of its own there, and its patched form in expected.bin
    mkdir -p "$1"
    printf 'old\r\n' >"$1/絵 😀.mrfy"
    cat "$work/header.bin" "$1/絵 😀.mrfy" >"$work/expected.bin"
    echo "$1/絵 😀.mrfy"
}
expect_patched() { # LOG FOLDER: the log patched, the folder's Temp.txt holding the header
    problem=$(check_patched_log "$work/expected.bin" "$1" "$work/header.bin" "$2/Temp.txt") ||
        fail "$problem"
}
expect_files() { # FOLDER NAMES: the folder holds NAMES (sorted, blank after each), nothing else
    [ "$(cd "$1" && ls | sort | tr '\n' ' ')" = "$2" ] || fail "$1 holds: $(ls "$1")"
}
mrfyc_window() { xdotool search --onlyvisible --name "^$caption\$" | head -n 1 | grep .; }

# patch_with_tool FOLDER: the folder's mrfyc-patch.exe patches a log and writes Temp.txt there.
patch_with_tool() {
    local log out
    log=$(new_log "$work/tool")
    out=$(wine "$1/mrfyc-patch.exe" "$(winepath -w "$log")" 2>&1 | tr -d '\r') ||
        fail "mrfyc-patch.exe in $1 failed: $out"
    [ "$out" = "$(winepath -w "$log"): patched" ] || fail "mrfyc-patch.exe said: $out"
    expect_patched "$log" "$1"
}

# patch_with_window FOLDER: the folder's mrfyc.exe, started on a log, patches it on OK (where the
# window starts with the focus) and closes with exit code 0.
patch_with_window() {
    local log # pid and window stay for close_window
    log=$(new_log "$work/window")
    rm -f "$1/Temp.txt"
    wine "$1/mrfyc.exe" "$(winepath -w "$log")" >/dev/null 2>&1 &
    pid=$!
    wait_for 60 mrfyc_window || fail "mrfyc.exe in $1 showed no window"
    window=$(mrfyc_window)
    active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$window" ]; }
    wait_for 10 active || xdotool windowactivate --sync "$window"
    # OK (control 101) takes the focus once the window is ready for keys.
    ok_focused() {
        wine "$probe_exe" window mrfycTForm1 2>/dev/null |
            awk '$1 == "child" && $8 == "focus=1" { print $2 }' | grep -qx 101
    }
    wait_for 20 ok_focused || fail "mrfyc.exe did not put the focus on OK"
    xdotool key --clearmodifiers Return
    wait_for 20 cmp -s "$work/expected.bin" "$log" || fail "OK in mrfyc.exe did not patch the log"
    # The notice "修正しました" has the focus now; Enter closes it.
    xdotool key --clearmodifiers Return
    expect_patched "$log" "$1"
    close_window() {
        wmctrl -i -c "$window"
        code=0 && wait "$pid" || code=$?
        [ "$code" = 0 ] || fail "mrfyc.exe ended with exit code $code"
    }
    [ "${2:-}" = keep-open ] || close_window
}

reg_value() { # KEY NAME: the value's data as reg prints it; NAME (Default) for the key's own
    local which=(/v "$2")
    [ "$2" != '(Default)' ] || which=(/ve)
    wine reg query "$1" "${which[@]}" 2>/dev/null | tr -d '\r' |
        awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print; found = 1 }
            END { exit !found }'
}
reg_absent() { ! wine reg query "$1" >/dev/null 2>&1; }
expect_value() { # KEY NAME DATA [NAME DATA]...
    local key=$1 data
    shift
    while [ $# -gt 1 ]; do
        data=$(reg_value "$key" "$1") || fail "no $1 in $key"
        [ "$data" = "$2" ] || fail "$key $1 is '$data', not '$2'"
        shift 2
    done
}

user_dir=$WINEPREFIX/drive_c/users/$(id -un)
installed=$user_dir/AppData/Local/Programs/mrfyc
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/mrfyc.lnk"
classes='HKCU\Software\Classes'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\mrfyc'
# What an earlier failed run may have left goes, then .tmp is claimed as another program would.
prepare_install() {
    rm -rf "$installed" "$shortcut"
    for key in "$uninstall_key" "$classes\\mrfyc.Log" "$classes\\.mrfy" "$classes\\.tmp"; do
        wine reg delete "$key" /f >/dev/null 2>&1 || true
    done
    wine reg add "$classes\\.tmp" /ve /d Other.Tmp /f >/dev/null 2>&1
}
# The files, the Start-menu entry and the keys where the installer puts them.
check_installed() {
    expect_files "$installed" "LICENSE.txt README.txt mrfyc-patch.exe mrfyc.exe uninstall.exe "
    unzip -q "$base.zip" -d "$work/zip"
    for file in mrfyc.exe mrfyc-patch.exe README.txt LICENSE.txt; do
        cmp "$work/zip/$file" "$installed/$file" || fail "$file differs from the zip's"
    done
    [ -f "$shortcut" ] || fail "no Start-menu entry"
    windows_dir=$(winepath -w "$installed")
    expect_value "$uninstall_key" DisplayName mrfyc DisplayVersion "$version" Publisher "The mrfyc authors" \
        DisplayIcon "$windows_dir\\mrfyc.exe,0" NoModify 0x1 NoRepair 0x1 \
        UninstallString "\"$windows_dir\\uninstall.exe\"" \
        QuietUninstallString "\"$windows_dir\\uninstall.exe\" /S"
    size=$(reg_value "$uninstall_key" EstimatedSize) || fail "no EstimatedSize"
    kib=$(du -k --apparent-size -c "$installed"/* | tail -n 1 | cut -f1)
    [ $((size)) -ge $((kib * 9 / 10)) ] && [ $((size)) -le $((kib + 8)) ] ||
        fail "EstimatedSize $((size)) KiB for $kib KiB of files"
    expect_value "$classes\\mrfyc.Log\\shell\\open\\command" '(Default)' "\"$windows_dir\\mrfyc.exe\" \"%1\""
    expect_value "$classes\\.mrfy" '(Default)' mrfyc.Log
    reg_value "$classes\\.mrfy\\OpenWithProgids" mrfyc.Log >/dev/null || fail ".mrfy does not list mrfyc"
    expect_value "$classes\\.tmp" '(Default)' Other.Tmp
    reg_value "$classes\\.tmp\\OpenWithProgids" mrfyc.Log >/dev/null || fail ".tmp does not list mrfyc"
}
# Nothing of mrfyc left, Temp.txt included, and .tmp still as the other program left it.
check_uninstalled() {
    # It runs on from a copy of itself in the temporary folder.
    wait_for 60 eval '[ ! -e "$installed" ]' || fail "the uninstaller left: $(ls -A "$installed")"
    wait_for 60 reg_absent "$uninstall_key" || fail "the uninstaller left its own key"
    [ ! -e "$shortcut" ] || fail "the Start-menu entry is still there"
    reg_absent "$classes\\mrfyc.Log" || fail "mrfyc.Log is still there"
    reg_absent "$classes\\.mrfy" || fail ".mrfy is still there: $(wine reg query "$classes\\.mrfy" /s)"
    reg_absent "$classes\\.tmp\\OpenWithProgids" || fail ".tmp still lists programs to open with"
    expect_value "$classes\\.tmp" '(Default)' Other.Tmp
    wine reg delete "$classes\\.tmp" /f >/dev/null 2>&1
}

# wizard_step CAPTION BUTTON NAME: waits for the wizard page whose default button (control 1) the
# probe shows with BUTTON in its line, and for the keys to go there; keeps its picture as
# wizard-NAME.png and presses Enter. wizard_page CAPTION TEXT NAME -: any control with TEXT, no key.
wizard_page() {
    local window
    on_page() {
        wine "$probe_exe" window '#32770' 2>/dev/null |
            awk -v text="$1" -v id="$2" '$1 == "child" && (id == "-" || $2 == id) && index($0, text) { found = 1 }
                END { exit !found }'
    }
    wait_for 30 on_page "$2" "${4:-1}" || fail "the wizard showed no page with \"$2\""
    window=$(xdotool search --onlyvisible --name "^$1 *\$" | head -n 1)
    # NSIS adds a blank where the English caption shows the page's name.
    keys_here() { wine "$probe_exe" foreground 2>/dev/null | tr -d '\r' | grep -qx "$1 *"; }
    wait_for 10 keys_here "$1" || xdotool windowactivate --sync "$window"
    wait_for 20 keys_here "$1" || fail "the keys do not go to \"$1\""
    import -window "$(xdotool getactivewindow)" "$artifacts/wizard-$3.png"
}
wizard_step() {
    wizard_page "$@"
    xdotool key --clearmodifiers Return
}

mkdir -p "$artifacts"
rm -f "$artifacts/package-failure-$mode.png"
case "$mode" in
zip)
    folder="$work/ミルフィ ツール"
    mkdir -p "$folder"
    unzip -q "$base.zip" -d "$folder"
    expect_files "$folder" "LICENSE.txt README.txt mrfyc-patch.exe mrfyc.exe "
    patch_with_tool "$folder"
    patch_with_window "$folder"
    ;;
installer)
    prepare_install
    wine "$base-setup.exe" /S || fail "the silent installer failed"
    check_installed
    # Built without a certificate: nothing signed. The uninstaller says what it does.
    for file in "$base-setup.exe" "$installed"/*.exe; do
        ! osslsigncode extract-signature -in "$file" -out "$work/sig" >/dev/null 2>&1 || fail "$file is signed"
    done
    printf 'mrfyc %s アンインストール' "$version" | iconv -t UTF-16LE >"$work/description"
    perl -0777 -ne 'BEGIN { open F, "<", shift; $d = <F> } exit !/\Q$d\E/' "$work/description" \
        "$installed/uninstall.exe" || fail "the uninstaller does not describe itself as one"
    patch_with_tool "$installed"
    patch_with_window "$installed" keep-open
    # While the window is open, the uninstaller removes nothing (it would have to leave mrfyc.exe).
    # (_?= runs it in place, so that its exit code is the uninstall's own.)
    before=$(ls "$installed")
    code=0 && wine "$installed/uninstall.exe" /S "_?=$(winepath -w "$installed")" || code=$?
    [ "$code" = 2 ] && [ "$(ls "$installed")" = "$before" ] ||
        fail "the uninstaller ran beside an open mrfyc.exe (exit code $code): $(ls "$installed")"
    close_window
    wine "$installed/uninstall.exe" /S || fail "the silent uninstaller failed"
    check_uninstalled
    ;;
wizard)
    prepare_install
    rm -f "$artifacts"/wizard-*.png
    wine "$base-setup.exe" &
    setup=$!
    # Finished with "run mrfyc" ticked, as it comes: the installed program's window opens.
    for step in '次へ(&N) >|1-welcome' '同意する(&A)|2-licence' '完了(&F)|3-finish'; do
        wizard_step "mrfyc $version セットアップ" "${step%|*}" "${step#*|}"
    done
    wait "$setup" || fail "the installer ended with exit code $?"
    wait_for 60 mrfyc_window || fail "the finish page did not start mrfyc.exe"
    wmctrl -i -c "$(mrfyc_window)"
    wait_for 30 eval '! mrfyc_window' || fail "mrfyc.exe did not close"
    check_installed
    wine "$installed/uninstall.exe" || fail "the uninstaller failed"
    wizard_step "mrfyc $version アンインストール" 'ｱﾝｲﾝｽﾄｰﾙ(&U)' 4-uninstall
    # "Close" is there, greyed out, while the removal runs; it takes the focus once it is done.
    wizard_step "mrfyc $version アンインストール" 'focus=1 tabstop=1 閉じる(&C)' 5-uninstalled
    check_uninstalled
    ;;
upgrade)
    prepare_install
    wine "$base-setup.exe" /S || fail "the first installation failed"
    # What the user made since: a scratch file of their own, .mrfy given back to no program.
    printf 'the user\r\n' >"$installed/Temp.txt"
    wine reg delete "$classes\\.mrfy" /ve /f >/dev/null 2>&1
    mrfy=$(reg_value "$classes\\.mrfy" '(Default)')
    make_older() {
        for file in mrfyc.exe mrfyc-patch.exe; do printf 'older' >>"$installed/$file"; done
        rm -rf "$work/older" && cp -a "$installed" "$work/older"
    }
    expect_older() { diff -r "$work/older" "$installed" >&2 || fail "$1 changed the older files"; }
    expect_upgraded() { # WHO
        for file in mrfyc.exe mrfyc-patch.exe; do
            unzip -p "$base.zip" "$file" | cmp - "$installed/$file" || fail "$1 left the older $file"
        done
        [ "$(cat "$installed/Temp.txt")" = $'the user\r' ] || fail "$1 changed Temp.txt"
        [ "$(reg_value "$classes\\.mrfy" '(Default)')" = "$mrfy" ] || fail "$1 claimed .mrfy again"
    }
    make_older
    wine "$installed/mrfyc.exe" >/dev/null 2>&1 &
    pid=$!
    wait_for 60 mrfyc_window || fail "the older mrfyc.exe showed no window"
    code=0 && wine "$base-setup.exe" /S || code=$?
    [ "$code" = 2 ] || fail "the silent installer beside an open mrfyc.exe ended with $code"
    expect_older "the silent installer"
    # The wizard asks (Retry is the default button) for as long as the window stays open.
    wine "$base-setup.exe" &
    setup=$!
    wizard_step "mrfyc $version セットアップ" '次へ(&N) >' 6-welcome
    wizard_step "mrfyc $version セットアップ" '同意する(&A)' 7-licence
    wizard_page "mrfyc $version セットアップ" 'mrfyc が起動しています。' 8-running -
    expect_older "the wizard"
    wmctrl -i -c "$(mrfyc_window)"
    wait "$pid" || fail "the older mrfyc.exe ended with exit code $?"
    # Wine words the buttons in its own language: Enter presses the first, Retry.
    xdotool key --clearmodifiers Return
    wizard_step "mrfyc $version セットアップ" '完了(&F)' 9-finished
    wait "$setup" || fail "the installer ended with exit code $?"
    wait_for 60 mrfyc_window || fail "the finish page did not start mrfyc.exe"
    wmctrl -i -c "$(mrfyc_window)"
    wait_for 30 eval '! mrfyc_window' || fail "mrfyc.exe did not close"
    expect_upgraded "the wizard"
    make_older
    wine "$base-setup.exe" /S || fail "the silent installer failed once mrfyc was closed"
    expect_upgraded "the silent installer"
    ;;
*)
    echo "usage: $0 DIST_DIR VERSION PROBE_EXE ARTIFACT_DIR zip|installer|wizard|upgrade" >&2
    exit 2
    ;;
esac
echo "PASS ($mode)"
