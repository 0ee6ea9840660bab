// Backups that meet what goes wrong on a real machine: a mail file held open, a disk that gives back other
// bytes, a second set in the same place, a drive too small. Each time Velnor says so, and what it reports
// made is a set that restores; otherwise nothing that looks like a set is left.
#include <gtest/gtest.h>

#include "common/text.h"
#include "e2e_env.h"
#include "support/floppy.h"

namespace e2e {
namespace {

class BackupFaults : public FloppyE2eTest {
 protected:
  // From the menu up to the wizard's first 次へ of a folder backup into folder.
  HWND StartFolderBackup(HWND menu, const Target& target, const std::string& folder) {
    Program& v = *velnor_;
    v.Choose(menu, target.name);
    v.ChooseFolder(menu, folder);
    v.Click(menu, "バックアップ");
    v.Answer("という名前のフォルダを作成し、", IDOK, "folder-notice");
    const HWND wizard = v.WaitWindow(kBackup, "backup-confirm");
    Next(wizard);
    return wizard;
  }
  // The wizard's finished state; returns the set's place as it shows it.
  std::string Finished(HWND wizard, const std::string& place) {
    Program& v = *velnor_;
    v.WaitUntil("the backup to finish", [&] { return v.Shows(wizard, "バックアップ処理が正常に終了しました。"); }, 600);
    v.Shot(wizard, "backup-done");
    return v.WaitEditText(wizard, place, "the set's place on the wizard");
  }
  HWND Stopped(const std::string& shot) {
    velnor_->Answer("処理を中止しました。", IDOK, shot);
    return velnor_->WaitWindow(kMenu, "menu-again");
  }
  // Names of what a folder holds.
  static std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& [path, bytes] : TakeSnapshot(folder))
      if (path.find('\\') == std::string::npos) names.push_back(path);
    return names;
  }

  const Target& ns_ = TargetByTag("NS4X");
};

