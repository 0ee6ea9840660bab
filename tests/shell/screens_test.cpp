// The screens driven through their handlers as a person would, with scripted answers, on the sample PC:
// a whole folder backup and restore from the menu, the menu's refusals, start-up's working folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "backup/frm_backup.h"
#include "common/app.h"
#include "common/char_helpers.h"
#include "common/files.h"
#include "common/messages.h"
#include "common/system.h"
#include "common/text.h"
#include "formats/registry.h"
#include "locations/user_folders.h"
#include "restore/frm_restore.h"
#include "session/session.h"
#include "session/session_state.h"
#include "shell/forms.h"
#include "shell/frm_menu.h"
#include "support/screenshot.h"
#include "support/scripted_ui.h"
#include "support/temp_env.h"
#include "window/frm_about.h"

namespace {

constexpr int32_t kHkcu = static_cast<int32_t>(0x80000001u);

// Saves a screenshot of a window beside the test programs, as an artefact of the run.
void SaveScreenshot(HWND window, const std::string& name) {
  if (window == nullptr) return;
  // Let the window paint (the scripted seam runs no messages), then copy it off the screen.
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  for (int i = 0; i < 20; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
  SaveWindowShot(window, gAddRoot(gGetAppPath()) + "screenshots\\" + name + ".bmp");
}

class ScreensTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gMsgInit(gAddRoot(gGetAppPath()) + "sys\\msg", "qzkwvt"));
    savedLast_ = gGetRegNumber(kHkcu, "Software\\Velnor", "LastBackupSoft", -1);
    gInitSessionPaths();
    ASSERT_TRUE(gGetWorkDir());
    ASSERT_TRUE(gGetUserName(gSession().UserName));
  }
  void TearDown() override {
    FormWindow::DestroyAll();
    if (savedLast_ >= 0) gSetRegValue(kHkcu, "Software\\Velnor", "LastBackupSoft", kRegTypeNumber, savedLast_);
    gDelWorkDir();
  }
  // The texts of the message boxes shown so far.
  static bool Shown(const ScriptedUi& ui, const std::string& part) {
    for (const ShownBox& b : ui.boxes)
      if (b.text.find(part) != std::string::npos) return true;
    return false;
  }

  ScopedScriptedUi scripted_;
  int32_t savedLast_ = -1;
};

}  // namespace

TEST_F(ScreensTest, MenuOpensOnTheLastBackupsTargetWithFloppyChosen) {
  ASSERT_TRUE(gSetRegValue(kHkcu, "Software\\Velnor", "LastBackupSoft", kRegTypeNumber, int32_t{5}));
  frmMenu& menu = gFrmMenu();
  ASSERT_TRUE(gDspForm(menu, 0, 0, false, 0.8f));
  EXPECT_EQ(menu.ListText(), "マイ ドキュメント");
  EXPECT_EQ(gSession().TargetSoft, 5);
  EXPECT_TRUE(menu.FloppyChosen());
  wchar_t caption[64] = {};
  GetWindowTextW(menu.Hwnd(), caption, 64);
  EXPECT_EQ(gFromWide(caption), "メニュー     Velnor");
  SaveScreenshot(menu.Hwnd(), "menu");
}

TEST_F(ScreensTest, CancelledFolderChoiceFallsBackToFloppy) {
  frmMenu& menu = gFrmMenu();
  ASSERT_TRUE(gDspForm(menu, 0, 0, false, 0.8f));
  menu.cmd2_Click();  // no folder scripted: the picker is cancelled
  EXPECT_TRUE(menu.FloppyChosen());
  EXPECT_EQ(menu.GetText(frmMenu::txtSaveDir), "");
  TempFolder dir("menu");
  scripted_.ui.folders.push_back(dir.path());
  menu.cmd2_Click();
  EXPECT_FALSE(menu.FloppyChosen());
  EXPECT_EQ(menu.GetText(frmMenu::txtSaveDir), dir.path());
}

