#!/usr/bin/env bash
# Maps the Japanese UI fonts that dialogs ask for to the IPA Gothic fonts
# (package fonts-ipafont-gothic) in the given Wine prefix, so that captions
# are drawn with proportional Japanese glyphs of the right width.
# Usage: scripts/wine-fonts.sh WINEPREFIX
set -euo pipefail
export WINEPREFIX=$1 LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all
key='HKCU\Software\Wine\Fonts\Replacements'
for f in "ＭＳ Ｐゴシック" "MS PGothic" "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2"; do
  wine reg add "$key" /v "$f" /t REG_SZ /d "IPAPGothic" /f >/dev/null 2>&1
done
for f in "ＭＳ ゴシック" "MS Gothic"; do
  wine reg add "$key" /v "$f" /t REG_SZ /d "IPAGothic" /f >/dev/null 2>&1
done
wineserver -w
