// System information and window helpers.
#include "common/system.h"

#include <cmath>
#include <vector>

#include "common/app.h"
#include "common/error_log.h"
#include "common/files.h"
#include "common/messages.h"
#include "common/text.h"
#include "common/ui.h"
#include "common/registry.h"

namespace {

constexpr long kHklm = static_cast<long>(0x80000002);
HANDLE mInstanceMutex = nullptr;

long mRound(double v) { return std::lround(v); }

}  // namespace

void gChkDoubleStarting(bool showMessage) {
  gErrClear();
  // A named mutex answers "is a previous instance running" for this user's session.
  mInstanceMutex = CreateMutexW(nullptr, FALSE, L"Local\\Velnor.Instance");
  if (mInstanceMutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    if (showMessage) gMsgBox("既に起動されています", MB_OK, gAppTitle());
    gUi().EndProgram(0);
  }
}

bool gGetWinVersion(WinVersion& out, bool quiet) {
  out = WinVersion{};
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);  // 148 bytes
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL ok = GetVersionExA(&info);
#pragma GCC diagnostic pop
  if (!ok) {
    if (!quiet) {
      gErrRaiseLastError();
      gProcError("gGetWinVersion", "");
    }
    return false;
  }
  switch (info.dwPlatformId) {
    case 0: out.platform = "Win32s"; break;
    case 1: out.platform = "Windows 95/98/Me"; break;
    case 2: out.platform = "Windows NT/2000/XP"; break;
    default: out.platform = "Unkown"; break;
  }
  out.major = std::to_string(info.dwMajorVersion);
  out.minor = std::to_string(info.dwMinorVersion);
  out.build = std::to_string(info.dwBuildNumber);
  out.servicePack = gFromAnsi(std::string(info.szCSDVersion, strnlen(info.szCSDVersion, 128)));
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  out.subVersionNumber = gGetRegText(kHklm, key, "SubVersionNumber", "Can'tGet");
  out.version = gGetRegText(kHklm, key, "Version", "Can'tGet");
  return true;
}

bool gGetIeVersion(std::string& version, std::string& build, std::string& vector, bool) {
  version = gGetRegText(kHklm, "SOFTWARE\\Microsoft\\Internet Explorer", "Version", "Can'tGet");
  build = gGetRegText(kHklm, "SOFTWARE\\Microsoft\\Internet Explorer", "Build", "Can'tGet");
  vector = gGetRegText(kHklm, "SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector", "IE", "Can'tGet");
  return true;
}

bool gGetFileProductVersion(const std::string& file, std::string& version) {
  const std::wstring wfile = gToWide(file);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(wfile.c_str(), &handle);
  if (size == 0) return false;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(wfile.c_str(), 0, size, data.data())) return false;
  struct Translation {
    WORD language, codePage;
  };
  Translation* tr = nullptr;
  UINT trLen = 0;
  std::vector<std::wstring> queries;
  if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &trLen) &&
      trLen >= sizeof(Translation)) {
    wchar_t q[64];
    swprintf(q, 64, L"\\StringFileInfo\\%04x%04x\\ProductVersion", tr->language, tr->codePage);
    queries.push_back(q);
  }
  queries.push_back(L"\\StringFileInfo\\041104b0\\ProductVersion");
  queries.push_back(L"\\StringFileInfo\\040904b0\\ProductVersion");
  for (const auto& q : queries) {
    wchar_t* text = nullptr;
    UINT len = 0;
    if (VerQueryValueW(data.data(), q.c_str(), reinterpret_cast<void**>(&text), &len) && text != nullptr) {
      version = gFromWide(std::wstring_view(text, wcsnlen(text, len)));
      return true;
    }
  }
  // No string table: the fixed record's product version still says it.
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedLen = 0;
  if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLen) && fixed != nullptr) {
    version = std::to_string(HIWORD(fixed->dwProductVersionMS)) + "." +
              std::to_string(LOWORD(fixed->dwProductVersionMS)) + "." +
              std::to_string(HIWORD(fixed->dwProductVersionLS)) + "." +
              std::to_string(LOWORD(fixed->dwProductVersionLS));
    return true;
  }
  return false;
}

bool gGetOeExeVersion(std::string& version) {
  version.clear();
  // Outlook Express lies in the Program Files folder Windows itself uses: for a 32-bit program on 64-bit
  // Windows that is ProgramW6432 ("Program Files", while ProgramFiles names "Program Files (x86)"); then
  // the others, and the folder of old.
  for (const char* variable : {"ProgramW6432", "ProgramFiles", "ProgramFiles(x86)", "Program Files"}) {
    const std::string folder = gGetEnvValue(variable);
    if (folder.empty()) continue;
    const std::string exe = gAddRoot(folder) + "OutLook Express\\msimn.exe";
    if (gChkFileExists(exe) && gGetFileProductVersion(exe, version)) return true;
  }
  version.clear();
  gErrRaise(53, "msimn.exe");
  gProcError("gGetOeExeVersion", "");
  return false;
}

void gProcTestStopPoint(const char* point) {
  static const std::string wanted = gGetEnvValue("VELNOR_TEST_STOP_AT");
  if (point != nullptr && !wanted.empty() && wanted == point) TerminateProcess(GetCurrentProcess(), 3);
}

bool gProcSleep(long milliseconds) {
  if (milliseconds < 0) return false;
  gUi().Sleep(static_cast<unsigned long>(milliseconds));
  return true;
}

bool gProcTune(long milliseconds) {
  gUi().DoEvents();
  return gProcSleep(milliseconds);
}

double gTwipsPerPixelX() {
  HDC dc = GetDC(nullptr);
  const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
  if (dc != nullptr) ReleaseDC(nullptr, dc);
  return 1440.0 / (dpi > 0 ? dpi : 96);
}

