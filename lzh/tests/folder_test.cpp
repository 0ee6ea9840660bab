// Folder pack/unpack: tree round trip, traversal refusal, temp-file handling, abort.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "lzh/folder.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace lzh::test {
namespace {

Bytes pack(const fs::path& folder, Method method = Method::Lh7, ProgressFn progress = {}, Status* status = nullptr) {
    FileSystem fsys;
    RawNameCodec names;
    MemoryOutputStream out;
    PackOptions options;
    options.writer.method = method;
    options.progress = std::move(progress);
    Status s = pack_folder(fsys, names, folder, out, options);
    if (status) *status = s;
    else EXPECT_TRUE(s.is_ok()) << s.message();
    return out.data();
}

Status unpack(const Bytes& archive, const fs::path& dest, ProgressFn progress = {}) {
    FileSystem fsys;
    RawNameCodec names;
    MemoryInputStream in(archive);
    UnpackOptions options;
    options.progress = std::move(progress);
    return unpack_folder(fsys, names, in, dest, options);
}

// Every file below `root` relative to it, with contents; folders end in '/'.
std::map<std::string, Bytes> snapshot(const fs::path& root) {
    std::map<std::string, Bytes> m;
    for (auto& de : fs::recursive_directory_iterator(root)) {
        std::string rel = fs::relative(de.path(), root).generic_string();
        if (de.is_directory()) m[rel + "/"] = {};
        else m[rel] = read_file(de.path());
    }
    return m;
}

TEST(Folder, TreeRoundTripKeepsContentsFoldersAndTimes) {
    TempDir tmp;
    const fs::path src = tmp / "src";
    write_file(src / "top.txt", text_bytes(100000, 31));
    write_file(src / "a/b/c/deep.bin", random_bytes(70000, 32));
    write_file(src / "a/empty.txt", Bytes{});
    fs::create_directories(src / "a/empty_folder");
    write_file(src / "big.txt", text_bytes(3 << 20, 33));
    fs::last_write_time(src / "top.txt", fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1500000000))));
#ifndef _WIN32  // folder times are set by the Windows file-system layer, not the default one
    fs::last_write_time(src / "a/b", fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1400000000))));
#endif

    for (Method method : {Method::Lh5, Method::Lh7}) {
        Bytes archive = pack(src, method);
        const fs::path dst = tmp / ("dst" + std::string(method_id(method)));
        ASSERT_TRUE(unpack(archive, dst).is_ok());
        EXPECT_EQ(snapshot(dst), snapshot(src));
        auto secs = [](const fs::path& p) {
            return std::chrono::duration_cast<std::chrono::seconds>(fs::file_time_type::clock::to_sys(fs::last_write_time(p)).time_since_epoch()).count();
        };
        EXPECT_EQ(secs(dst / "top.txt"), 1500000000);
#ifndef _WIN32
        EXPECT_EQ(secs(dst / "a/b"), 1400000000);
#endif
    }
}

