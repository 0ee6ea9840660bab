// Writing the backup archive over floppy disks (real 1.44 MB test disks on A:) and into a folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "backup/backup_data.h"
#include "backup/backup_env.h"
#include "backup/media_writer.h"
#include "common/files.h"
#include "common/text.h"
#include "formats/archive_packing.h"
#include "formats/ini_file.h"
#include "session/targets.h"
#include "support/floppy.h"

namespace {

const std::string kSaveDir = "A:\\Velnor";

struct DiskInfo {
  std::map<std::string, bool> files;
  std::string piece, next, number;
};

// Writes to the test floppy drive; each new disk asked for by message 43 (or by 1003/1005 when the test
// says so) is a fresh one, and its number is kept so that the disks can be read back.
class FloppyBackup : public testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    if (!testfloppy::Available(&why)) GTEST_SKIP() << why;
    SessionState& s = gSession();
    s.SaveToFD = true;
    s.DataSaveDir = kSaveDir;
    s.InfoFile = kSaveDir + "\\Velnor.ini";
    s.TargetSoft = kTargetMyDocuments;
    env.ui.onBox = [this](const std::string& text, int) {
      if (text.find(kMsgNextDisk) != std::string::npos || (newDiskOnNotReady && (text.find(kMsgNoDisk) != std::string::npos ||
                                                                                  text.find(kMsgDiskNotEmpty) != std::string::npos)))
        InsertNew();
    };
  }
  void TearDown() override { testfloppy::Eject(); }

  void InsertNew() {
    const int disk = testfloppy::InsertNewDisk();
    ASSERT_NE(disk, 0) << testfloppy::LastMessage();
    disks.push_back(disk);
  }
  std::string WriteArchive(size_t size, unsigned seed) {
    std::string bytes = RandomBytes(size, seed);
    EXPECT_TRUE(WriteFileBytes(gSession().PackFile, bytes));
    return bytes;
  }
  // Disk `index` of this test (from 0) and its piece number (index + 1 unless told).
  DiskInfo ReadDisk(size_t index, size_t piece = 0) {
    if (piece == 0) piece = index + 1;
    DiskInfo d;
    EXPECT_TRUE(testfloppy::InsertDisk(disks.at(index))) << testfloppy::LastMessage();
    d.files = ListFolder(kSaveDir);
    d.piece = ReadFileBytes(kSaveDir + "\\" + std::to_string(piece) + "_Velnor.lzh");
    d.next = gGetIniString(kSaveDir + "\\Velnor.ini", "section1", "fd-next", "");
    d.number = gGetIniString(kSaveDir + "\\Velnor.ini", "section1", "fd-number", "");
    return d;
  }
  int64_t Capacity() {
    int answer = 0;
    int64_t capacity = 0;
    EXPECT_TRUE(mChkFdDrv(false, answer, capacity));
    return capacity;
  }

  BackupSession env;
  std::vector<int> disks;
  bool newDiskOnNotReady = false;
};

BOOL CALLBACK CollectDiskWindow(HWND window, LPARAM list) {
  wchar_t title[256] = {};
  GetWindowTextW(window, title, 256);
  if (IsWindowVisible(window) && std::wstring(title).find(L"(A:)") != std::wstring::npos)
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// Waits (at most 30 s) for the shell's windows showing the disk, closes them and says how many there were.
size_t CloseDiskWindows(size_t expected) {
  std::vector<HWND> windows;
  for (int waited = 0; waited < 30000; waited += 50) {
    windows.clear();
    EnumWindows(CollectDiskWindow, reinterpret_cast<LPARAM>(&windows));
    if (windows.size() >= expected) break;
    Sleep(50);
  }
  for (HWND w : windows) PostMessageW(w, WM_CLOSE, 0, 0);
  return windows.size();
}

std::map<std::string, bool> Files(std::initializer_list<std::string> names) {
  std::map<std::string, bool> m;
  for (const auto& n : names) m[n] = false;
  return m;
}

}  // namespace

