#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A start-up failure: exit code 1, the exact text on stderr, the same text in a critical box with
# the program's icon.
set -uo pipefail
. "$(dirname "$0")/../../support/script_kit.sh"
start_checks "$1"
on_failure() { cat -A "$dir/err" "$dir/out" >&2; }

timeout 60 "$1" >"$dir/out" 2>"$dir/err"
rc=$?
[ "$rc" -eq 1 ] || fail "exit code $rc, expected 1"
# Qt may add its own warnings to stderr; the failure text is the two lines from its kind on.
grep -A1 '^EFOpenError ' "$dir/err" >"$dir/text"
head -n 1 "$dir/text" | grep -Eq $'^EFOpenError がモジュール startup_failure_probe の [0-9A-F]{16} で発生しました。\r$' ||
    fail "first line"
# The address is relative to the program's file: inside it, not 0.
offset=$((16#$(head -n 1 "$dir/text" | grep -Eo '[0-9A-F]{16}')))
[ "$offset" -gt 0 ] && [ "$offset" -lt "$(stat -c %s "$1")" ] || fail "address $offset"
[ "$(tail -n 1 "$dir/text")" = $'ファイル /nonexistent/layout は開けません.\r' ] || fail "second line"
[ "$(head -n 3 "$dir/out")" = $'アプリケーション エラー\ncritical\nicon=32x32' ] || fail "caption or icons"
grep -q '^ファイル /nonexistent/layout は開けません.$' "$dir/out" || fail "box text"
echo "start-up failure reported, exit code 1"
