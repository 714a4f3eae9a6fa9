#!/usr/bin/env bash
# quorvel-filter.exe under Wine as a Windows user meets it: messages readable
# in a console (wide text, which Wine's console shows in the terminal's
# UTF-8) and in code page 932 when redirected; a reader that goes away ends
# it without a word.
# Usage: windows.sh WINE_RUN PATH_OF_QUORVEL_FILTER_EXE
set -u
RUN=$1 F=$2
W=$(mktemp -d /tmp/qv-filter-windows.XXXXXX)
trap 'rm -rf "$W"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
message="1 番目の引数が認識できません： '/Q'"

script -qc "'$RUN' '$F' /Q" /dev/null >"$W/console" </dev/null
grep -qF "$message" "$W/console" || fail "console: $(head -c 300 "$W/console" | xxd | head)"

"$RUN" "$F" /Q 2>"$W/err"; rc=$?
[ "$rc" = 2 ] || fail "redirected: exit $rc"
iconv -f CP932 -t UTF-8 "$W/err" | grep -qF "$message" || fail "redirected: $(xxd "$W/err" | head)"

python3 -c "import sys; sys.stdout.buffer.write(b'\x82\x60\n' * 4000000)" | "$RUN" "$F" 2>"$W/err" | head -c 100 >/dev/null
[ ! -s "$W/err" ] || fail "closed pipe: said $(iconv -f CP932 -t UTF-8 "$W/err")"
echo "ok: console, redirected, closed pipe"
