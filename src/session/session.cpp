// The working folder, results in the registry, a user's stop and the end of the program.
#include "session/session.h"

#include <windows.h>


#include "common/app.h"
#include "common/char_helpers.h"
#include "common/error_log.h"
#include "common/files.h"
#include "common/messages.h"
#include "common/system.h"
#include "common/text.h"
#include "common/ui.h"
#include "formats/registry.h"
#include "session/session_state.h"

namespace {

constexpr int32_t kHkcu = static_cast<int32_t>(0x80000001u);
const char* const kAppKey = "Software\\Velnor";

}  // namespace

void gInitSessionPaths(const char* tempDirOverride) {
  SessionState& s = gSession();
  s.AppTitle = gAppTitle();
  s.TempDir = tempDirOverride != nullptr ? std::string(tempDirOverride) : gGetWinTempDir();
  s.TempDrive = s.TempDir.substr(0, 1);
  s.WorkDir = gAddRoot(s.TempDir) + s.AppTitle;
  s.PackFileName = s.AppTitle + ".lzh";
  s.PackFile = gAddRoot(s.WorkDir) + s.PackFileName;
  s.PackDir = gAddRoot(s.WorkDir) + "PackDir";
  s.MailDataDir = gAddRoot(s.PackDir) + "MailData";
  s.AddressDataDir = gAddRoot(s.PackDir) + "AddressData";
  s.RegFileDataDir = gAddRoot(s.PackDir) + "RegFileData";
}

bool gDelWorkDir() {
  const std::string& work = gSession().WorkDir;
  if (!gChkDirExists(work, true)) return true;
  long level = 1;
  if (gDelDir(gAddRoot(work), level)) return true;
  gProcError("gDelWorkDir", "");
  return false;
}

bool gGetWorkDir() {
  if (!gDelWorkDir()) {
    gProcError("gGetWorkDir", "");
    return false;
  }
  if (!CreateDirectoryW(gToWide(gSession().WorkDir).c_str(), nullptr)) {
    gErrRaiseLastError();
    gProcError("gGetWorkDir", "");
    return false;
  }
  return true;
}

bool gSetResult(int32_t mode) {
  if (mode != 0 && mode != 1) {
    gErrRaise(5, "mode=" + std::to_string(mode));
    gProcError("gSetResult", "");
    return false;
  }
  const std::string when = gTrim(gGetNowText());
  const char* soft = mode == 0 ? "LastBackupSoft" : "LastRestoreSoft";
  const char* date = mode == 0 ? "LastBackupDate" : "LastRestoreDate";
  if (gSetRegValue(kHkcu, kAppKey, soft, kRegTypeNumber, gSession().TargetSoft) &&
      gSetRegValue(kHkcu, kAppKey, date, kRegTypeString, when))
    return true;
  gErrRaise(5, "registry write failed");
  gProcError("gSetResult", "");
  return false;
}

bool gGetLastBackupSoft(int32_t& target) {
  target = gGetRegNumber(kHkcu, kAppKey, "Lastbackupsoft", 0);
  return true;
}

bool gProcUserStop() {
  gDispMsg(21, "", 0);
  gSession().UserStopped = true;
  return true;
}

bool gChkRetryAfterNotice(const std::string& text) {
  if (gMsgBox(text, MB_RETRYCANCEL | MB_ICONWARNING, gSession().AppTitle) == IDRETRY) return true;
  gProcUserStop();
  return false;
}

bool gProcStopWithNotice(const std::string& text) {
  gMsgBox(text, MB_OK | MB_ICONWARNING, gSession().AppTitle);
  gSession().UserStopped = true;
  return true;
}

bool gProcEndProcess() {
  gMsgClose();
  gProcTune(200);
  gDelWorkDir();
  gProcTune(200);
  return true;
}
