// CRC-16 values and bit writer/reader agreement, including reads past the end.
#include <gtest/gtest.h>

#include <random>

#include "bit_io.h"
#include "lzh/crc16.h"
#include "test_support.h"

namespace lzh::test {
namespace {

TEST(Crc16, MatchesKnownCheckValues) {
    EXPECT_EQ(crc16("123456789", 9), 0xBB3D);
    EXPECT_EQ(crc16("", 0), 0);
    // jlha stored "hello\n" with this CRC.
    EXPECT_EQ(crc16("hello\n", 6), 0x5A34);
}

TEST(Crc16, IncrementalEqualsOneShotAtEverySplit) {
    Bytes data = random_bytes(1000, 7);
    const std::uint16_t whole = crc16(data.data(), data.size());
    for (std::size_t split : {0u, 1u, 3u, 4u, 5u, 499u, 999u, 1000u})
        EXPECT_EQ(crc16_update(crc16(data.data(), split), data.data() + split, data.size() - split), whole) << split;
}

TEST(Crc16, StreamWrapperCountsAndForwards) {
    MemoryOutputStream sink;
    CrcOutputStream crc(sink);
    ASSERT_TRUE(crc.write(reinterpret_cast<const std::uint8_t*>("1234"), 4).is_ok());
    ASSERT_TRUE(crc.write(reinterpret_cast<const std::uint8_t*>("56789"), 5).is_ok());
    EXPECT_EQ(crc.crc(), 0xBB3D);
    EXPECT_EQ(crc.count(), 9u);
    EXPECT_EQ(sink.data().size(), 9u);
}

class VectorSource : public detail::ChunkSource {
public:
    VectorSource(const Bytes& b, std::size_t chunk) : data_(b), chunk_(chunk) {}
    bool next_chunk(const std::uint8_t*& begin, const std::uint8_t*& end) override {
        if (pos_ >= data_.size()) return false;
        begin = data_.data() + pos_;
        pos_ = std::min(data_.size(), pos_ + chunk_);
        end = data_.data() + pos_;
        return true;
    }

private:
    const Bytes& data_;
    std::size_t chunk_, pos_ = 0;
};

TEST(BitIo, RandomWidthsRoundTripAcrossChunkBoundaries) {
    std::mt19937 rng(3);
    std::vector<std::pair<unsigned, std::uint32_t>> values;
    MemoryOutputStream out;
    detail::BitWriter writer(out);
    for (int i = 0; i < 20000; ++i) {
        unsigned n = rng() % 17;
        std::uint32_t v = n ? rng() & ((1u << n) - 1) : 0;
        values.emplace_back(n, v);
        writer.put(n, v);
    }
    ASSERT_TRUE(writer.finish().is_ok());
    EXPECT_EQ(writer.bytes(), out.data().size());
    for (std::size_t chunk : {1u, 7u, 4096u}) {
        VectorSource source(out.data(), chunk);
        detail::BitReader reader(source);
        for (auto [n, v] : values) ASSERT_EQ(reader.get(n), v);
        EXPECT_FALSE(reader.overrun());
    }
}

TEST(BitIo, ReadingPastTheEndIsFlaggedNotFatal) {
    Bytes two = {0xAB, 0xCD};
    VectorSource source(two, 16);
    detail::BitReader reader(source);
    EXPECT_EQ(reader.get(16), 0xABCDu);
    EXPECT_FALSE(reader.overrun());
    EXPECT_EQ(reader.peek(16), 0u);  // peeking beyond is fine
    EXPECT_FALSE(reader.overrun());
    EXPECT_EQ(reader.get(1), 0u);
    EXPECT_TRUE(reader.overrun());
}

}  // namespace
}  // namespace lzh::test
