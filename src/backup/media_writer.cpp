// Moving the packed backup archive onto floppy disks, cut to fit, or into a folder, with its information file.
#include "backup/media_writer.h"

#include <windows.h>

#include <algorithm>

#include "backup/backup_view.h"
#include "common/drives.h"
#include "common/error_log.h"
#include "common/files.h"
#include "common/messages.h"
#include "common/system.h"
#include "common/text.h"
#include "common/ui.h"
#include "formats/info_file.h"
#include "formats/split_join.h"
#include "locations/favorite_index.h"
#include "shell/session.h"
#include "shell/session_state.h"
#include "shell/targets.h"

namespace {

// Room left on disk 1 beside its piece, below which the index page is not put there.
constexpr int64_t kIndexPageMargin = 100;

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

// Renames a scratch file inside the working folder, replacing what stands there.
bool mRename(const std::string& from, const std::string& to) {
  if (MoveFileExW(gToWide(from).c_str(), gToWide(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  gErrRaiseLastError();
  return false;
}

DWORD CALLBACK mMoveProgress(LARGE_INTEGER total, LARGE_INTEGER done, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD,
                             HANDLE, HANDLE, LPVOID) {
  gBackupView().SetProgress(static_cast<uint64_t>(done.QuadPart), static_cast<uint64_t>(total.QuadPart));
  gUi().DoEvents();
  return PROGRESS_CONTINUE;
}

// Moves a file onto the medium (a copy and delete across drives). Only a destination of the source's full size
// counts: a full disk or a pulled disk must never pass for a written backup.
bool mMoveToMedium(const std::string& from, const std::string& to) {
  int64_t size = 0;
  if (!mFileSize(from, size)) return false;
  const BOOL moved = MoveFileWithProgressW(gToWide(from).c_str(), gToWide(to).c_str(), mMoveProgress, nullptr,
                                           MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  const DWORD error = GetLastError();
  gBackupView().SetProgress(0, 0);
  if (!moved) {
    int64_t left = 0;
    // A half-written piece is removed, but only while the whole source is still there.
    if (mFileSize(from, left) && left == size) DeleteFileW(gToWide(to).c_str());
    gErrRaiseWin32(error);
    return false;
  }
  int64_t written = -1;
  if (!mFileSize(to, written) || written != size) {
    gErrRaise(5, "written " + std::to_string(written) + " of " + std::to_string(size) + " bytes to " + to);
    return false;
  }
  return true;
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

}  // namespace

bool gSaveBackupDataToFD() {
  SessionState& s = gSession();
  const std::string tempFile = mWorkFile("TempFile");
  const std::string pieceFile = mWorkFile("SaveTempFile");
  const std::string restFile = mWorkFile("RimainFile");

  for (int n = 1;; ++n) {
    int64_t capacity = 0;
    if (!mWaitForEmptyDisk(capacity)) return false;
    if (!mMakeDataSaveDir()) return false;
    gBackupView().SetMessage("フロッピーディスクにデータを書き込んでいます。\r\nしばらくお待ちください。");
    gProcTune(100);

    const std::string dest = gAddRoot(s.DataSaveDir) + std::to_string(n) + "_" + s.PackFileName;
    int64_t length = 0;
    if (!mFileSize(s.PackFile, length)) return mFailFD();
    // The piece is cut to what the disk really takes, less room for the information file and index page.
    const int64_t room = capacity - kDiskMargin;
    const bool more = length > room;
    int64_t written = length;
    if (more) {
      if (room <= 0) {
        gErrRaise(5, "disk of " + std::to_string(capacity) + " bytes is too small");
        return mFailFD();
      }
      if (!mRename(s.PackFile, tempFile)) return mFailFD();
      gProcTune(100);
      if (!gFileDivide(tempFile, room, pieceFile, restFile)) return mFailFD();
      gProcTune(100);
      if (!mMoveToMedium(pieceFile, dest)) return mFailFD();
      written = room;
    } else if (!mMoveToMedium(s.PackFile, dest)) {
      return mFailFD();
    }

    gProcTune(100);
    if (!mSaveFile(more, n)) return false;
    gProcTune(100);
    // The page goes beside the first piece, into what that disk has left.
    if (n == 1 && s.TargetSoft == kTargetFavorite &&
        !mProcFavoriteIndexFile(s.DataSaveDir, capacity - written - kIndexPageMargin))
      return false;
    gProcTune(100);
    if (!more) return true;

    if (!gDelFile(tempFile)) return mFailFD();
    gProcTune(100);
    if (!mRename(restFile, s.PackFile)) return mFailFD();
    gProcTune(100);

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
  const SessionState& s = gSession();
  if (!mMakeDataSaveDir()) return false;
  if (!mMoveToMedium(s.PackFile, gAddRoot(s.DataSaveDir) + "1_" + s.PackFileName)) {
    gProcError("gSaveBackupDataToNOTFD", "");
    return false;
  }
  gUi().DoEvents();
  if (!mSaveFile(false, 0)) return false;
  gUi().DoEvents();
  gProcTune(3000);
  return true;
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
  const auto fail = [] {
    gProcError("mProcFavoriteIndexFile", "");
    return false;
  };
  const std::string page = mWorkFile(kFavoriteIndexFileName.c_str());
  const std::string dest = gAddRoot(folder) + kFavoriteIndexFileName;
  // The page is appended to, so one left from an earlier try would double.
  if (gChkFileExists(page) && !DeleteFileW(gToWide(page).c_str())) {
    gErrRaiseLastError();
    return fail();
  }
  int64_t size = 0;
  if (!gProcCreateFavoriteIndexFile(gAddRoot(gSession().WorkDir), kFavoriteIndexFileName) ||
      !mFileSize(page, size))
    return fail();
  if (size > freeBytes) {
    gErrRaise(5, "index page of " + std::to_string(size) + " bytes, room for " + std::to_string(freeBytes));
    return fail();
  }
  int64_t copied = -1;
  if (!gCopyFile(page, dest) || !mFileSize(dest, copied) || copied != size) {
    if (gErr().number == 0) gErrRaise(5, "index page not copied to " + dest);
    return fail();
  }
  return true;
}
