// Unpacking a retrieved backup set and putting its data in place of the target's current data.
#include "restore/replacement.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "common/char_helpers.h"
#include "common/error_log.h"
#include "common/files.h"
#include "common/messages.h"
#include "common/stage_clock.h"
#include "common/system.h"
#include "common/text.h"
#include "common/ui.h"
#include "formats/archive_packing.h"
#include "formats/unlha.h"
#include "restore/account_restore.h"
#include "restore/restore_view.h"
#include "restore/retrieval.h"
#include "restore/transaction.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/targets.h"

namespace {

constexpr short kMsgUnreadable = 47;
constexpr short kMsgKeepCurrent = 1016;

// The label of the folder beside the target's folder that keeps the data a restore replaced.
const char* const kAsideLabel = "Velnor 復元前";

bool mIsFolder(const std::string& path) {
  const DWORD a = GetFileAttributesW(gToWide(gUnRoot(path)).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring mVolumeOf(const std::string& path) {
  wchar_t volume[MAX_PATH] = {};
  if (!GetVolumePathNameW(gToWide(path).c_str(), volume, MAX_PATH)) return {};
  CharUpperBuffW(volume, static_cast<DWORD>(wcslen(volume)));
  return volume;
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
  std::optional<StageClock> clock(std::in_place, "restore: unpack");
  const std::string archive = gGetRetrievedArchive();
  bool ok = gLzhUnPack(archive, s.PackDir);
  clock.reset();
  gSetArchiveProgress({});
  gRestoreView().SetProgress(0, 0);
  if (ok && (!mIsFolder(s.MailDataDir) || (gSessionTarget().addressBook && !mIsFolder(s.AddressDataDir)))) {
    gErrRaise(5, "the backup set lacks its data folders");
    ok = false;
  }
  if (!ok) {
    gDispMsg(kMsgUnreadable, "バックアップデータから保存内容が", 0);
    gErrRaise(5, "the backup set could not be unpacked; the current data was left as it was");
    return false;
  }
  gProcTune(1000);
  // The joined pieces were ours; a folder set's archive is the user's and stays.
  if (_wcsicmp(gToWide(archive).c_str(), gToWide(s.PackFile).c_str()) == 0 && !gDelFile(s.PackFile)) return false;
  gProcTune(100);
  return true;
}

// The step being planned: the per-target entries below add the folders whose contents are replaced
// (gDelHdData_...) and where their saved data comes from (gProcRePlaceHdData_...).
std::vector<SwapPlan> mPlans;
bool mKeepCurrent = false;

SwapPlan& mPlanFor(const std::string& current) {
  for (SwapPlan& p : mPlans)
    if (mSameFolder(p.swap.current, current)) return p;
  SwapPlan p;
  p.swap.current = current;
  p.swap.aside = gGetAsideFolder(current, kAsideLabel);
  // Kept files stay where they are: only what the saved data meets goes aside.
  p.replaceAll = false;
  mPlans.push_back(p);
  return mPlans.back();
}

bool mSetAside(const std::string& current) {
  mPlanFor(current).replaceAll = true;
  return true;
}

bool mBringIn(const std::string& incoming, const std::string& current) {
  SwapPlan& p = mPlanFor(current);
  p.swap.incoming = incoming;
  // On the same volume the saved data goes in by renames; from elsewhere it is copied.
  const std::wstring a = mVolumeOf(incoming), b = mVolumeOf(current);
  p.swap.byRename = !a.empty() && a == b;
  return true;
}

// The saved address book takes this machine's name (the address book setting here finds it by that name).
// Only the names count: a folder in the information file must never lead the rename out of its folder.
bool mNameAddressBook(const std::string& incoming) {
  const SessionState& s = gSession();
  const std::string saved = gGetFileName(gTrim(s.Saved.AddressBookName));
  const std::string current = gGetFileName(gTrim(s.AddressBookFile));
  if (saved.empty() || current.empty() || saved == current) return true;
  const std::wstring from = gToWide(gAddRoot(incoming) + saved), to = gToWide(gAddRoot(incoming) + current);
  if (GetFileAttributesW(from.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  gErrRaiseLastError();
  gProcError("gProcRePlaceHdData_AddressBook", "strTarget=" + gFromWide(from));
  return false;
}

// The target's folders for the step, in order: each current folder, and the saved folder that replaces it.
bool mPlanTarget(const TargetRow& target, bool keepCurrent) {
  mPlans.clear();
  mKeepCurrent = keepCurrent;
  return (keepCurrent || target.delHdData()) && (!target.addressBook || gDelHdData_AddressBook()) &&
         target.rePlaceHdData() && (!target.addressBook || gProcRePlaceHdData_AddressBook());
}

const char* const kNothingChanged = "\r\n\r\n現在のデータは、何も変更していません。";

// What the user reads when the step did not happen, and what to do.
std::string mStepNotice(const StepOutcome& out) {
  const SessionState& s = gSession();
  std::string name;
  gGetStrBkSoft(s.TargetSoft, name);
  const FileFailure& f = out.failure;
  switch (out.result) {
    case StepResult::Done:
      return {};
    case StepResult::Refused:
      if (f.error == ERROR_BUSY)
        return "前回の復元の後始末が済んでいないため、復元できません。\r\nVelnor をいったん終了して、もう一度起動してください。" +
               std::string(kNothingChanged);
      if (out.inUse && gSessionTarget().heldInBackground)
        return "現在のデータを削除する事ができませんでした。\r\nOutLook Express が（恐らくは裏で）動作しているものと思われます。\r\n"
               "Windowsを再起動させて直後にもう一度トライしてみてください。\r\n\r\n使用中のファイル：" + f.path + kNothingChanged;
      if (out.inUse)
        return "次のファイルは、ほかのプログラムが使用中のため置き換えられません。\r\n\r\n" + f.path + "\r\n\r\n" + name +
               " などのプログラムを終了してから、もう一度復元してください。" + kNothingChanged;
      if (f.error == ERROR_NOT_SAME_DEVICE)
        return "現在のデータを同じドライブの中に退避できないため、復元できません。\r\n\r\n退避先：" + f.path + kNothingChanged;
      return "次のファイル（フォルダ）を置き換えられないため、復元できません。\r\n\r\n" + f.path + "\r\n理由：" +
             gGetSystemErrorText(f.error) + kNothingChanged;
    case StepResult::RolledBack: {
      std::string why = gChkDiskFull(f.error)
                            ? "保存データを書き込む途中で、ドライブがいっぱいになりました。\r\n\r\n" + f.path +
                                  "\r\n\r\n空き容量を増やしてから、もう一度復元してください。"
                            : "保存データを書き込む途中で、次のファイルを扱えませんでした。\r\n\r\n" + f.path + "\r\n理由：" +
                                  gGetSystemErrorText(f.error);
      return "復元を取りやめました。" + why + "\r\n\r\n現在のデータは元のとおりに戻しました。何も変更していません。";
    }
    case StepResult::Stuck:
      return "復元を取りやめましたが、現在のデータをすべては元に戻せませんでした。\r\n次のファイルを扱えません：\r\n" + f.path +
             "\r\n\r\n退避したデータは消していません。このファイルを使っているプログラムを終了してから、Velnor をもう一度起動してください"
             "（起動したときに元に戻します）。";
  }
  return {};
}
}  // namespace

bool gProcRestore() {
  SessionState& s = gSession();
  bool ok = mUnpackSet();
  bool keepCurrent = false;
  if (ok && gSessionTarget().keepCurrentQuestion) {
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
  if (ok) ok = mPlanTarget(gSessionTarget(), keepCurrent);
  if (!ok) {
    gProcError("gProcRestore", "");
    return false;
  }
  for (;;) {
    RestoreRecord record;
    record.kind = "restore";
    record.target = s.TargetSoft;
    record.accounts = s.RegBackup;
    std::vector<SwapPlan> plans = mPlans;
    const StepOutcome out = gProcReplaceAsOneStep(record, plans, [] { return mRestoreRegFile(); });
    if (out.result == StepResult::Done) {
      if (out.accountsFailed) gMsgBox("メールアカウント情報は\r\n復元することができませんでした。", MB_OK, s.AppTitle);
      return true;
    }
    gErrRaiseWin32(out.failure.error);
    gProcError("gProcRestore", "strTarget=" + out.failure.path);
    // A file in use can be let go of: the user may close the program and try once more.
    if (out.result == StepResult::Refused && out.inUse && !gSessionTarget().heldInBackground &&
        gChkRetryAfterNotice(mStepNotice(out) + "\r\n\r\n「再試行」を押すと、もう一度確かめます。"))
      continue;
    if (!s.UserStopped) gProcStopWithNotice(mStepNotice(out));
    return false;
  }
}

bool gDelHdData_OE() { return mSetAside(gSession().SoftDataDir); }
bool gDelHdData_OL() { return mSetAside(gSession().SoftDataDir); }
bool gDelHdData_NS4X() { return mSetAside(gSession().SoftDataDir); }
bool gDelHdData_NS6X() { return mSetAside(gSession().SoftDataDir); }
bool gDelHdData_COLMAIL() { return mSetAside(gSession().SoftDataDir); }
bool gDelHdData_FAVORITE() { return mSetAside(gSession().SoftDataDir); }
bool gDelHdData_MYDOCUMENTS() { return mSetAside(gSession().SoftDataDir); }
// When the address book lies in the mail folder, it is replaced with the mail data.
bool gDelHdData_AddressBook() {
  const SessionState& s = gSession();
  return mSameFolder(s.SoftDataDir, s.AddressBookDir) || mSetAside(s.AddressBookDir);
}

bool gProcRePlaceHdData_OE() { return mBringIn(gSession().MailDataDir, gSession().SoftDataDir); }
bool gProcRePlaceHdData_OL() { return mBringIn(gSession().MailDataDir, gSession().SoftDataDir); }
bool gProcRePlaceHdData_NS4X() { return mBringIn(gSession().MailDataDir, gSession().SoftDataDir); }
bool gProcRePlaceHdData_NS6X() { return mBringIn(gSession().MailDataDir, gSession().SoftDataDir); }
bool gProcRePlaceHdData_COLMAIL() { return mBringIn(gSession().MailDataDir, gSession().SoftDataDir); }
bool gProcRePlaceHdData_FAVORITE() { return mBringIn(gSession().MailDataDir, gSession().SoftDataDir); }
bool gProcRePlaceHdData_MYDOCUMENTS() { return mBringIn(gSession().MailDataDir, gSession().SoftDataDir); }

bool gProcRePlaceHdData_AddressBook() {
  const SessionState& s = gSession();
  if (mSameFolder(s.SoftDataDir, s.AddressBookDir)) return mNameAddressBook(s.MailDataDir);
  return mNameAddressBook(s.AddressDataDir) && mBringIn(s.AddressDataDir, s.AddressBookDir);
}
