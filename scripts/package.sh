#!/usr/bin/env bash
# Builds what users download into dist/:
#   Quorvel-VERSION-win64.zip, Quorvel-VERSION-win32.zip: a folder Quorvel with
#     Quorvel.exe, quorvel-filter.exe, ReadMe.txt (Japanese, code page 932,
#     CRLF) and License.txt;
#   quorvel-filter_VERSION_ARCH.deb: quorvel-filter, its manual page and the
#     licence, made by CPack from the release preset.
# The Windows executables come from the win64 and win32 trees (Release
# presets), so after scripts/test.sh they are the ones that were tested; only
# their symbols are stripped. Run as root on a fresh Debian machine: it
# installs what is missing and can be run again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=scripts/setup.sh
source scripts/setup.sh
qv_install_packages dpkg-dev file lintian

jobs=${QV_JOBS:-2}
version=$(qv_project_version)
dist=$root/dist
stage=$(mktemp -d /tmp/qv-package.XXXXXX)
trap 'rm -rf "$stage"' EXIT
rm -rf "$dist"
mkdir -p "$dist"

echo "== quorvel-filter for Linux (release preset, Debian package)"
cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs"
rm -rf build/release/packages
(cd build/release && cpack -G DEB >/dev/null)
cp build/release/packages/quorvel-filter_"$version"_*.deb "$dist/"

# Texts for Windows: code page 932 with CRLF. A character that code page 932
# holds only as a look-alike would come back different: refused.
readme=$stage/ReadMe.txt
sed "s/@PROJECT_VERSION@/$version/g" packaging/ReadMe.txt.in > "$stage/ReadMe.utf8"
iconv -f UTF-8 -t CP932 "$stage/ReadMe.utf8" | LC_ALL=C sed 's/$/\r/' > "$readme"
if ! LC_ALL=C sed 's/\r$//' "$readme" | iconv -f CP932 -t UTF-8 | cmp -s - "$stage/ReadMe.utf8"; then
  echo "packaging/ReadMe.txt.in holds characters that code page 932 does not keep" >&2
  exit 1
fi
LC_ALL=C sed 's/$/\r/' LICENSE > "$stage/License.txt"

# Every file of a zip gets the time of the last commit: the same sources give
# the same zip.
stamp=$(TZ=UTC git log -1 --format=%cd --date=format-local:'%Y-%m-%d %H:%M:%S UTC' 2>/dev/null ||
        date -u +'%Y-%m-%d %H:%M:%S UTC')
for arch in win64 win32; do
  echo "== Quorvel for Windows ($arch preset)"
  case $arch in
    win64) strip=x86_64-w64-mingw32-strip ;;
    win32) strip=i686-w64-mingw32-strip ;;
  esac
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch" --target Quorvel quorvel-filter -j"$jobs"
  folder=$stage/$arch/Quorvel
  mkdir -p "$folder"
  for exe in Quorvel.exe quorvel-filter.exe; do
    "$strip" -o "$folder/$exe" "build/$arch/bin/$exe"
  done
  cp "$readme" "$stage/License.txt" "$folder/"
  (cd "$stage/$arch" && cmake -E tar cf "$dist/Quorvel-$version-$arch.zip" --format=zip --mtime="$stamp" \
    Quorvel/Quorvel.exe Quorvel/quorvel-filter.exe Quorvel/ReadMe.txt Quorvel/License.txt)
done

echo "== dist/"
LC_ALL=C ls -l "$dist"
