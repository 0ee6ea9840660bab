// Existence tests, shell copy/move/delete with Japanese names, piece copies, the purge and the folders it must
// refuse.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/file_copy.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "support/temp_env.h"

namespace {

void MakeDir(const std::string& path) { ASSERT_TRUE(CreateDirectoryW(gToWide(path).c_str(), nullptr)) << path; }

void MakeReadOnly(const std::string& path) {
  ASSERT_TRUE(SetFileAttributesW(gToWide(path).c_str(), FILE_ATTRIBUTE_READONLY)) << path;
}

// A small tree: two files (one read-only) on top, one read-only file two folders down, Japanese names.
void MakeTree(const TempFolder& t) {
  ASSERT_TRUE(WriteFileBytes(t / "表計算.txt", "abc"));
  ASSERT_TRUE(WriteFileBytes(t / "ro.dat", "12345"));
  MakeReadOnly(t / "ro.dat");
  MakeDir(t / "受信トレイ");
  MakeDir(t / "受信トレイ\\ソフト");
  ASSERT_TRUE(WriteFileBytes(t / "受信トレイ\\ソフト\\予定.eml", "1234567"));
  MakeReadOnly(t / "受信トレイ\\ソフト\\予定.eml");
}

// Points an environment variable elsewhere for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name), old_(gGetEnvValue(name)) {
    SetEnvironmentVariableW(gToWide(name_).c_str(), gToWide(value).c_str());
  }
  ~ScopedEnv() { SetEnvironmentVariableW(gToWide(name_).c_str(), gToWide(old_).c_str()); }

 private:
  std::string name_, old_;
};

}  // namespace

TEST(Exists, FilesFoldersAndFolderStar) {
  TempFolder t;
  MakeDir(t / "空");
  MakeDir(t / "sub");
  MakeDir(t / "sub\\inner");
  ASSERT_TRUE(WriteFileBytes(t / "表.txt", "x"));

  EXPECT_FALSE(gChkFileExists(""));
  EXPECT_FALSE(gChkFileExists("   "));
  EXPECT_TRUE(gChkFileExists(t / "表.txt"));
  EXPECT_FALSE(gChkFileExists(t / "missing.txt"));
  EXPECT_FALSE(gChkFileExists(t / "sub"));
  EXPECT_TRUE(gChkFileExists(t.path() + "\\*"));
  EXPECT_FALSE(gChkFileExists(t / "空\\*"));
  EXPECT_FALSE(gChkFileExists(t / "sub\\*"));  // holds a folder only

  EXPECT_TRUE(gChkDirExists(t / "空", true));
  EXPECT_TRUE(gChkDirExists(t / "空\\", true));
  EXPECT_FALSE(gChkDirExists(t / "missing", true));
}

TEST(ShellFileOps, JapaneseNamesSurviveCopyMoveAndDelete) {
  TempFolder t;
  MakeDir(t / "元");
  MakeDir(t / "元\\下位");
  ASSERT_TRUE(WriteFileBytes(t / "元\\表計算.txt", "データ"));
  ASSERT_TRUE(WriteFileBytes(t / "元\\下位\\能.dat", "x"));
  MakeDir(t / "写し");

  // The backup copies "folder\*.*": subfolders come along.
  ASSERT_TRUE(gCopyFile(t / "元\\*.*", t / "写し"));
  EXPECT_EQ(ReadFileBytes(t / "写し\\表計算.txt"), "データ");
  EXPECT_TRUE(FileExistsPlain(t / "写し\\下位\\能.dat"));
  EXPECT_TRUE(FileExistsPlain(t / "元\\表計算.txt"));

  MakeDir(t / "移動先");
  ASSERT_TRUE(gMoveFile(t / "写し\\*.*", t / "移動先", false));
  EXPECT_EQ(ReadFileBytes(t / "移動先\\表計算.txt"), "データ");
  EXPECT_FALSE(FileExistsPlain(t / "写し\\表計算.txt"));
  // The restore renames an address book file by moving it.
  ASSERT_TRUE(gMoveFile(t / "移動先\\表計算.txt", t / "移動先\\新しい名前.wab", false));
  EXPECT_TRUE(FileExistsPlain(t / "移動先\\新しい名前.wab"));

  ASSERT_TRUE(gDelFile(t / "移動先\\新しい名前.wab"));
  EXPECT_FALSE(FileExistsPlain(t / "移動先\\新しい名前.wab"));
  ASSERT_TRUE(gDelFile(t / "移動先\\下位\\"));
  EXPECT_FALSE(FileExistsPlain(t / "移動先\\下位"));

  EXPECT_FALSE(gCopyFile(t / "無い.txt", t / "写し"));
  EXPECT_FALSE(gDelFile(t / "無い.txt"));
}

TEST(ShellFileOps, FlagWordFollowsProperties) {
  clsFileOperation op;
  EXPECT_EQ(op.Flags(), 0);
  op.Sielnt(true);
  op.RespondDialog(true);
  op.ConfirmMakeDir(false);
  EXPECT_EQ(op.Flags(), 0x0004 | 0x0010 | 0x0200);
  op.ShowDialog(true);
  op.ConfirmMakeDir(true);
  EXPECT_EQ(op.Flags(), 0x0010);
}