// The gathering step pauses, letting clicks through: a press of 次へ then must not gather the data once more.
TEST_F(ScreensTest, NextPressedWhileTheGatheringEndsDoesNotGatherAgain) {
  if (!gChkFileExists("C:\\velnor-sample\\sample-pc.reg")) GTEST_SKIP() << "the sample PC is not laid out here";
  TempFolder save("save");
  frmMenu& menu = gFrmMenu();
  ASSERT_TRUE(gDspForm(menu, 0, 0, false, 0.8f));
  ASSERT_TRUE(menu.SelectTarget("Outlook Express"));
  scripted_.ui.folders.push_back(save.path());
  menu.cmd2_Click();
  ASSERT_TRUE(menu.Command1_Click(0));
  frmBackup& backup = gFrmBackup();
  ASSERT_TRUE(backup.IsLoaded());
  bool pressed = false;
  scripted_.ui.onDoEvents = [&] {
    // The step's pauses let messages run: a press that arrives then (its button hidden or not) is dropped.
    if (!pressed && backup.Busy) {
      pressed = true;
      backup.cmdNext_Click();
    }
  };
  scripted_.ui.answers = {IDNO};
  scripted_.ui.boxes.clear();
  backup.cmdNext_Click();
  scripted_.ui.onDoEvents = nullptr;
  EXPECT_TRUE(pressed);
  EXPECT_EQ(scripted_.ui.boxes.size(), 1u);  // the account question, asked once
  EXPECT_EQ(backup.BackupStep, 1);
  EXPECT_FALSE(backup.Busy);
  backup.Destroy();
}

// The menu hands over to the restore wizard while window messages run, and a folder restore starts by itself:
// a quick person can restore and press メニュー before the hand-over has ended. The menu that comes back stays.
TEST_F(ScreensTest, ARestoreFinishedWhileTheMenuHandsOverLeavesTheMenuOpen) {
  TempFolder save("save");
  frmMenu& menu = gFrmMenu();
  ASSERT_TRUE(gDspForm(menu, 0, 0, false, 0.8f));
  ASSERT_TRUE(menu.SelectTarget("お気に入り（IE）"));
  scripted_.ui.folders.push_back(save.path());
  menu.cmd2_Click();
  ASSERT_TRUE(menu.Command1_Click(0));
  frmBackup& backup = gFrmBackup();
  backup.cmdNext_Click();
  backup.cmdNext_Click();
  const std::string setDir = gSession().DataSaveDir;
  backup.cmdMenu_Click();
  ASSERT_TRUE(menu.IsLoaded());

  scripted_.ui.folders.push_back(setDir);
  menu.cmd2_Click();
  frmRestore& restore = gFrmRestore();
  int clicks = 0;
  scripted_.ui.answers = {IDNO};  // 1016
  scripted_.ui.onDoEvents = [&] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (!restore.IsLoaded()) return;
    if (clicks == 0 && restore.Step == 1 && IsWindowVisible(restore.Item(frmRestore::cmdNext))) {
      ++clicks;
      restore.cmdNext_Click();
    } else if (clicks == 1 && !restore.Busy &&
               restore.GetText(frmRestore::lblMsg).rfind("復元処理が正常に終了しました。", 0) == 0) {
      ++clicks;
      restore.cmdMenu_Click();
    }
  };
  ASSERT_TRUE(menu.Command1_Click(1));
  scripted_.ui.onDoEvents = nullptr;
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(restore.IsLoaded());
  EXPECT_TRUE(menu.IsLoaded());
  EXPECT_TRUE(IsWindowVisible(menu.Hwnd()));
}

