#!/usr/bin/env bash
# Checks that an executable carries the tool's resources, read back from the
# executable itself: dialog template 101 with its style, font and every
# control (id, class, style bits, place, caption), icon group 102 with 16x16
# and 32x32 images in 16 and 256 colours, the manifest naming common
# controls 6.0.0.0, and the version resource with the project's version.
# Usage: check-resources.sh EXE WINDRES VERSION
set -euo pipefail
export LC_ALL=C.UTF-8  # captions are decoded to UTF-8 for the comparison
exe=$1 windres=$2 version=$3
rc=$("$windres" -i "$exe" -O rc 2>/dev/null) || { echo "FAIL: $exe: no resources"; exit 1; }
fail() { echo "FAIL: $exe: $*"; exit 1; }

# The decompiler writes texts as L"..." with \xNNNN for each UTF-16 unit.
decode() { printf '%b' "$(sed 's/\\x\([0-9a-fA-F]\{4\}\)/\\u\1/g' <<<"$1")"; }

# Template 101: the style is DS_MODALFRAME | DS_SETFONT | WS_POPUP |
# WS_CAPTION | WS_SYSMENU; the font ＭＳ Ｐゴシック 9 pt, SHIFTJIS_CHARSET.
dialog=$(sed -n '/^101 DIALOGEX/,/^END/p' <<<"$rc")
[ -n "$dialog" ] || fail "no dialog 101"
grep -qx '101 DIALOGEX 0, 0, 167, 211' <<<"$dialog" || fail "dialog 101 is not 167 x 211 at 0, 0"
grep -qx 'STYLE 0x80c800c0' <<<"$dialog" || fail "dialog 101 style is not 0x80c800c0"
[ "$(decode "$(sed -n 's/^CAPTION L\?"\(.*\)"$/\1/p' <<<"$dialog")")" = "Quorvel 全角半角変換の設定" ] ||
  fail "dialog 101 caption"
[ "$(sed -n 's/^FONT \([0-9]*\), L\?"\(.*\)", 0, 0, \([0-9]*\)$/\1 \3 \2/p' <<<"$dialog" |
     { read -r size charset face; echo "$size $charset $(decode "$face")"; })" = "9 128 ＭＳ Ｐゴシック" ] ||
  fail "dialog 101 font"

# Each control in creation order: id, style, x, y, width, height, caption.
# All are buttons, children and visible (0x50000000); 0x10000 is the tab
# stop, 0x20000 starts a group. The radio buttons have no tab stop: the
# dialog manager gives it to the checked one.
expected='1 0x50010001 107 11 50 14 OK
2 0x50010000 107 30 50 14 ｷｬﾝｾﾙ
-1 0x50000007 7 7 93 38 変換方向
1001 0x50020009 14 18 60 12 全角 → 半角(&H)
1002 0x50000009 14 30 62 12 半角 → 全角(&Z)
-1 0x50000007 7 51 153 57 変換対象
1003 0x50010003 14 65 64 9 英文字(&A)
1006 0x50010003 14 79 64 9 数字(&N)
1004 0x50010003 14 93 64 9 スペース(&S)
1007 0x50010003 81 65 71 9 記号(&P)
1005 0x50010003 81 78 71 9 日本語記号(&J)
1008 0x50010003 81 92 71 9 カタカナ(&K)
-1 0x50000007 7 114 153 87 変換オプション
1009 0x50010003 13 128 140 9 引用行の中も処理する(&L)
1010 0x50010003 13 142 140 9 半角スペースをアンダーバーに置換する(&U)
1011 0x50010003 13 156 140 9 不可逆記号も処理する(&R)
1012 0x50010003 13 169 140 9 ひらがな処理をする(&T)
1013 0x50010003 13 183 140 9 濁点・半濁点を結合しない(&V)'
controls=$(sed -n 's/^  CONTROL L\?"\(.*\)", \(-\?[0-9]*\), "BUTTON", \(0x[0-9a-f]*\), \([0-9]*\), \([0-9]*\), \([0-9]*\), \([0-9]*\)$/\2 \3 \4 \5 \6 \7 \1/p' <<<"$dialog" |
  while read -r id style x y w h caption; do echo "$id $style $x $y $w $h $(decode "$caption")"; done)
[ "$(grep -c '^  CONTROL' <<<"$dialog")" = 18 ] || fail "dialog 101 has not 18 controls"
[ "$controls" = "$expected" ] || fail "dialog 101 controls differ:
$(diff <(echo "$expected") <(echo "$controls"))"

grep -q '^102 14 /\* RT_GROUP_ICON \*/' <<<"$rc" || fail "no icon group 102"
group=$(sed -n '/^102 14/,/^END/p' <<<"$rc")
grep -q 'Has 4 elements' <<<"$group" || fail "icon group 102 has not four images"
for image in '"\020\020\020\000", 1, 4,' '"\020\020\000\000", 1, 8,' \
             '"\040\040\020\000", 1, 4,' '"\040\040\000\000", 1, 8,'; do
  grep -qF "$image" <<<"$group" || fail "icon group 102 lacks $image"
done

# The manifest's text, one line: what matters is the dependency element.
manifest=$(sed -n '/^1 24 \/\* RT_MANIFEST \*\//,/^END/p' <<<"$rc" | sed -n 's/^  "\(.*\)"$/\1/p' |
  sed 's/""/"/g; s/\\n$//' | tr -s ' \n' ' ')
[ -n "$manifest" ] || fail "no manifest (resource 1 of type 24)"
dependency=$(grep -o '<dependentAssembly>.*</dependentAssembly>' <<<"$manifest") || fail "the manifest names no dependency"
for attribute in 'type="win32"' 'name="Microsoft.Windows.Common-Controls"' 'version="6.0.0.0"' \
                 'processorArchitecture="*"' 'publicKeyToken="6595b64144ccf1df"' 'language="*"'; do
  grep -qF "$attribute" <<<"$dependency" || fail "the manifest's dependency lacks $attribute"
done
grep -qF "<assemblyIdentity type=\"win32\" name=\"Quorvel\" version=\"$version\"" <<<"$manifest" ||
  fail "the manifest does not name Quorvel $version"
grep -qF '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' <<<"$manifest" ||
  fail "the manifest does not ask for asInvoker"

grep -q '^1 VERSIONINFO' <<<"$rc" || fail "no version resource"
grep -q "FILEVERSION ${version//./,}" <<<"$rc" || grep -q "FILEVERSION ${version//./, }" <<<"$rc" \
  || fail "file version is not $version"
echo "ok: $exe has dialog 101 (its 18 controls), icon group 102 (4 images), the manifest (common controls 6.0.0.0), version $version"
