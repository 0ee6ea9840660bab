#!/usr/bin/env bash
# lhasa, an LZH program none of us wrote, reads the set with names outside the code page that the end-to-end
# test kept: every CRC tests good, and it extracts every file under the stand-in names.
set -u
archive="$(cd "$1" 2>/dev/null && pwd)/e2e_unicode_names.lzh"
[ -f "$archive" ] || { echo "missing $archive"; exit 1; }
lhasa t "$archive" >/dev/null 2>&1 || { echo "lhasa t failed on $archive"; exit 1; }
listing=$(lhasa l "$archive" 2>&1) || { echo "lhasa l failed on $archive"; exit 1; }
grep -q 'caf_\.txt' <<<"$listing" || { echo "no stand-in caf_.txt in:"; echo "$listing"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && lhasa xqf "$archive") || { echo "lhasa x failed"; exit 1; }
[ "$(find "$work" -type f | wc -l)" -ge 3 ] || { echo "lhasa extracted too few files"; exit 1; }
echo "lhasa lists, tests and extracts the set with names outside the code page"
