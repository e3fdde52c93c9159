#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real mrfyc.exe under Wine on the display this test was given (Xvfb with openbox), driven by
# key and mouse input through the X server, read back through window_probe.exe.
#   japanese  a Japanese system (double-byte code page): the start state and what a screen reader
#             finds in it, Tab and Enter, the notice for no file (also as a screen reader finds it)
#             and its Ctrl+C, 開く(Z) by Alt+Z, a typed path, values typed and an arrow clicked, OK, the log and Temp.txt byte for byte, closing with exit code 0
#   english   a single-byte system: the menu clicked, the dialog's place and preselection, OK with
#             the defaults
#   failure   a read-only log handed over on the command line: the error box with its full stop,
#             the log untouched, the window still usable
#   scaled120, scaled144  a screen of 120 or 144 pixels per inch: the whole window in proportion,
#             every place as the layout rule gives it, nothing cut off and no scroll bar; the open
#             dialog and the notice whole on the screen
#   classic   visual styles off (the plain edit control): OK with nothing chosen gives the notice
#   contrast  classic in a black high-contrast scheme
# All but english and failure also check that each arrow's triangle is drawn whole in the scheme's
# button text colour, and stays drawn whatever the focus and the typing do to the fields.
# Usage: run_window.sh MRFYC_EXE PROBE_EXE ARTIFACT_DIR MODE (DISPLAY and WINEPREFIX set)
set -euo pipefail

program=$1
probe_exe=$2
artifacts=$3
mode=$4
here="$(cd "$(dirname "$0")" && pwd)"
caption='ミルフィのアニメデータを修正するツール'
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
case "$mode" in
japanese) export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 ;;
*) export LANG=C.UTF-8 LC_ALL=C.UTF-8 ;;
esac
mkdir -p "$artifacts"
rm -f "$artifacts/mrfyc-"*"-$mode.png"

work=$(mktemp -d)
mrfyc_pid=
pixels_per_inch=96
# The screen resolution the prefix reports; every run sets its own, so that none inherits it.
set_pixels_per_inch() {
    local key
    for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
        wine reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    done
    wineserver -w
}
# Wine's uxtheme reads this at start: 0 leaves every control unthemed, as Windows' classic look.
set_theme_active() {
    wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' \
        /v ThemeActive /t REG_SZ /d "$1" /f >/dev/null 2>&1
    wineserver -w
}
colours_key='HKCU\Control Panel\Colors'
cleanup() {
    [ -n "$mrfyc_pid" ] && kill "$mrfyc_pid" 2>/dev/null
    wineserver -k >/dev/null 2>&1 || true
    [ "$pixels_per_inch" != 96 ] && set_pixels_per_inch 96
    [ "$mode" = classic ] || [ "$mode" = contrast ] && set_theme_active 1
    [ -f "$work/colours.reg" ] && wine reg import "$work/colours.reg" >/dev/null 2>&1 && wineserver -w
    rm -rf "$work"
}
trap cleanup EXIT

check_context=$mode
on_failure() {
    [ -f "$work/mrfyc.log" ] && sed 's/^/mrfyc: /' "$work/mrfyc.log" >&2
    import -window root "$artifacts/mrfyc-failure-$mode.png" 2>/dev/null || true
}

. "$here/../../support/script_kit.sh"

