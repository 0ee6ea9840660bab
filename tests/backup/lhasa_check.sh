#!/usr/bin/env bash
# Checks the backup archives that the backup tests kept with lhasa, an LZH program that none of us wrote:
# every member's CRC tests good, and each archive holds MailData (and, for Outlook Express with account
# settings, AddressData and RegFileData\account.reg).
set -u
dir="$1"
status=0
count=0
for target in 0 1 2 3 4 5 6; do
  archive="$dir/backup_target$target.lzh"
  if [ ! -f "$archive" ]; then echo "missing $archive"; status=1; continue; fi
  count=$((count + 1))
  lhasa t "$archive" >/dev/null 2>&1 || { echo "lhasa t failed on $archive"; status=1; }
  listing=$(lhasa l "$archive" 2>&1) || { echo "lhasa l failed on $archive"; status=1; }
  grep -q "MailData" <<<"$listing" || { echo "no MailData in $archive"; status=1; }
  if [ "$target" = 0 ]; then
    grep -q "AddressData" <<<"$listing" || { echo "no AddressData in $archive"; status=1; }
    grep -q "RegFileData/account.reg" <<<"$listing" || { echo "no RegFileData/account.reg in $archive"; status=1; }
  fi
done
if [ $status -eq 0 ]; then echo "$count passed, 0 failed"; else echo "lhasa check failed"; fi
exit $status