TEST(Folder, ReadOnlyAttributeIsKept) {
    TempDir tmp;
    write_file(tmp / "src/ro.txt", std::string("keep me"));
    fs::permissions(tmp / "src/ro.txt", fs::perms::owner_read | fs::perms::group_read);
    Bytes archive = pack(tmp / "src");
    std::vector<Member> back;
    std::vector<Entry> entries;
    ASSERT_TRUE(read_archive(archive, back, &entries).is_ok());
    EXPECT_TRUE(entries[0].attributes & attr::ReadOnly);
    ASSERT_TRUE(unpack(archive, tmp / "dst").is_ok());
    EXPECT_EQ(fs::status(tmp / "dst/ro.txt").permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST(Folder, HostileNamesAreRefusedAndNothingLandsOutside) {
    TempDir tmp;
    const fs::path dest = tmp / "dest";
    const std::vector<std::string> hostile = {"../escape1.txt", "a/../../escape2.txt", "/tmp/lzh-abs-escape.txt",
                                              "C:/escape3.txt", "..\\escape4.txt", "\\escape5.txt", "a/b:ads.txt"};
    for (const auto& name : hostile) {
        SCOPED_TRACE(name);
        Bytes archive = make_archive({{"good.txt", {'o', 'k'}}, {name, {'x'}}, {"after.txt", {'y'}}});
        Status s = unpack(archive, dest);
        EXPECT_EQ(s.code(), StatusCode::DataError) << s.message();
        // The good members around it were still restored.
        EXPECT_EQ(read_file(dest / "good.txt"), (Bytes{'o', 'k'}));
        EXPECT_EQ(read_file(dest / "after.txt"), (Bytes{'y'}));
    }
    for (const auto& de : fs::recursive_directory_iterator(tmp.path()))
        EXPECT_EQ(de.path().filename().string().find("escape"), std::string::npos) << de.path();
    EXPECT_FALSE(fs::exists("/tmp/lzh-abs-escape.txt"));
    EXPECT_FALSE(fs::exists(tmp.path().parent_path() / "escape1.txt"));
}

TEST(Folder, SymlinkInsideDestinationIsNotFollowed) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need privileges on Windows";
#endif
    TempDir tmp;
    fs::create_directories(tmp / "dest");
    fs::create_directories(tmp / "outside");
    fs::create_directory_symlink(tmp / "outside", tmp / "dest/link");
    Bytes archive = make_archive({{"link/planted.txt", {'x'}}});
    EXPECT_EQ(unpack(archive, tmp / "dest").code(), StatusCode::DataError);
    EXPECT_TRUE(fs::is_empty(tmp / "outside"));
}

TEST(Folder, BadCrcLeavesNoFileAndNoTemporary) {
    TempDir tmp;
    Bytes archive = make_archive({{"ok.txt", text_bytes(4000, 34)}, {"bad.txt", text_bytes(4000, 35)}}, Method::Lh5);
    // Corrupt the tail of the second member's data (just before the end marker).
    archive[archive.size() - 20] ^= 0x40;
    write_file(tmp / "dest/bad.txt", std::string("previous version"));
    Status s = unpack(archive, tmp / "dest");
    EXPECT_EQ(s.code(), StatusCode::DataError);
    EXPECT_EQ(read_file(tmp / "dest/ok.txt"), text_bytes(4000, 34));
    // The earlier file of the same name is untouched, and no temporary is left over.
    EXPECT_EQ(read_file(tmp / "dest/bad.txt"), (Bytes{'p', 'r', 'e', 'v', 'i', 'o', 'u', 's', ' ', 'v', 'e', 'r', 's', 'i', 'o', 'n'}));
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp / "dest"), fs::directory_iterator()), 2);
}

// A file system whose renames never replace, and where the first rename onto a given name fails as a
// full or locked disk would: the file of that name that was there before must survive either way.
class NoReplaceFileSystem final : public FileSystem {
public:
    fs::path refuseOnce;
    Status rename(const fs::path& from, const fs::path& to) override {
        if (exists(to)) return Status::io_error("exists");
        if (!refuseOnce.empty() && to == refuseOnce) {
            refuseOnce.clear();
            return Status::io_error("refused");
        }
        return FileSystem::rename(from, to);
    }
};

TEST(Folder, AnExistingFileIsReplacedOnlyOnceTheNewOneIsInPlace) {
    TempDir tmp;
    const Bytes archive = make_archive({{"mail.txt", text_bytes(3000, 36)}}, Method::Lh5);
    const Bytes before = text_bytes(100, 37);
    for (bool secondRenameFails : {false, true}) {
        SCOPED_TRACE(secondRenameFails);
        fs::remove_all(tmp / "dest");
        write_file(tmp / "dest/mail.txt", before);
        NoReplaceFileSystem fsys;
        if (secondRenameFails) fsys.refuseOnce = tmp / "dest/mail.txt";
        RawNameCodec names;
        MemoryInputStream in(archive);
        const Status s = unpack_folder(fsys, names, in, tmp / "dest");
        EXPECT_EQ(s.is_ok(), !secondRenameFails) << s.message();
        EXPECT_EQ(read_file(tmp / "dest/mail.txt"), secondRenameFails ? before : text_bytes(3000, 36));
        EXPECT_EQ(std::distance(fs::directory_iterator(tmp / "dest"), fs::directory_iterator()), 1);
    }
}

// Files of one folder are created two at a time. A file system that is slow where the two lanes could meet:
// two members of one name, temporaries beside files already there, and a failure early in the archive
// while later ones fail at once.
class UnevenFileSystem final : public FileSystem {
public:
    static bool fails(int n) { return n == 70 || (n >= 120 && n % 2 == 0); }
    static bool twice(int n) { return n >= 48 && n < 60 && n % 3 == 0; }
    Status create_new(const fs::path& file, std::unique_ptr<SeekableOutputStream>& stream, bool& existed) override {
        const std::string name = file.filename().string();
        const int n = std::stoi(name.substr(1, 3));
        if (twice(n)) {
            mark(name, true);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            mark(name, false);
        }
        if (n == 70) std::this_thread::sleep_for(std::chrono::milliseconds(500));
        if (fails(n)) return Status::io_error("refused");
        return FileSystem::create_new(file, stream, existed);
    }
    Status open_write(const fs::path& file, std::unique_ptr<SeekableOutputStream>& stream) override {
        if (file.filename().string().rfind(".~lzh", 0) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return FileSystem::open_write(file, stream);
    }
    bool overlapped = false;  // two members of one name were being created at once

private:
    void mark(const std::string& name, bool on) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (on && !busy_.insert(name).second) overlapped = true;
        if (!on) busy_.erase(name);
    }
    std::mutex mutex_;
    std::set<std::string> busy_;
};