// Incompressible data packed by the real assembly needs three disks; each carries its piece and its own
// information file, and the pieces joined give the archive, which gives back the data.
TEST_F(FloppyBackup, ThreeDisksCarryPiecesThatJoinToTheArchive) {
  SessionState& s = gSession();
  TempFolder data("data");
  ASSERT_TRUE(WriteFileBytes(data / "video.mpg", RandomBytes(3000000, 7)));
  ASSERT_TRUE(WriteFileBytes(data / "memo.txt", "memo"));
  s.SoftDataDir = data.path();
  ASSERT_TRUE(gMakeBackupData());
  const std::string archive = ReadFileBytes(s.PackFile);

  InsertNew();
  const int64_t capacity = Capacity();
  ASSERT_TRUE(gSaveBackupDataToFD());
  EXPECT_EQ(env.ui.Count(kMsgNextDisk), 2);
  EXPECT_EQ(env.ui.script.boxes.size(), 2u);
  EXPECT_EQ(env.view.menuShown, 2);
  EXPECT_FALSE(FileExistsPlain(s.PackFile));
  ASSERT_EQ(disks.size(), 3u);

  std::string joined;
  const char* nexts[] = {"True", "True", "False"};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE("disk " + std::to_string(i + 1));
    const DiskInfo d = ReadDisk(i);
    EXPECT_EQ(d.files, Files({std::to_string(i + 1) + "_Velnor.lzh", "Velnor.ini"}));
    EXPECT_EQ(d.next, nexts[i]);
    EXPECT_EQ(d.number, std::to_string(i + 1));
    if (i < 2) {
      EXPECT_EQ(static_cast<int64_t>(d.piece.size()), capacity - kDiskMargin);
    }
    joined += d.piece;
  }
  ASSERT_TRUE(joined == archive) << "joined " << joined.size() << " of " << archive.size() << " bytes";

  TempFolder out("unpacked");
  ASSERT_TRUE(WriteFileBytes(out / "joined.lzh", joined));
  ASSERT_TRUE(gLzhUnPack(out / "joined.lzh", out / "x"));
  EXPECT_EQ(ReadTree(out / "x\\MailData"), ReadTree(data.path()));
}

TEST_F(FloppyBackup, ArchiveOfExactlyTheUsableSizeFitsOneDiskAndOneByteMoreTakesTwo) {
  InsertNew();
  const int64_t usable = Capacity() - kDiskMargin;
  const std::string archive = WriteArchive(static_cast<size_t>(usable), 3);
  ASSERT_TRUE(gSaveBackupDataToFD());
  EXPECT_EQ(env.ui.script.boxes.size(), 0u);
  DiskInfo d = ReadDisk(0);
  EXPECT_EQ(d.files, Files({"1_Velnor.lzh", "Velnor.ini"}));
  EXPECT_TRUE(d.piece == archive);
  EXPECT_EQ(d.next, "False");
  EXPECT_EQ(d.number, "1");

  disks.clear();
  InsertNew();
  const std::string bigger = WriteArchive(static_cast<size_t>(usable + 1), 4);
  ASSERT_TRUE(gSaveBackupDataToFD());
  ASSERT_EQ(disks.size(), 2u);
  EXPECT_EQ(ReadDisk(0).next, "True");
  d = ReadDisk(1);
  EXPECT_EQ(d.piece, bigger.substr(bigger.size() - 1));
  EXPECT_EQ(d.next, "False");
  EXPECT_EQ(d.number, "2");
}

// The index page goes on disk 1 only, into the room that disk has left beside its piece, also when the
// archive needs more disks.
TEST_F(FloppyBackup, FavoritesIndexPageGoesOnTheFirstOfSeveralDisks) {
  if (!SamplePcPresent()) GTEST_SKIP() << "no sample PC in this prefix";
  gSession().TargetSoft = kTargetFavorite;
  InsertNew();
  WriteArchive(2000000, 5);
  ASSERT_TRUE(gSaveBackupDataToFD());
  ASSERT_EQ(disks.size(), 2u);
  const DiskInfo first = ReadDisk(0);
  EXPECT_EQ(first.files, Files({"1_Velnor.lzh", "Velnor.ini", kFavoriteIndexFileName}));
  const std::string page = ReadFileBytes(kSaveDir + "\\" + kFavoriteIndexFileName);
  EXPECT_EQ(page.rfind("<HTML>\r\n", 0), 0u);
  EXPECT_EQ(page.find("<HTML>", 1), std::string::npos);  // one page, not one appended to another
  EXPECT_NE(page.find(gToAnsi("天気予報")), std::string::npos);
  EXPECT_EQ(ReadDisk(1).files, Files({"2_Velnor.lzh", "Velnor.ini"}));
}

TEST_F(FloppyBackup, IndexPageLargerThanTheRoomFails) {
  if (!SamplePcPresent()) GTEST_SKIP() << "no sample PC in this prefix";
  InsertNew();
  ASSERT_TRUE(CreateDirectoryW(L"A:\\Velnor", nullptr));
  EXPECT_FALSE(mProcFavoriteIndexFile(kSaveDir, 10));
  EXPECT_FALSE(FileExistsPlain(kSaveDir + "\\" + kFavoriteIndexFileName));
  EXPECT_TRUE(mProcFavoriteIndexFile(kSaveDir, 100000));
  EXPECT_TRUE(FileExistsPlain(kSaveDir + "\\" + kFavoriteIndexFileName));
}