// A piece is exactly its bytes of the file, across a chunk's edge; a range past the end is no short copy.
TEST(CheckedCopy, PieceHoldsItsRangeAndARangePastTheEndLeavesNothing) {
  TempFolder t("piece");
  std::string data(3 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 4093);
  ASSERT_TRUE(WriteFileBytes(t / "a.lzh", data));
  uint32_t crc = 0;
  uint64_t size = 0;
  FileFailure failure;
  const uint64_t offset = (1 << 20) - 5, length = (1 << 20) + 11;
  ASSERT_TRUE(gCopyFileRangeChecked(t / "a.lzh", offset, length, t / "1.lzh", crc, size, {}, failure));
  EXPECT_TRUE(ReadFileBytes(t / "1.lzh") == data.substr(offset, length));
  EXPECT_EQ(size, length);
  EXPECT_EQ(crc, gCrc32(0, data.data() + offset, length));
  EXPECT_FALSE(gCopyFileRangeChecked(t / "a.lzh", data.size() - 10, 11, t / "2.lzh", crc, size, {}, failure));
  EXPECT_FALSE(FileExistsPlain(t / "2.lzh"));
}

TEST(Purge, LevelZeroEmptiesTheFolderAndKeepsIt) {
  TempFolder t;
  MakeTree(t);
  ASSERT_TRUE(gDelDir(t.path(), 0));
  EXPECT_TRUE(FileExistsPlain(t.path()));
  EXPECT_FALSE(gChkFileExists(t.path() + "\\*"));
  EXPECT_FALSE(FileExistsPlain(t / "受信トレイ"));
  EXPECT_FALSE(FileExistsPlain(t / "ro.dat"));
}

TEST(Purge, DeeperLevelRemovesTheFolderItself) {
  TempFolder t;
  MakeDir(t / "work");
  ASSERT_TRUE(WriteFileBytes(t / "work\\a.txt", "a"));
  ASSERT_TRUE(gDelDir(t / "work\\", 1));
  EXPECT_FALSE(FileExistsPlain(t / "work"));
}

TEST(Purge, StopsAndReportsAtAFileItCannotDelete) {
  TempFolder t;
  MakeDir(t / "held");
  ASSERT_TRUE(WriteFileBytes(t / "held\\open.pst", "x"));
  HANDLE h = CreateFileW(gToWide(t / "held\\open.pst").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(gDelDir(t.path(), 0));
  CloseHandle(h);
  EXPECT_TRUE(FileExistsPlain(t / "held\\open.pst"));
}

TEST(Purge, RefusesRootsAndSystemFoldersBeforeListing) {
  EXPECT_TRUE(gChkProtectedDir(""));
  EXPECT_TRUE(gChkProtectedDir("  "));
  EXPECT_TRUE(gChkProtectedDir("C:"));
  EXPECT_TRUE(gChkProtectedDir("C:\\"));
  EXPECT_TRUE(gChkProtectedDir("c:\\windows\\..\\"));
  EXPECT_TRUE(gChkProtectedDir("C:\\*.*"));
  EXPECT_TRUE(gChkProtectedDir("*.*"));
  EXPECT_TRUE(gChkProtectedDir(gGetWinDir()));
  EXPECT_TRUE(gChkProtectedDir(gGetWinDir() + "\\"));
  EXPECT_TRUE(gChkProtectedDir(gGetEnvValue("userprofile")));
  std::string usersFolder;
  ASSERT_TRUE(gGetParentDir(gAddRoot(gGetEnvValue("userprofile")), 1, usersFolder));
  EXPECT_TRUE(gChkProtectedDir(usersFolder));  // it holds the profile

  TempFolder t;
  EXPECT_FALSE(gChkProtectedDir(t.path()));
  EXPECT_FALSE(gChkProtectedDir(t / "MailData\\*.*"));
  EXPECT_FALSE(gChkProtectedDir(gGetWinDir() + "\\Temp"));
}

// The refused folders are stand-ins in scratch space, so even a broken guard could only purge those.
TEST(Purge, RefusedFoldersStayUntouched) {
  TempFolder t;
  MakeTree(t);
  {
    ScopedEnv profile("userprofile", t.path());
    EXPECT_FALSE(gDelDir(t.path(), 0));
    EXPECT_FALSE(gDelFile(t.path()));
  }
  EXPECT_TRUE(FileExistsPlain(t / "表計算.txt"));

  // A drive letter whose root is the scratch folder.
  const std::wstring drive = L"Q:";
  if (!DefineDosDeviceW(0, drive.c_str(), gToWide(t.path()).c_str())) GTEST_SKIP() << "no spare drive letter";
  EXPECT_FALSE(gDelDir("Q:\\", 0));
  EXPECT_FALSE(gDelDir("Q:", 0));
  EXPECT_FALSE(gDelFile("Q:\\"));
  DefineDosDeviceW(DDD_REMOVE_DEFINITION, drive.c_str(), nullptr);
  EXPECT_TRUE(FileExistsPlain(t / "受信トレイ\\ソフト\\予定.eml"));
}
