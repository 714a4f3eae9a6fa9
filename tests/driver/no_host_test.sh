#!/usr/bin/env bash
# quorvel with no host editor in front: message on stderr, exit code -1 (255).
set -u
tool=$1
start=$(date +%s%N)
err=$("$tool" /XA 2>&1 >/dev/null)
code=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
expected='Quorvel: TeraPad の捕捉に失敗しました。'
[ "$code" -eq 255 ] || { echo "exit code $code, want 255"; exit 1; }
[ "$err" = "$expected" ] || { echo "stderr: $err"; exit 1; }
# 50 polls 50 ms apart: about 2.5 s, never much less.
[ "$elapsed_ms" -ge 2400 ] || { echo "gave up after $elapsed_ms ms"; exit 1; }
echo "ok: exit $code after $elapsed_ms ms: $err"
