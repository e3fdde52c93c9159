#!/usr/bin/env bash
# A start-up failure: exit code 1, the exact text on stderr, the same text in the box.
set -uo pipefail
probe=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

timeout 60 "$probe" >"$dir/out" 2>"$dir/err"
rc=$?
[ "$rc" -eq 1 ] || { echo "exit code $rc, expected 1"; cat "$dir/err"; exit 1; }

# Qt may add its own warnings to stderr; the failure text is the two lines from its kind on.
expected_head='^EFOpenError がモジュール startup_failure_probe の [0-9A-F]{16} で発生しました。'$'\r''$'
grep -A1 '^EFOpenError ' "$dir/err" >"$dir/text"
head -n 1 "$dir/text" | grep -Eq "$expected_head" || { echo "bad first line:"; cat -A "$dir/text"; exit 1; }
[ "$(tail -n 1 "$dir/text")" = 'ファイル /nonexistent/layout は開けません.'$'\r' ] ||
    { echo "bad second line:"; cat -A "$dir/text"; exit 1; }
[ "$(head -n 1 "$dir/out")" = 'アプリケーション エラー' ] || { echo "bad caption:"; cat "$dir/out"; exit 1; }
grep -q '^ファイル /nonexistent/layout は開けません.$' "$dir/out" || { echo "bad box text:"; cat "$dir/out"; exit 1; }
echo "start-up failure reported, exit code 1"
