// The user stopping at each kind of prompt, and sets that Velnor must refuse: each time Velnor says so, goes
// back to its menu, and the data on the machine and on the disks stays as it was.
#include <gtest/gtest.h>

#include "common/text.h"
#include "e2e_env.h"
#include "support/floppy.h"

namespace e2e {
namespace {

class UserStops : public FloppyE2eTest {
 protected:
  // Adds a file that does not pack, so that the documents need two disks.
  void MakeDocumentsNeedTwoDisks() { PutUnpackableFile(docs_.dataFolder + "\\写真\\スキャン.bmp", 1'800'000, 7); }

  // Answers the stop's own message and waits for the menu.
  HWND Stopped(const std::string& shot) {
    velnor_->Answer("処理を中止しました。", IDOK, shot);
    return velnor_->WaitWindow(kMenu, "menu-again");
  }

  // The shell window that Velnor opens on a disk that is not empty belongs to the shell, not to Velnor.
  static void CloseShellWindowsOnA() {
    EnumWindows(
        [](HWND hwnd, LPARAM) WINAPI -> BOOL {
          wchar_t caption[256] = {};
          GetWindowTextW(hwnd, caption, 256);
          if (IsWindowVisible(hwnd) && gFromWide(caption).find("A:") != std::string::npos)
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
          return TRUE;
        },
        0);
  }