double gTwipsPerPixelY() {
  HDC dc = GetDC(nullptr);
  const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc != nullptr) ReleaseDC(nullptr, dc);
  return 1440.0 / (dpi > 0 ? dpi : 96);
}

bool gGetSystemMetrics(long index, long& value) {
  SetLastError(0);
  const int v = GetSystemMetrics(static_cast<int>(index));
  if (v == 0 && GetLastError() != 0) {
    gErrRaiseLastError();
    gProcError("gGetSystemMetrics", "lngTarget=" + std::to_string(index));
    return false;
  }
  value = v;
  return true;
}

bool gGetScreenSize(long& width, long& height) {
  long w = 0, h = 0;
  if (!gGetSystemMetrics(SM_CXSCREEN, w) || !gGetSystemMetrics(SM_CYSCREEN, h)) {
    gProcError("gGetScreenSize", "");
    return false;
  }
  width = mRound(w * gTwipsPerPixelX());
  height = mRound(h * gTwipsPerPixelY());
  return true;
}

bool gDspWindowSize(Form& form, float ratio) {
  HWND hwnd = form.Hwnd();
  long sw = 0, sh = 0;
  if (hwnd == nullptr || !gGetScreenSize(sw, sh)) {
    gProcError("gDspWindowSize", "");
    return false;
  }
  ShowWindow(hwnd, SW_RESTORE);
  const long w = mRound(sw * ratio), h = mRound(sh * ratio);
  SetWindowPos(hwnd, nullptr, 0, 0, mRound(w / gTwipsPerPixelX()), mRound(h / gTwipsPerPixelY()),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  gUi().DoEvents();
  return true;
}

bool gDspWindowPosition(Form& form, long position) {
  if (position != 0 && position != 1) {
    gErrRaise(5, "position=" + std::to_string(position));
    gProcError("gDspWindowPosition", "");
    return false;
  }
  HWND hwnd = form.Hwnd();
  long sw = 0, sh = 0;
  RECT r{};
  if (hwnd == nullptr || !gGetScreenSize(sw, sh) || !GetWindowRect(hwnd, &r)) {
    gProcError("gDspWindowPosition", "");
    return false;
  }
  if (IsIconic(hwnd) || IsZoomed(hwnd)) {
    ShowWindow(hwnd, SW_RESTORE);
    GetWindowRect(hwnd, &r);
  }
  const long ww = mRound((r.right - r.left) * gTwipsPerPixelX());
  const long wh = mRound((r.bottom - r.top) * gTwipsPerPixelY());
  // Integer division drops the fraction towards zero, so a window larger than the screen goes negative.
  const long left = (sw - ww) / 2;
  const long top = (sh - wh) / (position == 0 ? 2 : 3);
  SetWindowPos(hwnd, nullptr, mRound(left / gTwipsPerPixelX()), mRound(top / gTwipsPerPixelY()), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  gUi().DoEvents();
  return true;
}

bool gDspForm(Form& form, long position, long modal, bool resize, float ratio) {
  if (modal == 1) return form.ShowModal();
  HWND hwnd = form.Hwnd();
  if (hwnd == nullptr) {
    gProcError("gDspForm", form.CreateFailure());
    return false;
  }
  ShowWindow(hwnd, SW_HIDE);
  if (resize && !gDspWindowSize(form, ratio)) return false;
  ShowWindow(hwnd, SW_SHOW);
  if (position != 9 && !gDspWindowPosition(form, position)) return false;
  SetForegroundWindow(hwnd);
  return true;
}

bool gSetFormCaption(HWND window, long mode) {
  if (window == nullptr || (mode != 0 && mode != 1)) return true;
  const int n = GetWindowTextLengthW(window);
  std::wstring own(static_cast<size_t>(n) + 1, L'\0');
  GetWindowTextW(window, own.data(), n + 1);
  own.resize(static_cast<size_t>(n));
  const std::wstring title = gToWide(gAppTitle());
  const std::wstring caption = mode == 0 ? own + L"     " + title : title + L"     " + own;
  SetWindowTextW(window, caption.c_str());
  return true;
}

const std::string& gGetHomePageAddress() {
  static const std::string address = "https://velnor.jp/";
  return address;
}

bool gDspHelp() {
  if (gShellExecute(gAddRoot(gGetAppPath()) + "index.html", SW_SHOWMAXIMIZED)) return true;
  gDispMsg(14, "", 0);
  gProcError("gDspHelp", "");
  return false;
}

bool gDspHP() {
  const std::string address = gGetHomePageAddress();
  if (gShellExecute(gAddRoot(address) + "index.html", SW_SHOWMAXIMIZED)) return true;
  gDispMsg(14, "\r\nHPアドレス：" + address, 0);
  gProcError("gDspHP", "");
  return false;
}

bool gProcTabMoveForCombo(short& keyCode, bool keepUpDown) {
  const bool back = keyCode == VK_LEFT;
  if (back || keyCode == VK_RIGHT || keyCode == VK_RETURN) {
    std::vector<INPUT> keys;
    auto key = [&keys](WORD vk, bool up) {
      INPUT in{};
      in.type = INPUT_KEYBOARD;
      in.ki.wVk = vk;
      in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      keys.push_back(in);
    };
    if (back) key(VK_SHIFT, false);
    key(VK_TAB, false);
    key(VK_TAB, true);
    if (back) key(VK_SHIFT, true);
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
    gUi().DoEvents();
  }
  if (keepUpDown && keyCode != VK_UP && keyCode != VK_DOWN) keyCode = 0;
  return true;
}

std::string gAddRoot(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path;
  return path + "\\";
}