probe() { wine "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }
# Names on its command line survive only a UTF-8 locale.
msaa() { LC_ALL=C.UTF-8 wine "${probe_exe%/*}/mrfyc_msaa_probe.exe" "$@" 2>/dev/null | tr -d '\r'; }
# The X window of a top-level window with exactly this caption.
x_window() { wmctrl -l | awk -v want="$1" '{ name = $0; sub(/^[^ ]+ +[^ ]+ +[^ ]+ /, "", name) }
    name == want { print $1; exit }' | grep .; }
child_line() { probe window mrfycTForm1 | awk -v id="$1" '$1 == "child" && $2 == id'; }
# The text of a child of the main window (fields: child id class x y w h focus tabstop text).
child_text() { child_line "$1" | cut -d' ' -f10-; }
file_label() { probe window mrfycTForm1 | awk '$1 == "child" && $3 == "mrfycLabel"' | head -n 1 |
    cut -d' ' -f10-; }
focused_id() { probe window mrfycTForm1 | awk '$1 == "child" && $8 == "focus=1" { print $2 }'; }
focus_is() { [ "$(focused_id)" = "$1" ]; }
key() { xdotool key --clearmodifiers "$@"; }
tab_to() { key Tab && wait_for 5 focus_is "$1" ||
    fail "Tab did not reach control $1 (focus on $(focused_id))"; }
active_is() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$(($1))" ]; }
# A notice or error box: a window captioned mrfyc with controls (the program's hidden owner window
# has the same caption).
dialog_open() { wine "$probe_exe" text mrfyc >/dev/null 2>&1; }
notice_shows() { probe text mrfyc | grep -qxF "$1"; }
notice_gone() { ! dialog_open; }
# The open dialog: the window that is active while it is open, gone once unmapped or destroyed.
dialog_gone() { ! xwininfo -id "$dialog" 2>/dev/null | grep -q IsViewable; }
# Keys for a dialog go to it only once Windows has made it the foreground window with the focus
# on one of its controls.
dialog_active() { [ "$(probe foreground)" = mrfyc ]; }
# closed GONE WHAT: the dialog closes (GONE holds), the window gets the focus back.
closed() {
    wait_for 10 "$1" || fail "$2"
    wait_for 10 active_is "$window" || fail "the window did not get the focus back"
}
wait_for_dialog() { # what failed
    wait_for 15 dialog_open || fail "$1"
    wait_for 10 dialog_active || fail "the dialog did not become the active window"
}

# The program in a folder of its own, since it writes Temp.txt beside itself.
mkdir "$work/bin" "$work/logs"
cp "$program" "$work/bin/mrfyc.exe"
log="$work/logs/chat 0001.mrfy"
printf 'old contents\r\n\001\377 tail' >"$log"
cp "$log" "$work/old.bin"
windows_log=$(winepath -w "$log" 2>/dev/null)

case "$mode" in
scaled*) pixels_per_inch=${mode#scaled} ;;
esac
set_pixels_per_inch "$pixels_per_inch"
if [ "$mode" = contrast ]; then # a black scheme's colours (the old ones kept) for what starts now
    wine reg export "$colours_key" "$work/colours.reg" /y >/dev/null 2>&1
    for entry in Window:'0 0 0' WindowText:'255 255 255' ButtonFace:'0 0 0' ButtonText:'255 255 0'; do
        wine reg add "$colours_key" /v "${entry%%:*}" /d "${entry#*:}" /f >/dev/null 2>&1
    done
fi
[ "$mode" = classic ] || [ "$mode" = contrast ] && set_theme_active 0

arguments=()
if [ "$mode" = failure ]; then
    chmod a-w "$log"
    arguments=("$windows_log")
fi
bash "$here/../../support/win32/wine_gui_run.sh" "$WINEPREFIX" "$work/bin/mrfyc.exe" "${arguments[@]}" \
    >"$work/mrfyc.log" 2>&1 &
mrfyc_pid=$!

wait_for 60 x_window "$caption" || fail "no window captioned $caption"
window=$(x_window "$caption")
wait_for 10 active_is "$window" || xdotool windowactivate --sync "$window"
# The window as Windows sees it: its outer rectangle, frame and menu bar included.
probe window mrfycTForm1 >"$work/state.txt"
cat "$work/state.txt"
probe layout "$pixels_per_inch" >"$work/layout.txt"
outer=$(sed -n 's/^outer //p' "$work/layout.txt")
grep -qx "window $outer enabled=1" "$work/state.txt" ||
    fail "outer rectangle $(head -n 1 "$work/state.txt"), expected $outer"
# At every scale everything fits: no scroll bar, every control inside the client area.
grep -qx 'vscroll 0' "$work/state.txt" && grep -qx 'hscroll 0' "$work/state.txt" ||
    fail "scroll bars at $pixels_per_inch pixels per inch"
all_inside() { # state file: every child within the client area
    awk '$1 == "client" { w = $2; h = $3 }
        $1 == "child" && ($4 < 0 || $5 < 0 || $4 + $6 > w || $5 + $7 > h) { bad = 1; print }
        END { exit bad }' "$1"
}
all_inside "$work/state.txt" || fail "controls cut off at $pixels_per_inch pixels per inch"
read -r _ origin_x origin_y < <(grep '^origin ' "$work/state.txt")
read -r _ wx wy ww wh _ < <(head -n 1 "$work/state.txt")
window_shot() { import -window root -crop "$((ww + 20))x$((wh + 20))+$((wx - 10))+$((wy - 10))" "$1"; }
pair_width=$(((15 * pixels_per_inch + 48) / 96)) # rounded as the layout rounds

expect_child() { # id text
    [ "$(child_text "$1")" = "$2" ] || fail "control $1 shows '$(child_text "$1")', expected '$2'"
}
# Each control's corner where the layout rule puts it at this scale, and the width of all but the
# captions (theirs is their text's); the children come in the rule's order.
shown=$(awk '$1 == "child" { print $4, $5, (++n <= 6 ? $6 : "") }' "$work/state.txt")
wanted=$(awk 'NR > 1 { print $1, $2, (NR <= 7 ? $3 : "") }' "$work/layout.txt")
[ "$shown" = "$wanted" ] || fail "controls stand at $shown, the layout says $wanted"
expect_child 101 OK
expect_child 102 1200
expect_child 103 900
expect_child 104 6000
expect_child 105 1
wait_for 5 focus_is 101 || fail "the OK button does not have the focus at start"
window_shot "$artifacts/mrfyc-window-$mode.png"

# What a screen reader finds: depth, role, class, name, value. Wine's oleacc gives a standard button
# and static the client role (10), Windows push button (43) and static text (41): those two are
# taken by their class. The program's own classes answer for themselves.
accessible_tree() { # WINDOW
    msaa tree "$1" | sed -E 's/^([0-9]+)\t10\tButton\t/\1\t43\tButton\t/
        s/^([0-9]+)\t10\tStatic\t/\1\t41\tStatic\t/'
}
if [ "$mode" = japanese ]; then
    {
        printf '0\t10\tmrfycTForm1\t%s\t\n1\t43\tButton\tOK\t\n' "$caption"
        for field in 高さ:1200 幅:900 ライン数:6000 クオリティ:1; do
            printf '1\t42\tEdit\t%s\t%s\n2\t52\tmrfycSpinButton\t%s\t%s\n3\t43\t-\t上\t\n3\t43\t-\t下\t\n' \
                "${field%:*}" "${field#*:}" "${field%:*}" "${field#*:}"
        done
        printf '1\t41\tmrfycLabel\t%s\t\n' ファイル名： 高さ 幅 ライン数 クオリティ
    } >"$work/accessible-expected.txt"
    diff "$work/accessible-expected.txt" <(accessible_tree mrfycTForm1) >&2 ||
        fail "a screen reader finds the window's controls otherwise named (diff above)"
    # The up arrow's default action steps its field as a click does, and moves no focus.
    msaa press mrfycTForm1 上 クオリティ || fail "the quality field's up arrow cannot be pressed"
    wait_for 5 eval '[ "$(child_text 105)" = 2 ]' || fail "the press left quality at $(child_text 105)"
    focus_is 101 || fail "the press moved the focus to $(focused_id)"
fi

# Each field's arrow pair stays as it was drawn before any field had the focus.
if [ "$mode" != english ] && [ "$mode" != failure ]; then
    crops=() # the four pairs side by side, cut where each field places its pair
    for id in 102 103 104 105; do
        read -r _ _ _ x y w h _ < <(child_line "$id")
        pair="${pair_width}x$((h - 5))+$((origin_x + x + w - pair_width - 3))+$((origin_y + y + 2))"
        crops+=(\( "$work/screen.png" -crop "$pair" +repage \))
    done
    cut_pairs() { import -window root "$work/screen.png" && convert "${crops[@]}" +append "$1"; }
    pairs_kept() {
        cut_pairs "$work/now.png" && compare -metric AE "$work/before.png" "$work/now.png" null:
    }
    # Two triangles of r rows (4 at 96 pixels per inch) a pair, nothing else, in button text colour.
    rows=$(((4 * pixels_per_inch + 48) / 96))
    button_text=$([ "$mode" = contrast ] && echo '#FFFF00' || echo '#000000')
    cut_pairs "$work/before.png"
    shown=$(convert "$work/before.png" -alpha off txt:- | grep -c " $button_text ")
    [ "$shown" = $((4 * 2 * rows * rows)) ] ||
        fail "the arrow pairs show $shown pixels in the button text colour $button_text"
    # shellcheck disable=SC2034 # read by the actions below
    read -r _ _ _ hx hy _ hh _ < <(child_line 102)
    # state, the focus after it, how it is reached (900 typed over the selected 900 changes nothing)
    while read -r state focus action <&3; do
        eval "$action"
        wait_for 5 focus_is "$focus" || fail "$state: the focus is on $(focused_id), not $focus"
        wait_for 5 pairs_kept || {
            convert "$work/before.png" "$work/now.png" -append \
                "$artifacts/mrfyc-pairs-$state-$mode.png"
            fail "the arrow pairs changed: $state"
        }
        window_shot "$artifacts/mrfyc-arrows-$state-$mode.png"
    done 3<<'STATES'
clicked 102 xdotool mousemove $((origin_x + hx + 8)) $((origin_y + hy + hh / 2)) click 1
tabbed 103 key Tab
typed 103 xdotool type 900
left 101 key Tab Tab Tab
STATES
fi

divider=---------------------------
copied() { # the dialog's Ctrl+C text, line ends shown as \r\n
    printf '%s\\r\\n' "$divider" mrfyc "$divider" "$1" "$divider" 'OK   ' "$divider"
}
check_copy() { # text
    key ctrl+c
    local expected
    expected="unicode $(copied "$1")"
    wait_for 5 eval '[ "$(probe clipboard | head -n 1)" = "$expected" ]' ||
        fail "the clipboard holds '$(probe clipboard)', expected '$expected'"
}
close_notice() {
    key Return
    closed notice_gone "the notice did not close on Enter"
}

case "$mode" in
japanese)
    # Tab runs through the fields and back to OK.
    for id in 102 103 104 105 101; do
        tab_to "$id"
    done
    # Enter in a field clicks nothing.
    key shift+Tab
    wait_for 5 focus_is 105 || fail "Shift+Tab did not go back to the quality field"
    key Return
    sleep 1 # nothing may appear: a bounded look
    dialog_open && fail "Enter in a field ran the OK command"
    tab_to 101
    key Return
    wait_for_dialog "Enter on OK showed no notice"
    wait_for 10 notice_shows 'ファイルを選択、またはドラッグドロップしてください' ||
        fail "the notice reads: $(probe text mrfyc)"
    import -window root -crop 500x260+390+380 "$artifacts/mrfyc-notice-$mode.png"
    printf '0\t18\tTMessageForm\tmrfyc\t\n1\t41\tStatic\t%s\t\n1\t43\tButton\tOK\t\n' \
        'ファイルを選択、またはドラッグドロップしてください' |
        diff - <(accessible_tree TMessageForm) >&2 ||
        fail "a screen reader finds the notice otherwise (diff above)"
    check_copy 'ファイルを選択、またはドラッグドロップしてください'
    close_notice

    # 開く(&Z) on a double-byte system.
    key alt+z
    ;;
english)
    # The menu bar's only item, at the left of the line above the client area.
    xdotool mousemove "$((origin_x + 15))" "$((origin_y - 9))" click 1
    ;;
