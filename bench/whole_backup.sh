#!/usr/bin/env bash
# Whole-backup benchmark: Velnor's folder backup and restore of a large My Documents (about 500 MB: mail from
# the corpus plus binary files), driven through its windows and timed from outside, beside jlha packing and
# lhasa unpacking the same folder in the same run. The wizards' deliberate pauses are printed apart from the
# work, and so is peak memory. Prints figures; asserts nothing.
set -euo pipefail
. "$(dirname "$0")/../scripts/lib.sh"
cd "$VELNOR_ROOT"
"$VELNOR_ROOT/scripts/setup"
"$VELNOR_ROOT/scripts/build"
exe_dir="$VELNOR_BUILD32/bin"  # the shipped, 32-bit program
out="$VELNOR_ROOT/out/bench"
mkdir -p "$out"
export VELNOR_BUILD="$out"
trap velnor_cleanup EXIT
# The large sample PC takes a while to lay out; it is kept for later runs.
export SAMPLE_PC_SIZE=large
velnor_wine_world "$out/prefix" virtual keep

docs="$(find "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 -name Documents -type d | head -n 1)"
bytes=$(du -sb "$docs" | cut -f1)
windows() { local p="$1"; echo "Z:${p//\//\\}"; }

say "Velnor: folder backup and restore of My Documents ($((bytes / 1048576)) MB) through its windows"
rm -f "$out/pauses.txt" "$out/stages.txt"
VELNOR_PAUSE_LOG="$(windows "$out/pauses.txt")" VELNOR_STAGE_LOG="$(windows "$out/stages.txt")" VELNOR_E2E_SHOTS="$(windows "$out/shots")" \
  "$VELNOR_ROOT/scripts/wine-exec" "$exe_dir/bench_whole_backup.exe" --gtest_color=no > "$out/velnor.txt" 2>&1 ||
  { cat "$out/velnor.txt" >&2; say "the Velnor run failed"; exit 1; }
figure() { sed -n "s/^$1 //p" "$out/velnor.txt" | tr -d '\r'; }

# Runs a command, leaving "seconds max_rss_kb" in $timing.
timed() {
  /usr/bin/time -f "%e %M" -o "$out/time.txt" "$@" >/dev/null 2>"$out/stderr.txt" ||
    { cat "$out/stderr.txt" >&2; say "failed: $*"; exit 1; }
  timing="$(tail -n 1 "$out/time.txt")"
}
ref="$out/reference"
rm -rf "$ref" && mkdir -p "$ref/unpacked"
timed bash -c "cd '$docs' && jlha a2o7q '$ref/documents.lzh' *"
pack_s="${timing%% *}" pack_kb="${timing##* }"
timed bash -c "cd '$ref/unpacked' && lhasa xqf '$ref/documents.lzh'"
unpack_s="${timing%% *}" unpack_kb="${timing##* }"
# Our codec alone under Wine, on the same folder: what is left above it in Velnor's figures is Velnor's own;
# what lies between it and the native programs is Wine's file layer.
rm -rf "$ref/unpacked" && mkdir -p "$ref/unpacked"
timed "$VELNOR_ROOT/scripts/wine-exec" "$exe_dir/velnor-lzh.exe" c "$(windows "$ref/ours.lzh")" "$(windows "$docs")" -m lh7
wine_pack_s="${timing%% *}"
timed "$VELNOR_ROOT/scripts/wine-exec" "$exe_dir/velnor-lzh.exe" x "$(windows "$ref/ours.lzh")" "$(windows "$ref/unpacked")"
wine_unpack_s="${timing%% *}"
# The same unpack natively: what decoding itself costs. Under Wine every new file's name is looked up by
# reading its whole folder (Windows keeps no such cost), so a folder of thousands of mails costs in the
# square of its size there.
rm -rf "$ref/unpacked" && mkdir -p "$ref/unpacked"
timed "$VELNOR_ROOT/build-native/velnor-lzh" x "$ref/ours.lzh" "$ref/unpacked"
native_unpack_s="${timing%% *}"
read -r files crowded < <(find "$docs" -type f -printf '%h\n' | sort | uniq -c |
  awk '{ n += $1; if ($1 > most) most = $1 } END { print n + 0, most + 0 }')
