#!/usr/bin/env bash
# quorvel-filter as a process: a reader that goes away, a file size limit
# that stops a write (a full disk), a signal in the middle of -i, and an input
# that cannot be read.
# Usage: program.sh PATH_OF_QUORVEL_FILTER
set -u
F=$1
W=$(mktemp -d /tmp/qv-filter-program.XXXXXX)
trap 'rm -rf "$W"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
ab() { python3 -c "import sys; sys.stdout.buffer.write('ＡＢ\n'.encode('cp932') * $1)"; }

# A closed pipe ends the filter as it ends cat: by SIGPIPE, without a word.
ab 4000000 | "$F" 2>"$W/err" | head -c 100 >/dev/null
status=("${PIPESTATUS[@]}")
[ "${status[1]}" = 141 ] || fail "closed pipe: exit ${status[1]}, expected 141 (SIGPIPE)"
[ ! -s "$W/err" ] || fail "closed pipe: said $(cat "$W/err")"

# A limit of 8 KiB per file: the big file cannot be written, the others can.
ab 1 >"$W/a"; ab 100000 >"$W/big"; ab 1 >"$W/c"; cp "$W/big" "$W/big.orig"
(ulimit -f 16; "$F" -i /XA "$W/a" "$W/big" "$W/c" 2>"$W/err"); rc=$?
[ "$rc" = 1 ] || fail "size limit: exit $rc: $(cat "$W/err")"
grep -q "big' を書き換えられませんでした。元のままです" "$W/err" || fail "size limit: $(cat "$W/err")"
[ "$(cat "$W/a" "$W/c")" = "$(printf 'AB\nAB')" ] || fail "size limit: the other files were not converted"
cmp -s "$W/big" "$W/big.orig" || fail "size limit: the big file changed"
[ "$(ls -A "$W" | wc -l)" = 5 ] || fail "size limit: left $(ls -A "$W")"

# SIGTERM while a file is converted in place: the file as it was, no
# temporary file left.
ab 6000000 >"$W/big"
"$F" -i /XA "$W/big" 2>"$W/err" &
pid=$!
for _ in $(seq 2000); do ls -A "$W" | grep -q '^\.big\.' && break; sleep 0.005; done
ls -A "$W" | grep -q '^\.big\.' || fail "interrupt: no temporary file seen (finished too soon?)"
kill -TERM "$pid"
wait "$pid"; rc=$?
[ "$rc" = 143 ] || fail "interrupt: exit $rc, expected 143 (SIGTERM)"
cmp -s "$W/big" <(ab 6000000) || fail "interrupt: the file changed"
ls -A "$W" | grep -q '^\.big\.' && fail "interrupt: left $(ls -A "$W")"
# Standard input that cannot be read (a folder): said, nothing written, exit 1.
"$F" /XA </ >"$W/out" 2>"$W/err"; rc=$?
[ "$rc" = 1 ] && [ ! -s "$W/out" ] && grep -q "標準入力を読めませんでした" "$W/err" ||
  fail "unreadable input: exit $rc: $(cat "$W/err")"
echo "ok: closed pipe, size limit, interrupt, unreadable input"
