// Large members stream through bounded memory in both directions.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "lzh/crc16.h"
#include "test_support.h"

namespace lzh::test {
namespace {

// Produces `size` bytes of mixed text and noise on the fly, never holding them.
class GeneratedInput final : public InputStream {
public:
    explicit GeneratedInput(std::uint64_t size) : size_(size), block_(text_bytes(1 << 20, 61)) {}
    Status read(std::uint8_t* buffer, std::size_t n, std::size_t& got) override {
        got = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - pos_));
        for (std::size_t i = 0; i < got; ++i, ++pos_) {
            std::uint8_t b = block_[(pos_ * 7 + (pos_ >> 20)) % block_.size()];
            buffer[i] = (pos_ % 4099 == 0) ? static_cast<std::uint8_t>(rng_()) : b;
        }
        crc_ = crc16_update(crc_, buffer, got);
        return Status::ok();
    }
    bool rewind() override {
        pos_ = 0;
        crc_ = 0;
        return true;
    }
    std::uint16_t crc() const { return crc_; }

private:
    std::uint64_t size_, pos_ = 0;
    Bytes block_;
    std::mt19937 rng_{62};
    std::uint16_t crc_ = 0;
};

// Peak resident memory of this process (each test runs in its own process under ctest).
long peak_rss_mb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6)) / 1024;
    return -1;
}

TEST(Streaming, HundredsOfMegabytesUseBoundedMemory) {
    const std::uint64_t size = 128ull << 20;
    TempDir tmp;
    const long before = peak_rss_mb();
    GeneratedInput input(size);
    {
        FileOutputStream out;
        ASSERT_TRUE(out.open(tmp / "big.lzh").is_ok());
        Writer writer(out);
        ASSERT_TRUE(writer.add_file({"big.bin", 0, attr::Archive, size}, input).is_ok());
        ASSERT_TRUE(writer.finish().is_ok());
        ASSERT_TRUE(out.close().is_ok());
        EXPECT_EQ(writer.last_entry().original_size, size);
        EXPECT_EQ(writer.last_entry().method, Method::Lh7);
    }
    FileInputStream in;
    ASSERT_TRUE(in.open(tmp / "big.lzh").is_ok());
    Reader reader(in);
    Entry e;
    bool has = false;
    ASSERT_TRUE(reader.next(e, has).is_ok());
    NullOutputStream sink;
    CrcOutputStream counted(sink);
    ASSERT_TRUE(reader.extract(counted).is_ok());
    EXPECT_EQ(counted.count(), size);
    EXPECT_EQ(counted.crc(), input.crc());
    const long after = peak_rss_mb();
    if (before >= 0) EXPECT_LT(after - before, 64) << "peak went from " << before << " MB to " << after << " MB";
}

}  // namespace
}  // namespace lzh::test
