// Moving the packed backup archive onto floppy disks, cut to fit, or into a folder, with its information file;
// everything written is read back from the medium before the set counts as made.
#include "backup/media_writer.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "backup/backup_view.h"
#include "common/char_helpers.h"
#include "common/drives.h"
#include "common/error_log.h"
#include "common/file_copy.h"
#include "common/files.h"
#include "common/messages.h"
#include "common/stage_clock.h"
#include "common/system.h"
#include "common/text.h"
#include "common/ui.h"
#include "formats/archive_packing.h"
#include "formats/info_file.h"
#include "session/set_info.h"
#include "formats/unlha.h"
#include "locations/favorite_index.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/targets.h"

namespace {

// Room a folder set needs beside its archive: the information file and the set's folder entry.
constexpr int64_t kFolderSetExtra = 64 * 1024;

std::string mWorkFile(const char* name) { return gAddRoot(gSession().WorkDir) + name; }

std::string mFdRoot() { return gSession().FdDrive.substr(0, 1) + ":\\"; }

bool mFileSize(const std::string& path, int64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(gToWide(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    gErrRaiseLastError();
    return false;
  }
  size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

void mDelete(const std::string& path) {
  SetFileAttributesW(gToWide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(gToWide(path).c_str());
}

// The volume's root of a path ("C:\", "\\server\share\"); "" when the system cannot tell.
std::string mVolumeOf(const std::string& path) {
  wchar_t volume[MAX_PATH] = {};
  if (!GetVolumePathNameW(gToWide(path).c_str(), volume, MAX_PATH)) return {};
  return gFromWide(volume);
}

// Free bytes for this user on the volume holding folder.
bool mFreeBytes(const std::string& folder, int64_t& free) {
  ULARGE_INTEGER available{}, total{}, all{};
  if (!GetDiskFreeSpaceExW(gToWide(gAddRoot(folder)).c_str(), &available, &total, &all)) return false;
  free = static_cast<int64_t>(available.QuadPart);
  return true;
}

// The bytes a file of `size` takes on the volume of folder: whole clusters.
int64_t mOnDisk(const std::string& folder, int64_t size) {
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  const std::string root = mVolumeOf(folder);
  if (root.empty() ||
      !GetDiskFreeSpaceW(gToWide(root).c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
    return size;
  const int64_t cluster = static_cast<int64_t>(sectorsPerCluster) * bytesPerSector;
  return cluster > 0 ? (size + cluster - 1) / cluster * cluster : size;
}

std::string mSizeText(int64_t bytes) {
  char text[32];
  if (bytes >= 1024 * 1024) std::snprintf(text, sizeof text, "%.1f MB", bytes / (1024.0 * 1024.0));
  else std::snprintf(text, sizeof text, "%lld KB", static_cast<long long>((bytes + 1023) / 1024));
  return text;
}

// The progress bar over a write and its read-back: the first half writes, the second reads back.
CopyProgress mHalf(int half) {
  return [half](uint64_t done, uint64_t total) {
    gBackupView().SetProgress(half == 0 ? done : total + done, 2 * total);
  };
}

// A file as it was meant to be on the medium: its CRC-32 and length.
struct Meant {
  std::string path;
  uint32_t crc = 0;
  uint64_t size = 0;
};

// Copies a file onto the medium; a copy that fails leaves nothing at `to`.
bool mPut(const std::string& from, const std::string& to, Meant& meant, FileFailure& failure) {
  meant.path = to;
  const bool ok = gCopyFileChecked(from, to, meant.crc, meant.size, mHalf(0), failure);
  gBackupView().SetProgress(0, 0);
  return ok;
}

// Copies `length` bytes of a file from `offset` onto the medium as a file of its own, as mPut does.
bool mPutPiece(const std::string& from, int64_t offset, int64_t length, const std::string& to, Meant& meant,
               FileFailure& failure) {
  meant.path = to;
  const bool ok = gCopyFileRangeChecked(from, static_cast<uint64_t>(offset), static_cast<uint64_t>(length), to,
                                        meant.crc, meant.size, mHalf(0), failure);
  gBackupView().SetProgress(0, 0);
  return ok;
}

// Writes the information file of disk n (0 for a folder set).
bool mPutInfo(bool more, int n, Meant& meant, FileFailure& failure) {
  const std::string bytes = gGetInfoFileBytes(more, n);
  meant = {gSession().InfoFile, gCrc32(0, bytes.data(), bytes.size()), bytes.size()};
  return gWriteFileChecked(meant.path, bytes, failure);
}

// Reads what was written back from the medium: true only when it gives back the very bytes that were meant.
bool mCheck(const Meant& meant, FileFailure& failure) {
  uint32_t crc = 0;
  uint64_t size = 0;
  bool ok = gReadBackCrc(meant.path, crc, size, mHalf(1), failure);
  gBackupView().SetProgress(0, 0);
  if (ok && (crc != meant.crc || size != meant.size)) {
    failure = {meant.path, ERROR_CRC};
    ok = false;
  }
  return ok;
}

// Removes what an attempt put on a medium, so that nothing there looks like a set.
void mUndoOnMedium(const std::vector<std::string>& files) {
  for (const std::string& f : files) mDelete(f);
  RemoveDirectoryW(gToWide(gSession().DataSaveDir).c_str());
}

// What the user reads when a disk did not take its piece or gave back other bytes, and what to do.
std::string mBadDiskNotice(const FileFailure& failure) {
  std::string what;
  if (failure.error == ERROR_CRC)
    what = "フロッピーディスクに書き込んだデータを読み戻して確かめたところ、書き込んだ内容と一致しませんでした。\r\n"
           "このフロッピーディスクは傷んでいるおそれがあります。";
  else if (gChkDiskFull(failure.error))
    what = "フロッピーディスクがいっぱいになり、データを書き込めませんでした。";
  else
    what = "フロッピーディスクにデータを書き込めませんでした。\r\n理由：" + gGetSystemErrorText(failure.error);
  return what +
         "\r\n書き込みかけたデータは消しました。\r\n\r\n別のフォーマット済みの空のフロッピーディスクに入れ替えて「再試行」を押して"
         "ください。\r\n「キャンセル」を押すと、バックアップを中止します。";
}

bool mFailFD() {
  gProcError("gSaveBackupDataToFD", "");
  return false;
}

// Waits for an empty disk: message 1003 or 1005 until one is there or the user stops.
bool mWaitForEmptyDisk(int64_t& capacity) {
  for (;;) {
    int answer = IDOK;
    if (mChkFdDrv(true, answer, capacity)) return true;
    if (answer != IDOK) {
      gProcUserStop();
      return false;
    }
  }
}

// Makes the index page in the working folder (afresh: the page is appended to) and gives its size.
bool mMakeIndexPage(std::string& page, int64_t& size) {
  page = mWorkFile(kFavoriteIndexFileName.c_str());
  if (gChkFileExists(page) && !DeleteFileW(gToWide(page).c_str())) {
    gErrRaiseLastError();
    return false;
  }
  return gProcCreateFavoriteIndexFile(gAddRoot(gSession().WorkDir), kFavoriteIndexFileName) && mFileSize(page, size);
}

// Puts the page into folder when its clusters fit in freeBytes; false (with the cause) otherwise.
bool mPlaceIndexPage(const std::string& page, int64_t size, const std::string& folder, int64_t freeBytes) {
  const int64_t needed = mOnDisk(folder, size);
  if (needed > freeBytes) {
    gErrRaise(5, "index page of " + std::to_string(needed) + " bytes on disk, room for " + std::to_string(freeBytes));
    return false;
  }
  FileFailure failure;
  Meant meant;
  const std::string dest = gAddRoot(folder) + kFavoriteIndexFileName;
  if (mPut(page, dest, meant, failure) && mCheck(meant, failure)) return true;
  mDelete(dest);
  gErrRaiseWin32(failure.error);
  return false;
}

// Is the folder set's destination the volume of the working folder? Then the archive goes there by a rename.
bool mSameVolumeAsWork(const std::string& folder) {
  const std::string a = mVolumeOf(gSession().WorkDir), b = mVolumeOf(folder);
  return !a.empty() && _wcsicmp(gToWide(a).c_str(), gToWide(b).c_str()) == 0;
}

enum class Attempt { Done, Failed, Stopped };

// One try at writing the folder set into DataSaveDir: room first, then the archive and the information file,
// then the read-back. A failure undoes what it wrote and leaves the archive in the working folder.
Attempt mWriteFolderSet(std::string& notice) {
  SessionState& s = gSession();
  const std::string parent = gGetParentFolderOf(s.DataSaveDir);
  const bool rename = mSameVolumeAsWork(parent);
  int64_t length = 0;
  if (!mFileSize(s.PackFile, length)) return Attempt::Failed;
  if (!rename) {
    int64_t free = 0;
    const int64_t needed = mOnDisk(parent, length) + kFolderSetExtra;
    if (mFreeBytes(parent, free) && free < needed) {
      notice = "バックアップデータの保存場所に空きが足りません。\r\n\r\n保存場所：" + parent + "\r\n必要な空き：" +
               mSizeText(needed) + "\r\n現在の空き：" + mSizeText(free);
      return Attempt::Stopped;
    }
  }
  if (!CreateDirectoryW(gToWide(s.DataSaveDir).c_str(), nullptr)) {
    const DWORD error = GetLastError();
    notice = "バックアップデータの保存場所にフォルダを作成できませんでした。\r\n\r\n保存場所：" + parent + "\r\n理由：" +
             gGetSystemErrorText(error);
    return Attempt::Stopped;
  }
  const std::string dest = gAddRoot(s.DataSaveDir) + "1_" + s.PackFileName;
  FileFailure failure;
  std::optional<StageClock> clock(std::in_place, "backup: move to the set folder");
  bool ok = rename ? MoveFileExW(gToWide(s.PackFile).c_str(), gToWide(dest).c_str(), 0) != 0 : true;
  if (!ok) failure = {dest, GetLastError()};
  Meant archive, info;
  if (ok && !rename) ok = mPut(s.PackFile, dest, archive, failure);
  if (ok) ok = mPutInfo(false, 0, info, failure) && mCheck(info, failure);
  bool tested = false;
  clock.reset();
  if (ok) {
    StageClock readBack("backup: read the set back");
    tested = true;
    // Read back from the medium, every member's CRC checked: the set that is reported made is one that restores.
    gBackupView().SetMessage("保存したバックアップデータを確かめています。\r\nしばらくお待ちください。");
    gSetArchiveProgress([](uint64_t done, uint64_t total) {
      gBackupView().SetProgress(total + done, 2 * total);
      return true;
    });
    ok = gLzhTest(dest);
    gSetArchiveProgress({});
    if (!ok) failure = {dest, ERROR_CRC};
  }
  gBackupView().SetProgress(0, 0);
  if (ok) {
    if (!rename) mDelete(s.PackFile);
    return Attempt::Done;
  }
  gErrRaiseWin32(failure.error);
  gProcError("gSaveBackupDataToNOTFD", "strTarget=" + failure.path);
  if (rename && gChkFileExists(dest)) MoveFileExW(gToWide(dest).c_str(), gToWide(s.PackFile).c_str(), 0);
  mUndoOnMedium({dest, s.InfoFile});
  if (!gChkFileExists(s.PackFile)) return Attempt::Failed;
  if (failure.error == ERROR_CRC && !tested)
    notice = "保存したデータを読み戻して確かめたところ、書き込んだ内容と一致しませんでした。";
  else if (failure.error == ERROR_CRC)
    notice = "保存したバックアップデータを読み戻して確かめたところ、正しく読めませんでした。";
  else if (gChkDiskFull(failure.error))
    notice = "バックアップデータの保存場所がいっぱいになり、書き込めませんでした。";
  else
    notice = "バックアップデータを保存場所に書き込めませんでした。\r\n理由：" + gGetSystemErrorText(failure.error);
  notice += "\r\n書き込みかけたデータは消しました。\r\n\r\n保存場所：" + parent;
  return Attempt::Stopped;
}

}  // namespace

std::string gGetParentFolderOf(const std::string& path) {
  std::string folder;
  gGetPath(gUnRoot(path), folder);
  return folder.size() > 3 ? gUnRoot(folder) : folder;
}

std::string gGetBackupFolderName() {
  const SessionState& s = gSession();
  std::string name;
  gGetStrBkSoft(s.TargetSoft, name);
  return s.AppTitle + " " + name + " バックアップデータ " + s.BackupDateText;
}

std::string gGetFreeSetFolder(const std::string& parent) {
  const std::string base = gAddRoot(parent) + gGetBackupFolderName();
  // The first set keeps its plain name; a later one in the same minute gets a number the user can read.
  std::string candidate = base;
  for (int n = 2; GetFileAttributesW(gToWide(candidate).c_str()) != INVALID_FILE_ATTRIBUTES && n < 1000; ++n)
    candidate = base + " (" + std::to_string(n) + ")";
  return candidate;
}

bool gChkSaveDirInData(const std::string& saveDir, const std::string& dataDir) {
  // Folder names ignore letter case on Windows, so the comparison does too.
  const std::string data = gAddRoot(gUnRoot(dataDir));
  const std::string head = gAddRoot(saveDir.substr(0, gUnRoot(dataDir).size()));
  return gUpperAscii(head) == gUpperAscii(data);
}

bool gSaveBackupDataToFD() {
  SessionState& s = gSession();
  const bool favorites = gSessionTarget().indexPage;
  // The Favorites page is made first: disk 1 keeps room for it beside its piece.
  std::string page;
  int64_t pageSize = 0;
  if (favorites && !mMakeIndexPage(page, pageSize)) {
    gProcError("mProcFavoriteIndexFile", "");
    return mFailFD();
  }
  // Each disk's piece is read straight out of the archive, which stays whole in the working folder until
  // the last disk is checked: no byte is copied on the way but onto its disk, and a failed disk has
  // nothing to put back together.
  int64_t length = 0;
  if (!mFileSize(s.PackFile, length)) return mFailFD();
  int64_t offset = 0;

  for (int n = 1;;) {
    int64_t capacity = 0;
    if (!mWaitForEmptyDisk(capacity)) return false;
    if (!mMakeDataSaveDir()) return false;
    gBackupView().SetMessage("フロッピーディスクにデータを書き込んでいます。\r\nしばらくお待ちください。");
    gProcTune(100);

    const std::string dest = gAddRoot(s.DataSaveDir) + std::to_string(n) + "_" + s.PackFileName;
    // The piece is cut to what the disk really takes, less room for the information file and index page.
    const int64_t reserved = favorites && n == 1 ? mOnDisk(mFdRoot(), pageSize) : 0;
    const int64_t room = capacity - kDiskMargin - reserved;
    const bool more = length - offset > room;
    const int64_t piece = more ? room : length - offset;
    FileFailure failure;
    bool ok = true;
    if (more && room <= 0) {
      failure = {mFdRoot(), ERROR_DISK_FULL};
      ok = false;
    }
    Meant written, info;
    if (ok) ok = mPutPiece(s.PackFile, offset, piece, dest, written, failure);
    gProcTune(100);
    if (ok) ok = mPutInfo(more, n, info, failure);
    gProcTune(100);
    // Both are read back from the disk, past the cache, before the next disk is asked for.
    if (ok) ok = mCheck(written, failure) && mCheck(info, failure);
    if (!ok) {
      // The disk did not take its piece whole: nothing of this try stays on it, and the same piece goes to
      // another disk.
      gErrRaiseWin32(failure.error);
      gProcError("gSaveBackupDataToFD", "strTarget=" + failure.path);
      mUndoOnMedium({dest, s.InfoFile});
      if (!gChkRetryAfterNotice(mBadDiskNotice(failure))) return false;
      continue;
    }
    // The page goes beside the first piece, into what that disk really has left now.
    int64_t free = 0;
    if (favorites && n == 1 && !(mFreeBytes(mFdRoot(), free) && mPlaceIndexPage(page, pageSize, s.DataSaveDir, free))) {
      gProcError("mProcFavoriteIndexFile", "");
      gMsgBox("お気に入りのインデックスファイル（" + kFavoriteIndexFileName +
                  "）は、このフロッピーディスクに入りませんでした。\r\nインデックスファイルは入れずに、バックアップを続けます。",
              MB_OK | MB_ICONINFORMATION, s.AppTitle);
    }
    gProcTune(100);
    if (!more) {
      mDelete(s.PackFile);
      return true;
    }
    offset += piece;
    ++n;

    gBackupView().SetMessage("");
    gBackupView().ShowMenuButton();
    gProcTune(100);
    if (gDispMsg(43, "", 0) != IDOK) {
      gProcUserStop();
      return false;
    }
  }
}

bool gSaveBackupDataToNOTFD() {
  SessionState& s = gSession();
  for (;;) {
    // Another set may have taken the name since the menu chose it: a set is never written over.
    if (GetFileAttributesW(gToWide(s.DataSaveDir).c_str()) != INVALID_FILE_ATTRIBUTES) {
      s.DataSaveDir = gGetFreeSetFolder(gGetParentFolderOf(s.DataSaveDir));
      s.InfoFile = gAddRoot(s.DataSaveDir) + s.AppTitle + ".ini";
    }
    std::string notice;
    switch (mWriteFolderSet(notice)) {
      case Attempt::Done:
        gUi().DoEvents();
        gProcTune(3000);
        return true;
      case Attempt::Failed:
        gProcError("gSaveBackupDataToNOTFD", "");
        return false;
      case Attempt::Stopped:
        break;
    }
    // Another place, or a stop; the archive waits in the working folder meanwhile.
    if (!gChkRetryAfterNotice(notice + "\r\n\r\n「再試行」を押すと、ほかの保存場所を選べます。\r\n"
                                       "「キャンセル」を押すと、バックアップを中止します。"))
      return false;
    for (;;) {
      const std::string parent = gShowSelectDirDlg(0, nullptr);
      if (parent.empty() || !gChkDirExists(parent, true)) {
        gProcUserStop();
        return false;
      }
      if (!gChkSaveDirInData(parent, s.SoftDataDir)) {
        s.DataSaveDir = gGetFreeSetFolder(parent);
        s.InfoFile = gAddRoot(s.DataSaveDir) + s.AppTitle + ".ini";
        break;
      }
      gDispMsg(1013, "", 0);
    }
  }
}

bool mChkFdDrv(bool showMessage, int& answer, int64_t& capacity) {
  answer = IDOK;
  capacity = 0;
  const std::string root = mFdRoot();
  if (gChkDriveMediaCondition(root)) {
    if (gChkDirHasEntries(root)) {
      // Shows the person what is on the disk, so they can decide to clear it or change it.
      gShellExecute(root, SW_SHOWNOACTIVATE);
      gProcTune(500);
      answer = gDispMsg(1005, "", 0);
      return false;
    }
    const long total = gGetDriveAllSpace(root);
    double free = 0;
    if (total > 0 && gGetDriveFreeSpace(root, free) && free > 0) {
      capacity = std::min<int64_t>(total, static_cast<int64_t>(free));
      return true;
    }
    gErrClear();
  }
  if (showMessage) answer = gDispMsg(1003, "", 0);
  return false;
}

bool mMakeDataSaveDir() {
  const std::string& folder = gSession().DataSaveDir;
  if (gChkDirExists(folder)) return true;
  if (CreateDirectoryW(gToWide(folder).c_str(), nullptr)) return true;
  gErrRaiseLastError();
  gProcError("mMakeDataSaveDir", "");
  return false;
}

bool mProcFavoriteIndexFile(const std::string& folder, int64_t freeBytes) {
  std::string page;
  int64_t size = 0;
  if (mMakeIndexPage(page, size) && mPlaceIndexPage(page, size, folder, freeBytes)) return true;
  gProcError("mProcFavoriteIndexFile", "");
  return false;
}
