// Gathering and packing each target's data, and the wait for room on the working drive.
#include <gtest/gtest.h>

#include <windows.h>

#include "backup/backup_data.h"
#include "backup/backup_env.h"
#include "backup/media_writer.h"
#include "common/app.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "formats/archive_packing.h"
#include "formats/ini_file.h"
#include "locations/data_locations.h"
#include "session/targets.h"
#include "support/floppy.h"

namespace {

void PointAtFolderBackup(const std::string& saveDir) {
  SessionState& s = gSession();
  s.SaveToFD = false;
  s.DataSaveDir = saveDir;
  s.InfoFile = saveDir + "\\Velnor.ini";
}

std::string Ini(const std::string& key) { return gGetIniString(gSession().InfoFile, "section1", key, "<none>"); }

class TargetBackup : public testing::TestWithParam<int32_t> {};

}  // namespace

// A folder backup of each target on the sample PC holds one archive and one information file; the archive
// gives back the target's whole data folder, subfolders included, byte for byte.
TEST_P(TargetBackup, FolderBackupUnpacksToTheTargetsData) {
  if (!SamplePcPresent()) GTEST_SKIP() << "no sample PC in this prefix";
  BackupSession env;
  SessionState& s = gSession();
  s.TargetSoft = GetParam();
  ASSERT_TRUE(gGetBkSoftDir(s.TargetSoft, s.SoftDataDir, s.SoftVersion));
  const bool oe = s.TargetSoft == kTargetOE;
  if (oe) {
    ASSERT_TRUE(gGetAddressBookDir(s.AddressBookDir));
    ASSERT_TRUE(gGetAddressBookFName(s.AddressBookFile));
    s.RegBackup = true;
  }
  // A prefix whose user folders still link to the host's home would have us pack that whole home.
  double size = 0;
  ASSERT_TRUE(gGetDirSize(s.SoftDataDir, size));
  if (size > 64.0 * 1024 * 1024) GTEST_SKIP() << s.SoftDataDir << " holds " << size << " bytes: not the sample PC's";
  const auto source = ReadTree(s.SoftDataDir);
  ASSERT_FALSE(source.empty()) << s.SoftDataDir;
  if (s.TargetSoft == kTargetFavorite) {  // a tree, down to its empty folder
    EXPECT_EQ(source.count("仕事\\取引先\\株式会社サンプル.url"), 1u);
    EXPECT_EQ(source.count("空のフォルダ\\"), 1u);
  }
  PointAtFolderBackup(env.temp / "save");

  ASSERT_TRUE(gMakeBackupData());
  EXPECT_FALSE(gChkDirExists(s.PackDir));
  EXPECT_EQ(env.view.messages.front(), "バックアップ準備中です。\r\nしばらくお待ちください。");
  EXPECT_GT(env.view.largestTotal, 0u);
  EXPECT_EQ(env.view.lastTotal, 0u);  // the bar is hidden again

  ASSERT_TRUE(gSaveBackupDataToNOTFD());
  EXPECT_FALSE(FileExistsPlain(s.PackFile));
  EXPECT_EQ(ListFolder(s.DataSaveDir), (std::map<std::string, bool>{{"1_Velnor.lzh", false}, {"Velnor.ini", false}}));
  EXPECT_EQ(Ini("fd-number"), "0");
  EXPECT_EQ(Ini("fd-next"), "False");
  EXPECT_EQ(Ini("bkSoft-Name"), std::to_string(s.TargetSoft));

  // Kept beside the test programs so that an LZH program of another maker can check it afterwards.
  const std::string kept = gAddRoot(gGetAppPath()) + "artifacts";
  CreateDirectoryW(gToWide(kept).c_str(), nullptr);
  CopyFileW(gToWide(s.DataSaveDir + "\\1_Velnor.lzh").c_str(),
            gToWide(kept + "\\backup_target" + std::to_string(s.TargetSoft) + ".lzh").c_str(), FALSE);

  TempFolder out("unpacked");
  ASSERT_TRUE(gLzhUnPack(s.DataSaveDir + "\\1_Velnor.lzh", out.path()));
  const auto top = ListFolder(out.path());
  if (oe) {
    EXPECT_EQ(top, (std::map<std::string, bool>{{"AddressData", true}, {"MailData", true}, {"RegFileData", true}}));
    EXPECT_EQ(ReadTree(out / "AddressData"), ReadTree(s.AddressBookDir));
    EXPECT_GT(FileSize(out / "RegFileData\\account.reg"), 0);
    EXPECT_EQ(ListFolder(out / "RegFileData").size(), 1u);
    EXPECT_EQ(Ini("RegBackup"), "True");
    EXPECT_EQ(Ini("RegRootKey"), "HKEY_CURRENT_USER");
    EXPECT_EQ(Ini("RegSubKey"), "Software\\Microsoft\\Internet Account Manager");
  } else {
    EXPECT_EQ(top, (std::map<std::string, bool>{{"MailData", true}}));
  }
  EXPECT_EQ(ReadTree(out / "MailData"), source);
}

