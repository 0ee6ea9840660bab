// The one LZSS + static Huffman engine behind -lh5-, -lh6- and -lh7-, driven by a method table.
#pragma once

#include <cstdint>
#include <memory>

#include "bit_io.h"
#include "lzh/header.h"
#include "lzh/stream.h"

namespace lzh::detail {

struct MethodParams {
    Method method;
    int dict_bits;      // window = 1 << dict_bits
    int position_codes; // number of distance-class symbols (dict_bits + 1)
    int position_bits;  // width of the distance table's symbol count field
};

// Null for methods that are not LZSS + Huffman coded.
const MethodParams* lh_params(Method method);

struct EncodeResult {
    std::uint64_t input_bytes = 0;
    std::uint64_t output_bytes = 0;
    std::uint16_t crc = 0;
    bool gave_up = false;  // output reached the give-up size before the input ended
};

struct EncoderTuning {
    int max_chain;    // candidates examined per position: chain links, or tree nodes when optimal
    int good_length;  // a previous match this long quarters the search for the lazy step
    int nice_length;  // stop searching at a match this long; optimal: skip the positions it covers
    int lazy_length;  // do not try a lazy match after a match this long
    bool optimal = false;  // find every position's matches and take the cheapest path through them
};

// Lazy matching for the method, or with `smallest` the optimal parse: a few per cent smaller, at
// several times the time.
EncoderTuning encoder_tuning(const MethodParams& params, bool smallest);

class LhEncoder {
public:
    explicit LhEncoder(const MethodParams& params);
    LhEncoder(const MethodParams& params, const EncoderTuning& tuning);
    ~LhEncoder();

    // Compresses the whole input. Stops early (gave_up) once the output reaches give_up_at, or
    // when one is given, once the first MiB or more has been coded with next to nothing saved.
    Status encode(InputStream& input, OutputStream& output, std::uint64_t give_up_at,
                  const ProgressFn& progress, std::uint64_t progress_total, EncodeResult& result);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Decodes exactly original_size bytes to output (through the CRC wrapper of the caller).
Status lh_decode(const MethodParams& params, ChunkSource& input, std::uint64_t original_size,
                 OutputStream& output, const ProgressFn& progress);

}  // namespace lzh::detail
