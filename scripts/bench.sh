#!/usr/bin/env bash
# Whole-process throughput of quorvel-filter beside nkf and cat on the same
# generated 50 MiB files, Shift_JIS and UTF-8, in one run; its peak memory on
# 200 MB inputs (Shift_JIS, UTF-8, CR line ends, one single line); then the
# engine benchmarks.
# usage: scripts/bench.sh [--no-engine]   (needs nkf, GNU time, libbenchmark-dev)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
B=${QV_BENCH_DIR:-$ROOT/build/bench}
MB=${QV_BENCH_MB:-50}
RUNS=${QV_BENCH_RUNS:-3}

for tool in nkf /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench.sh: $tool is missing (apt-get install nkf time)" >&2; exit 1; }
done

cmake -S "$ROOT" -B "$B" -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF -DQV_BENCH=ON >/dev/null
cmake --build "$B" --target quorvel-filter quorvel-corpus qv_bench_convert -j2 >/dev/null

DATA="$B/data"
mkdir -p "$DATA"
for corpus in mixed kana ascii; do
  [ -s "$DATA/$corpus.txt" ] || "$B/bin/quorvel-corpus" "$corpus" "$MB" >"$DATA/$corpus.txt"
  # The same text in UTF-8, cut to the same size at a line end.
  if [ ! -s "$DATA/$corpus.utf8.txt" ]; then
    iconv -f CP932 -t UTF-8 "$DATA/$corpus.txt" >"$DATA/utf8.tmp"
    python3 - "$DATA/utf8.tmp" $((MB << 20)) >"$DATA/$corpus.utf8.txt" <<'PY'
import sys
d = open(sys.argv[1], "rb").read(int(sys.argv[2]))
sys.stdout.buffer.write(d[:d.rfind(b"\n") + 1])
PY
    rm -f "$DATA/utf8.tmp"
  fi
done

# run LABEL FILE COMMAND... : best wall time of $RUNS runs (s), peak RSS (KiB).
best_s="" best_kb=""
run() {
  local file="$1"
  shift
  best_s="" best_kb=0
  for _ in $(seq "$RUNS"); do
    local t0 t1 kb
    t0=$(date +%s%N)
    /usr/bin/time -f %M -o "$DATA/rss" "$@" <"$file" >/dev/null
    t1=$(date +%s%N)
    kb=$(tail -1 "$DATA/rss")
    local s
    s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
    if [ -z "$best_s" ] || awk -v x="$s" -v y="$best_s" 'BEGIN { exit !(x < y) }'; then best_s=$s; fi
    if [ "$kb" -gt "$best_kb" ]; then best_kb=$kb; fi
  done
  return 0
}

compare() {
  local title="$1" file="$2" nkfFlags="$3" switches="$4"
  local bytes mib
  bytes=$(stat -c %s "$file")
  mib=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1048576 }')
  echo "== $title: $(basename "$file"), $mib MiB"
  run "$file" "$B/bin/quorvel-filter" $switches; local fs=$best_s fk=$best_kb
  run "$file" nkf $nkfFlags; local ns=$best_s nk=$best_kb
  run "$file" cat; local cs=$best_s ck=$best_kb
  awk -v b="$bytes" -v fs="$fs" -v ns="$ns" -v cs="$cs" -v fk="$fk" -v nk="$nk" -v ck="$ck" \
      -v sw="$switches" -v nf="$nkfFlags" 'BEGIN {
    m = b / 1e6
    printf "  %-28s %8.3f s %9.1f MB/s  peak %8d KiB (%.2f x input)\n", "quorvel-filter " sw, fs, m / fs, fk, fk * 1024 / b
    printf "  %-28s %8.3f s %9.1f MB/s  peak %8d KiB\n", "nkf " nf, ns, m / ns, nk
    printf "  %-28s %8.3f s %9.1f MB/s  peak %8d KiB\n", "cat", cs, m / cs, ck
    printf "  filter vs nkf: %.1f x faster; filter takes %.1f x the time of cat\n", ns / fs, fs / cs
  }'
}

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg) (shared with other builds)"
compare "full-width to half-width, letters/digits/space" "$DATA/mixed.txt" "-S -s -Z1 -x" "/XANS"
compare "half-width kana to full-width" "$DATA/kana.txt" "-S -s -X" "/xaKJ"
compare "UTF-8, full-width to half-width" "$DATA/mixed.utf8.txt" "-W -w -Z1 -x" "--utf8 /XANS"
compare "UTF-8, half-width kana to full-width" "$DATA/kana.utf8.txt" "-W -w -X" "--utf8 /xaKJ"

