#!/usr/bin/env bash
# Maps the Japanese UI fonts that dialogs ask for to the IPA Gothic fonts
# (package fonts-ipafont-gothic) in the given Wine prefix, so that captions
# are drawn with proportional Japanese glyphs of the right width; and gives
# the prefix the font of the caption buttons.
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
# The caption buttons are glyphs of Wine's Marlett (package fonts-wine),
# which this Wine finds only in the prefix's own font folder.
if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
wineserver -w