rm -rf "$ref"

calc() { awk "BEGIN { printf \"%.2f\", $1 }"; }
backup_s=$(figure velnor_backup_seconds) backup_p=$(figure velnor_backup_pauses)
restore_s=$(figure velnor_restore_seconds) restore_p=$(figure velnor_restore_pauses)
peak=$(figure velnor_peak_working_set_mib)
printf 'My Documents: %.1f MB\n' "$(calc "$bytes / 1048576")"
printf '%-34s %9s %9s %9s\n' "run" "seconds" "paused" "work"
printf '%-34s %9s %9s %9s\n' "Velnor backup (gather, pack, move)" "$backup_s" "$backup_p" "$(calc "$backup_s - $backup_p")"
printf '%-34s %9s %9s %9s\n' "jlha -lh7- of the same folder" "$pack_s" "-" "$pack_s"
printf '%-34s %9s %9s %9s\n' "Velnor restore (check, unpack, put)" "$restore_s" "$restore_p" "$(calc "$restore_s - $restore_p")"
printf '%-34s %9s %9s %9s\n' "lhasa x of jlha's archive" "$unpack_s" "-" "$unpack_s"
printf '%-34s %9s %9s %9s\n' "velnor-lzh c under Wine" "$wine_pack_s" "-" "$wine_pack_s"
printf '%-34s %9s %9s %9s\n' "velnor-lzh x under Wine" "$wine_unpack_s" "-" "$wine_unpack_s"
printf '%-34s %9s %9s %9s\n' "velnor-lzh x natively" "$native_unpack_s" "-" "$native_unpack_s"
printf '%s files, %s of them in one folder\n' "$files" "$crowded"
echo
printf 'work against the reference (below 1.00: faster than the reference)\n'
printf '  %-40s %s\n' "backup  Velnor work / jlha pack" "$(calc "($backup_s - $backup_p) / ($pack_s > 0 ? $pack_s : 0.01)")"
printf '  %-40s %s\n' "restore Velnor work / lhasa unpack" "$(calc "($restore_s - $restore_p) / ($unpack_s > 0 ? $unpack_s : 0.01)")"
printf '  %-40s %s\n' "backup  Velnor work / our codec, Wine" "$(calc "($backup_s - $backup_p) / ($wine_pack_s > 0 ? $wine_pack_s : 0.01)")"
printf '  %-40s %s\n' "restore Velnor work / our codec, Wine" "$(calc "($restore_s - $restore_p) / ($wine_unpack_s > 0 ? $wine_unpack_s : 0.01)")"
printf '  %-40s %s\n' "restore Velnor work / our codec, native" "$(calc "($restore_s - $restore_p) / ($native_unpack_s > 0 ? $native_unpack_s : 0.01)")"
printf 'peak memory: Velnor %s MB (working set under Wine), jlha %s MB, lhasa %s MB\n' "$peak" \
  "$(calc "$pack_kb / 1024")" "$(calc "$unpack_kb / 1024")"

# Where the work went: each stage as the program timed it (pauses apart), and what no stage covers (the
# wizards' own steps, window updates, the questions' short checks).
stages() {
  local kind="$1" work="$2"
  tr -d '\r' < "$out/stages.txt" | awk -F '\t' -v kind="$kind" -v work="$work" '
    index($1, kind ": ") == 1 { name = substr($1, length(kind) + 3); if (!(name in t)) order[n++] = name; t[name] += $2 }
    END {
      for (i = 0; i < n; i++) { printf "  %-34s %9.2f %8.1f%%\n", order[i], t[order[i]], (work > 0 ? 100 * t[order[i]] / work : 0); sum += t[order[i]] }
      printf "  %-34s %9.2f %8.1f%%\n", "(outside the stages)", work - sum, (work > 0 ? 100 * (work - sum) / work : 0)
    }'
}
echo
printf '%-36s %9s %9s\n' "backup stage" "seconds" "of work"
stages backup "$(calc "$backup_s - $backup_p")"
printf '%-36s %9s %9s\n' "restore stage" "seconds" "of work"
stages restore "$(calc "$restore_s - $restore_p")"
say "screenshots of the run: $out/shots"
