#!/usr/bin/env bash
# Builds the native tests without sanitizers (build/valgrind, Debug) and runs
# every test program under valgrind memcheck. Non-zero exit on any error or leak.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${QV_VALGRIND_BUILD:-$root/build/valgrind}
command -v valgrind >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq valgrind >/dev/null; } || exit 1
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=OFF -DQV_TESTS=ON >/dev/null || exit 1
cmake --build "$build" -j"${QV_JOBS:-2}" >/dev/null || exit 1
failed=0
for test in "$build"/bin/qv_test_*; do
  [ -x "$test" ] || continue
  if valgrind --quiet --suppressions=scripts/valgrind.supp --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
       "$test" --gtest_brief=1 >"$build/$(basename "$test").valgrind.log" 2>&1; then
    echo "$(basename "$test"): clean"
  else
    echo "$(basename "$test"): FAILED (see $build/$(basename "$test").valgrind.log)"
    failed=1
  fi
done
exit $failed
