// Shortcut targets: the address of an Internet shortcut (.url) and the target of a shell link (.lnk).
#include "common/files.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "common/error_log.h"
#include "common/text.h"

namespace {

// An Internet shortcut is a profile file: [InternetShortcut] URL=...
bool mReadUrl(const std::string& file, std::string& target) {
  const std::wstring wideFile = gToWide(file);
  for (DWORD size = 1024; size <= 65536; size *= 4) {
    std::wstring buffer(size, L'\0');
    const DWORD n = GetPrivateProfileStringW(L"InternetShortcut", L"URL", L"", buffer.data(), size, wideFile.c_str());
    if (n < size - 1) {
      buffer.resize(n);
      target = gFromWide(buffer);
      return !target.empty();
    }
  }
  return false;
}

bool mReadLink(const std::string& file, std::string& target) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool ok = false;
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
      wchar_t path[MAX_PATH] = {};
      if (SUCCEEDED(persist->Load(gToWide(file).c_str(), STGM_READ)) &&
          SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) {
        target = gFromWide(path);
        ok = true;
      }
      persist->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return ok;
}

}  // namespace

bool gGetlnkPath(const std::string& shortcutFile, std::string& target) {
  try {
    // The profile functions look in the Windows folder for a bare name; give them the whole path.
    wchar_t full[MAX_PATH] = {};
    const DWORD n = GetFullPathNameW(gToWide(shortcutFile).c_str(), MAX_PATH, full, nullptr);
    const std::string path = n > 0 && n < MAX_PATH ? gFromWide(full) : shortcutFile;
    if (GetFileAttributesW(gToWide(path).c_str()) == INVALID_FILE_ATTRIBUTES) {
      gErrRaiseLastError();
      gProcError("gGetlnkPath", "strTarget=" + shortcutFile);
      return false;
    }
    std::string found;
    const std::string ext = gUpperAscii(gGetFileExt(path));
    const bool ok = ext == "LNK" ? mReadLink(path, found) : mReadUrl(path, found);
    if (!ok) {
      gErrRaise(5, "no shortcut target in " + shortcutFile);
      gProcError("gGetlnkPath", "strTarget=" + shortcutFile);
      return false;
    }
    target = found;
    return true;
  } catch (...) {
    gErrRaise(5, "gGetlnkPath");
    gProcError("gGetlnkPath", "");
    return false;
  }
}
