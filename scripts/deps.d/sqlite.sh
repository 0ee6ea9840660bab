#!/usr/bin/env bash
# Fetches the SQLite amalgamation (sqlite3.c, sqlite3.h) for the message database, pinned and checksummed,
# from the npm package that ships it, into the dependency cache. Does nothing when it is already there.
set -euo pipefail
. "$(dirname "$0")/../lib.sh"

package=better-sqlite3
version=12.11.1          # carries SQLite 3.53.2 in deps/sqlite3/
sha256=ebf0ed75a7a59dbcb3b24bbd014ef49d9f15bc328e4adcbf516f2a8fadfa2835
dest="$VELNOR_CACHE/deps/sqlite"
stamp="$dest/.$package-$version"

[ -f "$stamp" ] && [ -f "$dest/sqlite3.c" ] && [ -f "$dest/sqlite3.h" ] && exit 0

say "fetching the SQLite amalgamation ($package $version)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
tarball="$work/$package-$version.tgz"
(cd "$work" && npm pack "$package@$version" --silent >/dev/null)
echo "$sha256  $tarball" | sha256sum -c --quiet - || { say "checksum mismatch for $package $version"; exit 1; }
tar -xzf "$tarball" -C "$work" package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h

# Replace the cached copy in one move, so that a half-finished fetch never looks complete.
mkdir -p "$(dirname "$dest")"
rm -rf "$dest.new"
mv "$work/package/deps/sqlite3" "$dest.new"
touch "$dest.new/.$package-$version"
rm -rf "$dest"
mv "$dest.new" "$dest"
say "SQLite amalgamation cached in $dest"
