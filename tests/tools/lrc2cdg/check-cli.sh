#!/usr/bin/env bash
# Checks lrc2cdg's command line: usage errors, bad input that leaves an old track intact,
# and a good run. Usage: check-cli.sh LRC2CDG
set -uo pipefail
tool="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$tool" >/dev/null 2>&1; [ $? -eq 2 ] || fail "no arguments should exit 2"
"$tool" --length abc a.lrc b.cdg >/dev/null 2>&1; [ $? -eq 2 ] || fail "bad length should exit 2"
"$tool" --length -5 a.lrc b.cdg >/dev/null 2>&1; [ $? -eq 2 ] || fail "negative length should exit 2"

"$tool" "$work/missing.lrc" "$work/out.cdg" 2>"$work/err"; [ $? -eq 1 ] || fail "missing input should exit 1"
grep -q "missing.lrc: cannot be opened" "$work/err" || fail "missing input not named"
[ ! -e "$work/out.cdg" ] || fail "output made from a missing input"

printf 'old track' >"$work/old.cdg"
printf '[00:01.00]fine\nnot a tag\n' >"$work/bad.lrc"
"$tool" "$work/bad.lrc" "$work/old.cdg" 2>"$work/err"; [ $? -eq 1 ] || fail "bad input should exit 1"
grep -q "line 2:" "$work/err" || fail "bad line not named"
[ "$(cat "$work/old.cdg")" = "old track" ] || fail "old track overwritten"

printf '[ti:Song]\n[00:02.00]<00:02.00>Hel<00:02.50>lo <00:03.00>\n' >"$work/good.lrc"
"$tool" --length 10 "$work/good.lrc" "$work/old.cdg" >/dev/null || fail "good input failed"
[ "$(stat -c %s "$work/old.cdg")" -eq $((3000 * 24)) ] || fail "10 s track is not 3000 packets"
[ ! -e "$work/old.cdg.part" ] || fail "temporary file left behind"

"$tool" "$work/good.lrc" "$work/no/such/dir/out.cdg" 2>"$work/err"; [ $? -eq 1 ] || fail "unwritable output should exit 1"
grep -q "cannot write" "$work/err" || fail "write error not reported"
echo "lrc2cdg command line: ok"
