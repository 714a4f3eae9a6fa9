#!/usr/bin/env bash
# The build as a user without GoogleTest meets it (a Windows user with
# MinGW-w64, a Linux user building quorvel-filter): configured with no GTest
# package and no source tree, it succeeds with the tests off; asked for the
# tests, it stops with a message that says what is missing.
# Usage: check-configure.sh (from anywhere; works in a scratch folder)
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/qv-configure.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
hide=(-DQV_GTEST_SOURCE_DIR="$work/no-googletest" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON)

for target in linux windows; do
  toolchain=()
  [ $target = windows ] && toolchain=(-DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-x86_64.cmake")
  cmake -S "$src" -B "$work/$target" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=Release "${hide[@]}" \
    > "$work/$target.log" 2>&1 || fail "$target: configure without GoogleTest failed: $(tail -5 "$work/$target.log")"
  grep -qx 'QV_TESTS:BOOL=OFF' "$work/$target/CMakeCache.txt" || fail "$target: QV_TESTS is not off without GoogleTest"
  if cmake -S "$src" -B "$work/$target-tests" "${toolchain[@]}" "${hide[@]}" -DQV_TESTS=ON > "$work/$target-tests.log" 2>&1; then
    fail "$target: QV_TESTS=ON configured without GoogleTest"
  fi
  grep -q 'QV_TESTS needs GoogleTest' "$work/$target-tests.log" || fail "$target: no message about the missing GoogleTest"
done
echo "ok: without GoogleTest the build configures with the tests off (Linux and MinGW-w64)"
