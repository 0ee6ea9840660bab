// Path splitting (folder, name, extension, parent folders) and the shell's special folders.
#include "common/files.h"

#include <windows.h>
#include <shlobj.h>

#include "common/error_log.h"
#include "common/text.h"

namespace {

// Where the name part starts: after the last "\", else after a drive's ":", else at 0.
size_t mNameStart(const std::string& path) {
  const size_t slash = path.rfind('\\');
  if (slash != std::string::npos) return slash + 1;
  const size_t colon = path.find(':');
  return colon == std::string::npos ? 0 : colon + 1;
}

}  // namespace

std::string cPath::GetPath() const {
  const size_t slash = FileName.rfind('\\');
  if (slash != std::string::npos) return FileName.substr(0, slash + 1);
  const size_t colon = FileName.find(':');
  if (colon != std::string::npos) return FileName.substr(0, colon + 1) + "\\";
  return {};
}

std::string cPath::GetFileName() const { return FileName.substr(mNameStart(FileName)); }

std::string cPath::GetFileNameOnly() const {
  const std::string name = GetFileName();
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string cPath::GetExt() const {
  const std::string name = GetFileName();
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string cPath::GetSpecialFolder(int folder) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, &list)) || list == nullptr) return {};
  wchar_t buffer[MAX_PATH] = {};
  const BOOL got = SHGetPathFromIDListW(list, buffer);
  CoTaskMemFree(list);
  if (!got || buffer[0] == L'\0') return {};
  wchar_t full[MAX_PATH] = {};
  const DWORD n = GetFullPathNameW(buffer, MAX_PATH, full, nullptr);
  return gFromWide(n > 0 && n < MAX_PATH ? full : buffer);
}

bool gGetPath(const std::string& path, std::string& folder) {
  try {
    cPath p;
    p.FileName = path;
    folder = p.GetPath();
    return true;
  } catch (...) {
    gErrRaise(5, "gGetPath");
    gProcError("gGetPath", "");
    return false;
  }
}

std::string gGetFileName(const std::string& path) {
  try {
    cPath p;
    p.FileName = path;
    return p.GetFileName();
  } catch (...) {
    gErrRaise(5, "gGetFileName");
    gProcError("gGetFileName", "");
    return " ";
  }
}

std::string gGetFileNameOnly(const std::string& path) {
  try {
    cPath p;
    p.FileName = path;
    return p.GetFileNameOnly();
  } catch (...) {
    gErrRaise(5, "gGetFileNameOnly");
    gProcError("gGetFileNameOnly", "");
    return " ";
  }
}

std::string gGetFileExt(const std::string& path) {
  try {
    cPath p;
    p.FileName = path;
    return p.GetExt();
  } catch (...) {
    gErrRaise(5, "gGetFileExt");
    gProcError("gGetFileExt", "");
    return {};
  }
}

bool gGetParentDir(const std::string& path, long levels, std::string& folder) {
  try {
    std::string current;
    gGetPath(path, current);
    if (current.empty() || current.back() != '\\') current += '\\';
    for (long i = 0; i < levels; ++i) {
      const size_t at = current.find_last_of("\\:");
      // The drive is reached: there is no folder above it.
      if (at == std::string::npos || current[at] == ':') {
        gErrRaise(5, "no parent folder above " + current);
        gProcError("gGetParentDir", "");
        return false;
      }
      current.resize(at);
      if (current.size() == 1) current += '\\';
    }
    folder = current;
    return true;
  } catch (...) {
    gErrRaise(5, "gGetParentDir");
    gProcError("gGetParentDir", "");
    return false;
  }
}
