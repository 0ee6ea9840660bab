// Packing the backup folder into an archive and unpacking it, through the archiver's command lines.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/char_helpers.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "formats/archive_packing.h"
#include "formats/unlha.h"
#include "support/temp_env.h"

namespace {

void MakeTree(const TempFolder& dir, const std::string& root) {
  CreateDirectoryW(gToWide(dir / root).c_str(), nullptr);
  for (const char* sub : {"MailData", "MailData\\受信トレイ", "AddressData", "RegFileData", "MailData\\空"})
    CreateDirectoryW(gToWide(dir / (root + "\\" + sub)).c_str(), nullptr);
  std::string big;
  for (int i = 0; i < 200000; ++i) big += "From: 山田 <yamada@example.jp>\r\nSubject: line " + std::to_string(i) + "\r\n";
  ASSERT_TRUE(WriteFileBytes(dir / (root + "\\MailData\\受信トレイ\\Inbox.dbx"), big));
  ASSERT_TRUE(WriteFileBytes(dir / (root + "\\MailData\\empty.txt"), ""));
  ASSERT_TRUE(WriteFileBytes(dir / (root + "\\AddressData\\yamada.wab"), std::string("\x9C\0\xFF\x01", 4)));
  ASSERT_TRUE(WriteFileBytes(dir / (root + "\\RegFileData\\account.reg"), "REGEDIT4\r\n"));
}

const char* kFiles[] = {"MailData\\受信トレイ\\Inbox.dbx", "MailData\\empty.txt", "AddressData\\yamada.wab",
                        "RegFileData\\account.reg"};

}  // namespace

TEST(ArchiveCommandLines, QuoteOnlyWhereNeededAndEndAsTheArchiverExpects) {
  const std::string temp = gAddRoot(gGetWinTempDir());
  EXPECT_EQ(gPackCommandLine("C:\\Temp\\Velnor\\Velnor.lzh", "C:\\Temp\\Velnor\\PackDir"),
            "u  -a1 -r2 -x1 -l1 -jp1 -o2 -n -gm C:\\Temp\\Velnor\\Velnor.lzh " + gAddQuote(temp) +
                " C:\\Temp\\Velnor\\PackDir\\ ");
  const std::string spaced = gPackCommandLine("C:\\My Temp\\V.lzh", "C:\\My Temp\\PackDir\\");
  EXPECT_NE(spaced.find(" \"C:\\My Temp\\V.lzh\" "), std::string::npos);
  EXPECT_NE(spaced.find(" \"C:\\My Temp\\PackDir\\\" "), std::string::npos);
  EXPECT_EQ(spaced.back(), ' ');
  EXPECT_EQ(gUnpackCommandLine("C:\\a.lzh", "C:\\PackDir"), "x -a1 -gm -n \"C:\\a.lzh\" \"C:\\PackDir\\\"");
}

TEST(ArchivePacking, PackThenUnpackRecreatesTheTreeByteForByte) {
  TempFolder dir("pack");
  MakeTree(dir, "PackDir");
  const std::string archive = dir / "Velnor.lzh";
  long code = -1;
  ASSERT_TRUE(gProcPackLzh(archive, dir / "PackDir", code));
  EXPECT_EQ(code, 0);
  EXPECT_LT(ReadFileBytes(archive).size(), ReadFileBytes(dir / "PackDir\\MailData\\受信トレイ\\Inbox.dbx").size() / 5);

  ASSERT_TRUE(gLzhUnPack(archive, dir / "out"));
  for (const char* f : kFiles) EXPECT_EQ(ReadFileBytes(dir / (std::string("out\\") + f)), ReadFileBytes(dir / (std::string("PackDir\\") + f))) << f;
  EXPECT_TRUE(gChkDirExists(dir / "out\\MailData\\空", true));
  // The archive holds paths relative to the packed folder: no PackDir level.
  EXPECT_FALSE(gChkDirExists(dir / "out\\PackDir", true));
}

