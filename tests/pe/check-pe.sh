#!/usr/bin/env bash
# Checks a built exe's PE header and imports: ASLR (dynamic base), NX compatible, terminal-server
# aware, high-entropy VA on x64, only system DLLs imported, under 512 KiB. Usage: check-pe.sh OBJDUMP EXE x64|x86
set -euo pipefail
objdump=$1 exe=$2 arch=$3
headers=$("$objdump" -p "$exe")
flags=$((16#$(awk '/DllCharacteristics/ {print $2}' <<<"$headers")))
failed=0
check() { if [ "$2" -eq 0 ]; then echo "FAIL: $1"; failed=1; else echo "ok: $1"; fi; }
check "dynamic base" $((flags & 0x40))
check "NX compatible" $((flags & 0x100))
check "terminal-server aware" $((flags & 0x8000))
[ "$arch" = x64 ] && check "high-entropy VA" $((flags & 0x20))
system='^(kernel32|user32|gdi32|comctl32|winspool\.drv|msvcrt|advapi32)(\.dll)?$'
imports=0
while read -r dll; do
  imports=$((imports + 1))
  if grep -qiE "$system" <<<"$dll"; then echo "ok: imports $dll"; else echo "FAIL: imports $dll"; failed=1; fi
done < <(awk '/DLL Name:/ {print $3}' <<<"$headers")
# Every Windows program imports kernel32 at least: none listed means the imports were not read.
check "imports listed" "$imports"
size=$(stat -c %s "$exe")
echo "size: $size bytes"
check "under 512 KiB" $((size < 524288))
exit $failed
