// The folder swap: plan, check, set aside, bring in, and the way back from any point of it.
#include "restore/swap.h"

#include <windows.h>

#include <set>
#include <system_error>
#include <thread>

#include "common/system.h"
#include "common/text.h"

namespace {

std::wstring mJoin(const std::string& base, const std::string& rel) {
  std::wstring b = gToWide(base);
  while (!b.empty() && b.back() == L'\\') b.pop_back();
  return rel.empty() ? b : b + L"\\" + gToWide(rel);
}

std::string mRel(const std::string& rel, const std::wstring& name) {
  return rel.empty() ? gFromWide(name) : rel + "\\" + gFromWide(name);
}

DWORD mAttributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }
bool mExists(const std::wstring& path) { return mAttributes(path) != INVALID_FILE_ATTRIBUTES; }
bool mIsDir(const std::wstring& path) {
  const DWORD a = mAttributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool mFail(FileFailure& failure, const std::wstring& path, DWORD error) {
  failure.path = gFromWide(path);
  failure.error = error != 0 ? error : ERROR_GEN_FAILURE;
  return false;
}

// The entries of a folder other than "." and ".."; false when it cannot be listed (a missing folder lists
// as empty).
bool mList(const std::wstring& folder, std::vector<WIN32_FIND_DATAW>& entries, FileFailure& failure) {
  entries.clear();
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES
               ? true
               : mFail(failure, folder, error);
  }
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") entries.push_back(data);
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return true;
}