INSTANTIATE_TEST_SUITE_P(SamplePc, TargetBackup,
                         testing::Values(kTargetOE, kTargetOL, kTargetNS4X, kTargetFavorite, kTargetColMail,
                                         kTargetMyDocuments, kTargetNS6X),
                         [](const testing::TestParamInfo<int32_t>& info) { return "Target" + std::to_string(info.param); });

TEST(BackupData, OutlookExpressWithoutAccountSettingsPacksMailAndAddresses) {
  if (!SamplePcPresent()) GTEST_SKIP() << "no sample PC in this prefix";
  BackupSession env;
  SessionState& s = gSession();
  s.TargetSoft = kTargetOE;
  ASSERT_TRUE(gGetBkSoftDir(s.TargetSoft, s.SoftDataDir, s.SoftVersion));
  ASSERT_TRUE(gGetAddressBookDir(s.AddressBookDir));
  ASSERT_TRUE(gMakeBackupData());
  TempFolder out("unpacked");
  ASSERT_TRUE(gLzhUnPack(s.PackFile, out.path()));
  EXPECT_EQ(ListFolder(out.path()), (std::map<std::string, bool>{{"AddressData", true}, {"MailData", true}}));
}

TEST(BackupData, EmptyDataFolderStillGivesAnArchive) {
  BackupSession env;
  SessionState& s = gSession();
  TempFolder empty("empty");
  s.TargetSoft = kTargetMyDocuments;
  s.SoftDataDir = empty.path();
  ASSERT_TRUE(gMakeBackupData());
  ASSERT_TRUE(FileExistsPlain(s.PackFile));
  TempFolder out("unpacked");
  ASSERT_TRUE(gLzhUnPack(s.PackFile, out.path()));
  EXPECT_EQ(ReadTree(out.path()), (std::map<std::string, std::string>{{"MailData\\", ""}}));
}

TEST(BackupData, AnArchiveLeftFromABrokenOffRunIsReplaced) {
  BackupSession env;
  SessionState& s = gSession();
  TempFolder data("data");
  ASSERT_TRUE(WriteFileBytes(data / "new.txt", "new"));
  s.TargetSoft = kTargetColMail;
  s.SoftDataDir = data.path();
  ASSERT_TRUE(WriteFileBytes(s.PackFile, "stale"));
  ASSERT_TRUE(CreateDirectoryW(gToWide(s.PackDir).c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(s.PackDir + "\\stale.txt", "stale"));
  ASSERT_TRUE(gMakeBackupData());
  TempFolder out("unpacked");
  ASSERT_TRUE(gLzhUnPack(s.PackFile, out.path()));
  EXPECT_EQ(ReadTree(out.path()),
            (std::map<std::string, std::string>{{"MailData\\", ""}, {"MailData\\new.txt", "new"}}));
}

TEST(BackupData, AccountSettingsExportOnlyForOutlookExpress) {
  BackupSession env;
  SessionState& s = gSession();
  TempFolder out("reg");
  s.TargetSoft = kTargetNS6X;
  EXPECT_TRUE(mMakeRegFile(out.path() + "\\"));
  EXPECT_TRUE(ListFolder(out.path()).empty());
  EXPECT_FALSE(mMakeRegFile(out / "missing"));
}

// The working drive is made the test floppy drive, whose disks can be small, so that the room check
// really meets a full drive; the person "frees space" by putting in a bigger disk.
class RoomOnWorkingDrive : public testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    if (!testfloppy::Available(&why)) GTEST_SKIP() << why;
    ASSERT_NE(testfloppy::InsertNewDisk(64), 0) << testfloppy::LastMessage();
    gSession().TempDrive = testfloppy::kDrive;
    env.ui.onBox = [this](const std::string& text, int) {
      if (text.find(kMsgNoRoom) != std::string::npos && makeRoom) testfloppy::InsertNewDisk(1440);
    };
  }
  void TearDown() override { testfloppy::Eject(); }

  BackupSession env;
  bool makeRoom = false;
};

