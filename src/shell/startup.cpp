// Start-up of the program: error box switch, single instance, catalogue, working folder, user, menu.
#include "shell/startup.h"

#include "common/app.h"
#include "common/error_log.h"
#include "common/messages.h"
#include "common/system.h"
#include "common/ui.h"
#include "locations/user_folders.h"
#include "restore/transaction.h"
#include "session/session.h"
#include "session/session_state.h"
#include "shell/forms.h"
#include "shell/frm_menu.h"
#include "window/frm_about.h"

namespace {

bool mShowEndScreen() { return gFrmEndProgram().ShowModal(); }

}  // namespace

std::string gGetMsgDbPath() { return gAddRoot(gGetAppPath()) + "sys\\msg"; }

bool gStartUp() {
  std::string detail;
  SuppressErrorBox = true;
  gChkDoubleStarting(true);
  gSetEndScreenHandler(&mShowEndScreen);
  SessionState& s = gSession();
  s.AppTitle = gAppTitle();
  if (!gMsgInit(gGetMsgDbPath(), "qzkwvt")) {
    detail = "必要とするメッセージデータベースが開けません";
    gProcFatalError("main", detail);
  }
  gInitSessionPaths();
  // A restore that a crash or a power cut interrupted is finished or undone before anything else, while the
  // working folder still holds what it needs.
  gProcRecoverRestore();
  if (!gGetWorkDir()) gProcFatalError("main", "");
  if (!gGetUserName(s.UserName)) gProcFatalError("main", "");
  if (!gDspForm(gFrmMenu(), 0, 0, false, 0.8f)) gProcFatalError("main", gFrmMenu().CreateFailure());
  gUi().DoEvents();
  return true;
}