TEST_F(BackupFaults, AMailFileHeldOpenIsNamedAndTheBackupWaitsUntilItIsClosed) {
  const Snapshot data = TakeSnapshot(ns_.dataFolder);
  const std::string inbox = ns_.dataFolder + "\\Mail\\Inbox";
  // A mail program that shares nothing of its open store.
  HANDLE held = CreateFileW(gToWide(inbox).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  HWND menu = StartVelnor();
  Program& v = *velnor_;

  // Stopping there leaves nothing that looks like a set.
  StartFolderBackup(menu, ns_, scratch_);
  Box inUse = v.Answer("ほかのプログラムが使用中", IDCANCEL, "file-in-use");
  EXPECT_NE(inUse.text.find(inbox), std::string::npos) << inUse.text;
  menu = Stopped("stopped-in-use");
  EXPECT_TRUE(Entries(scratch_).empty());

  // Retry while it is still held asks again; once the program lets go, the backup goes on.
  HWND wizard = StartFolderBackup(menu, ns_, scratch_);
  v.Answer("ほかのプログラムが使用中", IDRETRY, "file-in-use");
  v.WaitBox();
  CloseHandle(held);
  v.Answer("ほかのプログラムが使用中", IDRETRY, "file-in-use-again");
  v.WaitUntil("the backup data to be made", [&] { return v.Shows(wizard, "作成したバックアップデータを移動します"); },
              600);
  Next(wizard);
  const std::string set = Finished(wizard, scratch_);
  menu = BackToMenu(wizard);

  ClearFolder(ns_.dataFolder);
  RestoreFromFolder(menu, ns_, set);
  EXPECT_TRUE(TakeSnapshot(ns_.dataFolder) == data);
  EndVelnor(menu);
}

TEST_F(BackupFaults, ADiskThatGivesBackOtherBytesIsClearedAndAnotherOneTakesThePiece) {
  const Snapshot data = TakeSnapshot(ns_.dataFolder);
  HWND menu = StartVelnor();
  Program& v = *velnor_;
  HWND wizard = BackupToFloppyUpToTheDisk(menu, ns_);
  const int bad = testfloppy::InsertNewBadDisk();
  ASSERT_NE(bad, 0) << testfloppy::LastMessage();
  Next(wizard);
  v.WaitBox(600);
  const int good = testfloppy::InsertNewDisk();
  ASSERT_NE(good, 0) << testfloppy::LastMessage();
  v.Answer("書き込んだ内容と一致しませんでした", IDRETRY, "bad-disk");
  Finished(wizard, "A:\\Velnor");
  menu = BackToMenu(wizard);
  ASSERT_TRUE(testfloppy::InsertDisk(bad));
  EXPECT_FALSE(FileExistsPlain("A:\\Velnor\\Velnor.ini"));
  EXPECT_FALSE(FileExistsPlain("A:\\Velnor\\1_Velnor.lzh"));

  ASSERT_TRUE(testfloppy::InsertDisk(good));
  ClearFolder(ns_.dataFolder);
  v.Choose(menu, ns_.name);
  v.Click(menu, "復元");
  wizard = v.WaitWindow(kRestore, "restore");
  v.WaitUntil("the request for the first disk", [&] { return v.Shows(wizard, "１枚目を入れて"); });
  Next(wizard);
  v.WaitUntil("the set's contents", [&] { return v.Shows(wizard, "現在のデータを上記の保存データに置き換えます。"); });
  Next(wizard);
  v.WaitUntil("the restore to finish", [&] { return v.Shows(wizard, "復元処理が正常に終了しました。"); }, 600);
  EXPECT_TRUE(TakeSnapshot(ns_.dataFolder) == data);
  EndVelnor(BackToMenu(wizard));
}

TEST_F(BackupFaults, ASecondSetInTheSameFolderKeepsTheFirst) {
  const Snapshot first = TakeSnapshot(ns_.dataFolder);
  HWND menu = StartVelnor();
  const std::string set1 = BackupToFolder(menu, ns_, scratch_);
  ASSERT_TRUE(WriteFileBytes(ns_.dataFolder + "\\Mail\\Inbox", "changed"));
  const std::string set2 = BackupToFolder(menu, ns_, scratch_);
  EXPECT_NE(set1, set2);
  EXPECT_EQ(Entries(scratch_).size(), 2u);

  ClearFolder(ns_.dataFolder);
  RestoreFromFolder(menu, ns_, set1);
  EXPECT_TRUE(TakeSnapshot(ns_.dataFolder) == first);
  EndVelnor(menu);
}

TEST_F(BackupFaults, ADriveTooSmallSaysHowMuchRoomIsNeededAndAnotherPlaceCanBeChosen) {
  const Target& docs = TargetByTag("MYDOCUMENTS");
  ASSERT_TRUE(testfloppy::InsertStick(64)) << testfloppy::LastMessage();
  const std::string stick = testfloppy::kStickDrive + ":\\";
  HWND menu = StartVelnor();
  Program& v = *velnor_;
  // A drive's root is a place like any folder.
  HWND wizard = StartFolderBackup(menu, docs, stick);
  v.WaitUntil("the backup data to be made", [&] { return v.Shows(wizard, "作成したバックアップデータを移動します"); },
              600);
  Next(wizard);
  const Box full = v.Answer("空きが足りません", IDRETRY, "no-room");
  EXPECT_NE(full.text.find("必要な空き"), std::string::npos) << full.text;
  EXPECT_TRUE(Entries(stick).empty());
  v.ChooseFolderInBrowser(scratch_);
  const std::string set = Finished(wizard, scratch_);
  EXPECT_TRUE(FileExistsPlain(set + "\\1_Velnor.lzh"));
  EXPECT_TRUE(FileExistsPlain(set + "\\Velnor.ini"));
  EXPECT_TRUE(Entries(stick).empty());
  EndVelnor(BackToMenu(wizard));
  testfloppy::RemoveStick();
}

}  // namespace
}  // namespace e2e