TEST_F(ScreensTest, SaveFolderInsideOrBesideTheDataIsRefused) {
  frmMenu& menu = gFrmMenu();
  ASSERT_TRUE(gDspForm(menu, 0, 0, false, 0.8f));
  ASSERT_TRUE(menu.SelectTarget("マイ ドキュメント"));
  std::string data;
  ASSERT_TRUE(gGetMyDocumentsDir(data));
  data = gUnRoot(data);
  TempFolder sibling("x");
  for (const std::string& save : {data, data + "\\" + "sub", data + "2"}) {
    CreateDirectoryW(gToWide(save).c_str(), nullptr);
    scripted_.ui.folders.push_back(save);
    menu.cmd2_Click();
    ASSERT_EQ(menu.GetText(frmMenu::txtSaveDir), save);
    scripted_.ui.boxes.clear();
    EXPECT_FALSE(menu.Command1_Click(0)) << save;
    ASSERT_EQ(scripted_.ui.boxes.size(), 1u) << save;
    EXPECT_TRUE(menu.IsLoaded());
  }
  RemoveDirectoryW(gToWide(data + "\\sub").c_str());
  RemoveDirectoryW(gToWide(data + "2").c_str());
}

TEST_F(ScreensTest, FolderBackupThenRestoreFromTheMenu) {
  TempFolder save("save");
  std::string docs;
  ASSERT_TRUE(gGetMyDocumentsDir(docs));
  const std::string probe = gAddRoot(docs) + "画面テスト.txt";
  ASSERT_TRUE(WriteFileBytes(probe, "元の内容"));

  frmMenu& menu = gFrmMenu();
  ASSERT_TRUE(gDspForm(menu, 0, 0, false, 0.8f));
  ASSERT_TRUE(menu.SelectTarget("マイ ドキュメント"));
  scripted_.ui.folders.push_back(save.path());
  menu.cmd2_Click();
  ASSERT_TRUE(menu.Command1_Click(0));
  EXPECT_TRUE(Shown(scripted_.ui, "という名前のフォルダを作成し、"));
  EXPECT_FALSE(menu.IsLoaded());

  frmBackup& backup = gFrmBackup();
  ASSERT_TRUE(backup.IsLoaded());
  EXPECT_NE(backup.GetText(frmBackup::lblMsg0).find("   対象　　　　　　　マイ ドキュメント"), std::string::npos);
  SaveScreenshot(backup.Hwnd(), "backup_confirm");
  backup.cmdNext_Click();
  ASSERT_EQ(backup.BackupStep, 1);
  EXPECT_FALSE(backup.Busy);
  backup.cmdNext_Click();
  EXPECT_EQ(backup.GetText(frmBackup::lblMsg), "バックアップ処理が正常に終了しました。");
  SaveScreenshot(backup.Hwnd(), "backup_done");
  const std::string setDir = gSession().DataSaveDir;
  EXPECT_TRUE(gChkFileExists(gAddRoot(setDir) + "1_Velnor.lzh"));
  EXPECT_TRUE(gChkFileExists(gAddRoot(setDir) + "Velnor.ini"));
  EXPECT_EQ(gGetRegNumber(kHkcu, "Software\\Velnor", "LastBackupSoft", -1), 5);
  EXPECT_EQ(gGetRegText(kHkcu, "Software\\Velnor", "LastBackupDate", "").size(), 19u);

  // Back on the menu, change the data, then restore the set from its folder.
  backup.cmdMenu_Click();
  ASSERT_TRUE(menu.IsLoaded());
  ASSERT_TRUE(WriteFileBytes(probe, "変更された内容"));
  ASSERT_TRUE(menu.SelectTarget("マイ ドキュメント"));
  scripted_.ui.folders.push_back(setDir);
  menu.cmd2_Click();
  scripted_.ui.boxes.clear();
  ASSERT_TRUE(menu.Command1_Click(1));
  frmRestore& restore = gFrmRestore();
  ASSERT_TRUE(restore.IsLoaded());
  // A folder restore starts its check by itself once the window is up.
  for (int i = 0; i < 50 && restore.Step == 0; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(20);
  }
  ASSERT_EQ(restore.Step, 1);
  EXPECT_NE(restore.GetText(frmRestore::lblMsg0).find("バックアップ内容"), std::string::npos);
  SaveScreenshot(restore.Hwnd(), "restore_contents");
  for (const ShownBox& b : scripted_.ui.boxes) ADD_FAILURE() << "unexpected box: " << b.text;
  scripted_.ui.boxes.clear();
  scripted_.ui.answers = {IDNO};  // 1016: No empties the folder first
  try {
    restore.cmdNext_Click();
  } catch (const ProgramEnded&) {
    for (const ShownBox& b : scripted_.ui.boxes) ADD_FAILURE() << "box: " << b.text;
    throw;
  }
  // The finished wizard says where the replaced data waits.
  const std::string done = restore.GetText(frmRestore::lblMsg);
  EXPECT_EQ(done.rfind("復元処理が正常に終了しました。\r\n", 0), 0u) << done;
  EXPECT_NE(done.find("(Velnor 復元前)"), std::string::npos) << done;
  SaveScreenshot(restore.Hwnd(), "restore_done");
  EXPECT_EQ(ReadFileBytes(probe), "元の内容");
  DeleteFileW(gToWide(probe).c_str());
}