std::wstring mUpper(std::wstring s) {
  CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

// Every file below path (path itself when it is one) with its size, relative to the folder path lies in.
bool mCollectFiles(const std::wstring& path, const std::string& rel,
                   std::vector<std::pair<std::string, uint64_t>>& files, FileFailure& failure) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return mFail(failure, path, GetLastError());
  if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    files.emplace_back(rel, (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    return true;
  }
  std::vector<WIN32_FIND_DATAW> entries;
  if (!mList(path, entries, failure)) return false;
  for (const auto& e : entries) {
    // The listing has each file's size already: no second look at it by name.
    if (!(e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      files.emplace_back(mRel(rel, e.cFileName), (static_cast<uint64_t>(e.nFileSizeHigh) << 32) | e.nFileSizeLow);
    else if (!mCollectFiles(path + L"\\" + e.cFileName, mRel(rel, e.cFileName), files, failure))
      return false;
  }
  return true;
}

// Could the entry (and all below it) be moved now? A file another program holds refuses a delete-access open.
// The attributes come from the listing of the folder above when there is one.
bool mChkMovable(const std::wstring& path, FileFailure& failure, DWORD a = INVALID_FILE_ATTRIBUTES) {
  if (a == INVALID_FILE_ATTRIBUTES) a = mAttributes(path);
  if (a == INVALID_FILE_ATTRIBUTES) return true;  // gone already: nothing to move
  const bool dir = (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT);
  if (dir) {
    std::vector<WIN32_FIND_DATAW> entries;
    if (!mList(path, entries, failure)) return false;
    for (const auto& e : entries)
      if (!mChkMovable(path + L"\\" + e.cFileName, failure, e.dwFileAttributes)) return false;
  }
  HANDLE h = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return mFail(failure, path, GetLastError());
  CloseHandle(h);
  return true;
}

// Makes the folders above rel inside base.
bool mMakeParents(const std::string& base, const std::string& rel, FileFailure& failure) {
  size_t at = 0;
  while ((at = rel.find('\\', at)) != std::string::npos) {
    const std::wstring folder = mJoin(base, rel.substr(0, at));
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return mFail(failure, folder, GetLastError());
    ++at;
  }
  return true;
}

bool mMove(const std::wstring& from, const std::wstring& to, FileFailure& failure) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  return mFail(failure, from, GetLastError());
}

// Removes a file or a folder tree (links removed as links, not followed).
bool mRemove(const std::wstring& path, FileFailure& failure) {
  const DWORD a = mAttributes(path);
  if (a == INVALID_FILE_ATTRIBUTES) return true;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) {
    std::vector<WIN32_FIND_DATAW> entries;
    if (!mList(path, entries, failure)) return false;
    for (const auto& e : entries)
      if (!mRemove(path + L"\\" + e.cFileName, failure)) return false;
  }
  const BOOL ok = (a & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
  return ok ? true : mFail(failure, path, GetLastError());
}

// Removes a folder that should hold only empty folders by now; anything else in it is left and is a failure.
bool mRemoveEmptyTree(const std::wstring& path, FileFailure& failure) {
  if (!mExists(path)) return true;
  std::vector<WIN32_FIND_DATAW> entries;
  if (!mList(path, entries, failure)) return false;
  for (const auto& e : entries) {
    const std::wstring child = path + L"\\" + e.cFileName;
    if (!(e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return mFail(failure, child, ERROR_DIR_NOT_EMPTY);
    if (!mRemoveEmptyTree(child, failure)) return false;
  }
  return RemoveDirectoryW(path.c_str()) ? true : mFail(failure, path, GetLastError());
}

// The volume a path lies on; for a path that does not exist yet, the one of its folder.
std::wstring mVolume(const std::wstring& path) {
  wchar_t volume[MAX_PATH] = {};
  if (!GetVolumePathNameW(path.c_str(), volume, MAX_PATH)) return {};
  return mUpper(volume);
}

bool mCovered(const std::set<std::wstring>& items, const std::string& rel) {
  std::wstring r = mUpper(gToWide(rel));
  for (;;) {
    if (items.count(r)) return true;
    const size_t at = r.rfind(L'\\');
    if (at == std::wstring::npos) return false;
    r.resize(at);
  }
}

bool mWalk(FolderSwap& swap, const std::string& rel, std::set<std::wstring>& asideSet, FileFailure& failure) {
  std::vector<WIN32_FIND_DATAW> entries;
  if (!mList(mJoin(swap.incoming, rel), entries, failure)) return false;
  for (const auto& e : entries) {
    const std::string r = mRel(rel, e.cFileName);
    const std::wstring cur = mJoin(swap.current, r);
    const bool incomingDir = (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!mCovered(asideSet, r) && mExists(cur)) {
      if (incomingDir && mIsDir(cur)) {
        if (!mWalk(swap, r, asideSet, failure)) return false;
        continue;
      }
      // A current entry that an incoming one meets goes aside whole.
      swap.asideItems.push_back(r);
      asideSet.insert(mUpper(gToWide(r)));
    }
    swap.units.push_back(r);
    if (!mCollectFiles(mJoin(swap.incoming, r), r, swap.files, failure)) return false;
  }
  return true;
}

}  // namespace

std::string gGetAsideFolder(const std::string& current, const std::string& label) {
  std::string folder = current;
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  const std::string base = folder + " (" + label;
  std::string candidate = base + ")";
  for (int n = 2; mExists(gToWide(candidate)) && n < 1000; ++n) candidate = base + " " + std::to_string(n) + ")";
  return candidate;
}

bool gPlanSwap(FolderSwap& swap, bool mergeOnly, const std::vector<std::string>& initial, FileFailure& failure) {
  swap.asideItems.clear();
  swap.units.clear();
  swap.files.clear();
  std::set<std::wstring> asideSet;
  if (!mergeOnly && initial.empty()) {
    std::vector<WIN32_FIND_DATAW> entries;
    if (!mList(mJoin(swap.current, ""), entries, failure)) return false;
    for (const auto& e : entries) swap.asideItems.push_back(gFromWide(e.cFileName));
  } else {
    for (const std::string& item : initial)
      if (mExists(mJoin(swap.current, item))) swap.asideItems.push_back(item);
  }
  for (const std::string& item : swap.asideItems) asideSet.insert(mUpper(gToWide(item)));
  return mWalk(swap, "", asideSet, failure);
}

bool gChkSwapMovable(const FolderSwap& swap, FileFailure& failure) {
  const std::wstring current = mJoin(swap.current, "");
  const std::wstring asideParent = mJoin(swap.aside, "").substr(0, mJoin(swap.aside, "").rfind(L'\\') + 1);
  // Renames keep what is set aside on the very disk it lies on: never a copy that could fail half-way.
  const std::wstring a = mVolume(current), b = mVolume(asideParent);
  if (a.empty() || a != b) return mFail(failure, gToWide(swap.aside), ERROR_NOT_SAME_DEVICE);
  // What goes aside and what comes in by rename are checked at the same time, on two threads: each check is
  // one open after another, mostly waiting on the file system. The failure told is the one a check of one
  // after the other would meet first.
  FileFailure incomingFailure;
  bool incomingOk = true;
  auto checkIncoming = [&swap, &incomingFailure, &incomingOk] {
    for (const std::string& unit : swap.units)
      if (!mChkMovable(mJoin(swap.incoming, unit), incomingFailure)) {
        incomingOk = false;
        return;
      }
  };
  std::thread incoming;
  if (swap.byRename && !swap.units.empty()) {
    try {
      incoming = std::thread(checkIncoming);
    } catch (const std::system_error&) {
      // No thread to be had: the same check follows on this one.
    }
  }
  bool currentOk = true;
  for (const std::string& item : swap.asideItems)
    if (!mChkMovable(mJoin(swap.current, item), failure)) {
      currentOk = false;
      break;
    }
  if (incoming.joinable())
    incoming.join();
  else if (currentOk && swap.byRename)
    checkIncoming();
  if (!currentOk) return false;
  if (!incomingOk) failure = incomingFailure;
  return incomingOk;
}

bool gProcSetAside(const FolderSwap& swap, FileFailure& failure, const char* testPoint) {
  const std::wstring aside = mJoin(swap.aside, "");
  if (!CreateDirectoryW(aside.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return mFail(failure, aside, GetLastError());
  for (const std::string& item : swap.asideItems) {
    const std::wstring from = mJoin(swap.current, item);
    if (!mExists(from)) continue;
    if (!mMakeParents(swap.aside, item, failure) || !mMove(from, mJoin(swap.aside, item), failure)) return false;
    gProcTestStopPoint(testPoint);
  }
  return true;
}

bool gProcBringIn(const FolderSwap& swap, FileFailure& failure, const char* testPoint) {
  for (const std::string& unit : swap.units) {
    const std::wstring from = mJoin(swap.incoming, unit), to = mJoin(swap.current, unit);
    if (swap.byRename) {
      if (!mMove(from, to, failure)) return false;
    } else if (mIsDir(from)) {
      if (!gCopyTree(gFromWide(from), gFromWide(to), failure)) return false;
    } else {
      uint32_t crc = 0;
      uint64_t size = 0;
      if (!gCopyFileChecked(gFromWide(from), gFromWide(to), crc, size, {}, failure)) return false;
    }
    gProcTestStopPoint(testPoint);
  }
  // Every file of the set is in place, whole.
  for (const auto& [rel, size] : swap.files) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    const std::wstring path = mJoin(swap.current, rel);
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return mFail(failure, path, GetLastError());
    if (((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) != size)
      return mFail(failure, path, ERROR_CRC);
  }
  return true;
}

bool gDelSwapFolder(const std::string& folder, FileFailure& failure) { return mRemove(mJoin(folder, ""), failure); }

bool gDelEmptyFolderTree(const std::string& folder, FileFailure& failure) {
  return mRemoveEmptyTree(mJoin(folder, ""), failure);
}

bool gProcUndoSwap(const FolderSwap& swap, bool broughtIn, FileFailure& failure) {
  // Once everything planned went aside, a unit's name in the folder is a unit brought in.
  for (auto it = swap.units.rbegin(); broughtIn && it != swap.units.rend(); ++it) {
    const std::wstring here = mJoin(swap.current, *it);
    if (!mExists(here)) continue;
    if (swap.byRename) {
      if (!mMakeParents(swap.incoming, *it, failure) || !mMove(here, mJoin(swap.incoming, *it), failure)) return false;
    } else if (!mRemove(here, failure)) {
      return false;
    }
  }
  for (auto it = swap.asideItems.rbegin(); it != swap.asideItems.rend(); ++it) {
    const std::wstring kept = mJoin(swap.aside, *it);
    if (mExists(kept) && !mMove(kept, mJoin(swap.current, *it), failure)) return false;
  }
  return mRemoveEmptyTree(mJoin(swap.aside, ""), failure);
}