TEST(Folder, FilesCreatedTwoAtATimeEndAsOneAfterAnother) {
    TempDir tmp;
    std::vector<Member> members;
    std::map<std::string, Bytes> expected;
    for (int i = 0; i < 160; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "m%03d.txt", i);
        members.push_back({name, text_bytes(500 + i * 97, 100 + i)});
        if (!UnevenFileSystem::fails(i)) expected[name] = members.back().data;
        if (i >= 10 && i < 30) write_file(tmp / "dest" / name, std::string("old"));  // replaced
        if (i == 70) write_file(tmp / "dest" / name, std::string("old")), expected[name] = Bytes{'o', 'l', 'd'};
        if (UnevenFileSystem::twice(i)) {  // a name given twice ends with its later bytes
            members.push_back({name, text_bytes(7000, 1000 + i)});
            expected[name] = members.back().data;
        }
    }
    UnevenFileSystem fsys;
    RawNameCodec names;
    const Bytes archive = make_archive(members);
    MemoryInputStream in(archive);
    const Status s = unpack_folder(fsys, names, in, tmp / "dest");
    EXPECT_EQ(s.code(), StatusCode::IoError);
    EXPECT_NE(s.message().find("m070.txt"), std::string::npos) << s.message();  // the first in the archive
    EXPECT_FALSE(fsys.overlapped);
    const auto got = snapshot(tmp / "dest");
    EXPECT_EQ(got.size(), expected.size());
    for (const auto& [name, bytes] : expected) EXPECT_TRUE(got.count(name) && got.at(name) == bytes) << name;
}

TEST(Folder, TruncatedArchiveFailsOverall) {
    TempDir tmp;
    write_file(tmp / "src/one.txt", text_bytes(20000, 36));
    write_file(tmp / "src/two.txt", text_bytes(20000, 37));
    Bytes archive = pack(tmp / "src");
    archive.resize(archive.size() - 1);  // only the end marker is missing
    EXPECT_EQ(unpack(archive, tmp / "dest").code(), StatusCode::DataError);
    MemoryInputStream in(archive);
    EXPECT_EQ(test_archive(in).code(), StatusCode::DataError);
}

TEST(Folder, ProgressReachesTotalAndCanAbort) {
    TempDir tmp;
    write_file(tmp / "src/a.txt", text_bytes(600000, 38));
    write_file(tmp / "src/b.txt", text_bytes(600000, 39));
    std::uint64_t last = 0, total = 0;
    bool monotonic = true;
    Bytes archive = pack(tmp / "src", Method::Lh7, [&](std::uint64_t d, std::uint64_t t) {
        monotonic = monotonic && d >= last;
        last = d;
        total = t;
        return true;
    });
    EXPECT_TRUE(monotonic);
    EXPECT_EQ(total, 1200000u);
    EXPECT_EQ(last, total);

    Status s;
    pack(tmp / "src", Method::Lh7, [](std::uint64_t d, std::uint64_t) { return d < 700000; }, &s);
    EXPECT_EQ(s.code(), StatusCode::Aborted);

    EXPECT_EQ(unpack(archive, tmp / "dest", [](std::uint64_t, std::uint64_t) { return false; }).code(), StatusCode::Aborted);
    for (const auto& de : fs::recursive_directory_iterator(tmp / "dest"))
        EXPECT_EQ(de.path().filename().string().rfind(".~lzh", 0), std::string::npos) << "temporary left: " << de.path();
}

#ifndef _WIN32
TEST(Folder, Cp932CodecConvertsBothWaysAndPassesUnknownBytes) {
    Cp932NameCodec codec;
    ASSERT_TRUE(codec.available());
    std::string bytes;
    ASSERT_TRUE(codec.to_archive(fs::path(kUtf8Hyou + ".txt"), bytes));
    EXPECT_EQ(bytes, kSjisHyou + ".txt");
    fs::path back;
    ASSERT_TRUE(codec.from_archive(kSjisNihongo, back));
    EXPECT_EQ(back.string(), kUtf8Nihongo);
    ASSERT_TRUE(codec.from_archive("\x80\xff", back));  // not CP932: kept as raw bytes
    EXPECT_EQ(back.string(), "\x80\xff");
    EXPECT_FALSE(codec.to_archive(fs::path("\xf0\x9f\x98\x80"), bytes));  // emoji has no CP932 form
}
#endif

}  // namespace
}  // namespace lzh::test
