// Recursive purge of a folder, and the folders that no purge or delete may ever touch.
#include "common/files.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

#include "common/error_log.h"
#include "common/system.h"
#include "common/text.h"

namespace {

// The absolute long form, upper case, without a trailing "\" (a drive root keeps it: "C:\").
std::wstring mComparable(const std::wstring& path) {
  wchar_t full[MAX_PATH * 2] = {};
  DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
  std::wstring result = (n > 0 && n < MAX_PATH * 2) ? std::wstring(full, n) : path;
  wchar_t longer[MAX_PATH * 2] = {};
  n = GetLongPathNameW(result.c_str(), longer, MAX_PATH * 2);
  if (n > 0 && n < MAX_PATH * 2) result.assign(longer, n);
  CharUpperBuffW(result.data(), static_cast<DWORD>(result.size()));
  while (result.size() > 3 && result.back() == L'\\') result.pop_back();
  return result;
}

// True when `inner` is `outer` or lies below it.
bool mIsWithin(const std::wstring& inner, const std::wstring& outer) {
  if (outer.empty() || inner.size() < outer.size() || inner.compare(0, outer.size(), outer) != 0) return false;
  return inner.size() == outer.size() || outer.back() == L'\\' || inner[outer.size()] == L'\\';
}

std::vector<std::wstring> mKeptFolders() {
  std::vector<std::wstring> kept;
  wchar_t buffer[MAX_PATH] = {};
  if (GetWindowsDirectoryW(buffer, MAX_PATH) > 0) kept.push_back(buffer);
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, buffer))) kept.push_back(buffer);
  const std::string profile = gGetEnvValue("userprofile");
  if (!profile.empty()) kept.push_back(gToWide(profile));
  return kept;
}

// Folder entries other than "." and "..", listed before anything is deleted: the purge changes the folder.
bool mListEntries(const std::wstring& folder, std::vector<WIN32_FIND_DATAW>& entries) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((folder + L"*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A missing folder has nothing to purge.
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES;
  }
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") entries.push_back(data);
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return true;
}

// Deletes with the operation; when that fails, clears the attributes (read-only, say) and tries once more.
template <typename Op>
bool mDeleteWithRetry(const std::wstring& path, Op op) {
  if (op(path.c_str())) return true;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return op(path.c_str()) != 0;
}

// Reports a failure that survived the retry; the log tells the user which file stopped the purge.
bool mFail(const std::wstring& path) {
  gErrRaiseLastError();
  const std::string message = "Error No." + std::to_string(gErr().number) + "rises.\r\n(This mean '" +
                              gErr().description + "' )\r\nStop purging.\r\nCheck the file '" +
                              gFromWide(path) + "' ,and purge agein.";
  gProcError("gDelDir", message);
  return false;
}

bool mPurge(const std::wstring& folder, long level) {
  std::vector<WIN32_FIND_DATAW> entries;
  if (!mListEntries(folder, entries)) return mFail(folder);
  for (const WIN32_FIND_DATAW& entry : entries) {
    const std::wstring path = folder + entry.cFileName;
    const bool isDir = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    // A linked folder is removed as a link: following it would empty a folder that lies elsewhere.
    if (isDir && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      if (!mPurge(path + L"\\", level + 1)) return false;
    } else if (isDir) {
      if (!mDeleteWithRetry(path, RemoveDirectoryW)) return mFail(path);
    } else if (!mDeleteWithRetry(path, DeleteFileW)) {
      return mFail(path);
    }
  }
  if (level > 0) {
    const std::wstring self = folder.substr(0, folder.size() - 1);
    if (!mDeleteWithRetry(self, RemoveDirectoryW)) return mFail(self);
  }
  return true;
}

}  // namespace

bool gChkProtectedDir(const std::string& path) {
  std::string trimmed = gTrim(path);
  // "C:\*.*" reaches everything in the folder it names: judge that folder.
  if (gGetFileName(trimmed).find_first_of("*?") != std::string::npos) {
    std::string folder;
    gGetPath(trimmed, folder);
    trimmed = gTrim(folder);
  }
  if (trimmed.empty()) return true;
  // "C:" alone names the drive's current folder, not its root; refuse it as well.
  if (trimmed.size() == 2 && trimmed[1] == ':') return true;
  const std::wstring target = mComparable(gToWide(trimmed));
  if (PathIsRootW(target.c_str())) return true;
  for (const std::wstring& kept : mKeptFolders())
    if (mIsWithin(mComparable(kept), target)) return true;
  return false;
}

bool gDelDir(const std::string& folder, long level) {
  try {
    if (gChkProtectedDir(folder)) {
      gErrRaise(5, "refused to purge a drive root or a system folder");
      gProcError("gDelDir", "strTarget=" + folder);
      return false;
    }
    return mPurge(gToWide(gAddRoot(folder)), level);
  } catch (...) {
    gErrRaise(5, "gDelDir");
    gProcError("gDelDir", "");
    return false;
  }
}
