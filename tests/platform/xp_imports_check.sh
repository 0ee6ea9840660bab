#!/usr/bin/env bash
# The shipped velnor.exe on Windows XP SP3: a 32-bit Intel 80386 program marked for Windows 5.01, importing
# nothing that XP's DLLs lack (tests/fixtures/xp-sp3: the exports XP does not have).
#   xp_imports_check.sh VELNOR_EXE OBJDUMP
set -u
exe="$1" objdump="$2"
lists="$(cd "$(dirname "$0")/../fixtures/xp-sp3" && pwd)"
status=0
file "$exe" | grep -q 'PE32 executable.*Intel 80386' || { echo "not a 32-bit Intel 80386 program: $(file -b "$exe")"; status=1; }
header="$("$objdump" -p "$exe")"
for field in MajorSubsystemVersion:5 MinorSubsystemVersion:1 MajorOSystemVersion:5 MinorOSystemVersion:1; do
  grep -qP "^${field%%:*}\t+${field##*:}\$" <<<"$header" || { echo "${field%%:*} is not ${field##*:}"; status=1; }
done
# Imports as "dll<TAB>name", the DLL in lower case without ".dll".
imports="$(awk '/DLL Name:/ { dll = tolower($3); sub(/\.dll$/, "", dll); next }
                /^$/ { dll = "" }
                dll != "" && /^\t[0-9a-f]+\t/ { print dll "\t" $NF }' <<<"$header" | sort -u)"
[ -n "$imports" ] || { echo "no imports found in $exe"; exit 1; }
lacking="$(grep -hv '^#' "$lists"/exports-xp-lacks*.txt | cut -f1,2 | sort -u)"
found="$(comm -12 <(echo "$imports") <(echo "$lacking"))"
if [ -n "$found" ]; then
  while IFS=$'\t' read -r dll name; do echo "velnor.exe imports $dll!$name, which Windows XP SP3 lacks"; done <<<"$found"
  status=1
fi
[ $status -eq 0 ] && echo "$(wc -l <<<"$imports") imports, all present on Windows XP SP3; PE32 Intel 80386, subsystem 5.01"
exit $status
