// Whole registry keys exported to and imported from files by the Registry Editor.
#include "formats/registry.h"

#include <windows.h>

#include "common/char_helpers.h"
#include "common/error_log.h"
#include "common/files.h"
#include "common/text.h"
#include "common/ui.h"

namespace {

// The Registry Editor normally takes well under a second; a stuck one must not hang the program.
constexpr DWORD kRegeditTimeoutMs = 120000;

// Starts the Registry Editor minimised with the focus and waits for it, keeping our windows painted. True
// only when it ended, in time, and said it succeeded: one that hangs is ended and counts as failed.
enum class Regedit { NotStarted, Failed, Done };

Regedit mRunRegedit(const std::string& commandLine) {
  std::string ansi = gToAnsi(commandLine);
  STARTUPINFOA si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWMINIMIZED;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, ansi.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    gErrRaiseLastError();
    return Regedit::NotStarted;
  }
  const DWORD start = GetTickCount();
  bool ended = false;
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= kRegeditTimeoutMs) break;
    const DWORD r = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, kRegeditTimeoutMs - elapsed, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) {
      ended = true;
      break;
    }
    if (r != WAIT_OBJECT_0 + 1) break;
    gUi().DoEvents();
  }
  DWORD code = 1;
  if (!ended) {
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 5000);
    gErrRaise(1460, "the Registry Editor did not end in time: " + commandLine);
  } else if (!GetExitCodeProcess(pi.hProcess, &code) || code != 0) {
    gErrRaise(static_cast<long>(code), "the Registry Editor ended with " + std::to_string(code) + ": " + commandLine);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return ended && code == 0 ? Regedit::Done : Regedit::Failed;
}

}  // namespace

bool gGetREGFILE(const std::string& regFileName, const std::string& regKey) {
  std::string detail;
  if (gChkFileExists(regFileName)) {
    gErrRaise(58, "file already exists");
    detail = "REGファイルが既に存在していました。プログラムバグの可能性大です。。";
  } else {
    const std::string command = "Regedit /e \"" + regFileName + "\" \"" + regKey + "\"";
    const Regedit run = mRunRegedit(command);
    if (run == Regedit::NotStarted) {
      detail = command;
    } else if (run == Regedit::Done && gChkFileExists(regFileName)) {
      return true;
    } else if (gChkFileExists(regFileName)) {
      detail = "REGファイルを書き出す途中でレジストリエディタが失敗しました。";
    } else {
      gErrRaise(53, "export file not written");
      detail = "REGファイルを作成できませんでした。レジストリキーが無かった可能性大です。。";
    }
  }
  gProcError("gGetREGFILE", detail + " REGファイル名：" + regFileName + " レジストリキー：" + regKey);
  return false;
}

bool gSetRegFile(const std::string& regFileName) {
  if (mRunRegedit("Regedit /s \"" + regFileName + "\"") == Regedit::Done) return true;
  gProcError("gSetRegFile", "");
  return false;
}