  const Target& docs_ = TargetByTag("MYDOCUMENTS");
};

TEST_F(UserStops, EveryBackupPromptStopsWithNothingWritten) {
  MakeDocumentsNeedTwoDisks();
  const Snapshot data = TakeSnapshot(docs_.dataFolder);
  HWND menu = StartVelnor();
  Program& v = *velnor_;

  // Cancelling the folder browser goes back to floppy disks with no folder.
  v.Choose(menu, docs_.name);
  v.CancelFolderChoice(menu);
  EXPECT_TRUE(v.Checked(menu, "フロッピーディスク"));
  EXPECT_FALSE(v.Checked(menu, "その他"));
  EXPECT_EQ(v.FindText(menu, "Edit", ""), "");

  // The wizard's own button, before anything is made.
  v.Click(menu, "バックアップ");
  menu = BackToMenu(v.WaitWindow(kBackup, "backup-confirm"));

  // No disk in the drive.
  ASSERT_TRUE(testfloppy::Eject());
  Next(BackupToFloppyUpToTheDisk(menu, docs_));
  v.Answer("フロッピーディスクが入っていないか", IDCANCEL, "no-disk");
  menu = Stopped("stopped-no-disk");

  // A disk that is not empty: its files are shown and kept.
  ASSERT_NE(testfloppy::InsertNewDisk(), 0) << testfloppy::LastMessage();
  ASSERT_TRUE(WriteFileBytes("A:\\メモ.txt", "大事なメモ"));
  Next(BackupToFloppyUpToTheDisk(menu, docs_));
  v.Answer("フロッピーディスクにファイルが残っています。", IDCANCEL, "disk-not-empty");
  menu = Stopped("stopped-disk-not-empty");
  CloseShellWindowsOnA();
  EXPECT_EQ(ReadFileBytes("A:\\メモ.txt"), "大事なメモ");
  EXPECT_FALSE(FileExistsPlain("A:\\Velnor\\Velnor.ini"));

  // The second disk is asked for: the first one keeps what was written to it.
  ASSERT_NE(testfloppy::InsertNewDisk(), 0) << testfloppy::LastMessage();
  Next(BackupToFloppyUpToTheDisk(menu, docs_));
  v.Answer("フロッピーディスクがいっぱいになりました。", IDCANCEL, "next-disk");
  menu = Stopped("stopped-next-disk");
  EXPECT_TRUE(FileExistsPlain("A:\\Velnor\\1_Velnor.lzh"));
  EXPECT_TRUE(FileExistsPlain("A:\\Velnor\\Velnor.ini"));

  EXPECT_TRUE(TakeSnapshot(docs_.dataFolder) == data);
  EndVelnor(menu);
}

TEST_F(UserStops, EveryRestorePromptStopsWithTheDataUntouched) {
  MakeDocumentsNeedTwoDisks();
  HWND menu = StartVelnor();
  Program& v = *velnor_;
  const int first = testfloppy::InsertNewDisk();
  ASSERT_NE(first, 0) << testfloppy::LastMessage();
  const HWND backup = BackupToFloppyUpToTheDisk(menu, docs_);
  Next(backup);
  v.WaitBox(600);
  const int second = testfloppy::InsertNewDisk();
  ASSERT_NE(second, 0) << testfloppy::LastMessage();
  v.Answer("フロッピーディスクがいっぱいになりました。", IDOK, "next-disk");
  v.WaitUntil("the backup to finish", [&] { return v.Shows(backup, "バックアップ処理が正常に終了しました。"); }, 600);
  menu = BackToMenu(backup);

  // Written after the backup: a restore that was stopped must leave it.
  ASSERT_TRUE(WriteFileBytes(docs_.dataFolder + "\\後で書いたメモ.txt", "新しい"));
  const Snapshot data = TakeSnapshot(docs_.dataFolder);
  auto restoreUpToTheContents = [&](HWND& wizard) {
    v.Choose(menu, docs_.name);
    v.Click(menu, "復元");
    wizard = v.WaitWindow(kRestore, "restore");
    v.WaitUntil("the request for the first disk", [&] { return v.Shows(wizard, "１枚目を入れて"); });
    Next(wizard);
  };
  HWND wizard = nullptr;

  ASSERT_TRUE(testfloppy::Eject());
  restoreUpToTheContents(wizard);
  v.Answer("フロッピーディスクが入っていないか", IDCANCEL, "no-disk");
  menu = Stopped("stopped-no-disk");

  ASSERT_NE(testfloppy::InsertNewDisk(), 0) << testfloppy::LastMessage();
  restoreUpToTheContents(wizard);
  v.Answer("このフロッピーディスクにはバックアップデータがありません。", IDCANCEL, "no-set");
  menu = Stopped("stopped-no-set");

  ASSERT_TRUE(testfloppy::InsertDisk(first));
  restoreUpToTheContents(wizard);
  v.WaitUntil("the set's contents", [&] { return v.Shows(wizard, "現在のデータを上記の保存データに置き換えます。"); });
  Next(wizard);
  v.Answer("2枚目のフロッピーディスクを入れて", IDCANCEL, "wants-disk-2");
  menu = Stopped("stopped-wants-disk-2");
  EXPECT_TRUE(TakeSnapshot(docs_.dataFolder) == data);

  ASSERT_TRUE(testfloppy::InsertDisk(first));
  restoreUpToTheContents(wizard);
  v.WaitUntil("the set's contents", [&] { return v.Shows(wizard, "現在のデータを上記の保存データに置き換えます。"); });
  Next(wizard);
  v.WaitBox(600);
  ASSERT_TRUE(testfloppy::InsertDisk(second));
  v.Answer("2枚目のフロッピーディスクを入れて", IDOK, "wants-disk-2");
  v.Answer("現在のフォルダの内容を残したまま", IDCANCEL, "keep-question", 600);
  menu = Stopped("stopped-keep-question");

  EXPECT_TRUE(TakeSnapshot(docs_.dataFolder) == data);
  EndVelnor(menu);
}

// Refusals walk the same way as stops.
using Refusals = UserStops;

TEST_F(Refusals, ASetOfAnotherTargetGoesBackToTheMenu) {
  const Target& favorites = TargetByTag("FAVORITE");
  HWND menu = StartVelnor();
  Program& v = *velnor_;
  const std::string set = BackupToFolder(menu, favorites, scratch_);
  const Snapshot data = TakeSnapshot(docs_.dataFolder);

  // From a folder: the menu refuses it and stays.
  v.Choose(menu, docs_.name);
  v.ChooseFolder(menu, set);
  v.Click(menu, "復元");
  v.Answer("選択したソフトウェアのものではありません", IDOK, "other-target-folder");
  v.WaitUntil("the menu to stay", [&] { return IsWindowVisible(menu) != 0; });

  // From a disk: the wizard names the set's target; Retry asks again, Cancel stops.
  ASSERT_NE(testfloppy::InsertNewDisk(), 0) << testfloppy::LastMessage();
  HWND wizard = BackupToFloppyUpToTheDisk(menu, favorites);
  Next(wizard);
  v.WaitUntil("the backup to finish", [&] { return v.Shows(wizard, "バックアップ処理が正常に終了しました。"); }, 600);
  menu = BackToMenu(wizard);

  v.Choose(menu, docs_.name);
  v.Click(menu, "復元");
  wizard = v.WaitWindow(kRestore, "restore");
  Next(wizard);
  Box refused = v.Answer("別のソフトウェアのバックアップデータです。", IDRETRY, "other-target-disk");
  EXPECT_NE(refused.text.find(favorites.name), std::string::npos) << refused.text;
  v.Answer("別のソフトウェアのバックアップデータです。", IDCANCEL, "other-target-disk-again");
  menu = Stopped("stopped-other-target");

  EXPECT_TRUE(TakeSnapshot(docs_.dataFolder) == data);
  EndVelnor(menu);
}

}  // namespace
}  // namespace e2e
