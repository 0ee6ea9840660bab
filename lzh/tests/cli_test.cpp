// velnor-lzh front end: commands, exit codes and one-line errors.
#include <gtest/gtest.h>

#include "test_support.h"

namespace fs = std::filesystem;

#ifndef _WIN32  // drives the front end through a POSIX shell

namespace lzh::test {
namespace {

const std::string kCli = quote(LZH_CLI_PATH);

TEST(Cli, CreateListTestExtractRoundTrip) {
    TempDir tmp;
    write_file(tmp / "src/a/b.txt", text_bytes(80000, 51));
    write_file(tmp / ("src/" + kUtf8Nihongo + ".txt"), std::string("jp"));
    for (std::string m : {"lh5", "lh6", "lh7"}) {
        const fs::path archive = tmp / (m + ".lzh");
        ASSERT_EQ(run(kCli + " c " + quote(archive) + " " + quote(tmp / "src") + " -m " + m).exit_code, 0);
        RunResult listed = run(kCli + " l " + quote(archive));
        EXPECT_EQ(listed.exit_code, 0);
        EXPECT_NE(listed.output.find("-" + m + "-"), std::string::npos) << listed.output;
        EXPECT_NE(listed.output.find("a/b.txt"), std::string::npos);
        EXPECT_EQ(run(kCli + " t " + quote(archive)).exit_code, 0);
        ASSERT_EQ(run(kCli + " x " + quote(archive) + " " + quote(tmp / ("out-" + m))).exit_code, 0);
        EXPECT_EQ(read_file(tmp / ("out-" + m) / "a/b.txt"), text_bytes(80000, 51));
        EXPECT_EQ(read_file(tmp / ("out-" + m) / (kUtf8Nihongo + ".txt")), (Bytes{'j', 'p'}));
    }
}

TEST(Cli, FailuresExitNonZeroWithOneLineReason) {
    TempDir tmp;
    write_file(tmp / "src/f.txt", text_bytes(20000, 52));
    const fs::path archive = tmp / "a.lzh";
    ASSERT_EQ(run(kCli + " c " + quote(archive) + " " + quote(tmp / "src")).exit_code, 0);
    Bytes data = read_file(archive);
    data[data.size() - 10] ^= 0x20;
    write_file(tmp / "bad.lzh", data);

    for (const std::string& command : {kCli + " t " + quote(tmp / "bad.lzh"), kCli + " x " + quote(tmp / "bad.lzh") + " " + quote(tmp / "out"),
                                       kCli + " l " + quote(tmp / "missing.lzh"), kCli + " c " + quote(tmp / "n.lzh") + " " + quote(tmp / "nofolder"),
                                       kCli + " q"}) {
        RunResult r = run(command);
        EXPECT_NE(r.exit_code, 0) << command;
        EXPECT_FALSE(r.output.empty()) << command;
    }
    RunResult r = run(kCli + " t " + quote(tmp / "bad.lzh"));
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
    EXPECT_FALSE(fs::exists(tmp / "out/f.txt"));
    EXPECT_FALSE(fs::exists(tmp / "n.lzh"));
}

}  // namespace
}  // namespace lzh::test

#endif
