// The backup wizard: confirm, gather and pack, then write to floppy disks or a folder.
#include "backup/frm_backup.h"

#include <commctrl.h>

#include "backup/backup_data.h"
#include "backup/media_writer.h"
#include "common/error_log.h"
#include "common/messages.h"
#include "common/system.h"
#include "common/text.h"
#include "common/ui.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/targets.h"
#include "window/frm_about.h"

frmBackup::frmBackup(HandBack backToMenu) : FormWindow("バックアップ処理", 540, 350), backToMenu_(std::move(backToMenu)) {}

void frmBackup::CreateControls() {
  AddControl({L"STATIC", "", SS_LEFT, 14, 10, 340, 84, lblMsg0});
  AddControl({L"STATIC", "", SS_BITMAP | SS_CENTERIMAGE, 366, 14, 160, 60, picLogo});
  AddControl({L"STATIC", "", SS_LEFT, 14, 100, 512, 80, lblMsg});
  AddControl({PROGRESS_CLASSW, "", PBS_SMOOTH, 14, 182, 512, 14, prgProgress});
  AddControl({L"STATIC", "バックアップするデータフォルダ", SS_LEFT, 14, 204, 512, 18, lblMsg1});
  AddControl({L"EDIT", "", ES_READONLY | ES_AUTOHSCROLL | WS_BORDER, 14, 222, 512, 22, txtMsg});
  AddControl({L"STATIC", "バックアップデータ保存先", SS_LEFT, 14, 250, 512, 18, lblDataSaveDir});
  // The set's folder name carries the target and the date: two lines, so the whole path shows.
  AddControl({L"EDIT", "", ES_READONLY | ES_MULTILINE | WS_BORDER, 14, 268, 512, 40, txtDataSaveDir});
  AddControl({L"BUTTON", "次へ", BS_DEFPUSHBUTTON | WS_TABSTOP, 330, 318, 94, 28, cmdNext, "処理を次に進めます。"});
  AddControl({L"BUTTON", "メニュー", BS_PUSHBUTTON | WS_TABSTOP, 432, 318, 94, 28, cmdMenu,
              "処理を中止して、メニュー画面に戻ります。"});
  AddMenu("ヘルプ(&H)", {{mnuContents, "目次(&C)"}, {mnuAbout, "このソフトについて(&A)"}});
}

bool frmBackup::Form_Load() {
  gSetFormCaption(Hwnd(), 0);
  Busy = false;
  BackupStep = 0;
  SetVisible(txtMsg, true);
  SetVisible(lblDataSaveDir, false);
  SetVisible(txtDataSaveDir, false);
  SetVisible(prgProgress, false);
  gSetBackupView(this);
  mDispConfirmBackup();
  if (!gDspTargetLogo(Item(picLogo))) gProcFatalError("frmBackup_Form_Load", "");
  return true;
}

void frmBackup::mDispConfirmBackup() {
  const SessionState& s = gSession();
  std::string name;
  if (!gGetStrBkSoft(s.TargetSoft, name)) gProcFatalError("frmBackup_Form_Load", "");
  SetText(lblMsg0, "バックアップ\r\n   対象　　　　　　　" + name + "\r\n   管理者　　　　　　" + s.UserName +
                       "\r\n   バックアップ日時　" + s.BackupDateText + "\r\n");
  SetText(lblMsg, "上記のデータをバックアップします。\r\nよろしければ「次へ」ボタンを押してください。");
  SetText(txtMsg, s.SoftDataDir);
}

void frmBackup::mShowButtons(bool visible) {
  SetVisible(cmdNext, visible);
  SetVisible(cmdMenu, visible);
}

void frmBackup::SetMessage(const std::string& text) {
  SetText(lblMsg, text);
  UpdateWindow(Item(lblMsg));
}

void frmBackup::ShowMenuButton() { SetVisible(cmdMenu, true); }

void frmBackup::SetProgress(uint64_t done, uint64_t total) { ShowProgress(prgProgress, done, total); }

void frmBackup::mDspAfterMakeBackupData() {
  if (gSession().SaveToFD)
    SetText(lblMsg, "作成したバックアップデータを\r\nフロッピーディスクに移動します。\r\nフロッピードライブにフォーマットした\r\n"
                    "空のフロッピーディスクを入れて\r\n「次へ」ボタンを押してください。");
  else
    SetText(lblMsg, "作成したバックアップデータを移動します。\r\n「次へ」ボタンを押してください。");
  gUi().DoEvents();
}