# Peak memory on 200 MB inputs: it converts in pieces whatever the lines.
BIG=$((200 * 1000 * 1000))
repeat() {  # FILE BYTES: the file over and over, cut to BYTES
  python3 -c "import sys; d = open(sys.argv[1], 'rb').read(); n = int(sys.argv[2]); sys.stdout.buffer.write((d * (n // len(d) + 1))[:n])" "$1" "$2"
}
if [ ! -s "$DATA/big.sjis" ]; then
  repeat "$DATA/mixed.txt" $BIG >"$DATA/big.sjis"
  repeat "$DATA/mixed.utf8.txt" $BIG >"$DATA/big.utf8"
  tr '\n' '\r' <"$DATA/big.sjis" >"$DATA/big.cr"
  tr -d '\r\n' <"$DATA/big.sjis" >"$DATA/big.line"
fi
echo "== peak memory, quorvel-filter /XANS and /xaKJ on 200 MB (GNU time, maximum resident set)"
for input in sjis utf8 cr line; do
  for switches in /XANS /xaKJ; do
    /usr/bin/time -f %M -o "$DATA/rss" "$B/bin/quorvel-filter" "$switches" <"$DATA/big.$input" >/dev/null
    printf '  %-5s %-6s %8d KiB\n' "$input" "$switches" "$(tail -1 "$DATA/rss")"
  done
done

if [ "${1:-}" != "--no-engine" ]; then
  # This machine shares its cores with others and single runs vary by a
  # quarter: seven repetitions each, their median and their best.
  echo "== engine (single thread, 50 MiB corpora; GB/s = 10^9 bytes/s; median and best of 7)"
  "$B/bin/qv_bench_convert" --benchmark_min_time=0.2 --benchmark_repetitions=7 \
    --benchmark_report_aggregates_only=false --benchmark_format=csv 2>/dev/null |
    awk -F, '
      /^"To/ && $1 !~ /_(mean|median|stddev|cv)"$/ {
        gsub(/"/, "", $1)
        n = split($1, part, "/")  # direction/corpus/options/loop
        key = part[1] "/" part[2] "/" part[3]
        if (!(key in seen)) { seen[key] = 1; order[++keys] = key }
        v = $6 / 1e9
        id = key SUBSEP part[4]
        count[id]++
        rate[id, count[id]] = v
      }
      function median(id,   i, j, t, a, c) {
        c = count[id]
        for (i = 1; i <= c; i++) a[i] = rate[id, i]
        for (i = 2; i <= c; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
        return c % 2 ? a[(c + 1) / 2] : (a[c / 2] + a[c / 2 + 1]) / 2
      }
      function best(id,   i, b) {
        b = 0
        for (i = 1; i <= count[id]; i++) if (rate[id, i] > b) b = rate[id, i]
        return b
      }
      END {
        printf "  %-24s %17s %17s %8s\n", "", "fast GB/s", "reference GB/s", "ratio"
        printf "  %-24s %8s %8s %8s %8s %8s\n", "", "median", "best", "median", "best", "median"
        for (k = 1; k <= keys; k++) {
          f = order[k] SUBSEP "fast"; r = order[k] SUBSEP "reference"
          printf "  %-24s %8.2f %8.2f %8.2f %8.2f %7.1fx\n", order[k], median(f), best(f), median(r), best(r), median(f) / median(r)
        }
      }'
fi
