// Huffman length limiting and canonical code agreement between encoder and decoder.
#include <gtest/gtest.h>

#include <random>

#include "bit_io.h"
#include "huffman.h"
#include "test_support.h"

namespace lzh::test {
namespace {

double kraft(const std::uint8_t* len, int n) {
    double sum = 0;
    for (int i = 0; i < n; ++i)
        if (len[i]) sum += std::ldexp(1.0, -len[i]);
    return sum;
}

TEST(Huffman, FibonacciFrequenciesAreLimitedTo16AndStayComplete) {
    // Fibonacci weights give the deepest possible tree (one level per symbol).
    std::uint32_t freq[40];
    freq[0] = freq[1] = 1;
    for (int i = 2; i < 40; ++i) freq[i] = freq[i - 1] + freq[i - 2];
    std::uint8_t len[40];
    ASSERT_EQ(detail::build_code_lengths(freq, 40, 16, len), 40);
    for (int i = 0; i < 40; ++i) {
        EXPECT_GE(len[i], 1);
        EXPECT_LE(len[i], 16);
    }
    EXPECT_DOUBLE_EQ(kraft(len, 40), 1.0);
    // More frequent symbols never get longer codes.
    for (int i = 1; i < 40; ++i) EXPECT_LE(len[i], len[i - 1]);
}

TEST(Huffman, ZeroAndOneUsedSymbolsSendNoLengths) {
    std::uint32_t freq[10] = {};
    std::uint8_t len[10];
    EXPECT_EQ(detail::build_code_lengths(freq, 10, 16, len), 0);
    freq[4] = 99;
    EXPECT_EQ(detail::build_code_lengths(freq, 10, 16, len), 1);
    for (auto l : len) EXPECT_EQ(l, 0);
}

TEST(Huffman, EncodedSymbolsDecodeBackIncludingLongCodes) {
    std::mt19937 rng(11);
    std::uint32_t freq[510] = {};
    for (int i = 0; i < 510; ++i) freq[i] = (i % 3 == 0) ? 0 : 1 + (rng() % 5 == 0 ? rng() % 100000 : rng() % 3);
    std::uint8_t len[510];
    std::uint16_t code[510];
    detail::build_code_lengths(freq, 510, 16, len);
    int longest = 0;
    for (auto l : len) longest = std::max<int>(longest, l);
    EXPECT_GT(longest, 10);  // exercises the slow path past the lookup table
    detail::build_codes(len, 510, code);

    std::vector<int> symbols;
    MemoryOutputStream out;
    detail::BitWriter writer(out);
    for (int i = 0; i < 5000; ++i) {
        int s = static_cast<int>(rng() % 510);
        if (!len[s]) continue;
        symbols.push_back(s);
        writer.put(len[s], code[s]);
    }
    ASSERT_TRUE(writer.finish().is_ok());
    detail::HuffmanDecoder decoder;
    ASSERT_TRUE(decoder.build(len, 510));
    struct Source : detail::ChunkSource {
        const Bytes* b;
        bool done = false;
        bool next_chunk(const std::uint8_t*& begin, const std::uint8_t*& end) override {
            if (done) return false;
            done = true;
            begin = b->data();
            end = begin + b->size();
            return true;
        }
    } source;
    source.b = &out.data();
    detail::BitReader reader(source);
    for (int s : symbols) ASSERT_EQ(decoder.decode(reader), s);
}

TEST(Huffman, DecoderRejectsOversubscribedAndFlagsUnusedCodes) {
    detail::HuffmanDecoder decoder;
    const std::uint8_t too_many[3] = {1, 1, 1};
    EXPECT_FALSE(decoder.build(too_many, 3));
    const std::uint8_t too_long[2] = {1, 17};
    EXPECT_FALSE(decoder.build(too_long, 2));

    const std::uint8_t incomplete[2] = {1, 0};  // only code "0" exists
    ASSERT_TRUE(decoder.build(incomplete, 2));
    Bytes ones = {0xFF, 0xFF, 0xFF};
    struct Source : detail::ChunkSource {
        Bytes* b;
        bool done = false;
        bool next_chunk(const std::uint8_t*& begin, const std::uint8_t*& end) override {
            if (done) return false;
            done = true;
            begin = b->data();
            end = begin + b->size();
            return true;
        }
    } source;
    source.b = &ones;
    detail::BitReader reader(source);
    EXPECT_EQ(decoder.decode(reader), -1);
}

}  // namespace
}  // namespace lzh::test