void frmBackup::mStepMake() {
  SessionState& s = gSession();
  Busy = true;
  SetBusyCursor(true);
  mShowButtons(false);
  gUi().DoEvents();
  gProcTune(1000);
  if (gSessionTarget().accountSettings) {
    s.RegBackup = false;
    if (gDispMsg(1018, "", 0) == IDYES) s.RegBackup = true;
  }
  const bool made = gMakeBackupData();  // shows its own progress through the backup view
  SetProgress(0, 0);
  if (made) {
    gProcTune(2000);
    mDspAfterMakeBackupData();
    SetBusyCursor(false);
    gProcTune(1000);
    Busy = false;
    gProcTune(1000);
    BackupStep = 1;
    gProcTune(1000);
    mShowButtons(true);
    SetFocus(Item(cmdNext));
    return;
  }
  if (s.UserStopped) {
    Busy = false;
    SetBusyCursor(false);
    gProcTune(1000);
    Close();
    return;
  }
  SetBusyCursor(false);
  gProcFatalError("frmBackup_cmdNext_click", "");
}

void frmBackup::mStepWrite() {
  SessionState& s = gSession();
  Busy = true;
  SetBusyCursor(true);
  mShowButtons(false);
  gUi().DoEvents();
  gProcTune(1000);
  if (s.SaveToFD) {
    SetBusyCursor(false);
    if (!gSaveBackupDataToFD()) {
      if (s.UserStopped) {
        Busy = false;
        Close();
        return;
      }
      gProcFatalError("frmBackup_cmdNext_click", "");
    }
    SetBusyCursor(true);
  } else if (!gSaveBackupDataToNOTFD()) {
    // A lack of room or a failed write was told, and the user chose to stop: nothing of the set is left.
    if (s.UserStopped) {
      Busy = false;
      SetBusyCursor(false);
      Close();
      return;
    }
    gProcFatalError("frmBackup_cmdNext_click", "");
  }
  // The disk loop shows メニュー between disks; it comes back only as the step's last act.
  SetVisible(cmdMenu, false);
  gProcTune(1000);
  if (!gSetResult(0)) gProcFatalError("frmBackup_cmdNext_click", "");
  SetTooltip(cmdMenu, "処理が完了したのでメニュー画面に戻ります。");
  SetText(lblMsg, "バックアップ処理が正常に終了しました。" +
                      (s.LeftOut.empty() ? std::string()
                                         : "\r\nただし、パスが長すぎる " + std::to_string(s.LeftOut.size()) +
                                               " 個のファイルは入っていません（名前はエラーログにあります）。"));
  SetText(txtDataSaveDir, s.DataSaveDir);
  SetVisible(lblDataSaveDir, true);
  SetVisible(txtDataSaveDir, true);
  gUi().DoEvents();
  gProcTune(1000);
  SetBusyCursor(false);
  Busy = false;
  gProcTune(1000);
  SetVisible(cmdMenu, true);
  SetFocus(Item(cmdMenu));
}

void frmBackup::cmdNext_Click() {
  RunStep([this] {
    if (BackupStep == 0)
      mStepMake();
    else if (BackupStep == 1)
      mStepWrite();
    else
      gProcFatalError("frmBackup_cmdNext_click", "");
  });
}

void frmBackup::cmdMenu_Click() { Close(); }

bool frmBackup::Form_Unload() {
  gUi().DoEvents();
  return !Busy;
}

void frmBackup::Form_Terminate() {
  gSetBackupView(nullptr);
  std::string why;
  if (!backToMenu_(why)) gProcFatalError("frmBackup_Form_UnLoad", why);
}

void frmBackup::OnCommand(int id, int code) {
  if (code != BN_CLICKED && id < mnuContents) return;
  switch (id) {
    case cmdNext: cmdNext_Click(); break;
    case cmdMenu: cmdMenu_Click(); break;
    case mnuContents: gDspHelp(); break;
    case mnuAbout: gFrmAbout().ShowModal(); break;
    default: break;
  }
}
