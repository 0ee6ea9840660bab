// Restores that fail on the way, or are cut short by a crash: each ends with the data and the account keys
// as they were before the restore, or as the set has them, never a mix; and an undo that puts back what a
// restore replaced.
#include <gtest/gtest.h>

#include "common/text.h"
#include "e2e_env.h"
#include "formats/archive_packing.h"
#include "formats/unlha.h"
#include "shell/frm_menu.h"
#include "support/floppy.h"

namespace e2e {
namespace {

class RestoreFaults : public FloppyE2eTest {
 protected:
  // From the menu through a folder restore of target up to its last 次へ.
  HWND StartRestore(HWND menu, const Target& target, const std::string& set, bool accounts = false) {
    Program& v = *velnor_;
    v.Choose(menu, target.name);
    v.ChooseFolder(menu, set);
    v.Click(menu, "復元");
    const HWND wizard = v.WaitWindow(kRestore, "restore");
    if (accounts) v.Answer("アカウント設定も復元しますか", IDYES, "accounts-question");
    v.WaitUntil("the set's contents", [&] { return v.Shows(wizard, "現在のデータを上記の保存データに置き換えます。"); });
    Next(wizard);
    return wizard;
  }
  HWND Finished(HWND wizard) {
    Program& v = *velnor_;
    v.WaitUntil("the restore to finish", [&] { return v.Shows(wizard, "復元処理が正常に終了しました。"); }, 600);
    v.Shot(wizard, "restore-done");
    return BackToMenu(wizard);
  }
  // The data of the target changed after its backup, so that "as before" and "as saved" differ.
  void ChangeAfterTheBackup(const Target& target) {
    ASSERT_TRUE(WriteFileBytes(target.dataFolder + "\\後から書いたメモ.txt", "バックアップの後で書いた"));
  }
  // Velnor started so that it ends, as if killed, at one point of the replacement.
  HWND StartVelnorStoppingAt(const std::string& point) {
    SetEnvironmentVariableW(L"VELNOR_TEST_STOP_AT", gToWide(point).c_str());
    HWND menu = StartVelnor();
    SetEnvironmentVariableW(L"VELNOR_TEST_STOP_AT", nullptr);
    return menu;
  }

