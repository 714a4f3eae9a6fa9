#!/usr/bin/env bash
# The main job, shown: builds Quorvel.exe and the substitute editor for
# Windows, opens demo/sample.txt in the editor under Wine, runs Quorvel on a
# selection with /xaKJ and on the whole text with /XANS, prints the document
# before and after, and keeps screenshots in build/demo/. Run as root on a
# fresh Debian machine: it installs what is missing and can be run again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=scripts/setup.sh
source scripts/setup.sh
qv_install_packages imagemagick fonts-ipafont-gothic fonts-wine
qv_ensure_locale

if [ -z "${QV_BIN:-}" ]; then  # QV_BIN: a directory with the programs already built
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 --target Quorvel testhost-all -j"${QV_JOBS:-2}"
fi
qv_start_wine "$root/build/demo-prefix"
scripts/wine-fonts.sh "$WINEPREFIX"
# Xvfb runs no window manager: Wine's own virtual desktop, the size of the
# screenshots, draws the windows with their title bars and frames.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Quorvel /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Quorvel /d 800x560 /f >/dev/null 2>&1
wineserver -w

out=$root/build/demo
work=$(mktemp -d /tmp/qv-demo.XXXXXX)
trap 'rm -rf "$work"; qv_stop_wine' EXIT
mkdir -p "$out"
bin=${QV_BIN:-build/win64/bin}
win() { echo "Z:${1//\//\\}"; }
show() { iconv -f CP932 -t UTF-8 "$1" | sed 's/\r$//; s/^/    /'; }
shot() { sleep 0.7; import -window root -crop 800x560+0+0 "$out/$1"; echo "screenshot: build/demo/$1"; }

host() {  # document file, selection, extra switches
  local doc=$1 sel=$2; shift 2
  rm -f "$work/ready"
  wine "$bin/quorvel-testhost.exe" --load "$(win "$doc")" --select "$sel" \
    --exe-name "$(win "$(realpath "$bin")/versions/0.73.0.1.dll")" \
    --ready "$(win "$work/ready")" --save "$(win "$work/saved")" "$@" >/dev/null 2>&1 &
  for _ in $(seq 200); do [ -f "$work/ready" ] && return 0; sleep 0.05; done
  echo "the editor did not start" >&2
  exit 1
}
quorvel() {
  set +e
  wine "$bin/Quorvel.exe" "$@"
  code=$?
  set -e
  [ "$code" = 255 ] && code=-1
  echo "Quorvel.exe $* -> exit code $code"
}
quit_host() { wine "$bin/quorvel-testhost.exe" --quit >/dev/null 2>&1 || true; }

iconv -f UTF-8 -t CP932 demo/sample.txt > "$work/doc"
first=$(printf '%s' 'ﾃｽﾄ ﾃﾞｰﾀ' | iconv -f UTF-8 -t CP932 | wc -c)

echo "== the document"
show "$work/doc"

echo "== 1. selection of the first ${first} bytes, /xaKJ (half-width katakana and Japanese punctuation to full-width)"
host "$work/doc" "0,$first"
shot host-before.png
quorvel /xaKJ
shot host-after-selection.png
quit_host
show "$work/saved"
echo "    selection afterwards: $(cat "$work/saved.sel")"

echo "== 2. whole text, /XANS (full-width letters, digits and spaces to half-width)"
cp "$work/saved" "$work/doc2"
host "$work/doc2" "0,0"
quorvel /XANS
shot host-after-whole.png
quit_host
show "$work/saved"

echo "== 3. the options dialog (/D), closed with cancel"
host "$work/doc" "0,$first"
wine "$bin/Quorvel.exe" /D >/dev/null 2>&1 &
tool=$!
title='Quorvel 全角半角変換の設定'
sleep 2
shot options-dialog.png
wine "$bin/quorvel-testhost.exe" --press "$title" cancel >/dev/null 2>&1 || true
set +e
wait "$tool"
code=$?
set -e
[ "$code" = 255 ] && code=-1
echo "Quorvel.exe /D, cancelled -> exit code $code"
quit_host