TEST_F(FloppyBackup, MissingDiskAsksAgainAndCancelStops) {
  SessionState& s = gSession();
  ASSERT_TRUE(testfloppy::Eject());
  WriteArchive(1000, 6);
  env.ui.script.answers = {IDOK, IDCANCEL};
  EXPECT_FALSE(gSaveBackupDataToFD());
  EXPECT_TRUE(s.UserStopped);
  EXPECT_EQ(env.ui.Count(kMsgNoDisk), 2);
  EXPECT_EQ(env.ui.Count(kMsgStopped), 1);
  EXPECT_TRUE(FileExistsPlain(s.PackFile));

  // Putting a disk in and answering OK carries on.
  s.UserStopped = false;
  env.ui.script.boxes.clear();
  newDiskOnNotReady = true;
  env.ui.script.answers = {IDOK};
  ASSERT_TRUE(gSaveBackupDataToFD());
  EXPECT_EQ(env.ui.Count(kMsgNoDisk), 1);
  EXPECT_EQ(ReadDisk(0).files, Files({"1_Velnor.lzh", "Velnor.ini"}));
}

TEST_F(FloppyBackup, DiskWithFilesIsRefusedUntilAnEmptyOneIsIn) {
  SessionState& s = gSession();
  InsertNew();
  ASSERT_TRUE(WriteFileBytes("A:\\old.txt", "keep me"));
  const std::string archive = WriteArchive(1000, 8);
  env.ui.script.answers = {IDCANCEL};
  EXPECT_FALSE(gSaveBackupDataToFD());
  EXPECT_TRUE(s.UserStopped);
  EXPECT_EQ(env.ui.Count(kMsgDiskNotEmpty), 1);
  EXPECT_EQ(ListFolder("A:\\"), Files({"old.txt"}));
  EXPECT_EQ(ReadFileBytes("A:\\old.txt"), "keep me");

  // A folder alone also makes a disk not empty.
  ASSERT_TRUE(DeleteFileW(L"A:\\old.txt"));
  ASSERT_TRUE(CreateDirectoryW(L"A:\\old", nullptr));
  int answer = 0;
  int64_t capacity = 0;
  env.ui.script.answers = {IDCANCEL};
  EXPECT_FALSE(mChkFdDrv(true, answer, capacity));
  EXPECT_EQ(answer, IDCANCEL);

  s.UserStopped = false;
  newDiskOnNotReady = true;
  env.ui.script.answers = {IDOK};
  ASSERT_TRUE(gSaveBackupDataToFD());
  EXPECT_TRUE(ReadDisk(1, 1).piece == archive);
  // The refusals showed the person what is on the disk. The shell opens its windows on its own time, so on a
  // busy machine they may not all be up yet: at least one must be, and all that are get closed.
  EXPECT_GE(CloseDiskWindows(3), 1u);
}

TEST_F(FloppyBackup, StopAtTheSecondDiskLeavesTheFirstWritten) {
  SessionState& s = gSession();
  InsertNew();
  const std::string archive = WriteArchive(2000000, 9);
  env.ui.script.answers = {IDCANCEL};
  EXPECT_FALSE(gSaveBackupDataToFD());
  EXPECT_TRUE(s.UserStopped);
  EXPECT_EQ(env.ui.Count(kMsgNextDisk), 1);
  EXPECT_EQ(env.ui.Count(kMsgStopped), 1);
  const DiskInfo first = ReadDisk(0);
  EXPECT_EQ(first.files, Files({"1_Velnor.lzh", "Velnor.ini"}));
  EXPECT_EQ(first.next, "True");
  // Disk 1 holds the archive's start, and the archive waits whole in the working folder.
  EXPECT_TRUE(first.piece == archive.substr(0, first.piece.size()));
  EXPECT_TRUE(ReadFileBytes(s.PackFile) == archive);
}

TEST(FolderBackup, MoveThatDoesNotFitFailsAndKeepsTheArchive) {
  std::string why;
  if (!testfloppy::Available(&why)) GTEST_SKIP() << why;
  BackupSession env;
  SessionState& s = gSession();
  ASSERT_NE(testfloppy::InsertNewDisk(64), 0);
  s.DataSaveDir = kSaveDir;
  s.InfoFile = kSaveDir + "\\Velnor.ini";
  const std::string archive = RandomBytes(200000, 10);
  ASSERT_TRUE(WriteFileBytes(s.PackFile, archive));
  EXPECT_FALSE(gSaveBackupDataToNOTFD());
  EXPECT_TRUE(ReadFileBytes(s.PackFile) == archive);
  EXPECT_FALSE(FileExistsPlain(kSaveDir + "\\1_Velnor.lzh"));
  EXPECT_FALSE(FileExistsPlain(s.InfoFile));
  testfloppy::Eject();
}

TEST(FolderBackup, ALaterSetOfTheSameMinuteGetsANameOfItsOwn) {
  BackupSession env;
  SessionState& s = gSession();
  s.TargetSoft = kTargetNS4X;
  s.BackupDateText = "2026年12月09日 水曜日 10時05分";
  const std::string first = gGetFreeSetFolder(env.temp.path());
  EXPECT_EQ(first, env.temp / "Velnor NetScape4.X バックアップデータ 2026年12月09日 水曜日 10時05分");
  ASSERT_TRUE(CreateDirectoryW(gToWide(first).c_str(), nullptr));
  EXPECT_EQ(gGetFreeSetFolder(env.temp.path()), first + " (2)");
}
