// The error reporter and its log: every procedure's failures end up here.
#include "common/error_log.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "common/app.h"
#include "common/char_helpers.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "common/ui.h"

bool SuppressErrorBox = false;

namespace {

ErrInfo mErr;
EndScreenHandler mEndScreen = nullptr;
// A failure inside a report (a version query, say) must never start a report of its own.
bool mReporting = false;

}  // namespace

ErrInfo& gErr() { return mErr; }

void gErrClear() { mErr = ErrInfo{}; }

void gErrRaise(long number, std::string_view description) {
  mErr = ErrInfo{};
  mErr.number = number;
  mErr.source = gAppTitle();
  mErr.description = std::string(description);
}

std::string gGetSystemErrorText(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = n > 0 ? gFromWide(std::wstring_view(buffer, n)) : std::string();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

void gErrRaiseWin32(unsigned long code) { gErrRaise(static_cast<long>(code), gGetSystemErrorText(code)); }

void gErrRaiseLastError() { gErrRaiseWin32(GetLastError()); }

void gSetEndScreenHandler(EndScreenHandler handler) { mEndScreen = handler; }

std::string gBuildErrorReport(std::string_view procName, std::string_view detail) {
  // The version queries run quietly and must not disturb the error being reported.
  const ErrInfo err = mErr;
  WinVersion win;
  gGetWinVersion(win, true);
  std::string ieVersion, ieBuild, ieVector;
  gGetIeVersion(ieVersion, ieBuild, ieVector, true);
  mErr = err;

  const AppVersion app = gGetAppVersion();
  const std::string crlf = "\r\n";
  std::string r;
  r += "アプリケーション名：" + gAppTitle() + crlf;
  r += "アプリケーションヴァージョン：" + std::to_string(app.major) + "." + std::to_string(app.minor) + "." +
       std::to_string(app.revision) + crlf;
  if (!detail.empty()) r += std::string(detail) + crlf;
  r += "エラー番号：" + std::to_string(err.number) + crlf;
  r += std::string(procName) + " (" + err.source + ")でエラーが発生しました。" + crlf;
  r += "管理者に問い合わせて下さい｡" + crlf;
  r += "エラー内容：" + err.description + crlf;
  r += "発生日時：" + gGetNowText() + crlf;
  r += "WINTYPE：" + crlf;
  r += "\tVersion：" + win.platform + crlf;
  r += "\tMajor：" + win.major + crlf;
  r += "\tMinor：" + win.minor + crlf;
  r += "\tBuild：" + win.build + crlf;
  r += "\tSubVersion：" + win.servicePack + crlf;
  r += "IeTYPE：" + crlf;
  r += "\tVersion：" + ieVersion + crlf;
  return r;
}

void gProcError(std::string_view procName, std::string_view detail) {
  if (mReporting) return;
  mReporting = true;
  const ErrInfo err = mErr;
  std::string report;
  try {
    report = gBuildErrorReport(procName, detail);
  } catch (...) {
    report.clear();
  }
  if (!SuppressErrorBox && !report.empty()) {
    gUi().MessageBox(nullptr, report, "ｴﾗｰ", MB_OK, err.helpFile, err.helpContext);
  }
  if (!report.empty()) gProcWriteErrLog(report, "");
  gErrClear();
  mReporting = false;
}

bool gProcWriteErrLog(std::string_view text, std::string_view extraText) {
  std::string path;
  if (!gGetErrLogPath(path)) return false;
  const std::wstring wpath = gToWide(path);
  FILE* f = _wfopen(wpath.c_str(), L"ab");
  if (f == nullptr) return false;
  // The log is in the system code page, as its readers expect; a name the code page cannot write (a file
  // "café.txt" on a Japanese system) is kept exact as <U+00E9> escapes rather than altered.
  const std::string entry = "\r\n" + gToAnsiEscaped(text) + "\r\n" + gToAnsiEscaped(extraText) + "\r\n";
  const bool ok = std::fwrite(entry.data(), 1, entry.size(), f) == entry.size();
  const bool closed = std::fclose(f) == 0;
  return ok && closed;
}

bool gGetErrLogPath(std::string& path) {
  const std::string temp = gGetWinTempDir();
  if (temp.empty()) return false;
  path = gAddRoot(temp) + gAppTitle() + "_ErrLog.txt";
  return true;
}

bool gDspErrLog() {
  std::string path;
  if (!gGetErrLogPath(path)) return false;
  return gShellExecute(path, SW_SHOWMINIMIZED);
}

bool gGetLastDllErr(std::string& text) {
  char buffer[1024] = {};
  // The code is fixed: its one caller labels the text as the reason its delete failed.
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 122,
                                 0x400, buffer, sizeof(buffer), nullptr);
  if (n == 0) {
    gErrRaiseLastError();
    gProcError("gGetLastDllErr", "");
    return false;
  }
  text = gFromAnsi(std::string(buffer, strnlen(buffer, sizeof(buffer))));
  return true;
}

bool gProcEndProgram() {
  if (mEndScreen == nullptr) return true;
  if (!mEndScreen()) {
    gProcError("gProcEndProgram", "");
    gUi().EndProgram(1);
  }
  return true;
}

void gProcFatalError(std::string_view procName, std::string_view detail) {
  // The detail, when there is one, is what the user can act on (a window that could not be made, and why).
  std::string text = "致命的エラーが発生しました。\r\nこのアプリケーションを終了します。";
  if (!detail.empty()) text += "\r\n\r\n" + std::string(detail);
  gUi().MessageBox(nullptr, text, gAppTitle(), MB_OK | MB_ICONERROR, "", 0);
  gProcError(procName, detail);
  if (gDspErrLog()) {
    gMsgBox("エラーログに関するお問い合わせ・ご報告は\r\n説明書に記載しております。", MB_OK | MB_ICONINFORMATION,
            gAppTitle());
  } else {
    gMsgBox("エラーログが表示できませんでした。", MB_OK | MB_ICONINFORMATION, gAppTitle());
  }
  gProcEndProgram();
  gUi().EndProgram(1);
  std::abort();  // EndProgram never returns; this tells the compiler so
}
