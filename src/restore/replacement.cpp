// Unpacking a retrieved backup set and putting its data in place of the target's current data.
#include "restore/replacement.h"

#include <windows.h>

#include <string>

#include "common/char_helpers.h"
#include "common/error_log.h"
#include "common/files.h"
#include "common/messages.h"
#include "common/system.h"
#include "common/text.h"
#include "common/ui.h"
#include "formats/archive_packing.h"
#include "formats/unlha.h"
#include "restore/account_restore.h"
#include "restore/restore_view.h"
#include "shell/session.h"
#include "shell/session_state.h"
#include "shell/targets.h"

namespace {

constexpr short kMsgUnreadable = 47;
constexpr short kMsgKeepCurrent = 1016;

const char* const kMailDirError = "メールデータディレクトリ削除でエラーが発生しました。";

bool mIsFolder(const std::string& path) {
  const DWORD a = GetFileAttributesW(gToWide(gUnRoot(path)).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// True when the folder holds no file and no folder.
bool mIsEmptyFolder(const std::string& folder) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(gToWide(gAddRoot(folder) + "*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return true;
  bool empty = true;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") empty = false;
  } while (empty && FindNextFileW(h, &data));
  FindClose(h);
  return empty;
}

bool mDelFolderContents(const char* procName, const std::string& folder, const std::string& detail) {
  if (gDelDir(folder, 0)) return true;
  gProcError(procName, detail);
  return false;
}

// Moves what the shell's move left behind, replacing files of the same name and merging folders, as the
// shell does when it is allowed to answer its confirmations itself. Stops at the first failure.
bool mMoveRest(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((from + L"\\*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return true;
  bool ok = true;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring source = from + L"\\" + name, target = to + L"\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ok = mMoveRest(source, target);
      if (ok) RemoveDirectoryW(source.c_str());
    } else {
      SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
      ok = MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
    }
  } while (ok && FindNextFileW(h, &data));
  FindClose(h);
  return ok;
}

// Moves everything in `from` into `to`. The shell's move does not say whether it moved anything, so what is
// left behind decides: it is moved file by file, and a saved file that still stays behind is a failed
// restore, not a success.
bool mMoveAll(const char* procName, const std::string& from, const std::string& to) {
  if (!mIsEmptyFolder(from)) {
    gMoveFile(gAddRoot(from) + "*.*", gUnRoot(to), false);
    if (!mIsEmptyFolder(from)) mMoveRest(gToWide(gUnRoot(from)), gToWide(gUnRoot(to)));
    if (!mIsEmptyFolder(from)) {
      gErrRaise(5, "saved data left in " + from + " after moving it to " + to);
      gProcError(procName, "");
      return false;
    }
  }
  return true;
}

bool mSameFolder(const std::string& a, const std::string& b) {
  return _wcsicmp(gToWide(gAddRoot(a)).c_str(), gToWide(gAddRoot(b)).c_str()) == 0;
}

// Unpacks PackFile into a fresh PackDir. The current data is touched only after this succeeded: the archiver
// refuses a damaged set or a member outside the destination, and a set without its data folders is no set.
bool mUnpackSet() {
  const SessionState& s = gSession();
  if (mIsFolder(s.PackDir) && !gDelDir(s.PackDir, 1)) return false;
  if (!CreateDirectoryW(gToWide(s.PackDir).c_str(), nullptr)) {
    gErrRaiseLastError();
    return false;
  }
  gSetArchiveProgress([](uint64_t done, uint64_t total) {
    gRestoreView().SetProgress(done, total);
    return true;
  });
  bool ok = gLzhUnPack(s.PackFile, s.PackDir);
  gSetArchiveProgress({});
  gRestoreView().SetProgress(0, 0);
  if (ok && (!mIsFolder(s.MailDataDir) || (s.TargetSoft == kTargetOE && !mIsFolder(s.AddressDataDir)))) {
    gErrRaise(5, "the backup set lacks its data folders");
    ok = false;
  }
  if (!ok) {
    gDispMsg(kMsgUnreadable, "バックアップデータから保存内容が", 0);
    gErrRaise(5, "the backup set could not be unpacked; the current data was left as it was");
    return false;
  }
  gProcTune(1000);
  if (!gDelFile(s.PackFile)) return false;
  gProcTune(100);
  return true;
}

// The deletion and replacement of one target, in order; the first failing step ends it.
bool mReplaceTarget(int32_t target, bool keepCurrent) {
  auto step = [](bool (*del)(), bool (*put)()) {
    if (del != nullptr && !del()) return false;
    gUi().DoEvents();
    return put();
  };
  switch (target) {
    case kTargetOE:
      if (!gDelHdData_OE()) {
        gMsgBox("現在のデータを削除する事ができませんでした。\r\n"
                "OutLook Express が（恐らくは裏で）動作しているものと思われます。\r\n"
                "Windowsを再起動させて直後にもう一度トライしてみてください。",
                MB_OK, gSession().AppTitle);
        return false;
      }
      return gDelHdData_AddressBook() && step(nullptr, gProcRePlaceHdData_OE) && gProcRePlaceHdData_AddressBook();
    case kTargetOL: return step(gDelHdData_OL, gProcRePlaceHdData_OL);
    case kTargetNS4X: return step(gDelHdData_NS4X, gProcRePlaceHdData_NS4X);
    case kTargetFavorite:
      return step(keepCurrent ? nullptr : gDelHdData_FAVORITE, gProcRePlaceHdData_FAVORITE);
    case kTargetColMail: return step(gDelHdData_COLMAIL, gProcRePlaceHdData_COLMAIL);
    case kTargetMyDocuments:
      return step(keepCurrent ? nullptr : gDelHdData_MYDOCUMENTS, gProcRePlaceHdData_MYDOCUMENTS);
    case kTargetNS6X: return step(gDelHdData_NS6X, gProcRePlaceHdData_NS6X);
    default: gErrRaise(5, "unknown target " + std::to_string(target)); return false;
  }
}

}  // namespace

bool gProcRestore() {
  const SessionState& s = gSession();
  bool ok = mUnpackSet();
  bool keepCurrent = false;
  if (ok && (s.TargetSoft == kTargetFavorite || s.TargetSoft == kTargetMyDocuments)) {
    const short answer = gDispMsg(kMsgKeepCurrent, "", 0);
    keepCurrent = answer == IDYES;
    if (answer == IDCANCEL) {
      // The message offers キャンセル to stop the restore; nothing has been touched yet, so this is the user's
      // stop (back to the menu), not a failure that ends the program.
      gProcUserStop();
      return false;
    }
    if (answer != IDYES && answer != IDNO) {
      gErrRaise(5, "message 1016 answered " + std::to_string(answer));
      ok = false;
    }
  }
  if (ok) ok = mReplaceTarget(s.TargetSoft, keepCurrent);
  if (!ok) {
    gProcError("gProcRestore", "");
    return false;
  }
  if (s.RegBackup && !mRestoreRegFile())
    gMsgBox("メールアカウント情報は\r\n復元することができませんでした。", MB_OK, s.AppTitle);
  return true;
}

bool gDelHdData_OE() {
  return mDelFolderContents("gDelHdData_OE", gSession().SoftDataDir,
                            std::string(kMailDirError) + "致命的エラーか、メールソフトを立ち上げていた可能性があります。");
}
bool gDelHdData_OL() { return mDelFolderContents("gDelHdData_OL", gSession().SoftDataDir, kMailDirError); }
bool gDelHdData_NS4X() { return mDelFolderContents("gDelHdData_NS4X", gSession().SoftDataDir, kMailDirError); }
bool gDelHdData_NS6X() { return mDelFolderContents("gDelHdData_NS6X", gSession().SoftDataDir, kMailDirError); }
bool gDelHdData_COLMAIL() { return mDelFolderContents("gDelHdData_COLMAIL", gSession().SoftDataDir, ""); }
bool gDelHdData_FAVORITE() { return mDelFolderContents("gDelHdData_FAVORITE", gSession().SoftDataDir, ""); }
bool gDelHdData_MYDOCUMENTS() { return mDelFolderContents("gDelHdData_MYDOCUMENTS", gSession().SoftDataDir, ""); }
bool gDelHdData_AddressBook() {
  return mDelFolderContents("gDelHdData_AddressBook", gSession().AddressBookDir, "");
}

bool gProcRePlaceHdData_OE() {
  return mMoveAll("gProcRePlaceHdData_OE", gSession().MailDataDir, gSession().SoftDataDir);
}
bool gProcRePlaceHdData_OL() {
  return mMoveAll("gProcRePlaceHdData_OL", gSession().MailDataDir, gSession().SoftDataDir);
}
bool gProcRePlaceHdData_NS4X() {
  return mMoveAll("gProcRePlaceHdData_NS4X", gSession().MailDataDir, gSession().SoftDataDir);
}
bool gProcRePlaceHdData_NS6X() {
  return mMoveAll("gProcRePlaceHdData_NS6X", gSession().MailDataDir, gSession().SoftDataDir);
}
bool gProcRePlaceHdData_COLMAIL() {
  return mMoveAll("gProcRePlaceHdData_COLMAIL", gSession().MailDataDir, gSession().SoftDataDir);
}
bool gProcRePlaceHdData_FAVORITE() {
  return mMoveAll("gProcRePlaceHdData_FAVORITE", gSession().MailDataDir, gSession().SoftDataDir);
}
bool gProcRePlaceHdData_MYDOCUMENTS() {
  return mMoveAll("gProcRePlaceHdData_MYDOCUMENTS", gSession().MailDataDir, gSession().SoftDataDir);
}

bool gProcRePlaceHdData_AddressBook() {
  const SessionState& s = gSession();
  if (!mSameFolder(s.SoftDataDir, s.AddressBookDir) &&
      !mMoveAll("gProcRePlaceHdData_AddressBook", s.AddressDataDir, s.AddressBookDir))
    return false;
  // Only the names count: the information file may hold a full path, and a folder in it must never lead the
  // rename out of the address book folder.
  const std::string saved = gGetFileName(gTrim(s.Saved.AddressBookName));
  const std::string current = gGetFileName(gTrim(s.AddressBookFile));
  if (saved.empty() || current.empty() || saved == current) return true;
  const std::string from = gAddRoot(s.AddressBookDir) + saved;
  if (!gChkFileExists(from)) return true;
  const std::string to = gAddRoot(s.AddressBookDir) + current;
  gMoveFile(from, to, false);
  if (gChkFileExists(to) && !gChkFileExists(from)) return true;
  gErrRaise(5, "could not rename " + from + " to " + to);
  gProcError("gProcRePlaceHdData_AddressBook", "");
  return false;
}
