// Writer -> Reader round trips for every method over edge-case inputs, plus header details.
#include <gtest/gtest.h>

#include <algorithm>

#include "header_codec.h"
#include "lh_codec.h"
#include "test_support.h"

namespace lzh::test {
namespace {

struct Input {
    const char* label;
    Bytes data;
};

std::vector<Input> edge_inputs() {
    std::vector<Input> v;
    v.push_back({"empty", {}});
    v.push_back({"one_byte", {0x42}});
    v.push_back({"two_bytes", {0x42, 0x42}});
    v.push_back({"same_byte_1MiB", Bytes(1 << 20, 0xAA)});
    v.push_back({"random_incompressible", random_bytes(200000, 1)});
    v.push_back({"window_8k", text_bytes(8192, 2)});
    v.push_back({"window_32k", text_bytes(32768, 3)});
    v.push_back({"window_64k", text_bytes(65536, 4)});
    v.push_back({"window_64k_plus_1", text_bytes(65537, 5)});
    Bytes runs;
    for (int i = 0; i < 300; ++i) runs.insert(runs.end(), 100 + i * 7, static_cast<std::uint8_t>(i));
    v.push_back({"long_runs", runs});
    // Repeats at exactly the largest distance each method allows.
    Bytes far = random_bytes(70000, 6);
    std::copy(far.begin(), far.begin() + 400, far.begin() + 65536);
    std::copy(far.begin() + 1000, far.begin() + 1400, far.begin() + 1000 + 8192);
    v.push_back({"repeat_at_window_distance", far});
    // Copies of every match length from every distance class up to the largest window; a
    // smaller window sees the far ones as literals.
    Bytes planted = random_bytes(70000, 9);
    const Bytes breaks = random_bytes(17 * 254, 10);
    std::size_t b = 0;
    for (int bits = 0; bits <= 16; ++bits) {
        const std::size_t dist = std::min<std::size_t>((std::size_t{1} << bits) + bits, 65535);
        for (std::size_t len = 3; len <= 256; ++len) {
            const std::size_t from = planted.size() - dist;
            for (std::size_t k = 0; k < len; ++k) planted.push_back(planted[from + k]);
            planted.push_back(breaks[b++]);
        }
    }
    v.push_back({"every_length_and_distance", planted});
    Bytes mixed = text_bytes(300000, 7);
    Bytes noise = random_bytes(50000, 8);
    mixed.insert(mixed.begin() + 100000, noise.begin(), noise.end());
    v.push_back({"text_noise_text", mixed});
    return v;
}

// Every method with its usual parse, and the optimal parse where the window is largest and smallest.
struct Coding {
    Method method;
    bool smallest;
};

class RoundTrip : public ::testing::TestWithParam<Coding> {
protected:
    Bytes pack(const std::vector<Member>& members) const {
        return make_archive(members, GetParam().method, 2, GetParam().smallest);
    }
};

TEST_P(RoundTrip, EdgeInputsComeBackByteForByte) {
    for (const auto& input : edge_inputs()) {
        SCOPED_TRACE(input.label);
        Bytes archive = pack({{"f.bin", input.data}});
        std::vector<Member> back;
        std::vector<Entry> entries;
        ASSERT_TRUE(read_archive(archive, back, &entries).is_ok());
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0].data, input.data);
        EXPECT_EQ(entries[0].original_size, input.data.size());
        // Output never exceeds the input by more than the header: the stored fallback.
        EXPECT_LE(entries[0].packed_size, input.data.size());
    }
}