esac

other_active() {
    local id
    id=$(xdotool getactivewindow 2>/dev/null) && [ "$id" != "$((window))" ] && echo "$id"
}
open_dialog() { wait_for 15 other_active && dialog=$(other_active) || fail "$1"; }
if [ "$pixels_per_inch" != 96 ]; then
    # The open dialog, scaled by Windows: whole on the 1280 x 1024 screen.
    key ctrl+o
    open_dialog "Ctrl+O showed no open dialog"
    read -r _ dx dy dw dh _ < <(probe window '#32770' | head -n 1)
    [ "$dx" -ge 0 ] && [ "$dy" -ge 0 ] && [ $((dx + dw)) -le 1280 ] && [ $((dy + dh)) -le 1024 ] ||
        fail "the open dialog at $dx,$dy ${dw}x$dh is not whole on the screen"
    import -window root "$artifacts/mrfyc-open-dialog-$mode.png"
    key Escape
    closed dialog_gone "the open dialog did not close on Esc"
fi

if [ "$mode" = japanese ] || [ "$mode" = english ]; then
    open_dialog "the open dialog did not appear"
    # Centred across and one third down the 1280 x 1024 screen, as Windows places it.
    read -r _ dx dy dw dh _ < <(probe window '#32770' | head -n 1)
    echo "open dialog: $dx $dy ${dw}x$dh"
    [ "$dx" = "$(((1280 - dw) / 2))" ] && [ "$dy" = "$(((1024 - dh) / 3))" ] ||
        fail "the open dialog stands at $dx,$dy, not centred one third down"
    import -window root "$artifacts/mrfyc-open-dialog-$mode.png"
    xdotool type --delay 20 "$windows_log"
    key Return
    closed dialog_gone "the open dialog did not close"
    label=$(file_label)
    [ "$label" = "ファイル名：$windows_log" ] || fail "the file label reads '$label'"
