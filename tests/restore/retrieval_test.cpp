// Reading a backup set back off floppy disks: disks in the wrong order, a disk of another set, a disk that
// does not say whether another follows, and stopping.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/files.h"
#include "common/text.h"
#include "restore/replacement.h"
#include "restore/retrieval.h"
#include "restore_env.h"
#include "session/session_state.h"
#include "support/floppy.h"
#include "support/temp_env.h"

namespace {

const char* const kAskDisk = "のフロッピーディスクを入れて";
const char* const kOtherSet = "別のときに作成されたバックアップデータです";

class FloppyRestoreTest : public RestoreTest {
 protected:
  void SetUp() override {
    RestoreTest::SetUp();
    if (IsSkipped()) return;
    std::string why;
    if (!testfloppy::Available(&why)) GTEST_SKIP() << why;
    ChooseTarget(4);
  }
  void TearDown() override {
    testfloppy::Eject();
    RestoreTest::TearDown();
  }
  // The wizard has read the first disk before retrieval starts.
  void ReadFirstDisk(int disk) {
    ASSERT_TRUE(testfloppy::InsertDisk(disk));
    ReadSet(false);
  }
  static void Insert(int disk) {
    testfloppy::Eject();
    ASSERT_TRUE(testfloppy::InsertDisk(disk)) << testfloppy::LastMessage();
  }
};

}  // namespace

TEST_F(FloppyRestoreTest, DisksOfferedOutOfOrderAreAskedForUntilTheRightOneIsIn) {
  SessionState& s = gSession();
  const Snapshot saved = TakeSnapshot(s.SoftDataDir);
  const std::string archive = PackCurrentData(false);
  const std::string archiveBytes = ReadFileBytes(archive);
  const std::vector<int> disks = WriteFloppySet(archive, 3);
  ASSERT_EQ(disks.size(), 3u);
  ReadFirstDisk(disks[0]);
  PutFile(gAddRoot(s.SoftDataDir) + "後から.txt", "after the backup");

  // Disk 2 is in the drive first; each time a disk is asked for, the user puts in the next of this list.
  Insert(disks[1]);
  std::vector<int> offered = {disks[1], disks[0], disks[2], disks[1], disks[2]};
  std::vector<std::string> asked;
  ui_.onBox = [&](const std::string& text) {
    if (text.find(kAskDisk) == std::string::npos || offered.empty()) return;
    asked.push_back(text.substr(0, text.find(kAskDisk)));
    Insert(offered.front());
    offered.erase(offered.begin());
  };
  ASSERT_TRUE(gProcRestoreFromFD());
  EXPECT_EQ(asked, (std::vector<std::string>{"1枚目", "1枚目", "2枚目", "2枚目", "3枚目"}));
  EXPECT_EQ(ReadFileBytes(s.PackFile), archiveBytes);

  ui_.onBox = nullptr;
  ASSERT_TRUE(gProcRestore());
  EXPECT_EQ(TakeSnapshot(s.SoftDataDir), saved);
}

TEST_F(FloppyRestoreTest, ADiskOfAnotherSetWithTheRightNumberIsRefused) {
  SessionState& s = gSession();
  const std::string archive = PackCurrentData(false);
  const std::vector<int> other = WriteFloppySet(archive, 2, "2023/01/01 09:00:00");
  const std::vector<int> ours = WriteFloppySet(archive, 2);
  ReadFirstDisk(ours[0]);
  std::vector<int> offered = {other[1], ours[1]};
  ui_.onBox = [&](const std::string&) {
    if (offered.empty()) return;
    Insert(offered.front());
    offered.erase(offered.begin());
  };
  ASSERT_TRUE(gProcRestoreFromFD());
  EXPECT_EQ(ui_.Count(kOtherSet), 1);
  EXPECT_EQ(ReadFileBytes(s.PackFile), ReadFileBytes(archive));
}

TEST_F(FloppyRestoreTest, ADiskThatDoesNotSayWhetherAnotherFollowsStopsTheRestore) {
  SessionState& s = gSession();
  const std::string archive = PackCurrentData(false);
  const std::vector<int> disks = WriteFloppySet(archive, 2);
  ReadFirstDisk(disks[0]);
  // The first disk's information file lost its "fd-next" line.
  std::string ini = ReadFileBytes(s.InfoFile);
  const size_t at = ini.find("fd-next=");
  ASSERT_NE(at, std::string::npos);
  ini.erase(at, ini.find("\r\n", at) + 2 - at);
  ASSERT_TRUE(WriteFileBytes(s.InfoFile, ini));

  EXPECT_FALSE(gProcRestoreFromFD());
  EXPECT_FALSE(s.UserStopped);
  EXPECT_FALSE(FileExistsPlain(s.PackFile));
  EXPECT_EQ(ui_.Count(kAskDisk), 0);  // no second disk is asked for, nothing is joined
}

TEST_F(FloppyRestoreTest, CancelWhenAskedForADiskIsTheUsersStop) {
  SessionState& s = gSession();
  const std::vector<int> disks = WriteFloppySet(PackCurrentData(false), 2);
  ReadFirstDisk(disks[0]);
  ui_.answers = {IDCANCEL};  // asked for disk 2
  EXPECT_FALSE(gProcRestoreFromFD());
  EXPECT_TRUE(s.UserStopped);
  EXPECT_EQ(ui_.Count("処理を中止しました。"), 1);
  EXPECT_FALSE(FileExistsPlain(s.PackFile));
}
