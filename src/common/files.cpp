// Existence tests, folder sizes, the Windows and temporary folders, long names and shell execute.
#include "common/files.h"

#include <windows.h>

#include "common/app.h"
#include "common/char_helpers.h"
#include "common/drives.h"
#include "common/error_log.h"
#include "common/find_file.h"
#include "common/system.h"
#include "common/text.h"

namespace {

// True when a listing of the path with the directory attribute returns a real name. Wide calls: the user's
// files may have names the system code page cannot write.
bool mListsAsFolder(const std::string& path) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(gToWide(path).c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  do {
    const std::wstring name = data.cFileName;
    if (!name.empty() && name != L"." && name != L"..") found = true;
  } while (!found && FindNextFileW(h, &data));
  FindClose(h);
  return found;
}

}  // namespace

bool gChkFileExists(const std::string& path) {
  if (gTrim(path).empty()) return false;
  if (path.size() >= 2 && path.compare(path.size() - 2, 2, "\\*") == 0) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(gToWide(path).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) found = true;
    } while (!found && FindNextFileW(h, &data));
    FindClose(h);
    return found;
  }
  HANDLE h = CreateFileW(gToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  // A folder opens only with backup semantics, so what opened here is a file.
  CloseHandle(h);
  return true;
}

bool gChkDirExists(const std::string& path, bool driveTest) {
  const std::string folder = gUnRoot(path);
  const bool bareDrive = !folder.empty() && folder.back() == ':';
  if (!driveTest && bareDrive) return gChkDriveMediaCondition(folder);
  // A listing of "E:" alone names nothing (it is the drive's current folder, not a folder of its own): a
  // drive's root is a folder when the drive holds a readable medium.
  if (bareDrive) {
    const DWORD a = GetFileAttributesW(gToWide(folder + "\\").c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }
  return mListsAsFolder(folder);
}

bool gGetDirSize(const std::string& folder, double& total) {
  FindFileResult found;
  const bool ok = gFindFile(folder, FindFileOptions{}, found);
  total = found.totalSize;
  if (ok) return true;
  gProcError("gGetDirSize", "");
  return false;
}

std::string gGetWinDir() {
  char buffer[MAX_PATH] = {};
  const UINT n = GetWindowsDirectoryA(buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    gErrRaiseLastError();
    gProcError("gGetWinDir", "");
    return {};
  }
  return gFromAnsi(buffer);
}

std::string gGetWinTempDir() {
  std::string chosen;
  for (const std::string& candidate : {gGetEnvValue("temp"), gGetEnvValue("tmp"), gAddRoot(gGetWinDir()) + "Temp"}) {
    if (!candidate.empty() && mListsAsFolder(gUnRoot(candidate))) {
      chosen = candidate;
      break;
    }
  }
  if (chosen.empty()) chosen = gGetAppPath();
  return gGetLongFileName(chosen);
}

std::string gGetLongFileName(const std::string& path) {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD n = GetLongPathNameW(gToWide(path).c_str(), buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    gErrRaiseLastError();
    gProcError("gGetLongFileName", "");
    return path;
  }
  return gFromWide(buffer);
}

bool gShellExecute(const std::string& file, int showCommand) {
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  const auto code = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", gToWide(file).c_str(), nullptr, folder, showCommand));
  switch (code) {
    case 0: case 2: case 3: case 5: case 8: case 11:
      return false;
    default:
      return !(code >= 26 && code <= 32);
  }
}

bool gChkDirHasEntries(const std::string& folder) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(gToWide(gAddRoot(folder) + "*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  do {
    const std::wstring name = data.cFileName;
    found = name != L"." && name != L"..";
  } while (!found && FindNextFileW(h, &data));
  FindClose(h);
  return found;
}
