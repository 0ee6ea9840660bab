// Gathering one target's data for the pack and packing it into the backup archive. The target's folders are
// read where they lie, straight into the archive: a copy first would only write every byte once more and
// read it again. The pack folder holds what Velnor makes itself (the account settings).
#include "backup/backup_data.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

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
#include "formats/registry.h"
#include "formats/unlha.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/targets.h"

namespace {

constexpr double kRegFileRoom = 102400;

// The target's folders the pack reads where they lie, as the gathering made them ready.
std::vector<PackedFolder> mPackedFolders;
const char* const kAccountRoot = "HKEY_CURRENT_USER";
const char* const kAccountKey = "Software\\Microsoft\\Internet Account Manager";
const char* const kAccountFile = "account.reg";

// Creates one folder level; an existing folder is fine. The cause is left as the current error.
bool mMakeDir(const std::string& folder) {
  if (CreateDirectoryW(gToWide(folder).c_str(), nullptr)) return true;
  if (GetLastError() == ERROR_ALREADY_EXISTS && gChkDirExists(folder)) return true;
  gErrRaiseLastError();
  return false;
}

enum class Room { Enough, Declined, Failed };

// Waits for `bytes` to be free on the working folder's drive: message 1015 each time it is short, until there
// is room or the user declines (a user stop). `bytes` is asked again each round, as the data may have grown.
template <typename Needed>
Room mWaitForRoom(Needed needed) {
  const SessionState& s = gSession();
  for (;;) {
    double bytes = 0;
    if (!needed(bytes)) return Room::Failed;
    bool enough = false;
    if (!gChkDriveFreeCapacity(s.TempDrive, bytes, enough)) return Room::Failed;
    if (enough) return Room::Enough;
    if (gDispMsg(1015, s.TempDrive, 1) != IDOK) {
      gProcUserStop();
      return Room::Declined;
    }
  }
}

// What the user reads when a file of the data could not be copied: which file, why, what to do. A file that
// another program holds is the usual case: the target program still running.
std::string mCopyNotice(const FileFailure& failure) {
  std::string program;
  gGetStrBkSoft(gSession().TargetSoft, program);
  const std::string choice = "\r\n「キャンセル」を押すと、バックアップを中止します。";
  if (gChkFileInUse(failure.error))
    return "次のファイルは、ほかのプログラムが使用中のため読み取れません。\r\n\r\n" + failure.path + "\r\n\r\n" +
           program + " などのプログラムを終了してから「再試行」を押してください。" + choice;
  return "次のファイルをバックアップできませんでした。\r\n\r\n" + failure.path + "\r\n\r\n理由：" +
         gGetSystemErrorText(failure.error) + "\r\n\r\n原因を取り除いてから「再試行」を押してください。" + choice;
}

// Files below source whose path, there or in the pack folder, is longer than Windows lets a program name a
// file: those cannot go into a backup.
void mFindTooLong(const std::wstring& source, const std::wstring& target, std::vector<std::string>& found) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((source + L"\\*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L".." || (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    const std::wstring from = source + L"\\" + name, to = target + L"\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) mFindTooLong(from, to, found);
    else if (from.size() >= MAX_PATH || to.size() >= MAX_PATH) found.push_back(gFromWide(from));
  } while (FindNextFileW(h, &data));
  FindClose(h);
}

// Asks whether to go on without the files that cannot be kept; false is the user's stop.
bool mAgreeToLeaveOut(const std::vector<std::string>& files) {
  std::string list;
  for (size_t i = 0; i < files.size() && i < 8; ++i) list += files[i] + "\r\n";
  if (files.size() > 8) list += "ほか " + std::to_string(files.size() - 8) + " 件\r\n";
  const std::string text = "次のファイルは、フォルダと名前を合わせた長さが長すぎるため、バックアップできません。\r\n\r\n" + list +
                           "\r\n「はい」：これらのファイルを除いて、バックアップを続けます。\r\n"
                           "「いいえ」：バックアップを中止します。";
  if (gMsgBox(text, MB_YESNO | MB_ICONWARNING, gSession().AppTitle) == IDYES) return true;
  gProcUserStop();
  return false;
}

// Opens every file below folder for reading, as the pack will, but those left out: a file that another program
// holds is found here, before anything is written.
bool mChkReadable(const std::wstring& folder, const std::function<bool(const std::string&)>& leaveOut,
                  FileFailure& failure) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return true;
    failure = {gFromWide(folder), error};
    return false;
  }
  bool ok = true;
  do {
    const std::wstring name = data.cFileName, path = folder + L"\\" + name;
    if (name == L"." || name == L".." || (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ok = mChkReadable(path, leaveOut, failure);
    } else if (!leaveOut(gFromWide(path))) {
      HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
      if (f == INVALID_HANDLE_VALUE) {
        failure = {gFromWide(path), GetLastError()};
        ok = false;
      } else {
        CloseHandle(f);
      }
    }
  } while (ok && FindNextFileW(h, &data));
  FindClose(h);
  return ok;
}

