// Floppy disks through the real windows: a backup that fills three disks, and its restore with the disks
// offered out of order, as a person might pick them up.
#include <gtest/gtest.h>

#include "e2e_env.h"
#include "support/floppy.h"

namespace e2e {
namespace {

using FloppyBackupRestore = FloppyE2eTest;

TEST_F(FloppyBackupRestore, ThreeDisksComeBackInAnyOrder) {
  const Target& docs = TargetByTag("MYDOCUMENTS");
  // A scanned picture that does not pack: with the documents it needs three 1.44 MB disks.
  PutUnpackableFile(docs.dataFolder + "\\写真\\スキャン.bmp", 3'200'000, 20240501);
  const Snapshot data = TakeSnapshot(docs.dataFolder);

  HWND menu = StartVelnor();
  Program& v = *velnor_;
  HWND wizard = BackupToFloppyUpToTheDisk(menu, docs);
  std::vector<int> disks{testfloppy::InsertNewDisk()};
  ASSERT_NE(disks[0], 0) << testfloppy::LastMessage();
  Next(wizard);
  for (int n = 2; n <= 3; ++n) {
    // Wait for the full-disk message before changing disks, as a person would.
    const Box full = v.WaitBox(600);
    EXPECT_NE(full.text.find("フロッピーディスクがいっぱいになりました。"), std::string::npos) << full.text;
    disks.push_back(testfloppy::InsertNewDisk());
    ASSERT_NE(disks.back(), 0) << testfloppy::LastMessage();
    v.Answer("フロッピーディスクがいっぱいになりました。", IDOK, "next-disk-" + std::to_string(n));
  }
  v.WaitUntil("the backup to finish", [&] { return v.Shows(wizard, "バックアップ処理が正常に終了しました。"); }, 600);
  v.Shot(wizard, "backup-done");
  v.WaitEditText(wizard, "A:\\Velnor", "the set's place on the wizard");
  menu = BackToMenu(wizard);

  ClearFolder(docs.dataFolder);

  // The second disk comes first: the wizard reads what the set holds from it, then asks for each disk in turn.
  ASSERT_TRUE(testfloppy::InsertDisk(disks[1]));
  v.Choose(menu, docs.name);
  v.Click(menu, "復元");
  wizard = v.WaitWindow(kRestore, "restore");
  v.WaitUntil("the request for the first disk", [&] { return v.Shows(wizard, "１枚目を入れて"); });
  Next(wizard);
  v.WaitUntil("the set's contents", [&] { return v.Shows(wizard, "現在のデータを上記の保存データに置き換えます。"); });
  v.Shot(wizard, "restore-contents");
  Next(wizard);
  auto offer = [&](const std::string& asked, int disk, const std::string& shot) {
    v.WaitBox(600);
    ASSERT_TRUE(testfloppy::InsertDisk(disk));
    v.Answer(asked + "のフロッピーディスクを入れて", IDOK, shot);
  };
  offer("1枚目", disks[0], "wants-disk-1");
  offer("2枚目", disks[2], "wants-disk-2-offered-3");
  offer("2枚目", disks[1], "wants-disk-2-again");
  offer("3枚目", disks[2], "wants-disk-3");
  v.Answer("現在のフォルダの内容を残したまま", IDNO, "keep-question", 600);
  v.WaitUntil("the restore to finish", [&] { return v.Shows(wizard, "復元処理が正常に終了しました。"); }, 600);
  v.Shot(wizard, "restore-done");
  EXPECT_TRUE(TakeSnapshot(docs.dataFolder) == data);
  menu = BackToMenu(wizard);
  EndVelnor(menu);
}

}  // namespace
}  // namespace e2e
