// The restore wizard: check the backup set and show what it holds, then put it in place of the current data.
#include "restore/frm_restore.h"

#include <commctrl.h>

#include "common/drives.h"
#include "common/error_log.h"
#include "common/files.h"
#include "common/messages.h"
#include "common/system.h"
#include "common/ui.h"
#include "formats/info_file.h"
#include "locations/data_locations.h"
#include "restore/replacement.h"
#include "restore/retrieval.h"
#include "restore/transaction.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/set_info.h"
#include "session/targets.h"

frmRestore::frmRestore(HandBack backToMenu) : FormWindow("復元処理", 540, 250), backToMenu_(std::move(backToMenu)) {}

void frmRestore::CreateControls() {
  AddControl({L"STATIC", "", SS_LEFT, 14, 10, 340, 90, lblMsg0});
  AddControl({L"STATIC", "", SS_BITMAP | SS_CENTERIMAGE, 366, 14, 160, 60, picLogo});
  AddControl({L"STATIC", "", SS_LEFT, 14, 108, 512, 76, lblMsg});
  AddControl({PROGRESS_CLASSW, "", PBS_SMOOTH, 14, 186, 512, 14, prgProgress});
  AddControl({L"BUTTON", "次へ", BS_DEFPUSHBUTTON | WS_TABSTOP, 330, 212, 94, 28, cmdNext, "処理を次に進めます。"});
  AddControl({L"BUTTON", "メニュー", BS_PUSHBUTTON | WS_TABSTOP, 432, 212, 94, 28, cmdMenu,
              "処理を中止して、メニュー画面に戻ります。"});
}

bool frmRestore::Form_Load() {
  gSetFormCaption(Hwnd(), 0);
  std::string name;
  if (!gGetStrBkSoft(gSession().TargetSoft, name) || !gDspTargetLogo(Item(picLogo)))
    gProcFatalError("frmRestore_Load", "");
  SetVisible(prgProgress, false);
  gSetRestoreView(this);
  SetText(lblMsg0, "復元\r\n   対象　　　　　　　" + name);
  Step = 0;
  Busy = false;
  SetBusyCursor(false);
  gProcTune(200);
  if (gSession().SaveToFD) {
    SetText(lblMsg, "データが保存されているフロッピーディスクの\r\n１枚目を入れて「次へ」ボタンを押してください。");
  } else {
    // A folder set is checked at once, as soon as the window is on screen.
    pendingFirstStep_ = true;
  }
  return true;
}

void frmRestore::OnActivate() {
  if (!pendingFirstStep_) return;
  pendingFirstStep_ = false;
  PostMessageW(Hwnd(), WM_COMMAND, MAKEWPARAM(cmdNext, BN_CLICKED), 0);
}

void frmRestore::SetMessage(const std::string& text) {
  SetText(lblMsg, text);
  UpdateWindow(Item(lblMsg));
}

void frmRestore::SetProgress(uint64_t done, uint64_t total) { ShowProgress(prgProgress, done, total); }

void frmRestore::mStop() {
  gProcUserStop();
  Busy = false;
  SetBusyCursor(false);
  Close();
}

void frmRestore::gDispSaveIniData(const std::string& savedName) {
  const SessionState& s = gSession();
  SetText(lblMsg0, "バックアップ内容\r\n   対象　　　　　　　" + savedName + "\r\n   管理者　　　　　　" + s.Saved.UserName +
                       "\r\n   バックアップ日時　" + s.Saved.BkDateJ);
  SetText(lblMsg, "現在のデータを上記の保存データに置き換えます。\r\nよろしければ「次へ」ボタンを押してください。");
}

