#!/usr/bin/env bash
# Wall time of whole Quorvel.exe runs under Wine against the substitute editor:
# 1 KB, 1 MB and 10 MB documents converted with /xKJ (half-width katakana to
# full-width, the text doubles), through the shared-memory transfer (editor
# 0.73.0.1) and through edit-control messages (editor 0.72.0.5), and through
# the shared memory a document of voiced kana only, whose conversion is as
# long as it (ｶﾞ to ガ), so that the write must be read back to be verified.
# Every result is checked against the expected bytes. The start-up cost of a windowed Wine
# process (quorvel-startup.exe: starts as the tool does, one window call, exits)
# is measured in the same way and shown beside the figures.
# Usage: scripts/perf-run.sh [RUNS]   (best of RUNS, default 3; sizes in bytes
# from QV_PERF_SIZES, default "1024 1048576 10485760")
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-3}
# shellcheck source=scripts/setup.sh
source scripts/setup.sh
qv_install_packages
qv_ensure_locale
if [ -z "${QV_BIN:-}" ]; then  # QV_BIN: a directory with programs already built
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 --target Quorvel testhost-all -j"${QV_JOBS:-2}" >/dev/null
fi
qv_start_wine "${QV_WINEPREFIX:-$root/build/wineprefix}"
wineserver -p  # one server for every run, as on a machine where Wine is already up
work=$(mktemp -d /tmp/qv-perf.XXXXXX)
trap 'rm -rf "$work"; qv_stop_wine' EXIT
bin=${QV_BIN:-$root/build/win64/bin}
win() { echo "Z:${1//\//\\}"; }
now() { date +%s%N; }

make_doc() {  # bytes [same] -> $work/in (half-width) and $work/want (full-width)
  python3 - "$1" "$work" "${2:-}" <<'EOF'
import sys
n, d, same = int(sys.argv[1]), sys.argv[2], sys.argv[3] == 'same'
line = ('ｶﾞｷﾞｸﾞ ﾊﾟﾋﾟﾌﾟ\r\n' if same else 'ﾃｽﾄ ﾃﾞｰﾀ ﾊﾟｿｺﾝ\r\n').encode('cp932')
text = (line * (n // len(line) + 1))[:n]
text = text[:len(text) - len(text) % len(line)] or line
open(d + '/in', 'wb').write(text)
full = text.decode('cp932')
for half, whole in [('ﾃﾞ', 'デ'), ('ﾊﾟ', 'パ'), ('ｶﾞ', 'ガ'), ('ｷﾞ', 'ギ'), ('ｸﾞ', 'グ'), ('ﾋﾟ', 'ピ'), ('ﾌﾟ', 'プ')]:
    full = full.replace(half, whole)
full = full.translate(str.maketrans('ﾃｽﾄｰﾀｿｺﾝ', 'テストータソコン'))
open(d + '/want', 'wb').write(full.encode('cp932'))
EOF
}

run_once() {  # version -> milliseconds of the tool's run, checked
  rm -f "$work/ready" "$work/out"
  wine "$bin/quorvel-testhost.exe" --load "$(win "$work/in")" --exe-name "$(win "$bin/versions/$1.dll")" \
    --ready "$(win "$work/ready")" --save "$(win "$work/out")" >/dev/null 2>&1 &
  local host=$!
  for _ in $(seq 400); do [ -f "$work/ready" ] && break; sleep 0.05; done
  local t0 t1 rc
  t0=$(now)
  set +e
  wine "$bin/Quorvel.exe" /xKJ >/dev/null 2>&1
  rc=$?
  set -e
  t1=$(now)
  wine "$bin/quorvel-testhost.exe" --quit >/dev/null 2>&1 || true
  wait "$host" 2>/dev/null || true
  if [ "$rc" != 0 ] || ! cmp -s "$work/want" "$work/out"; then
    echo "FAILED: version $1, exit code $rc, $(wc -c <"$work/out" 2>/dev/null || echo 0) bytes saved" >&2
    exit 1
  fi
  echo $(( (t1 - t0) / 1000000 ))
}

best() {  # version
  local b="" t
  for _ in $(seq "$runs"); do
    t=$(run_once "$1")
    if [ -z "$b" ] || [ "$t" -lt "$b" ]; then b=$t; fi
  done
  echo "$b"
}

# Measured with a host running, as the tool runs: the first windowed process
# of a session also starts Wine's desktop.
base=""
make_doc 1024
rm -f "$work/ready"
wine "$bin/quorvel-testhost.exe" --load "$(win "$work/in")" --ready "$(win "$work/ready")" >/dev/null 2>&1 &
host=$!
for _ in $(seq 400); do [ -f "$work/ready" ] && break; sleep 0.05; done
for _ in $(seq "$runs"); do
  t0=$(now); wine "$bin/quorvel-startup.exe" >/dev/null 2>&1 || true; t1=$(now)
  t=$(( (t1 - t0) / 1000000 ))
  if [ -z "$base" ] || [ "$t" -lt "$base" ]; then base=$t; fi
done
wine "$bin/quorvel-testhost.exe" --quit >/dev/null 2>&1 || true
wait "$host" 2>/dev/null || true

printf '%-8s %-28s %10s %22s\n' size transport "run (ms)" "minus start-up (ms)"
for size in ${QV_PERF_SIZES:-1024 1048576 10485760}; do
  label=$(numfmt --to=iec "$size")B
  for row in "0.73.0.1 shared memory" "0.73.0.1 shared, same length" "0.72.0.5 edit-control messages"; do
    make_doc "$size" "$([[ $row == *same* ]] && echo same)"
    ms=$(best "${row%% *}")
    printf '%-8s %-28s %10s %22s\n' "$label" "${row#* }" "$ms" "$((ms - base))"
  done
done
echo "start-up of a windowed Wine process that only exits: $base ms (best of $runs)"
