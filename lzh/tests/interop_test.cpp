// Interoperability: lhasa reads what we write; we read what jlha writes; checked-in fixtures.
#include <gtest/gtest.h>

#include <map>

#include "lzh/folder.h"
#include "test_support.h"

namespace fs = std::filesystem;

#ifndef _WIN32  // compares Shift-JIS archive names with UTF-8 file names through iconv

namespace lzh::test {
namespace {

const fs::path kFixtures = LZH_FIXTURE_DIR;

// Relative path -> contents for every file below root; folders end in '/'.
std::map<std::string, Bytes> snapshot(const fs::path& root) {
    std::map<std::string, Bytes> m;
    for (auto& de : fs::recursive_directory_iterator(root)) {
        std::string rel = fs::relative(de.path(), root).generic_string();
        if (de.is_directory()) m[rel + "/"] = {};
        else m[rel] = read_file(de.path());
    }
    return m;
}

// The same tree with every name in CP932, as lhasa (which keeps raw bytes) writes it.
std::map<std::string, Bytes> as_cp932(const std::map<std::string, Bytes>& tree) {
    Cp932NameCodec codec;
    std::map<std::string, Bytes> out;
    for (const auto& [name, data] : tree) {
        std::string converted;
        EXPECT_TRUE(codec.to_archive(fs::path(name), converted)) << name;
        out[converted] = data;
    }
    return out;
}

// A tree with everything the product meets: nesting, empty files and folders, Japanese
// names (one with a 0x5C trail byte), text and binary, files past 64 KiB and a few MB.
void make_tree(const fs::path& root) {
    write_file(root / "readme.txt", text_bytes(5000, 41));
    write_file(root / "empty.dat", Bytes{});
    fs::create_directories(root / "empty folder");
    write_file(root / "docs/reports/2024/q1.txt", text_bytes(120000, 42));
    write_file(root / "docs/reports/binary.bin", random_bytes(90000, 43));
    write_file(root / ("docs/" + kUtf8Nihongo + ".txt"), text_bytes(3000, 44));
    write_file(root / (kUtf8Hyou + "/" + kUtf8Hyou + ".csv"), text_bytes(70000, 45));
    Bytes big = text_bytes(3 << 20, 46);
    Bytes noise = random_bytes(1 << 20, 47);
    big.insert(big.begin() + (1 << 20), noise.begin(), noise.end());
    write_file(root / "mail/big.mbox", big);
}

class LhasaReadsOurs : public ::testing::TestWithParam<std::tuple<Method, int, bool>> {};

TEST_P(LhasaReadsOurs, ListsTestsAndExtractsByteForByte) {
    if (!have_tool("lhasa")) GTEST_SKIP() << "lhasa not installed";
    auto [method, level, smallest] = GetParam();
    TempDir tmp;
    make_tree(tmp / "src");
    FileSystem fsys;
    Cp932NameCodec names;
    FileOutputStream out;
    ASSERT_TRUE(out.open(tmp / "a.lzh").is_ok());
    PackOptions options;
    options.writer.method = method;
    options.writer.header_level = level;
    options.writer.smallest = smallest;
    ASSERT_TRUE(pack_folder(fsys, names, tmp / "src", out, options).is_ok());
    ASSERT_TRUE(out.close().is_ok());

    RunResult listed = run("lhasa l " + quote(tmp / "a.lzh"));
    EXPECT_EQ(listed.exit_code, 0) << listed.output;
    EXPECT_NE(listed.output.find("mail/big.mbox"), std::string::npos) << listed.output;
    RunResult tested = run("lhasa t " + quote(tmp / "a.lzh"));
    EXPECT_EQ(tested.exit_code, 0) << tested.output;
    EXPECT_EQ(tested.output.find("CRC"), std::string::npos) << tested.output;
    fs::create_directories(tmp / "x");
    RunResult extracted = run("cd " + quote(tmp / "x") + " && lhasa xqf " + quote(tmp / "a.lzh"));
    EXPECT_EQ(extracted.exit_code, 0) << extracted.output;
    EXPECT_EQ(snapshot(tmp / "x"), as_cp932(snapshot(tmp / "src")));
}

INSTANTIATE_TEST_SUITE_P(Methods, LhasaReadsOurs,
                         ::testing::Values(std::tuple{Method::Lh5, 2, false}, std::tuple{Method::Lh6, 2, false},
                                           std::tuple{Method::Lh7, 2, false}, std::tuple{Method::Lh7, 1, false},
                                           std::tuple{Method::Lh0, 2, false}, std::tuple{Method::Lh7, 2, true}),
                         [](const auto& info) {
                             return std::string(method_id(std::get<0>(info.param))).substr(1, 3) + "_level" +
                                    std::to_string(std::get<1>(info.param)) + (std::get<2>(info.param) ? "_smallest" : "");
                         });

// Names Shift-JIS cannot write (in a folder whose own name it cannot write) come back exactly with us; lhasa,
// which does not know the UTF-16 name headers, still tests and extracts the archive under unique stand-ins.
TEST(UnicodeNames, ComeBackExactlyAndLhasaExtractsTheStandIns) {
    if (!have_tool("lhasa")) GTEST_SKIP() << "lhasa not installed";
    TempDir tmp;
    const std::string folder = "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4";  // 한국어
    const std::string cafe = "caf\xC3\xA9.txt", emoji = "emoji\xF0\x9F\x98\x80.txt";
    write_file(tmp / "src" / folder / cafe, text_bytes(3000, 51));
    write_file(tmp / "src" / folder / "caf_.txt", text_bytes(100, 52));  // the stand-in's own name, taken
    write_file(tmp / "src" / folder / emoji, random_bytes(2000, 53));
    write_file(tmp / "src" / folder / ("\xED\x95\x9C" + kUtf8Hyou + ".txt"), text_bytes(500, 54));
    FileSystem fsys;
    Cp932NameCodec names;
    FileOutputStream out;
    ASSERT_TRUE(out.open(tmp / "u.lzh").is_ok());
    ASSERT_TRUE(pack_folder(fsys, names, tmp / "src", out).is_ok());
    ASSERT_TRUE(out.close().is_ok());

    FileInputStream in;
    ASSERT_TRUE(in.open(tmp / "u.lzh").is_ok());
    ASSERT_TRUE(unpack_folder(fsys, names, in, tmp / "ours").is_ok());
    EXPECT_EQ(snapshot(tmp / "ours"), snapshot(tmp / "src"));

    EXPECT_EQ(run("lhasa t " + quote(tmp / "u.lzh")).exit_code, 0);
    fs::create_directories(tmp / "x");
    ASSERT_EQ(run("cd " + quote(tmp / "x") + " && lhasa xqf " + quote(tmp / "u.lzh")).exit_code, 0);
    const auto extracted = snapshot(tmp / "x");
    EXPECT_EQ(extracted.size(), 5u);  // the folder and four files, none lost to a clash of stand-ins
    EXPECT_EQ(extracted.at("___/caf_~1.txt"), text_bytes(3000, 51));
    EXPECT_EQ(extracted.at("___/caf_.txt"), text_bytes(100, 52));
}

class OursReadJlha : public ::testing::TestWithParam<std::tuple<std::string, int>> {};

TEST_P(OursReadJlha, UnpacksByteForByte) {
    if (!have_tool("jlha")) GTEST_SKIP() << "jlha not installed";
    auto [method_option, level] = GetParam();
    TempDir tmp;
    make_tree(tmp / "src");
    // jlha adds what it is given; "y" stores names in Shift-JIS.
    RunResult made = run("cd " + quote(tmp / "src") + " && jlha a" + std::to_string(level) + method_option + "yq " +
                         quote(tmp / "j.lzh") + " .");
    ASSERT_EQ(made.exit_code, 0) << made.output;

    FileInputStream in;
    ASSERT_TRUE(in.open(tmp / "j.lzh").is_ok());
    std::vector<Entry> entries;
    {
        Reader reader(in);
        for (;;) {
            Entry e;
            bool has = false;
            ASSERT_TRUE(reader.next(e, has).is_ok());
            if (!has) break;
            entries.push_back(e);
        }
    }
    ASSERT_FALSE(entries.empty());
    bool saw_method = false;
    for (const auto& e : entries) {
        EXPECT_EQ(e.header_level, level) << e.name;
        saw_method = saw_method || (!e.is_directory() && e.original_size > 100000 &&
                                    e.method_id == (method_option == "z" ? "-lh0-" : "-lh" + method_option.substr(1) + "-"));
    }
    EXPECT_TRUE(saw_method);

    FileInputStream again;
    ASSERT_TRUE(again.open(tmp / "j.lzh").is_ok());
    FileSystem fsys;
    Cp932NameCodec names;
    Status s = unpack_folder(fsys, names, again, tmp / "x");
    ASSERT_TRUE(s.is_ok()) << s.message();
    EXPECT_EQ(snapshot(tmp / "x"), snapshot(tmp / "src"));
}

INSTANTIATE_TEST_SUITE_P(MethodsAndLevels, OursReadJlha,
                         ::testing::Combine(::testing::Values("z", "o5", "o6", "o7"), ::testing::Values(0, 1, 2)),
                         [](const auto& info) {
                             std::string m = std::get<0>(info.param) == "z" ? "lh0" : "lh" + std::get<0>(info.param).substr(1);
                             return m + "_level" + std::to_string(std::get<1>(info.param));
                         });

// Checked-in archives made by other tools unpack to the checked-in source tree.
TEST(Fixtures, JlhaArchivesMatchTheirSources) {
    const fs::path dir = kFixtures / "jlha";
    int count = 0;
    for (const auto& de : fs::directory_iterator(dir)) {
        if (de.path().extension() != ".lzh") continue;
        SCOPED_TRACE(de.path().filename().string());
        ++count;
        TempDir tmp;
        FileInputStream in;
        ASSERT_TRUE(in.open(de.path()).is_ok());
        FileSystem fsys;
        Cp932NameCodec names;
        Status s = unpack_folder(fsys, names, in, tmp / "x");
        ASSERT_TRUE(s.is_ok()) << s.message();
        EXPECT_EQ(snapshot(tmp / "x"), snapshot(dir / "src"));
    }
    EXPECT_GE(count, 4);
}

// Damaged and hostile fixtures fail in test mode and in extraction, writing nothing outside.
TEST(Fixtures, HostileArchivesFailSafely) {
    int count = 0;
    for (const auto& de : fs::directory_iterator(kFixtures / "hostile")) {
        if (de.path().extension() != ".lzh") continue;
        SCOPED_TRACE(de.path().filename().string());
        ++count;
        FileInputStream in;
        ASSERT_TRUE(in.open(de.path()).is_ok());
        EXPECT_FALSE(test_archive(in).is_ok());

        TempDir tmp;
        FileInputStream again;
        ASSERT_TRUE(again.open(de.path()).is_ok());
        FileSystem fsys;
        RawNameCodec names;
        Status s = unpack_folder(fsys, names, again, tmp / "box/dest");
        EXPECT_FALSE(s.is_ok());
        for (const auto& f : fs::recursive_directory_iterator(tmp.path())) {
            auto rel = fs::relative(f.path(), tmp / "box/dest").generic_string();
            EXPECT_TRUE(f.path() == tmp / "box" || rel.rfind("..", 0) != 0) << "written outside: " << f.path();
            EXPECT_EQ(f.path().filename().string().rfind(".~lzh", 0), std::string::npos) << "temporary left: " << f.path();
        }
    }
    EXPECT_GE(count, 6);
}

// Archives this library wrote earlier (from the jlha fixture sources) still unpack with us
// and with lhasa, names included.
TEST(Fixtures, OwnArchivesUnpackWithUsAndLhasa) {
    const auto expected = snapshot(kFixtures / "jlha/src");
    int count = 0;
    for (const auto& de : fs::directory_iterator(kFixtures / "velnor")) {
        if (de.path().extension() != ".lzh") continue;
        SCOPED_TRACE(de.path().filename().string());
        ++count;
        TempDir tmp;
        FileInputStream in;
        ASSERT_TRUE(in.open(de.path()).is_ok());
        FileSystem fsys;
        Cp932NameCodec names;
        Status s = unpack_folder(fsys, names, in, tmp / "ours");
        ASSERT_TRUE(s.is_ok()) << s.message();
        EXPECT_EQ(snapshot(tmp / "ours"), expected);
        if (!have_tool("lhasa")) continue;
        fs::create_directories(tmp / "lhasa");
        EXPECT_EQ(run("cd " + quote(tmp / "lhasa") + " && lhasa xqf " + quote(de.path())).exit_code, 0);
        EXPECT_EQ(snapshot(tmp / "lhasa"), as_cp932(expected));
    }
    EXPECT_GE(count, 2);
}

}  // namespace
}  // namespace lzh::test

#endif
