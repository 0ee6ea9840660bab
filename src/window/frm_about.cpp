// The About window and the end screen.
#include "window/frm_about.h"

#include "common/app.h"
#include "common/error_log.h"
#include "common/system.h"
#include "common/text.h"
#include "common/ui.h"
#include "session/session.h"

namespace {

// The icon beside the program, for the image and the window; nullptr when it is missing.
HICON mLoadIcon(int size) {
  const std::wstring file = gToWide(gAddRoot(gGetAppPath()) + "sys\\icon.ico");
  return static_cast<HICON>(LoadImageW(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
}

void mShowIcon(HWND window, HWND image) {
  HICON big = mLoadIcon(32);
  if (big == nullptr) return;
  SendMessageW(image, STM_SETICON, reinterpret_cast<WPARAM>(big), 0);
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (HICON small = mLoadIcon(16)) SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

}  // namespace

frmAbout& gFrmAbout() {
  static frmAbout form;
  return form;
}

frmAbout::frmAbout() : FormWindow("このソフトについて", 320, 150) {}

std::string frmAbout::VersionText() {
  const AppVersion v = gGetAppVersion();
  return "  version " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
}

void frmAbout::CreateControls() {
  AddControl({L"STATIC", "", SS_ICON, 16, 16, 32, 32, imgIcon});
  AddControl({L"STATIC", "", SS_LEFT, 64, 18, 240, 20, lblTitle});
  AddControl({L"STATIC", "", SS_LEFT, 64, 42, 240, 20, lblVersion});
  AddControl({L"BUTTON", "ホームページ", BS_PUSHBUTTON | WS_TABSTOP, 64, 106, 120, 28, Command2});
  AddControl({L"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 200, 106, 100, 28, cmdOK});
  AddMenu("ヘルプ(&H)", {{mnuContents, "目次(&C)"}});
}

bool frmAbout::Form_Load() {
  gSetFormCaption(Hwnd(), 0);
  mShowIcon(Hwnd(), Item(imgIcon));
  SetText(lblTitle, gAppTitle());
  SetText(lblVersion, VersionText());
  return true;
}

void frmAbout::OnCommand(int id, int code) {
  if (id == cmdOK && code == BN_CLICKED) Close();
  if (id == Command2 && code == BN_CLICKED && !gDspHP()) gProcFatalError("frmAbout_Command2_Click", "");
  if (id == mnuContents) gDspHelp();
}

frmEndProgram::frmEndProgram() : FormWindow("終了処理", 300, 90) {}

void frmEndProgram::CreateControls() {
  AddControl({L"STATIC", "", SS_ICON, 16, 20, 32, 32, imgIcon});
  AddControl({L"STATIC", "終了処理をしています。", SS_LEFT, 64, 22, 220, 20, lblMsg1});
  AddControl({L"STATIC", "しばらくお待ちください。", SS_LEFT, 64, 46, 220, 20, lblMsg2});
}

bool frmEndProgram::Form_Load() {
  // A missing icon leaves the picture empty and changes nothing else.
  mShowIcon(Hwnd(), Item(imgIcon));
  activated_ = false;
  return true;
}

void frmEndProgram::OnActivate() {
  if (activated_) return;
  activated_ = true;
  gSetFormCaption(Hwnd(), 0);
  gUi().DoEvents();
  gProcSleep(2000);
  gProcEndProcess();
  Close();
}

void frmEndProgram::Form_Terminate() {
  FormWindow::DestroyAll();
  gUi().EndProgram(0);
}