void frmRestore::mStepCheck() {
  SessionState& s = gSession();
  Busy = true;
  SetBusyCursor(true);
  SetVisible(cmdNext, false);
  SetVisible(cmdMenu, false);
  gProcTune(500);
  std::string savedName;
  for (;;) {
    gProcTune(1000);
    if (s.SaveToFD && !gChkDriveMediaCondition(s.FdDrive)) {
      SetBusyCursor(false);
      gProcTune(200);
      if (gDispMsg(1004, "", 0) == IDOK) continue;
      return mStop();
    }
    if (!gChkFileExists(s.InfoFile)) {
      SetBusyCursor(false);
      gProcTune(200);
      if (gDispMsg(1006, "", 0) == IDOK) continue;
      return mStop();
    }
    if (!gGetIniData() || !gGetStrBkSoft(s.SetTargetSoft, savedName)) gProcFatalError("frmRestore_cmdNext_Click", "");
    if (!gChkSetOfSessionTarget()) {
      if (gDispMsg(1017, savedName, 1) == IDRETRY) continue;
      return mStop();
    }
    break;
  }
  if (const auto restorable = gSessionTarget().chkRestorableVersion;
      restorable != nullptr && !restorable(s.SetSoftVersion, s.SoftVersion)) {
    gDispMsg(1014, s.SetSoftVersion.substr(0, 1) + "X", 1);
    Busy = false;
    SetBusyCursor(false);
    SetVisible(cmdMenu, true);
    return;
  }
  gDispSaveIniData(savedName);
  s.RegBackup = false;
  if (s.Saved.RegBackup && gDispMsg(1019, "", 0) == IDYES) s.RegBackup = true;
  Step = 1;
  SetTooltip(cmdMenu, "処理が完了したのでメニュー画面に戻ります。");
  SetBusyCursor(false);
  gProcTune(500);
  Busy = false;
  SetVisible(cmdNext, true);
  SetVisible(cmdMenu, true);
}

void frmRestore::mStepRestore() {
  SessionState& s = gSession();
  Busy = true;
  SetBusyCursor(true);
  SetText(lblMsg, "");
  SetVisible(cmdNext, false);
  SetVisible(cmdMenu, false);
  gProcTune(200);
  auto failed = [this, &s](const char*) {
    // A user's stop, or a set refused before anything was touched (already told to the user), goes back to
    // the menu; anything else is fatal.
    if (s.UserStopped) {
      Busy = false;
      SetBusyCursor(false);
      Close();
      return;
    }
    gProcFatalError("frmRestore_cmdNext_Click", "");
  };
  // The work modules show their own progress (through the restore view) and clear it when they end.
  const bool got = s.SaveToFD ? gProcRestoreFromFD() : gProcRestoreFromNOTFD();
  if (!got) {
    SetProgress(0, 0);
    return failed("retrieve");
  }
  const bool replaced = gProcRestore();
  SetProgress(0, 0);
  if (!replaced) return failed("replace");
  gProcTune(200);
  if (!gSetResult(1)) gProcFatalError("frmRestore_cmdNext_Click", "");
  // Where the replaced data waits, so that the user can find it (and put it back from the menu).
  const std::string aside = gGetRestoreAsideText(s.TargetSoft);
  SetText(lblMsg, "復元処理が正常に終了しました。" +
                      (aside.empty() ? std::string()
                                     : "\r\n置き換える前のデータは次の場所に残してあります（メニューの「復元前のデータ」から元に戻せます）：\r\n" +
                                           aside));
  SetBusyCursor(false);
  Busy = false;
  gProcTune(200);
  SetVisible(cmdMenu, true);
  SetFocus(Item(cmdMenu));
}

void frmRestore::cmdNext_Click() {
  RunStep([this] {
    if (Step == 0)
      mStepCheck();
    else
      mStepRestore();
  });
}

void frmRestore::cmdMenu_Click() { Close(); }

bool frmRestore::Form_Unload() { return !Busy; }

void frmRestore::Form_Terminate() {
  gSetRestoreView(nullptr);
  std::string why;
  if (!backToMenu_(why)) gProcFatalError("frmRestore_Form_Unload", why);
}

void frmRestore::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  if (id == cmdNext) cmdNext_Click();
  if (id == cmdMenu) cmdMenu_Click();
}