// The backup packs the user's folders where they lie, as if copied into the pack folder: the same archive,
// with nothing of them written anywhere first.
TEST(ArchivePacking, FoldersReadWhereTheyLieGoInUnderTheirNamesLessWhatIsLeftOut) {
  TempFolder dir("inplace");
  MakeTree(dir, "Data");
  CreateDirectoryW(gToWide(dir / "PackDir").c_str(), nullptr);
  CreateDirectoryW(gToWide(dir / "PackDir\\RegFileData").c_str(), nullptr);
  ASSERT_TRUE(WriteFileBytes(dir / "PackDir\\RegFileData\\account.reg", "REGEDIT4\r\n"));
  ASSERT_TRUE(WriteFileBytes(dir / "Data\\MailData\\too-long.txt", "stays out"));
  const std::vector<PackedFolder> folders = {
      {"MailData", dir / "Data\\MailData", {dir / "Data\\MailData\\too-long.txt"}},
      {"AddressData", dir / "Data\\AddressData", {}}};
  ASSERT_TRUE(gProcPacklzh(dir / "a.lzh", dir / "PackDir", folders));
  EXPECT_FALSE(FileExistsPlain(dir / "a.lzh.list"));
  EXPECT_FALSE(gChkDirExists(dir / "PackDir\\MailData", true));

  ASSERT_TRUE(gLzhUnPack(dir / "a.lzh", dir / "out"));
  for (const char* f : kFiles) EXPECT_EQ(ReadFileBytes(dir / (std::string("out\\") + f)), ReadFileBytes(dir / (std::string("Data\\") + f))) << f;
  EXPECT_TRUE(gChkDirExists(dir / "out\\MailData\\空", true));
  EXPECT_FALSE(FileExistsPlain(dir / "out\\MailData\\too-long.txt"));
  // A listed folder that is not there fails the pack and leaves no archive.
  EXPECT_FALSE(gProcPacklzh(dir / "b.lzh", dir / "PackDir", {{"MailData", dir / "NoSuchFolder", {}}}));
  EXPECT_FALSE(FileExistsPlain(dir / "b.lzh"));
}

TEST(ArchivePacking, NamesAreStoredInTheSystemCodePage) {
  TempFolder dir("sjis");
  MakeTree(dir, "PackDir");
  ASSERT_TRUE(gProcPacklzh(dir / "a.lzh", dir / "PackDir"));
  const std::string bytes = ReadFileBytes(dir / "a.lzh");
  EXPECT_NE(bytes.find(gToAnsi("受信トレイ")), std::string::npos);
  EXPECT_EQ(bytes.find("受信トレイ"), std::string::npos);  // not UTF-8
}