fi

case "$mode" in
japanese)
    # New values typed, then the quality's up arrow clicked once: 5 becomes 6.
    for entry in 102:1000 103:800 104:4321 105:5; do
        tab_to "${entry%%:*}"
        key ctrl+a
        xdotool type --delay 30 "${entry#*:}"
    done
    read -r _ _ _ qx qy qw qh _ < <(child_line 105)
    xdotool mousemove "$((origin_x + qx + qw - 5))" "$((origin_y + qy + qh / 4))" click 1
    wait_for 5 eval '[ "$(child_text 105)" = 6 ]' ||
        fail "the arrow left quality at $(child_text 105)"
    tab_to 101
    key Return
    log_header 800 1000 4321 6 >"$work/header.bin"
    ;;
english)
    # OK with the mouse, at the middle of its place.
    xdotool mousemove "$((origin_x + 281))" "$((origin_y + 180))" click 1
    log_header 900 1200 6000 1 >"$work/header.bin"
    ;;
scaled* | classic | contrast)
    wait_for 5 focus_is 101 || fail "OK does not have the focus back"
    key Return
    ;;
failure)
    label=$(file_label)
    [ "$label" = "$windows_log" ] || fail "the file label reads '$label'"
    key Return
    ;;
esac

wait_for_dialog "OK showed no notice or error"
if [ "$pixels_per_inch" != 96 ] || [ "$mode" = classic ] || [ "$mode" = contrast ]; then
    wait_for 10 notice_shows 'ファイルを選択、またはドラッグドロップしてください' ||
        fail "the notice reads: $(probe text mrfyc)"
    probe window TMessageForm >"$work/notice.txt"
    all_inside "$work/notice.txt" || fail "the notice's text or button is cut off"
    import -window root "$artifacts/mrfyc-notice-$mode.png"
    close_notice