TEST_P(RoundTrip, IncompressibleDataIsStoredAndCompressibleIsNot) {
    std::vector<Entry> entries;
    std::vector<Member> back;
    // A big incompressible member is given up on early; a text after noise is still packed.
    Bytes noisy_start = random_bytes(300000, 10);
    const Bytes text = text_bytes(3 << 20, 11);
    noisy_start.insert(noisy_start.end(), text.begin(), text.end());
    ASSERT_TRUE(read_archive(pack({{"r", random_bytes(100000, 9)}, {"t", text_bytes(100000, 9)},
                                   {"R", random_bytes(3 << 20, 10)}, {"n", noisy_start}}),
                             back, &entries).is_ok());
    EXPECT_EQ(entries[0].method, Method::Lh0);
    EXPECT_EQ(entries[1].method, GetParam().method);
    EXPECT_LT(entries[1].packed_size, 100000u / 2);
    EXPECT_EQ(entries[2].method, Method::Lh0);
    EXPECT_EQ(back[2].data, random_bytes(3 << 20, 10));
    EXPECT_EQ(entries[3].method, GetParam().method);
    EXPECT_EQ(back[3].data, noisy_start);
}

INSTANTIATE_TEST_SUITE_P(Methods, RoundTrip,
                         ::testing::Values(Coding{Method::Lh5, false}, Coding{Method::Lh6, false}, Coding{Method::Lh7, false},
                                           Coding{Method::Lh5, true}, Coding{Method::Lh7, true}),
                         [](const auto& info) {
                             return std::string(method_id(info.param.method)).substr(1, 3) + (info.param.smallest ? "_smallest" : "");
                         });

// What the slower parse is for: the same text, in fewer bytes.
TEST(SmallestParse, PacksTextSmallerThanTheUsualOne) {
    const Bytes text = text_bytes(400000, 12);
    std::vector<Entry> usual, smallest;
    std::vector<Member> back;
    ASSERT_TRUE(read_archive(make_archive({{"t", text}}, Method::Lh7), back, &usual).is_ok());
    ASSERT_TRUE(read_archive(make_archive({{"t", text}}, Method::Lh7, 2, true), back, &smallest).is_ok());
    EXPECT_EQ(back[0].data, text);
    EXPECT_LT(smallest[0].packed_size, usual[0].packed_size);
}

// An input that cannot rewind must still produce a valid archive, even when it grows.
class OneWayInput : public InputStream {
public:
    explicit OneWayInput(const Bytes& b) : in_(b) {}
    Status read(std::uint8_t* buffer, std::size_t size, std::size_t& got) override {
        return in_.read(buffer, std::min<std::size_t>(size, 777), got);  // short reads too
    }

private:
    MemoryInputStream in_;
};

TEST(Writer, OneWayInputKeepsCompressedFormEvenWhenLarger) {
    Bytes noise = random_bytes(50000, 10);
    MemoryOutputStream out;
    Writer writer(out);
    OneWayInput in(noise);
    ASSERT_TRUE(writer.add_file({"n", 0, attr::Archive, noise.size()}, in).is_ok());
    ASSERT_TRUE(writer.finish().is_ok());
    EXPECT_EQ(writer.last_entry().method, Method::Lh7);
    std::vector<Member> back;
    ASSERT_TRUE(read_archive(out.data(), back).is_ok());
    EXPECT_EQ(back[0].data, noise);
}

TEST(Writer, WrongSizeHintStillGivesCorrectSizes) {
    Bytes text = text_bytes(40000, 11);
    for (std::uint64_t hint : {0ull, 10ull, 1000000ull}) {
        MemoryOutputStream out;
        Writer writer(out);
        MemoryInputStream in(text);
        ASSERT_TRUE(writer.add_file({"t", 0, attr::Archive, hint}, in).is_ok());
        ASSERT_TRUE(writer.finish().is_ok());
        std::vector<Member> back;
        ASSERT_TRUE(read_archive(out.data(), back).is_ok()) << hint;
        EXPECT_EQ(back[0].data, text);
    }
}

TEST(Writer, StoredFallbackLeavesNoStaleTail) {
    // The compressed attempt of the noise is longer than the stored copy; the tail it left
    // behind must be cut so the end marker is the last byte.
    Bytes noise = random_bytes(30000, 12);
    Bytes archive = make_archive({{"noise", noise}});
    EXPECT_EQ(archive.back(), 0);
    EXPECT_LT(archive.size(), noise.size() + 100);
}

