#!/usr/bin/env bash
# Builds everything and runs every test: the native suite (ASan+UBSan), the
# Windows x86_64 suite under Wine, the i686 build with its checks, and the
# packages users download, built and checked.
# On a fresh Debian machine, run as root: it installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# shellcheck source=scripts/setup.sh
source scripts/setup.sh
qv_install_packages man-db
qv_ensure_locale

jobs=${QV_JOBS:-2}

echo "== include layers, ownership"
tests/build/check-layers.sh
tests/build/check-ownership.sh

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
ctest --preset native -j"$jobs"

echo "== win64 build"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j"$jobs"

echo "== win32 build"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$jobs"

echo "== executable checks"
scripts/check-pe.sh build/win64/bin/Quorvel.exe x86-64
scripts/check-pe.sh build/win32/bin/Quorvel.exe i386
version=$(qv_project_version)
tests/resources/check-resources.sh build/win64/bin/Quorvel.exe x86_64-w64-mingw32-windres "$version"
tests/resources/check-resources.sh build/win32/bin/Quorvel.exe i686-w64-mingw32-windres "$version"

echo "== build without GoogleTest"
tests/build/check-configure.sh

echo "== win64 tests under Wine"
qv_start_wine "$root/build/wineprefix"
ctest --preset win64 --output-on-failure
qv_stop_wine

echo "== packages (dist/) from the trees just tested"
scripts/package.sh
tests/packaging/check-packages.sh dist "$version" build/release

echo "== fuzz targets, 20 s each"
scripts/fuzz.sh 20