TEST_F(RoomOnWorkingDrive, ShortRoomAsksAgainUntilThereIsRoom) {
  SessionState& s = gSession();
  TempFolder data("data");
  ASSERT_TRUE(WriteFileBytes(data / "big.bin", RandomBytes(200000, 1)));
  s.SoftDataDir = data.path();
  ASSERT_TRUE(CreateDirectoryW(gToWide(s.PackDir).c_str(), nullptr));
  makeRoom = true;
  env.ui.script.answers = {IDOK};
  ASSERT_TRUE(mProcBackUpDataDir());
  ASSERT_EQ(env.ui.Count(kMsgNoRoom), 1);
  const std::string& text = env.ui.script.boxes[0].text;
  EXPECT_EQ(text.substr(text.size() - 4), "：A");  // the drive letter follows the message
  EXPECT_FALSE(gChkDirExists(s.MailDataDir));  // the pack reads the data where it lies: nothing is copied
  EXPECT_FALSE(s.UserStopped);
}

TEST_F(RoomOnWorkingDrive, DecliningIsAUserStopAndNothingIsPacked) {
  SessionState& s = gSession();
  TempFolder data("data");
  ASSERT_TRUE(WriteFileBytes(data / "big.bin", RandomBytes(200000, 2)));
  s.SoftDataDir = data.path();
  env.ui.script.answers = {IDOK, IDCANCEL};  // retry without freeing anything, then give up
  EXPECT_FALSE(gMakeBackupData());
  EXPECT_TRUE(s.UserStopped);
  EXPECT_EQ(env.ui.Count(kMsgNoRoom), 2);
  EXPECT_EQ(env.ui.Count(kMsgStopped), 1);
  EXPECT_FALSE(gChkDirExists(s.MailDataDir));
  EXPECT_FALSE(FileExistsPlain(s.PackFile));
}

TEST_F(RoomOnWorkingDrive, AccountSettingsNeedTheirOwnRoom) {
  if (!SamplePcPresent()) GTEST_SKIP() << "no sample PC in this prefix";
  SessionState& s = gSession();
  s.TargetSoft = kTargetOE;
  ASSERT_TRUE(CreateDirectoryW(gToWide(s.PackDir).c_str(), nullptr));
  env.ui.script.answers = {IDCANCEL};
  EXPECT_FALSE(mProcBackUpRegFile());
  EXPECT_TRUE(s.UserStopped);
  EXPECT_FALSE(gChkDirExists(s.RegFileDataDir));

  s.UserStopped = false;
  makeRoom = true;
  env.ui.script.answers = {IDOK};
  ASSERT_TRUE(mProcBackUpRegFile());
  EXPECT_EQ(env.ui.Count(kMsgNoRoom), 2);
  EXPECT_GT(FileSize(s.RegFileDataDir + "\\account.reg"), 0);
  EXPECT_EQ(s.RegSubKey, "Software\\Microsoft\\Internet Account Manager");
}
