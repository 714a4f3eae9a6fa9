#!/usr/bin/env bash
# Every heap, section and view of the tool has one owner that releases it
# (platform/owned.h): no code outside the platform calls a release function
# itself. The platform's own implementations and the tests of them (and the
# fake, which is one) release what they are asked to; the substitute editor is
# a program of its own.
# Usage: check-ownership.sh (from anywhere)
set -euo pipefail
cd "$(dirname "$0")/../.."
found=$(git ls-files convert context driver dialog host filter resources tests fuzz |
  grep -E '\.(cpp|h)$' |
  grep -vE '^tests/platform/|^tests/support/fake_os\.h$|^tests/host/wine_test\.cpp$|^tests/dialog/real_dialog_test\.cpp$' |
  xargs grep -nE '\b(HeapDestroy|CloseHandle|UnmapViewOfFile)[[:space:]]*\(|\.(Destroy|Detach)[[:space:]]*\(' || true)
if [ -n "$found" ]; then
  echo "FAIL: release calls outside the owning types:"
  echo "$found"
  exit 1
fi
echo "ownership: every release goes through an owner"
