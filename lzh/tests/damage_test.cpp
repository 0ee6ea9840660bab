// Damaged and hostile archives: every failure is reported, nothing crashes or hangs.
#include <gtest/gtest.h>

#include <random>

#include "lzh/crc16.h"
#include "lzh/folder.h"
#include "test_support.h"

namespace lzh::test {
namespace {

// Level 2 headers carry their own CRC (extended header 0x00, written first, at offset 26).
void refresh_header_crc(Bytes& archive) {
    archive[27] = archive[28] = 0;
    std::size_t size = static_cast<std::size_t>(archive[0] | (archive[1] << 8));
    std::uint16_t crc = crc16(archive.data(), size);
    archive[27] = static_cast<std::uint8_t>(crc);
    archive[28] = static_cast<std::uint8_t>(crc >> 8);
}

Bytes sample_archive(Method method) {
    return make_archive({{"a/text.txt", text_bytes(30000, 21)}, {"b.bin", random_bytes(3000, 22)}, {"c.txt", text_bytes(20000, 23)}}, method);
}

TEST(Damage, EveryTruncationIsAnError) {
    for (Method method : {Method::Lh5, Method::Lh7}) {
        Bytes archive = sample_archive(method);
        for (std::size_t cut = 0; cut < archive.size(); cut += (cut < 200 || archive.size() - cut < 200) ? 1 : 97) {
            Bytes part(archive.begin(), archive.begin() + static_cast<std::ptrdiff_t>(cut));
            std::vector<Member> back;
            EXPECT_FALSE(read_archive(part, back).is_ok()) << "cut at " << cut;
        }
    }
}

TEST(Damage, BitFlipsAreDetectedOrHarmless) {
    const Bytes original = sample_archive(Method::Lh7);
    std::vector<Member> good;
    ASSERT_TRUE(read_archive(original, good).is_ok());
    std::mt19937 rng(5);
    int detected = 0;
    for (int i = 0; i < 1500; ++i) {
        Bytes archive = original;
        archive[rng() % archive.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        std::vector<Member> back;
        Status s = read_archive(archive, back);
        if (!s.is_ok()) {
            ++detected;
            continue;
        }
        // Accepted: then what came out must be exactly what went in.
        ASSERT_EQ(back.size(), good.size());
        for (std::size_t k = 0; k < back.size(); ++k) ASSERT_EQ(back[k].data, good[k].data) << "flip accepted with wrong data, iteration " << i;
    }
    EXPECT_GT(detected, 1400);
}

TEST(Damage, RandomGarbageNeverCrashes) {
    std::mt19937 rng(6);
    for (int i = 0; i < 3000; ++i) {
        Bytes junk = random_bytes(rng() % 400, static_cast<std::uint32_t>(i));
        if (!junk.empty() && i % 2) {
            junk[0] = static_cast<std::uint8_t>(std::max<std::size_t>(junk.size(), 30) - 2);
            std::string id = i % 4 == 1 ? "-lh5-" : "-lh7-";
            for (std::size_t k = 0; k < 5 && 2 + k < junk.size(); ++k) junk[2 + k] = static_cast<std::uint8_t>(id[k]);
            if (junk.size() > 20) junk[20] = static_cast<std::uint8_t>(rng() % 3);
        }
        std::vector<Member> back;
        (void)read_archive(junk, back);
    }
}

// A member whose compressed stream claims far more output than it carries ends with an
// error instead of running on.
TEST(Damage, HugeDeclaredSizeWithTinyDataFails) {
    Bytes archive = make_archive({{"x", text_bytes(2000, 24)}}, Method::Lh5, 2);
    // Level 2: original size at offset 11; the header CRC must be refreshed after the edit.
    archive[11] = archive[12] = archive[13] = archive[14] = 0xFF;
    refresh_header_crc(archive);
    std::vector<Member> back;
    Status s = read_archive(archive, back);
    EXPECT_EQ(s.code(), StatusCode::DataError) << s.message();
}

TEST(Damage, CrcMismatchIsReportedAfterFullOutput) {
    Bytes archive = make_archive({{"x", text_bytes(5000, 25)}}, Method::Lh7, 2);
    archive[21] ^= 0x01;  // the data CRC; the header's own CRC is refreshed so only it is wrong
    refresh_header_crc(archive);
    MemoryInputStream in(archive);
    Reader reader(in);
    Entry e;
    bool has = false;
    ASSERT_TRUE(reader.next(e, has).is_ok());
    NullOutputStream sink;
    Status s = reader.extract(sink);
    EXPECT_EQ(s.code(), StatusCode::DataError);
    EXPECT_NE(s.message().find("CRC"), std::string::npos);
}

TEST(Damage, TestModeReportsBadMemberButChecksTheRest) {
    Bytes archive = make_archive({{"a", text_bytes(5000, 26)}, {"b", text_bytes(5000, 27)}}, Method::Lh5, 2);
    archive[60] ^= 0x10;  // inside the first member's data
    MemoryInputStream in(archive);
    EXPECT_EQ(test_archive(in).code(), StatusCode::DataError);
}

TEST(Damage, UnknownMethodIsUnsupportedButListable) {
    Bytes archive = make_archive({{"a", {'1', '2', '3'}}}, Method::Lh0, 2);
    archive[5] = '1';  // -lh1-
    refresh_header_crc(archive);
    MemoryInputStream in(archive);
    Reader reader(in);
    Entry e;
    bool has = false;
    ASSERT_TRUE(reader.next(e, has).is_ok());
    EXPECT_EQ(e.method, Method::Unknown);
    EXPECT_EQ(e.method_id, "-lh1-");
    EXPECT_EQ(reader.test().code(), StatusCode::Unsupported);
    ASSERT_TRUE(reader.next(e, has).is_ok());
    EXPECT_FALSE(has);
}

}  // namespace
}  // namespace lzh::test