TEST(ArchivePacking, TimeAndAttributesSurvive) {
  TempFolder dir("attr");
  MakeTree(dir, "PackDir");
  const std::wstring wab = gToWide(dir / "PackDir\\AddressData\\yamada.wab");
  const std::wstring mail = gToWide(dir / "PackDir\\MailData\\受信トレイ\\Inbox.dbx");
  SetFileAttributesW(wab.c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(mail.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  // A time long past, so that one the unpack failed to set would show.
  HANDLE h = CreateFileW(mail.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const FILETIME past{0x2A69C000, 0x01C07385};  // 2001-01-01
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &past));
  CloseHandle(h);
  WIN32_FILE_ATTRIBUTE_DATA before{};
  ASSERT_TRUE(GetFileAttributesExW(mail.c_str(), GetFileExInfoStandard, &before));
  ASSERT_TRUE(gProcPacklzh(dir / "a.lzh", dir / "PackDir"));
  ASSERT_TRUE(gLzhUnPack(dir / "a.lzh", dir / "out"));
  const DWORD a = GetFileAttributesW(gToWide(dir / "out\\AddressData\\yamada.wab").c_str());
  ASSERT_NE(a, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(a & FILE_ATTRIBUTE_READONLY);
  WIN32_FILE_ATTRIBUTE_DATA after{};
  ASSERT_TRUE(GetFileAttributesExW(gToWide(dir / "out\\MailData\\受信トレイ\\Inbox.dbx").c_str(), GetFileExInfoStandard, &after));
  EXPECT_TRUE(after.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);
  // The archive keeps whole seconds.
  auto seconds = [](const FILETIME& t) { return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000000; };
  EXPECT_EQ(seconds(after.ftLastWriteTime), seconds(before.ftLastWriteTime));
  SetFileAttributesW(wab.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ArchivePacking, PackingRefusesAnExistingArchiveAndAMissingFolder) {
  TempFolder dir("exists");
  MakeTree(dir, "PackDir");
  ASSERT_TRUE(WriteFileBytes(dir / "a.lzh", "keep"));
  long code = 0;
  EXPECT_FALSE(gProcPackLzh(dir / "a.lzh", dir / "PackDir", code));
  EXPECT_EQ(code, kUnlhaArchiveExists);
  EXPECT_EQ(ReadFileBytes(dir / "a.lzh"), "keep");
  EXPECT_FALSE(gProcPackLzh(dir / "b.lzh", dir / "NoSuchFolder", code));
  EXPECT_NE(code, 0);
  EXPECT_FALSE(FileExistsPlain(dir / "b.lzh"));
}

TEST(UnlhaEntry, OnlyTheTwoCommandsAndTheirSwitchesAreAccepted) {
  char out[256] = {};
  EXPECT_EQ(Unlha(nullptr, "", out, sizeof(out)), kUnlhaBadCommand);
  EXPECT_EQ(Unlha(nullptr, "a -a1 x.lzh C:\\ C:\\w\\", out, sizeof(out)), kUnlhaBadCommand);
  EXPECT_EQ(Unlha(nullptr, "u -a1 -zz x.lzh C:\\ C:\\w\\ ", out, sizeof(out)), kUnlhaBadCommand);
  EXPECT_EQ(Unlha(nullptr, "x -r2 \"x.lzh\" \"C:\\w\\\"", out, sizeof(out)), kUnlhaBadCommand);
  EXPECT_EQ(Unlha(nullptr, "x -a1 -gm -n \"x.lzh\"", out, sizeof(out)), kUnlhaBadCommand);
  EXPECT_NE(std::string(out), "");
  // A report never overruns a short buffer.
  char tiny[4] = {'x', 'x', 'x', 'x'};
  EXPECT_NE(Unlha(nullptr, "zz", tiny, sizeof(tiny)), 0);
  EXPECT_EQ(tiny[3], '\0');
}

TEST(UnlhaEntry, HostileAndDamagedArchivesFailAndWriteNothingOutside) {
  TempFolder dir("hostile");
  const std::string fixtures = FixturesDir() + "\\lzh\\hostile";
  for (const char* name : {"traversal_dotdot.lzh", "traversal_nested.lzh", "absolute_path.lzh", "drive_letter.lzh",
                           "bad_crc_stored.lzh", "bad_crc_lh5.lzh", "bad_huffman_table.lzh", "truncated.lzh",
                           "oversized_member.lzh", "garbage_header.lzh"}) {
    const std::string dest = dir / (std::string("out_") + name);
    CreateDirectoryW(gToWide(dest).c_str(), nullptr);
    EXPECT_FALSE(gLzhUnPack(fixtures + "\\" + name, dest)) << name;
  }
  EXPECT_FALSE(FileExistsPlain(dir / "evil.txt"));
  EXPECT_FALSE(FileExistsPlain(dir.path() + "\\..\\evil.txt"));
  EXPECT_FALSE(FileExistsPlain("C:\\velnor-lzh-evil.txt"));
  EXPECT_FALSE(FileExistsPlain("Z:\\tmp\\velnor-lzh-evil.txt"));
}

TEST(UnlhaEntry, ArchivesMadeByAnotherProgramUnpack) {
  TempFolder dir("jlha");
  const std::string fixtures = FixturesDir() + "\\lzh\\jlha";
  for (const char* name : {"lh0_level2.lzh", "lh5_level0.lzh", "lh5_level2.lzh", "lh6_level1.lzh", "lh7_level2.lzh"}) {
    const std::string dest = dir / name;
    ASSERT_TRUE(gLzhUnPack(fixtures + "\\" + name, dest)) << name;
    EXPECT_EQ(ReadFileBytes(dest + "\\日本語.txt"), ReadFileBytes(fixtures + "\\src\\日本語.txt")) << name;
  }
}