// Makes ready a folder of the target's for the pack, which reads it where it lies as if it were the folder
// `target` of the pack folder (where a restore unpacks it): files whose paths are too long to
// unpack are left out with the user's agreement, every other file must be readable (a file in use is named
// to the user, who may retry or stop), and the working drive must have room for the archive.
bool mGatherForPack(const char* procName, const std::string& source, const std::string& target) {
  SessionState& s = gSession();
  std::vector<std::string> tooLong;
  mFindTooLong(gToWide(gUnRoot(source)), gToWide(gUnRoot(target)), tooLong);
  if (!tooLong.empty()) {
    if (!mAgreeToLeaveOut(tooLong)) return false;
    std::string names;
    for (const std::string& f : tooLong) names += "\r\n" + f;
    gErrRaise(206, "files left out of the backup: their paths are too long");
    gProcError(procName, "left out:" + names);
    s.LeftOut.insert(s.LeftOut.end(), tooLong.begin(), tooLong.end());
  }
  const auto leaveOut = [&tooLong](const std::string& file) {
    return std::find(tooLong.begin(), tooLong.end(), file) != tooLong.end();
  };
  for (;;) {
    switch (mWaitForRoom([&source](double& bytes) { return gGetDirSize(source, bytes); })) {
      case Room::Declined:
        return false;
      case Room::Failed:
        gProcError(procName, "");
        return false;
      case Room::Enough:
        break;
    }
    gUi().DoEvents();
    FileFailure failure;
    if (mChkReadable(gToWide(gUnRoot(source)), leaveOut, failure)) {
      mPackedFolders.push_back({gGetFileName(gUnRoot(target)), gUnRoot(source), tooLong});
      gUi().DoEvents();
      return true;
    }
    gErrRaiseWin32(failure.error);
    gProcError(procName, "strTarget=" + failure.path);
    if (!gChkRetryAfterNotice(mCopyNotice(failure))) return false;
  }
}

// The pack folder and archive of an earlier, broken-off run would mix into this one.
bool mClearLeftovers() {
  const SessionState& s = gSession();
  if (gChkDirExists(s.PackDir) && !gDelDir(s.PackDir, 1)) return false;
  if (gChkFileExists(s.PackFile) && !DeleteFileW(gToWide(s.PackFile).c_str())) {
    gErrRaiseLastError();
    return false;
  }
  return true;
}

bool mPack() {
  const SessionState& s = gSession();
  gSetArchiveProgress([](uint64_t done, uint64_t total) {
    gBackupView().SetProgress(done, total);
    return true;
  });
  // Every byte saved on a floppy set can be a disk fewer to feed; a folder set gets the quicker packing.
  gSetArchiveSmallest(s.SaveToFD);
  bool packed = false;
  {
    StageClock clock("backup: pack");
    packed = gProcPacklzh(s.PackFile, s.PackDir, mPackedFolders);
  }
  gSetArchiveSmallest(false);
  gSetArchiveProgress({});
  gBackupView().SetProgress(0, 0);
  return packed;
}

}  // namespace

bool gMakeBackupData() {
  SessionState& s = gSession();
  s.LeftOut.clear();
  mPackedFolders.clear();
  gBackupView().SetMessage("バックアップ準備中です。\r\nしばらくお待ちください。");
  gUi().DoEvents();
  gProcSleep(2000);

  if (!mClearLeftovers() || !mMakeDir(s.PackDir)) {
    gProcError("gMakeBackupData", "");
    return false;
  }
  gUi().DoEvents();

  bool gathered = false;
  {
    StageClock clock("backup: gather the data");
    gathered = mProcBackUpDataDir();
    if (gathered && gSessionTarget().addressBook) gathered = mProcBackUpAddressDir();
    if (gathered && s.RegBackup) gathered = mProcBackUpRegFile();
  }
  if (!gathered) {
    if (s.UserStopped) return false;
    gProcError("gMakeBackupData", "");
    return false;
  }

  if (!mPack()) {
    gProcError("gMakeBackupData", "");
    return false;
  }
  gUi().DoEvents();
  StageClock clock("backup: clear the gathered data");
  if (!gDelDir(s.PackDir, 1)) {
    gProcError("gMakeBackupData", "");
    return false;
  }
  return true;
}

bool mProcBackUpDataDir() {
  const SessionState& s = gSession();
  return mGatherForPack("mProcBackUpDataDir", s.SoftDataDir, s.MailDataDir);
}

bool mProcBackUpAddressDir() {
  const SessionState& s = gSession();
  return mGatherForPack("mProcBackUpAddressDir", s.AddressBookDir, s.AddressDataDir);
}

bool mProcBackUpRegFile() {
  const SessionState& s = gSession();
  const auto fixedRoom = [](double& bytes) {
    bytes = kRegFileRoom;
    return true;
  };
  switch (mWaitForRoom(fixedRoom)) {
    case Room::Declined:
      return false;
    case Room::Failed:
      gProcError("mProcBackUpRegFile", "");
      return false;
    case Room::Enough:
      break;
  }
  if (!mMakeDir(s.RegFileDataDir)) {
    gProcError("mProcBackUpRegFile", "");
    return false;
  }
  gUi().DoEvents();
  if (!mMakeRegFile(gAddRoot(s.RegFileDataDir))) {
    gProcError("mProcBackUpRegFile", "");
    return false;
  }
  gUi().DoEvents();
  return true;
}

bool mMakeRegFile(const std::string& folder) {
  SessionState& s = gSession();
  if (!gChkDirExists(folder)) {
    gErrRaise(76, "no folder " + folder);
    gProcError("mMakeRegFile", "");
    return false;
  }
  if (!gSessionTarget().accountSettings) return true;
  s.RegRootKey = kAccountRoot;
  s.RegSubKey = kAccountKey;
  if (!gGetREGFILE(gAddRoot(folder) + kAccountFile, s.RegRootKey + "\\" + s.RegSubKey)) {
    gProcError("mMakeRegFile", "");
    return false;
  }
  return true;
}
