#!/usr/bin/env bash
# Checks a built Quorvel.exe: the expected machine, the GUI subsystem, and
# imports of system libraries only (the C/C++ runtime is linked in).
set -euo pipefail
exe=$1 machine=$2
case $machine in
  x86-64) objdump=x86_64-w64-mingw32-objdump; format=pei-x86-64 ;;
  i386) objdump=i686-w64-mingw32-objdump; format=pei-i386 ;;
  *) echo "unknown machine $machine" >&2; exit 2 ;;
esac
fail() { echo "FAIL $exe: $*" >&2; exit 1; }
"$objdump" -f "$exe" | grep -q "file format $format" || fail "not $format"
headers=$("$objdump" -p "$exe")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "not a GUI-subsystem program"
dlls=$(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)
for dll in $dlls; do
  case $dll in
    kernel32.dll|user32.dll|advapi32.dll|msvcrt.dll|api-ms-win-crt-*.dll) ;;
    *) fail "imports $dll" ;;
  esac
done
echo "ok $exe: $format, Windows GUI, imports $(echo $dlls | tr '\n' ' ')"
