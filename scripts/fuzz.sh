#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build/fuzz) and runs each for
# SECONDS seconds (default 20) on a scratch copy of its seed corpus, so that
# the repository's corpus never grows here. Prints per target the executions
# and the corpus size; exits non-zero when any target finds a fault.
# Environment: QV_FUZZ_BUILD (build directory), QV_FUZZ_TARGETS (names),
# QV_FUZZ_KEEP (directory that receives the grown corpora and crash inputs).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-20}
build=${QV_FUZZ_BUILD:-$root/build/fuzz}

if ! command -v clang++ >/dev/null 2>&1; then
  apt-get update -qq && apt-get install -y -qq clang >/dev/null || { echo "fuzz: cannot install clang"; exit 1; }
fi
# libFuzzer's runtime comes with clang's runtime package.
probe=$(mktemp -d)
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
  version=$(clang++ --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -1)
  apt-get update -qq && apt-get install -y -qq "libclang-rt-${version}-dev" >/dev/null 2>&1 || true
  clang++ -fsanitize=fuzzer "$probe/p.cpp" -o "$probe/p" || { echo "fuzz: no libFuzzer runtime"; exit 1; }
fi
rm -rf "$probe"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DQV_FUZZ=ON -DQV_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
targets=${QV_FUZZ_TARGETS:-$(ls "$root/fuzz/corpus")}
# shellcheck disable=SC2086
cmake --build "$build" -j"${QV_JOBS:-2}" --target $targets >/dev/null || {
  cmake --build "$build" -j1 --target $targets 2>&1 | tail -30
  exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
printf '%-20s %12s %10s %s\n' target executions corpus result
for t in $targets; do
  corpus="$work/$t"
  mkdir -p "$corpus" "$work/$t-artifacts"
  cp "$root/fuzz/corpus/$t"/* "$corpus"/ 2>/dev/null || true
  log="$work/$t.log"
  (cd "$work" && "$build/bin/$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
     -artifact_prefix="$work/$t-artifacts/" "$corpus" >"$log" 2>&1)
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  size=$(find "$corpus" -type f | wc -l)
  if [ "$rc" -eq 0 ]; then
    result=ok
  else
    result="FAULT (exit $rc)"
    failed=1
    grep -E 'check failed|ERROR:|SUMMARY|runtime error' "$log" | head -5 | sed 's/^/    /'
    ls "$work/$t-artifacts" | sed 's/^/    input: /'
  fi
  printf '%-20s %12s %10s %s\n' "$t" "${execs:-?}" "$size" "$result"
  if [ -n "${QV_FUZZ_KEEP:-}" ]; then
    mkdir -p "$QV_FUZZ_KEEP"
    rm -rf "${QV_FUZZ_KEEP:?}/$t" && cp -r "$corpus" "$QV_FUZZ_KEEP/$t"
    cp "$work/$t-artifacts"/* "$QV_FUZZ_KEEP/" 2>/dev/null || true
    cp "$log" "$QV_FUZZ_KEEP/$t.log"
  fi
done
exit $failed
