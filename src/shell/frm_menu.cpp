// The main menu: target, medium and folder, then backup or restore.
#include "shell/frm_menu.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdio>

#include "backup/frm_backup.h"
#include "backup/media_writer.h"
#include "common/app.h"
#include "common/char_helpers.h"
#include "common/drives.h"
#include "common/error_log.h"
#include "common/files.h"
#include "common/messages.h"
#include "common/system.h"
#include "common/text.h"
#include "common/ui.h"
#include "formats/info_file.h"
#include "locations/data_locations.h"
#include "restore/frm_restore.h"
#include "restore/retrieval.h"
#include "restore/transaction.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/set_info.h"
#include "session/targets.h"
#include "shell/forms.h"
#include "window/frm_about.h"

namespace {

std::string mTwo(int v) {
  char b[8];
  std::snprintf(b, sizeof(b), "%02d", v);
  return b;
}

// The list changes only by the up and down keys or the mouse: left, right and Enter move the focus, and
// every other key is swallowed.
LRESULT CALLBACK mComboKeys(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (msg == WM_KEYDOWN) {
    short key = static_cast<short>(wParam);
    if (!gProcTabMoveForCombo(key, true)) gProcFatalError("frmMenu_cboMailSoft_KeyDown", "");
    if (key == 0) return 0;
  } else if (msg == WM_CHAR) {
    return 0;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

frmMenu::frmMenu() : FormWindow("メニュー", 460, 262) {}

void frmMenu::CreateControls() {
  AddControl({L"BUTTON", "対象ソフト", BS_GROUPBOX, 10, 6, 440, 94, fraSoft});
  AddControl({L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 22, 34, 220, 200, cboMailSoft,
              "バックアップ／復元したい対象のソフトを設定します。"});
  SetWindowSubclass(Item(cboMailSoft), mComboKeys, 1, 0);
  AddControl({L"STATIC", "", SS_BITMAP | SS_CENTERIMAGE, 270, 26, 160, 60, picLogo});
  AddControl({L"BUTTON", "処理内容", BS_GROUPBOX, 10, 106, 215, 96, fraProcess});
  AddControl({L"BUTTON", "バックアップ", BS_PUSHBUTTON | WS_TABSTOP, 22, 128, 92, 60, Command1_Backup,
              "バックアップ処理に進みます。"});
  AddControl({L"BUTTON", "復元", BS_PUSHBUTTON | WS_TABSTOP, 122, 128, 92, 60, Command1_Restore,
              "復元処理に進みます。"});
  AddControl({L"BUTTON", "バックアップデータ保存場所", BS_GROUPBOX, 235, 106, 215, 96, fraSaveDir});
  AddControl({L"BUTTON", "フロッピーディスク", BS_AUTORADIOBUTTON | BS_NOTIFY | WS_TABSTOP | WS_GROUP, 247, 124, 190,
              20, optFD});
  AddControl({L"BUTTON", "その他", BS_AUTORADIOBUTTON | BS_NOTIFY, 247, 148, 80, 20, optNotFD});
  AddControl({L"BUTTON", "参照...", BS_PUSHBUTTON | WS_TABSTOP, 335, 146, 100, 24, cmd2,
              "バックアップデータの保存場所をフロッピーディスク以外に指定できます。"});
  AddControl({L"EDIT", "", ES_READONLY | ES_AUTOHSCROLL | WS_BORDER, 247, 174, 190, 22, txtSaveDir});
  AddControl({L"STATIC", "", SS_LEFT, 14, 212, 330, 40, lblMsg});
  AddControl({L"BUTTON", "終了", BS_PUSHBUTTON | WS_TABSTOP, 358, 218, 92, 30, cmdEnd});
  AddMenu("ヘルプ(&H)", {{mnuContents, "目次(&C)"}, {mnuAbout, "このソフトについて(&A)"}, {mnuEnd, "このソフトを終了（&X）"}});
  AddMenu("復元前のデータ(&R)", {{mnuUndoRestore, "復元前の状態に戻す(&U)..."}, {mnuDropAside, "復元前のデータを削除する(&D)..."}});
}

bool frmMenu::Form_Load() {
  gSetFormCaption(Hwnd(), 0);
  SetText(lblMsg, "対象ソフトを起動させている場合は\r\n終了してからおこなってください。");
  gUi().DoEvents();
  for (const TargetRow& row : gTargets())
    SendMessageW(Item(cboMailSoft), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(gToWide(row.name).c_str()));
  int32_t last = 0;
  std::string name;
  if (!gGetLastBackupSoft(last) || !gGetStrBkSoft(last, name) || !SelectTarget(name))
    gProcFatalError("frmMenu_Form_Load", "");
  SetText(txtSaveDir, "");
  Button_SetCheck(Item(optFD), BST_CHECKED);
  gSession().UserStopped = false;
  if (!gDspTargetLogo(Item(picLogo))) gProcFatalError("frmMenu_Form_Load", "");
  endAfterUnload_ = true;
  return true;
}

std::string frmMenu::ListText() const { return GetText(cboMailSoft); }

bool frmMenu::SelectTarget(const std::string& displayName) {
  const LRESULT index = SendMessageW(Item(cboMailSoft), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(gToWide(displayName).c_str()));
  if (index == CB_ERR) return false;
  SendMessageW(Item(cboMailSoft), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  cboMailSoft_Click();
  return true;
}

bool frmMenu::FloppyChosen() const { return Button_GetCheck(Item(optFD)) == BST_CHECKED; }

void frmMenu::cboMailSoft_Click() {
  int32_t id = 0;
  if (!gGetlngBkSoft(ListText(), id)) gProcFatalError("frmMenu_cboMailSoft_KeyPress", "");
  gSession().TargetSoft = id;
  if (!gDspTargetLogo(Item(picLogo))) gProcFatalError("frmMenu_cboMailSoft_KeyPress", "");
}

void frmMenu::mChooseFolder() {
  choosingFolder_ = true;
  Button_SetCheck(Item(optFD), BST_UNCHECKED);
  Button_SetCheck(Item(optNotFD), BST_CHECKED);
  const std::string folder = gShowSelectDirDlg(0, Hwnd());
  if (!folder.empty() && gChkDirExists(folder, true)) {
    SetText(txtSaveDir, folder);
  } else {
    Button_SetCheck(Item(optNotFD), BST_UNCHECKED);
    Button_SetCheck(Item(optFD), BST_CHECKED);
    SetText(txtSaveDir, "");
  }
  choosingFolder_ = false;
}

void frmMenu::cmd2_Click() { mChooseFolder(); }

void frmMenu::optFD_GotFocus() {
  if (!choosingFolder_) SetText(txtSaveDir, "");
}

void frmMenu::optNotFD_GotFocus() {
  if (choosingFolder_ || !GetText(txtSaveDir).empty()) return;
  SetFocus(Item(optFD));
  mChooseFolder();
}

bool frmMenu::mInitProcessing(int index) {
  SessionState& s = gSession();
  SYSTEMTIME t;
  GetLocalTime(&t);
  s.BackupDate = std::to_string(t.wYear) + "/" + mTwo(t.wMonth) + "/" + mTwo(t.wDay) + " " + mTwo(t.wHour) + ":" +
                 mTwo(t.wMinute);
  s.BackupDateText = std::to_string(t.wYear) + "年" + mTwo(t.wMonth) + "月" + mTwo(t.wDay) + "日 " +
                     gGetWeekJapanese(t.wYear, t.wMonth, t.wDay) + " " + mTwo(t.wHour) + "時" + mTwo(t.wMinute) + "分";
  const bool restore = index == 1;
  std::string folderName;
  if (FloppyChosen()) {
    std::string drive;
    if (!gGetFdDrive(drive)) {
      gProcError("frmMenu_mInitProcessing", "");
      return false;
    }
    s.FdDrive = drive.substr(0, 1);
    s.SaveToFD = true;
    s.DataSaveDir = s.FdDrive + ":" + "\\" + s.AppTitle;
  } else {
    s.SaveToFD = false;
    if (restore) {
      s.DataSaveDir = GetText(txtSaveDir);
    } else {
      // A set already there is never written over: a later one of the same minute gets a name of its own.
      s.DataSaveDir = gGetFreeSetFolder(GetText(txtSaveDir));
      folderName = gGetFileName(s.DataSaveDir);
      const std::string e = "\r\n";
      gMsgBox(e + "バックアップデータ保存場所に指定された場所の下に" + e + e + folderName + e + e +
                  "という名前のフォルダを作成し、" + e + e + "そこへバックアップデータを保存します。" + e + e + e +
                  "そのデータを復元する際は、そのフォルダを" + e + e + "バックアップデータ保存場所に指定してください。" + e + e,
              MB_OK | MB_ICONINFORMATION, s.AppTitle, Hwnd());
    }
  }
  s.InfoFile = gAddRoot(s.DataSaveDir) + s.AppTitle + ".ini";

  if (restore && !s.SaveToFD) {
    auto refuse = [&s](short code, const std::string& extra, unsigned char place) {
      s.UserStopped = true;
      gDispMsg(code, extra, place);
      return false;
    };
    if (!gChkExeistSaveDataFromNOTFD()) return refuse(13, "バックアップデータが", 0);
    if (!gGetIniData()) return refuse(47, "バックアップデータから保存内容が", 0);
    if (!gChkSetOfSessionTarget()) return refuse(1011, "", 0);
    const auto restorable = gSessionTarget().chkRestorableVersion;
    if (restorable != nullptr && !restorable(s.SetSoftVersion, s.SoftVersion))
      return refuse(1014, s.SetSoftVersion.substr(0, 1) + "X", 1);
  }

  if (!gSessionTarget().findStoreFiles(s)) {
    gProcError("frmMenu_mInitProcessing", "");
    return false;
  }
  return true;
}

bool frmMenu::Command1_Click(int index) {
  SessionState& s = gSession();
  int32_t id = 0;
  if (!gGetlngBkSoft(ListText(), id)) gProcFatalError("frmMenu_command1_Click", "");
  s.TargetSoft = id;
  if (!gGetWorkDir()) gProcFatalError("frmMenu_command1_Click", "");
  std::string version;
  if (!gGetBkSoftDir(id, s.SoftDataDir, version)) {
    gDispMsg(1009, "", 0);
    return false;
  }
  s.SoftVersion = version;
  // The backup must never be written inside the data it copies.
  if (index == 0 && !FloppyChosen() && gChkSaveDirInData(GetText(txtSaveDir), s.SoftDataDir)) {
    gDispMsg(1013, "", 0);
    return false;
  }
  if (index != 0 && index != 1) gProcFatalError("frmMenu_command1_Click", "");
  if (!mInitProcessing(index)) {
    if (s.UserStopped) {
      s.UserStopped = false;
      return false;
    }
    gProcFatalError("frmMenu_command1_Click", "");
  }
  FormWindow& wizard = index == 0 ? static_cast<FormWindow&>(gFrmBackup()) : static_cast<FormWindow&>(gFrmRestore());
  endAfterUnload_ = false;
  if (!gDspForm(wizard, 0, 0, false, 0.8f)) gProcFatalError("frmMenu_command1_Click", wizard.CreateFailure());
  // Showing the wizard lets window messages run, and a folder restore starts by itself: a quick person may
  // have finished with the wizard, which brought this menu back, before it returns. That menu stays.
  if (!wizard.IsLoaded()) {
    endAfterUnload_ = true;
    return true;
  }
  Close();
  return true;
}

void frmMenu::mnuUndoRestore_Click() {
  int32_t id = 0;
  if (gGetlngBkSoft(ListText(), id)) gProcUndoRestore(id);
}

void frmMenu::mnuDropAside_Click() {
  int32_t id = 0;
  if (gGetlngBkSoft(ListText(), id)) gProcDelRestoreAside(id);
}

void frmMenu::cmdEnd_Click() {
  endAfterUnload_ = true;
  Close();
}

bool frmMenu::Form_Unload() { return true; }

void frmMenu::Form_Terminate() {
  // Closing the menu as the last window ends the program through the end screen.
  if (endAfterUnload_ && FormWindow::OpenCount() == 0) gProcEndProgram();
}

void frmMenu::OnCommand(int id, int code) {
  switch (id) {
    case cboMailSoft:
      if (code == CBN_SELCHANGE) cboMailSoft_Click();
      break;
    case Command1_Backup:
      if (code == BN_CLICKED) Command1_Click(0);
      break;
    case Command1_Restore:
      if (code == BN_CLICKED) Command1_Click(1);
      break;
    case cmd2:
      if (code == BN_CLICKED) cmd2_Click();
      break;
    case optFD:
      if (code == BN_SETFOCUS) optFD_GotFocus();
      break;
    case optNotFD:
      if (code == BN_SETFOCUS) optNotFD_GotFocus();
      break;
    case cmdEnd:
    case mnuEnd:
      cmdEnd_Click();
      break;
    case mnuAbout:
      gFrmAbout().ShowModal();
      break;
    case mnuContents:
      if (!gDspHelp()) gProcError("mnuContents_Click", "");
      break;
    case mnuUndoRestore:
      mnuUndoRestore_Click();
      break;
    case mnuDropAside:
      mnuDropAside_Click();
      break;
    default:
      break;
  }
}
