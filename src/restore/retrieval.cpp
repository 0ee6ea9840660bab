// Retrieval of a saved backup set: disk by disk off floppy disks, or in one copy from a folder.
#include "restore/retrieval.h"

#include <windows.h>

#include <cmath>
#include <string>

#include "common/drives.h"
#include "common/error_log.h"
#include "common/files.h"
#include "common/messages.h"
#include "common/stage_clock.h"
#include "common/system.h"
#include "common/text.h"
#include "formats/info_file.h"
#include "formats/ini_file.h"
#include "formats/split_join.h"
#include "restore/restore_view.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/set_info.h"

namespace {

constexpr short kMsgNextDisk = 44;
constexpr short kMsgNoDisk = 1004;
constexpr short kMsgNoSet = 1006;
constexpr short kMsgOtherSet = 1007;
constexpr short kMsgNoSpace = 1015;

const char* const kWaitText = "データを処理しています。\r\nしばらくお待ちください。";

// The archive to unpack; empty until a retrieval gave one.
std::string mArchive;

std::string mPieceName(int32_t disk) { return std::to_string(disk) + "_" + gSession().AppTitle + ".lzh"; }

bool mFileLength(const std::string& path, double& length) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(gToWide(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    gErrRaiseLastError();
    return false;
  }
  length = static_cast<double>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  return true;
}

// A rename within the working folder that replaces what stands there.
bool mRename(const std::string& from, const std::string& to) {
  if (MoveFileExW(gToWide(from).c_str(), gToWide(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  gErrRaiseLastError();
  return false;
}

// Reads "fd-next" of the disk in the drive. A missing or unreadable value is a failure, never "no more disks":
// taking it for the last disk would join an incomplete archive.
bool mChkNextFD(bool& next) {
  const std::string value = gGetIniString(gSession().InfoFile, kInfoSection, "fd-next", " ");
  const std::string word = gUpperAscii(gTrim(value));
  if (word == "TRUE" || word == "FALSE") {
    next = word == "TRUE";
    return true;
  }
  gErrRaise(5, "fd-next=\"" + value + "\"");
  gProcError("mChkNextFD", "");
  return false;
}

// Free space for five times `bytes` on the working folder's drive, asking the user to make room (1015).
// Returns 1 when there is room, 0 when the user stopped, -1 when the check itself failed.
int mWaitForSpace(double bytes) {
  const SessionState& s = gSession();
  for (;;) {
    bool enough = false;
    if (!gChkDriveFreeCapacity(s.TempDrive, bytes * 5, enough)) return -1;
    if (enough) return 1;
    if (gDispMsg(kMsgNoSpace, s.TempDrive, 1) != IDOK) {
      gProcUserStop();
      return 0;
    }
  }
}

// Waits until the drive holds disk `disk` of this set, asking with 1004, 1006, 44 and 1007 as needed.
// False when the user stopped.
bool mWaitForDisk(int32_t disk) {
  const SessionState& s = gSession();
  for (;;) {
    short asked = 0;
    std::string extra;
    if (!gChkDriveMediaCondition(s.FdDrive)) {
      asked = kMsgNoDisk;
    } else if (!gChkFileExists(s.InfoFile)) {
      asked = kMsgNoSet;
    } else if (gGetIniInteger(s.InfoFile, kInfoSection, "fd-number", 255) != std::to_string(disk)) {
      asked = kMsgNextDisk;
      extra = std::to_string(disk) + "枚目";
    } else if (!gChkSameSetInfo()) {
      asked = kMsgOtherSet;
    } else {
      return true;
    }
    if (gDispMsg(asked, extra, 0) != IDOK) {
      gProcUserStop();
      return false;
    }
  }
}

// Joins the pieces 1..count of the working folder into PackFile: the first becomes it, the others are
// appended to it in turn.
bool mJoinPieces(int32_t count) {
  const SessionState& s = gSession();
  const std::string work = gAddRoot(s.WorkDir);
  StageClock clock("restore: join the pieces");
  gProcTune(2000);
  if (!mRename(work + mPieceName(1), s.PackFile)) return false;
  gProcTune(1000);
  for (int32_t a = 2; a <= count; ++a) {
    if (!gFileAppend(s.PackFile, work + mPieceName(a))) {
      gErrRaise(5, "join of piece " + std::to_string(a) + " failed");
      return false;
    }
    gRestoreView().SetProgress(static_cast<uint64_t>(a), static_cast<uint64_t>(count));
  }
  return true;
}

}  // namespace

bool gChkExeistSaveDataFromNOTFD() {
  const SessionState& s = gSession();
  return gChkFileExists(gAddRoot(s.DataSaveDir) + mPieceName(1)) && gChkFileExists(s.InfoFile);
}

bool gMoveSaveDataFromFD(int32_t disk, double& size) {
  const SessionState& s = gSession();
  const std::string source = gAddRoot(s.DataSaveDir) + mPieceName(disk);
  const std::string destination = gAddRoot(s.WorkDir) + mPieceName(disk);
  double length = 0;
  bool ok = mFileLength(source, length);
  if (ok) {
    // A piece left by an earlier attempt would make the copy refuse to start.
    if (gChkFileExists(destination)) DeleteFileW(gToWide(destination).c_str());
    int64_t slice = static_cast<int64_t>(std::llround(length / 10));
    if (slice < 1) slice = 1;
    gRestoreView().SetProgress(0, static_cast<uint64_t>(length));
    ok = gFileCopySlow(source, destination, slice, 200) && mFileLength(destination, size) && size == length;
    if (ok) gRestoreView().SetProgress(static_cast<uint64_t>(length), static_cast<uint64_t>(length));
    else if (gErr().number == 0) gErrRaise(5, "copy of " + source + " failed");
  }
  if (ok) return true;
  gProcError("gMoveSaveDataFromFD", "");
  return false;
}

bool gGetSaveDataFromFd() {
  int32_t disk = 1;
  double total = 0;
  for (;;) {
    gProcTune(100);
    if (!mWaitForDisk(disk)) return false;
    gRestoreView().SetMessage("フロッピーディスクから保存データを\r\nコピーしています。\r\nしばらくお待ちください。");
    gProcTune(2000);
    double size = 0;
    bool moved = false;
    {
      StageClock clock("restore: fetch the set");
      moved = gMoveSaveDataFromFD(disk, size);
    }
    if (!moved) {
      gProcError("gGetSaveDataFromFd", "");
      return false;
    }
    total += size;
    const int room = mWaitForSpace(total);
    if (room < 0) {
      gProcError("gGetSaveDataFromFd", "");
      return false;
    }
    if (room == 0) return false;
    gRestoreView().SetMessage("");
    gProcTune(500);
    gProcTune(100);
    bool next = false;
    if (!mChkNextFD(next)) {
      gProcError("gGetSaveDataFromFd", "");
      return false;
    }
    if (!next) break;
    ++disk;
    if (gDispMsg(kMsgNextDisk, std::to_string(disk) + "枚目", 0) != IDOK) {
      gProcUserStop();
      return false;
    }
  }
  if (!mJoinPieces(disk)) {
    gProcError("gGetSaveDataFromFd", "");
    return false;
  }
  mArchive = gSession().PackFile;
  return true;
}

bool gGetSaveDataFromNOTFD() {
  const SessionState& s = gSession();
  const std::string source = gAddRoot(s.DataSaveDir) + mPieceName(1);
  double length = 0;
  if (!mFileLength(source, length)) {
    gProcError("gGetSaveDataFromNOTFD", "");
    return false;
  }
  const int room = mWaitForSpace(length);
  if (room == 0) return false;
  if (room > 0) {
    mArchive = source;
    return true;
  }
  gProcError("gGetSaveDataFromNOTFD", "");
  return false;
}

std::string gGetRetrievedArchive() { return mArchive.empty() ? gSession().PackFile : mArchive; }

bool gProcRestoreFromFD() {
  mArchive.clear();
  gRestoreView().SetMessage(kWaitText);
  gProcTune(2000);
  if (gGetSaveDataFromFd()) return true;
  if (!gSession().UserStopped) gProcError("gProcRestoreFromFD", "");
  return false;
}

bool gProcRestoreFromNOTFD() {
  mArchive.clear();
  gRestoreView().SetMessage(kWaitText);
  gProcTune(2000);
  if (gGetSaveDataFromNOTFD()) return true;
  if (!gSession().UserStopped) gProcError("gProcRestoreFromNOTFD", "");
  return false;
}