TEST_F(ScreensTest, StartUpRemovesAWorkingFolderLeftByACrash) {
  const std::string left = gAddRoot(gSession().WorkDir) + "PackDir\\MailData";
  ASSERT_TRUE(CreateDirectoryW(gToWide(gAddRoot(gSession().WorkDir) + "PackDir").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(gToWide(left).c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(left + "\\old.dbx", "left over"));
  ASSERT_TRUE(gGetWorkDir());
  EXPECT_TRUE(gChkDirExists(gSession().WorkDir, true));
  EXPECT_FALSE(gChkFileExists(gAddRoot(gSession().WorkDir) + "*"));
  EXPECT_FALSE(gChkDirExists(gAddRoot(gSession().WorkDir) + "PackDir", true));
}

TEST_F(ScreensTest, ResultsAreRecordedAndAnUnknownModeIsRefused) {
  gSession().TargetSoft = 3;
  ASSERT_TRUE(gSetResult(1));
  EXPECT_EQ(gGetRegNumber(kHkcu, "Software\\Velnor", "LastRestoreSoft", -1), 3);
  const std::string when = gGetRegText(kHkcu, "Software\\Velnor", "LastRestoreDate", "");
  ASSERT_EQ(when.size(), 19u);
  EXPECT_EQ(when[4], '/');
  EXPECT_EQ(when[13], ':');
  EXPECT_FALSE(gSetResult(2));
}

TEST_F(ScreensTest, AboutShowsTheVersionFromTheResource) {
  const AppVersion v = gGetAppVersion();
  EXPECT_EQ(frmAbout::VersionText(), "  version " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
                                          std::to_string(v.revision));
  frmAbout& about = gFrmAbout();
  ASSERT_NE(about.Hwnd(), nullptr);
  EXPECT_EQ(about.GetText(frmAbout::lblVersion), frmAbout::VersionText());
  SaveScreenshot(about.Hwnd(), "about");
}

namespace {

class ProgressWindow final : public FormWindow {
 public:
  ProgressWindow() : FormWindow("progress", 200, 60) {}
  static constexpr int kBar = 101;

 protected:
  void CreateControls() override { AddControl({PROGRESS_CLASSW, "", 0, 4, 4, 180, 14, kBar}); }
  bool Form_Load() override { return true; }
  void OnCommand(int, int) override {}
};

}  // namespace

// The bar moves at most 20 times a second, but its end must never be the step that is left out.
TEST_F(ScreensTest, ProgressShowsItsEndAtOnce) {
  ProgressWindow window;
  ASSERT_NE(window.Hwnd(), nullptr);
  for (uint64_t done = 0; done <= 1000; done += 10) window.ShowProgress(ProgressWindow::kBar, done, 1000);
  EXPECT_EQ(SendMessageW(window.Item(ProgressWindow::kBar), PBM_GETPOS, 0, 0), 1000);
}
