#!/usr/bin/env bash
# Checks that an executable carries the tool's resources: dialog 101, icon
# group 102 with 16x16 and 32x32 images in 16 and 256 colours, the manifest
# and the version resource with the project's version.
# Usage: check-resources.sh EXE WINDRES VERSION
set -euo pipefail
exe=$1 windres=$2 version=$3
rc=$("$windres" -i "$exe" -O rc 2>/dev/null) || { echo "FAIL: $exe: no resources"; exit 1; }
fail() { echo "FAIL: $exe: $*"; exit 1; }
grep -q '^101 DIALOGEX 0, 0, 167, 211' <<<"$rc" || fail "no dialog 101 of 167 x 211"
grep -q '^102 14 /\* RT_GROUP_ICON \*/' <<<"$rc" || fail "no icon group 102"
group=$(sed -n '/^102 14/,/^END/p' <<<"$rc")
grep -q 'Has 4 elements' <<<"$group" || fail "icon group 102 has not four images"
for image in '"\020\020\020\000", 1, 4,' '"\020\020\000\000", 1, 8,' \
             '"\040\040\020\000", 1, 4,' '"\040\040\000\000", 1, 8,'; do
  grep -qF "$image" <<<"$group" || fail "icon group 102 lacks $image"
done
grep -q '^1 24 /\* RT_MANIFEST \*/' <<<"$rc" || fail "no manifest"
grep -q '^1 VERSIONINFO' <<<"$rc" || fail "no version resource"
grep -q "FILEVERSION ${version//./,}" <<<"$rc" || grep -q "FILEVERSION ${version//./, }" <<<"$rc" \
  || fail "file version is not $version"
echo "ok: $exe has dialog 101, icon group 102 (4 images), manifest, version $version"
