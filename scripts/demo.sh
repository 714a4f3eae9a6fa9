#!/usr/bin/env bash
# The main job: builds Quorvel.exe for Windows and runs it under Wine as the
# editor would start it, with a conversion switch line; the screen goes to
# build/demo/. Run as root on a fresh Debian machine: it installs what is
# missing and can be run again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=scripts/setup.sh
source scripts/setup.sh
qv_install_packages imagemagick xdotool fonts-ipafont-gothic
qv_ensure_locale

cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Quorvel -j"${QV_JOBS:-2}"
qv_start_wine "$root/build/wineprefix"
mkdir -p build/demo

echo "== Quorvel.exe /xKJ"
wine build/win64/bin/Quorvel.exe /xKJ &
tool=$!
# The tool looks for the editor in front for 2.5 s, then tells the user.
sleep 4
import -window root build/demo/quorvel-message.png
xdotool key Return
set +e
wait $tool
code=$?
set -e
echo "exit code: $code (-1 when nothing was converted)"
echo "screen: build/demo/quorvel-message.png"
