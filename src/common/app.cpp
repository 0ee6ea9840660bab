// The running program's version and folder.
#include "common/app.h"

#include <windows.h>

#include <vector>

#include "common/text.h"

AppVersion gGetAppVersion() {
  AppVersion v{VELNOR_VERSION_MAJOR, VELNOR_VERSION_MINOR, VELNOR_VERSION_PATCH};
  wchar_t self[MAX_PATH] = {};
  if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0) return v;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(self, &handle);
  if (size == 0) return v;
  std::vector<BYTE> data(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  if (GetFileVersionInfoW(self, 0, size, data.data()) &&
      VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len) && fixed != nullptr) {
    v.major = HIWORD(fixed->dwFileVersionMS);
    v.minor = LOWORD(fixed->dwFileVersionMS);
    v.revision = LOWORD(fixed->dwFileVersionLS);
  }
  return v;
}

std::string gGetAppPath() {
  wchar_t self[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  const size_t slash = path.find_last_of(L'\\');
  if (slash != std::wstring::npos) path.resize(slash);
  return gFromWide(path);
}
