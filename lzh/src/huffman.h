// Length-limited Huffman code construction and a table-driven canonical decoder.
#pragma once

#include <cstdint>
#include <vector>

#include "bit_io.h"

namespace lzh::detail {

inline constexpr int kMaxCodeLength = 16;

// Fills lengths[0..n) with code lengths no longer than max_length. Returns the number of
// symbols with a non-zero frequency; when it is 0 or 1 every length is left 0 (the format
// sends a single symbol without any bits).
int build_code_lengths(const std::uint32_t* freq, int n, int max_length, std::uint8_t* lengths);

// Canonical codes for the given lengths (shorter codes first, then by symbol).
void build_codes(const std::uint8_t* lengths, int n, std::uint16_t* codes);

class HuffmanDecoder {
public:
    // Returns false for an over-subscribed set of lengths. Unused code space is allowed and
    // reported as an error if the data ever lands in it.
    bool build(const std::uint8_t* lengths, int n);
    void set_single(int symbol) { single_ = symbol; }

    // Returns the symbol or -1 for a code that is not in the table.
    int decode(BitReader& in) const {
        if (single_ >= 0) return single_;
        std::uint32_t bits = in.peek(16);
        std::uint16_t e = fast_[bits >> (16 - kFastBits)];
        if (e & 0x1F) {
            in.drop(e & 0x1F);
            return e >> 5;
        }
        return decode_slow(in, bits);
    }

private:
    static constexpr int kFastBits = 10;
    int decode_slow(BitReader& in, std::uint32_t bits) const;

    int single_ = -1;
    std::uint16_t fast_[1 << kFastBits] = {};
    std::uint32_t limit_[kMaxCodeLength + 1] = {};  // end of each length's codes, left-aligned to 16 bits
    std::uint32_t base_[kMaxCodeLength + 1] = {};   // start of each length's codes, left-aligned
    std::uint16_t offset_[kMaxCodeLength + 1] = {};  // index of the first symbol of each length
    std::uint16_t symbols_[512] = {};
};

}  // namespace lzh::detail