TEST(Writer, AbortFromProgressStopsWithAborted) {
    Bytes text = text_bytes(2 << 20, 13);
    MemoryOutputStream out;
    Writer writer(out);
    MemoryInputStream in(text);
    Status s = writer.add_file({"t", 0, attr::Archive, text.size()}, in, [](std::uint64_t done, std::uint64_t) { return done < (1 << 20); });
    EXPECT_EQ(s.code(), StatusCode::Aborted);
    EXPECT_FALSE(writer.finish().is_ok());
}

TEST(Headers, NamesTimesAndAttributesSurviveBothLevels) {
    for (int level : {1, 2}) {
        SCOPED_TRACE(level);
        MemoryOutputStream out;
        WriterOptions options;
        options.header_level = level;
        Writer writer(out, options);
        const std::string deep = "dir/" + kSjisHyou + "/" + kSjisNihongo + ".txt";
        Bytes data = text_bytes(5000, 14);
        MemoryInputStream in(data);
        ASSERT_TRUE(writer.add_directory({"dir/" + kSjisHyou, 1600000000, attr::Directory, 0}).is_ok());
        ASSERT_TRUE(writer.add_file({deep, 1600000002, attr::ReadOnly | attr::Archive, data.size()}, in).is_ok());
        const std::string long_name = std::string(240, 'x');
        MemoryInputStream empty(nullptr, 0);
        ASSERT_TRUE(writer.add_file({long_name, 1600000004, attr::Archive, 0}, empty).is_ok());
        ASSERT_TRUE(writer.finish().is_ok());

        std::vector<Member> back;
        std::vector<Entry> entries;
        ASSERT_TRUE(read_archive(out.data(), back, &entries).is_ok());
        ASSERT_EQ(entries.size(), 3u);
        EXPECT_EQ(entries[0].name, "dir/" + kSjisHyou);
        EXPECT_TRUE(entries[0].is_directory());
        EXPECT_EQ(entries[1].name, deep);  // the 0x5C inside 表 is not a separator
        EXPECT_EQ(entries[1].mtime, 1600000002);
        EXPECT_EQ(entries[1].attributes, attr::ReadOnly | attr::Archive);
        EXPECT_EQ(entries[1].header_level, level);
        EXPECT_EQ(back[1].data, data);
        EXPECT_EQ(entries[2].name, long_name);
        EXPECT_EQ(entries[2].original_size, 0u);
    }
}

TEST(Headers, LevelTwoHeaderNeverStartsWithZeroByte) {
    // Name lengths that make the header size a multiple of 256 would otherwise read as the end.
    for (std::size_t n = 150; n < 450; ++n) {
        Bytes archive = make_archive({{std::string(n, 'a'), {'x'}}, {"second", {'y'}}});
        std::vector<Member> back;
        ASSERT_TRUE(read_archive(archive, back).is_ok()) << n;
        ASSERT_EQ(back.size(), 2u) << n;
    }
}

TEST(Headers, UnsafeNamesAreSplitOrRefused) {
    std::vector<std::string> parts;
    EXPECT_TRUE(split_safe_name("a/./b//c", parts).is_ok());
    EXPECT_EQ(parts, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(split_safe_name(".", parts).is_ok());
    EXPECT_TRUE(parts.empty());
    for (std::string bad : std::vector<std::string>{"../x", "a/../../x", "/etc/passwd", "C:/x", "c:x", "a/b:stream", std::string("a\0b", 3), "..", "\\\\server/x"})
        EXPECT_EQ(split_safe_name(bad, parts).code(), StatusCode::DataError) << bad;
}

TEST(Headers, BackslashesAreSeparatorsExceptInsideShiftJis) {
    EXPECT_EQ(detail::normalise_separators("a\\b\xff" "c"), "a/b/c");
    EXPECT_EQ(detail::normalise_separators(kSjisHyou + "\\x"), kSjisHyou + "/x");
    EXPECT_EQ(detail::normalise_separators("..\\evil"), "../evil");
}

}  // namespace
}  // namespace lzh::test