elif [ "$mode" = failure ]; then
    expected="ファイル $windows_log を作成できません."
    wait_for 10 eval 'probe text mrfyc | grep -qxF "$expected"' ||
        fail "the error box reads: $(probe text mrfyc)"
    import -window root "$artifacts/mrfyc-error-$mode.png"
    cmp "$work/old.bin" "$log" || fail "the read-only log changed"
    key Return
    # The window goes on: OK again gives the same report.
    closed notice_gone "the error box did not close on Enter"
    key Return
    wait_for_dialog "a second OK showed nothing"
    key Return
    wait_for 10 notice_gone || fail "the error box did not close on Enter"
else
    wait_for 10 notice_shows '修正しました' || fail "the notice reads: $(probe text mrfyc)"
    import -window root -crop 500x260+390+380 "$artifacts/mrfyc-patched-$mode.png"
    cat "$work/header.bin" "$work/old.bin" >"$work/expected.bin"
    problem=$(check_patched_log "$work/expected.bin" "$log" "$work/header.bin" \
        "$work/bin/Temp.txt") || fail "$problem"
    [ "$mode" = japanese ] && check_copy '修正しました'
    close_notice
fi

if [ "$mode" = english ]; then
    # The second opening shows the last confirmed file in its name box; cancelling it changes
    # nothing.
    xdotool mousemove "$((origin_x + 15))" "$((origin_y - 9))" click 1
    open_dialog "the open dialog did not appear a second time"
    # The platform opens the file's folder with its name in the name box (control 1148, cmb13;
    # 1137, cmb2, names the folder); the type list shows the one filter.
    dialog_control() { probe window '#32770' | awk -v id="$1" '$1 == "child" && $2 == id' |
        cut -d' ' -f10-; }
    dialog_has_path() {
        [ "$(dialog_control 1148)" = "chat 0001.mrfy" ] && [ "$(dialog_control 1137)" = logs ] &&
            [ "$(dialog_control 1136)" = ミルフィログファイル ]
    }
    wait_for 10 dialog_has_path || {
        probe window '#32770' >&2
        fail "the open dialog does not preselect the last file"
    }
    key Escape
    closed dialog_gone "the open dialog did not close on Esc"
    label=$(file_label)
    [ "$label" = "ファイル名：$windows_log" ] || fail "cancelling changed the file label to '$label'"
fi

wmctrl -i -c "$window"
code=0
wait "$mrfyc_pid" || code=$?
mrfyc_pid=
[ "$code" = 0 ] || fail "mrfyc.exe ended with exit code $code after its window was closed"
echo "PASS ($mode)"
