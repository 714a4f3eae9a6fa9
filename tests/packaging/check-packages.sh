#!/usr/bin/env bash
# Checks what scripts/package.sh wrote to dist/, as a user meets it: the two
# zips hold exactly the expected files, ReadMe.txt is code page 932 with CRLF
# line ends, names every switch letter and quotes the tool's messages and
# dialog texts byte for byte; the Debian package unpacks to a working
# quorvel-filter of this version with a manual page that renders, and
# `cmake --install` of the release tree gives the same files.
# Usage: check-packages.sh DIST VERSION RELEASE_BUILD_DIR
set -euo pipefail
export LC_ALL=C  # texts are compared as bytes
dist=$(cd "$1" && pwd) version=$2 release=$(cd "$3" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/qv-check-packages.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

arch=$(dpkg --print-architecture)
deb=quorvel-filter_${version}_$arch.deb
want=$(printf '%s\n' "Quorvel-$version-win32.zip" "Quorvel-$version-win64.zip" "$deb" | sort)
[ "$(ls "$dist" | sort)" = "$want" ] || fail "dist/ holds $(ls "$dist" | tr '\n' ' '), want $(echo $want)"

# The bytes of a C string constant NAME in FILE (escapes as the compiler reads them).
c_string() {
  local text
  text=$(awk -v n="$2[] =" 'index($0, n) { on = 1 } on { print } on && /;/ { exit }' "$1" |
         sed 's,  // .*$,,' | grep -o '"[^"]*"' | sed 's/^"//; s/"$//' | tr -d '\n')
  [ -n "$text" ] || fail "no string $2 in $1"
  printf '%b' "$text"
}
# The captions of template 101, without the mnemonic marks.
dialog_texts() {
  sed -n '/^QV_IDD_OPTIONS DIALOGEX/,/^END/p' "$src/resources/quorvel.rc" | grep -E '^ *(CAPTION|CONTROL) "' |
    sed 's/^ *[A-Z]* "\([^"]*\)".*/\1/' | grep -vx OK | sed 's/(&\(.\))/(\1)/'
}

check_readme() {
  local readme=$1 utf8=$work/readme.utf8
  iconv -f CP932 -t UTF-8 "$readme" > "$utf8" || fail "$readme is not code page 932"
  iconv -f UTF-8 -t CP932 "$utf8" | cmp -s - "$readme" || fail "$readme does not read back the same"
  [ "$(tail -c 2 "$readme" | od -An -tx1 | tr -d ' ')" = 0d0a ] || fail "$readme does not end with CRLF"
  grep -qv $'\r$' "$readme" && fail "$readme has a line end without CR"
  grep -q $'\r.' "$readme" && fail "$readme has a CR without LF"
  grep -qF "Ver $version" "$readme" || fail "$readme does not name version $version"
  for letter in D X A N S P J K L U R T V M G C; do
    grep -qE "^    $letter / ${letter,} " "$readme" || fail "$readme does not explain switch $letter / ${letter,}"
  done
  local quoted=(
    "$(c_string "$src/context/messages.h" kMsgAttachFailed)"
    "$(c_string "$src/context/messages.h" kMsgFetchFailed)"
    "$(c_string "$src/context/messages.h" kMsgWriteBackFailedRestored)"
    "$(c_string "$src/context/messages.h" kMsgWriteBackFailedUndo)"
    "$(c_string "$src/context/messages.h" kMsgOutOfMemory)"
    "$(c_string "$src/context/messages.h" kMsgKeepCharsEmpty)"
    "$(c_string "$src/context/messages.h" kMsgKeepCharsBroken)"
    "$(c_string "$src/context/messages.h" kMsgDialogFailed)"
    "$(c_string "$src/context/messages.h" kMsgSettingsNotSaved)"
    "$(c_string "$src/context/messages.h" kMsgNeedDirection)"
    "$(c_string "$src/context/messages.h" kMsgNeedTarget)"
  )
  local format
  format=$(c_string "$src/context/messages.h" kFmtBadArgument)
  format=${format/\%d/1}
  quoted+=("${format/\%s//XQ}")
  while IFS= read -r text; do quoted+=("$(printf '%b' "$text")"); done < <(dialog_texts)
  [ ${#quoted[@]} -ge 28 ] || fail "only ${#quoted[@]} texts of the tool found to look for"
  for text in "${quoted[@]}"; do
    grep -qF -- "$text" "$readme" || fail "$readme does not quote $(iconv -f CP932 -t UTF-8 <<<"$text")"
  done
}

for win in win64 win32; do
  zip=$dist/Quorvel-$version-$win.zip
  listed=$(cmake -E tar tf "$zip" | sort)
  [ "$listed" = "$(printf '%s\n' Quorvel/License.txt Quorvel/Quorvel.exe Quorvel/ReadMe.txt Quorvel/quorvel-filter.exe)" ] ||
    fail "$zip holds $(echo $listed)"
  mkdir -p "$work/$win"
  (cd "$work/$win" && cmake -E tar xf "$zip")
  folder=$work/$win/Quorvel
  case $win in
    win64) machine=x86-64 triple=x86_64-w64-mingw32 ;;
    win32) machine=i386 triple=i686-w64-mingw32 ;;
  esac
  "$src/scripts/check-pe.sh" "$folder/Quorvel.exe" "$machine" >/dev/null
  "$src/tests/resources/check-resources.sh" "$folder/Quorvel.exe" "$triple-windres" "$version" >/dev/null
  [[ $("$triple-objdump" -p "$folder/quorvel-filter.exe") == *"(Windows CUI)"* ]] ||
    fail "$win quorvel-filter.exe is not a console program"
  filter_rc=$("$triple-windres" -i "$folder/quorvel-filter.exe" -O rc 2>/dev/null) || fail "$win quorvel-filter.exe has no resources"
  grep -q '^102 14 /\* RT_GROUP_ICON \*/' <<<"$filter_rc" || fail "$win quorvel-filter.exe has no icon"
  [ "$(grep -c "VALUE \"FileVersion\", \"$version\"" <<<"$filter_rc")" = 2 ] ||
    fail "$win quorvel-filter.exe has no version resource of version $version"
  cmp -s "$folder/License.txt" <(sed 's/$/\r/' "$src/LICENSE") || fail "$win License.txt is not LICENSE with CRLF"
  check_readme "$folder/ReadMe.txt"
done
cmp -s "$work/win64/Quorvel/ReadMe.txt" "$work/win32/Quorvel/ReadMe.txt" || fail "the two ReadMe.txt differ"

# The Debian package, unpacked as dpkg would install it.
for field in Package:quorvel-filter "Version:$version" "Architecture:$arch"; do
  [ "$(dpkg-deb -f "$dist/$deb" "${field%%:*}")" = "${field#*:}" ] || fail "$deb: ${field%%:*} is not ${field#*:}"
done
dpkg-deb -x "$dist/$deb" "$work/root"
filter=$work/root/usr/bin/quorvel-filter
[ "$("$filter" --version)" = "quorvel-filter $version" ] || fail "packaged quorvel-filter --version: $("$filter" --version)"
[ "$(printf '\xef\xbc\xa1\xef\xbc\x91' | "$filter" /XAN)" = A1 ] || fail "packaged quorvel-filter does not convert"
# Debian's own checks of the package: no error, no warning, nothing else.
lintian --fail-on error,warning,info,pedantic --pedantic --info "$dist/$deb" > "$work/lintian.txt" 2>&1 ||
  fail "lintian on $deb: $(cat "$work/lintian.txt")"
grep -E '^[EWIP]: ' "$work/lintian.txt" && fail "lintian on $deb has remarks"
page=$work/root/usr/share/man/man1/quorvel-filter.1.gz
man --warnings -l "$page" > "$work/man.txt" 2> "$work/man.err" || fail "man -l $page failed: $(cat "$work/man.err")"
[ ! -s "$work/man.err" ] || fail "man -l $page warns: $(cat "$work/man.err")"
grep -q "quorvel-filter $version" "$work/man.txt" || fail "the manual page does not name version $version"
for letter in X A N S P J K L U R T V M G C D; do
  grep -qE "^ +$letter / ${letter,} " "$work/man.txt" || fail "the manual page does not explain switch $letter"
done
for option in --in-place --encoding= --normalize --hiragana --katakana --keep= --quote-marks= --host-ini= --utf8 --help \
    --version ENCODING 'EXIT STATUS' EXAMPLES; do
  grep -qF -- "$option" "$work/man.txt" || fail "the manual page lacks $option"
done

# `cmake --install` of the release tree: the same files under the prefix.
cmake --install "$release" --prefix "$work/prefix" >/dev/null
installed=$(cd "$work/prefix" && find . -type f | sort)
packaged=$(cd "$work/root/usr" && find . -type f | sort)
[ "$installed" = "$packaged" ] || fail "cmake --install gives $(echo $installed), the package $(echo $packaged)"
[ "$("$work/prefix/bin/quorvel-filter" --version)" = "quorvel-filter $version" ] || fail "installed --version"

echo "ok: $(ls "$dist" | tr '\n' ' ')hold what they should"
