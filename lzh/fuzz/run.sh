#!/usr/bin/env bash
# Builds the reader fuzz target (clang + libFuzzer, ASan, UBSan) and runs it for SECONDS.
# Falls back to a plain mutation loop under sanitizers when libFuzzer is unavailable (or when
# LZH_FUZZ_STANDALONE=1).
set -euo pipefail
SECONDS_TO_RUN="${1:-60}"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
OUT="${LZH_FUZZ_DIR:-$ROOT/build-fuzz}"
mkdir -p "$OUT/corpus" "$OUT/artifacts"
# Seeds: every checked-in archive (good, damaged and hostile).
find "$ROOT/tests/fixtures/lzh" -name '*.lzh' -exec cp {} "$OUT/corpus/" \;

SOURCES=("$ROOT"/lzh/src/*.cpp "$ROOT/lzh/fuzz/reader_fuzz.cpp")
FLAGS=(-std=c++20 -O1 -g -fno-omit-frame-pointer -I"$ROOT/lzh/include" -I"$ROOT/lzh/src")

if [ -z "${LZH_FUZZ_STANDALONE:-}" ] && command -v clang++ >/dev/null && echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long){return 0;}' |
   clang++ -x c++ -fsanitize=fuzzer - -o "$OUT/probe" 2>/dev/null; then
  clang++ "${FLAGS[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined "${SOURCES[@]}" -o "$OUT/lzh_reader_fuzz"
  "$OUT/lzh_reader_fuzz" "$OUT/corpus" -max_total_time="$SECONDS_TO_RUN" -max_len=65536 -timeout=10 \
    -rss_limit_mb=1024 -artifact_prefix="$OUT/artifacts/" -print_final_stats=1
else
  echo "libFuzzer not available: running the standalone mutation loop" >&2
  CXX="$(command -v clang++ || command -v g++)"
  "$CXX" "${FLAGS[@]}" -DLZH_FUZZ_STANDALONE -fsanitize=address,undefined -fno-sanitize-recover=undefined "${SOURCES[@]}" -o "$OUT/lzh_reader_fuzz_standalone"
  "$OUT/lzh_reader_fuzz_standalone" "$SECONDS_TO_RUN" "$OUT/corpus"
fi