  const Target& ns_ = TargetByTag("NS4X");
};

TEST_F(RestoreFaults, AFileHeldOpenIsNamedBeforeAnythingChanges) {
  HWND menu = StartVelnor();
  const std::string set = BackupToFolder(menu, ns_, scratch_);
  const Snapshot saved = TakeSnapshot(ns_.dataFolder);
  ChangeAfterTheBackup(ns_);
  const Snapshot current = TakeSnapshot(ns_.dataFolder);
  const std::string inbox = ns_.dataFolder + "\\Mail\\Inbox";
  HANDLE held = CreateFileW(gToWide(inbox).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Program& v = *velnor_;

  HWND wizard = StartRestore(menu, ns_, set);
  const Box inUse = v.Answer("使用中のため置き換えられません", IDRETRY, "file-in-use");
  EXPECT_NE(inUse.text.find(inbox), std::string::npos) << inUse.text;
  EXPECT_NE(inUse.text.find("何も変更していません"), std::string::npos) << inUse.text;
  v.WaitBox();
  EXPECT_TRUE(FileExistsPlain(ns_.dataFolder + "\\後から書いたメモ.txt"));  // nothing went aside
  CloseHandle(held);
  EXPECT_TRUE(TakeSnapshot(ns_.dataFolder) == current);
  v.Answer("使用中のため置き換えられません", IDRETRY, "file-in-use-again");
  menu = Finished(wizard);
  EXPECT_TRUE(TakeSnapshot(ns_.dataFolder) == saved);
  EndVelnor(menu);
}

TEST_F(RestoreFaults, ADriveThatFillsWhileTheSavedDataGoesInGetsTheDataBack) {
  // ColMail keeps its data on a small drive of its own.
  const Target& colmail = TargetByTag("COLMAIL");
  const std::string onStick = testfloppy::kStickDrive + ":\\ColMail\\USER";
  ASSERT_TRUE(testfloppy::InsertStick(4096)) << testfloppy::LastMessage();
  ASSERT_TRUE(CreateDirectoryW(gToWide(testfloppy::kStickDrive + ":\\ColMail").c_str(), nullptr));
  CopyFolder(colmail.dataFolder, onStick);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Justsystem\\ColMail", 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  const std::wstring root = gToWide(onStick);
  RegSetValueExW(key, L"UserRootDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(root.c_str()),
                 static_cast<DWORD>((root.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  Target moved = colmail;
  moved.dataFolder = onStick;

  HWND menu = StartVelnor();
  const std::string set = BackupToFolder(menu, moved, scratch_);
  ChangeAfterTheBackup(moved);
  const Snapshot current = TakeSnapshot(onStick);
  // What is left free on the drive holds less than the saved data.
  ULARGE_INTEGER free{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(gToWide(testfloppy::kStickDrive + ":\\").c_str(), &free, nullptr, nullptr));
  ASSERT_TRUE(WriteFileBytes(testfloppy::kStickDrive + ":\\ほかのファイル.bin",
                             std::string(static_cast<size_t>(free.QuadPart) - 64 * 1024, 'x')));

  HWND wizard = StartRestore(menu, moved, set);
  (void)wizard;
  const Box full = velnor_->Answer("ドライブがいっぱいになりました", IDOK, "drive-full");
  EXPECT_NE(full.text.find("元のとおりに戻しました"), std::string::npos) << full.text;
  menu = velnor_->WaitWindow(kMenu, "menu-again");
  EXPECT_TRUE(TakeSnapshot(onStick) == current);
  EndVelnor(menu);
  testfloppy::RemoveStick();
}

// Killed while the current data goes aside, while the saved data comes in, and once all of it is in: the
// next start undoes the first two and finishes the third, and says which. The finished one can then be
// undone from the menu, once.
TEST_F(RestoreFaults, ACrashAtAnyPointIsFinishedOrUndoneAtTheNextStartAndARestoreCanBeUndone) {
  HWND menu = StartVelnor();
  const std::string set = BackupToFolder(menu, ns_, scratch_);
  const Snapshot saved = TakeSnapshot(ns_.dataFolder);
  ChangeAfterTheBackup(ns_);
  const Snapshot current = TakeSnapshot(ns_.dataFolder);
  EndVelnor(menu);

  struct Point {
    const char* name;
    const char* told;
    bool restored;
  } points[] = {{"aside", "復元を始める前の状態に戻しました", false},
                {"placing", "復元を始める前の状態に戻しました", false},
                {"placed", "復元を最後まで済ませました", true}};
  for (const Point& p : points) {
    SCOPED_TRACE(p.name);
    menu = StartVelnorStoppingAt(p.name);
    StartRestore(menu, ns_, set);
    velnor_->WaitExit(300);
    EXPECT_EQ(velnor_->ExitCode(), 3u);
    velnor_ = std::make_unique<Program>(VelnorExe(), velnor_->ShotFolder() + "-after-" + p.name);
    velnor_->Start();
    const Box told = velnor_->Answer("途中で、Velnor が終了していました", IDOK, "recovered");
    EXPECT_NE(told.text.find(p.told), std::string::npos) << told.text;
    menu = velnor_->WaitWindow(kMenu, "menu");
    EXPECT_TRUE(TakeSnapshot(ns_.dataFolder) == (p.restored ? saved : current));
    if (!p.restored) EndVelnor(menu);
  }

  // The finished restore is undone from the menu: the data as it was before it.
  Program& v = *velnor_;
  v.Choose(menu, ns_.name);
  v.ChooseMenuItem(menu, frmMenu::mnuUndoRestore, "復元前のデータ → 復元前の状態に戻す");
  v.Answer("復元の前の状態に戻しますか", IDYES, "undo-question");
  v.Answer("復元前の状態に戻しました", IDOK, "undone");
  EXPECT_TRUE(TakeSnapshot(ns_.dataFolder) == current);
  v.ChooseMenuItem(menu, frmMenu::mnuUndoRestore, "復元前のデータ → 復元前の状態に戻す");
  v.Answer("元に戻せる復元前のデータがありません", IDOK, "nothing-to-undo");
  EXPECT_TRUE(TakeSnapshot(ns_.dataFolder) == current);
  EndVelnor(menu);
}

// A set whose account settings the Registry Editor does not take whole: the keys stay as they were, and the
// user is told; the mail data is restored.
TEST_F(RestoreFaults, AnAccountImportThatFailsPutsTheKeysBack) {
  const Target& oe = TargetByTag("OE");
  HWND menu = StartVelnor();
  const std::string set = BackupToFolder(menu, oe, scratch_);
  const Snapshot saved = TakeSnapshot(oe.dataFolder);

  // A line the Registry Editor cannot read, in the set's own export.
  {
    const std::string archive = set + "\\1_Velnor.lzh";
    TempFolder work("tamper");
    ASSERT_EQ(Unlha(nullptr, gToAnsi(gUnpackCommandLine(archive, work.path())).c_str(), nullptr, 0), 0);
    const std::string reg = work / "RegFileData\\account.reg";
    std::string bytes = ReadFileBytes(reg);
    for (wchar_t c : std::wstring(L"\"Broken\"=hex:zz,qq\r\n")) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    ASSERT_TRUE(WriteFileBytes(reg, bytes));
    ASSERT_TRUE(DeleteFileW(gToWide(archive).c_str()));
    char out[256] = {};
    ASSERT_EQ(Unlha(nullptr, gToAnsi(gPackCommandLine(archive, work.path())).c_str(), out, sizeof out), 0) << out;
  }
  // The accounts change after the backup: that is the state they must keep.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, gToWide(kAccountKey + "\\Accounts\\00000001").c_str(), 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::wstring changed = L"バックアップの後で変えた";
  RegSetValueExW(key, L"Account Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(changed.c_str()),
                 static_cast<DWORD>((changed.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  const std::string accounts = HkcuTreeText(kAccountKey);
  const std::string identities = HkcuTreeText("Identities");
  ClearFolder(oe.dataFolder);

  HWND wizard = StartRestore(menu, oe, set, true);
  velnor_->Answer("メールアカウント情報は", IDOK, "accounts-not-restored", 600);
  menu = Finished(wizard);
  EXPECT_EQ(HkcuTreeText(kAccountKey), accounts);
  EXPECT_EQ(HkcuTreeText("Identities"), identities);
  EXPECT_TRUE(TakeSnapshot(oe.dataFolder) == saved);
  EndVelnor(menu);
}

}  // namespace
}  // namespace e2e
