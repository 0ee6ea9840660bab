// The replacement as one step, its recovery after a crash, and the undo of the last restore.
#include "restore/transaction.h"

#include <windows.h>

#include <optional>

#include "common/app.h"
#include "common/char_helpers.h"
#include "common/error_log.h"
#include "common/stage_clock.h"
#include "common/system.h"
#include "common/text.h"
#include "common/ui.h"
#include "restore/account_restore.h"
#include "session/targets.h"

namespace {

const char* const kUndoLabel = "Velnor 取り消し中";

std::string mName(int32_t target) {
  std::string name;
  gGetStrBkSoft(target, name);
  return name;
}

void mDeleteFile(const std::string& path) {
  if (!path.empty()) DeleteFileW(gToWide(path).c_str());
}

void mDeleteKeyFiles(const std::vector<SavedKey>& keys) {
  for (const SavedKey& k : keys) mDeleteFile(k.file);
}

bool mRollBack(const RestoreRecord& record, FileFailure& failure) {
  const bool broughtIn = record.phase != "aside";
  for (auto it = record.swaps.rbegin(); it != record.swaps.rend(); ++it)
    if (!gProcUndoSwap(*it, broughtIn, failure)) return false;
  return true;
}

// Lets go of what is no longer needed once the step is whole. Safe to run twice: a crash in the middle of it
// is finished by the next start.
bool mCommit(RestoreRecord record, bool accountsReplaced) {
  FileFailure failure;
  RestoreRecord old;
  const bool hadOld = gGetAsideRecord(record.target, old);
  if (record.kind == "restore") {
    // One generation only: what an earlier restore set aside goes once this one is whole.
    if (hadOld) {
      for (const FolderSwap& s : old.swaps) {
        bool reused = false;
        for (const FolderSwap& n : record.swaps) reused = reused || _wcsicmp(gToWide(n.aside).c_str(), gToWide(s.aside).c_str()) == 0;
        if (!reused && !gDelSwapFolder(s.aside, failure)) {
          gErrRaiseWin32(failure.error);
          gProcError("mCommit", "strTarget=" + failure.path);
        }
      }
      mDeleteKeyFiles(old.keys);
    }
    if (!accountsReplaced) {
      mDeleteKeyFiles(record.keys);
      record.keys.clear();
    }
    record.phase = "done";
    if (!gSetAsideRecord(record)) return false;
  } else {
    for (const FolderSwap& s : record.swaps) {
      // What the undo set aside is the restored data, which the user chose to drop; the folder the undo
      // took its data from is empty now.
      if (!gDelSwapFolder(s.aside, failure) || !gDelEmptyFolderTree(s.incoming, failure)) {
        gErrRaiseWin32(failure.error);
        gProcError("mCommit", "strTarget=" + failure.path);
      }
    }
    mDeleteKeyFiles(record.keys);
    if (hadOld) mDeleteKeyFiles(old.keys);
    gDelAsideRecord(record.target);
  }
  return gDelRestoreJournal();
}

std::string mKeyPrefix() { return "accounts-" + std::to_string(GetTickCount()) + "-"; }

}  // namespace

StepOutcome gProcReplaceAsOneStep(RestoreRecord& record, std::vector<SwapPlan>& plans,
                                  const std::function<bool()>& applyAccounts) {
  StepOutcome out;
  auto refuse = [&out] {
    out.result = StepResult::Refused;
    return out;
  };
  if (gChkRestorePending()) {
    out.failure = {gGetRecordFolder(), ERROR_BUSY};
    return refuse();
  }
  // Before anything changes: the plan of every folder, and whether all that goes aside can move now.
  std::optional<StageClock> clock(std::in_place, "restore: plan and check");
  record.swaps.clear();
  for (SwapPlan& p : plans) {
    if (!gPlanSwap(p.swap, !p.replaceAll, p.initialAside, out.failure)) return refuse();
    if (!gChkSwapMovable(p.swap, out.failure)) {
      out.inUse = gChkFileInUse(out.failure.error);
      return refuse();
    }
    record.swaps.push_back(p.swap);
  }
  if (record.when.empty()) record.when = gGetNowText();
  record.phase = "aside";
  if (!gSetRestoreJournal(record)) {
    out.failure = {gGetRecordFolder(), ERROR_WRITE_FAULT};
    return refuse();
  }

  auto putBack = [&out, &record] {
    FileFailure stuck;
    if (mRollBack(record, stuck) && gDelRestoreJournal()) {
      out.result = StepResult::RolledBack;
    } else {
      out.result = StepResult::Stuck;
      out.failure = stuck;
    }
    return out;
  };
  clock.emplace("restore: set the current data aside");
  for (const FolderSwap& s : record.swaps)
    if (!gProcSetAside(s, out.failure, "aside")) return putBack();
  clock.emplace("restore: bring the saved data in");
  record.phase = "placing";
  if (!gSetRestoreJournal(record)) return putBack();
  for (const FolderSwap& s : record.swaps)
    if (!gProcBringIn(s, out.failure, "placing")) return putBack();
  record.phase = "placed";
  if (!gSetRestoreJournal(record)) return putBack();
  gProcTestStopPoint("placed");
  clock.emplace("restore: account settings");

  bool accountsReplaced = false;
  if (record.accounts) {
    // The keys as they are now go to files first: a failed import puts exactly them back.
    if (!gSaveAccountKeys(gGetRecordFolder(), mKeyPrefix(), record.keys)) {
      out.accountsFailed = true;
    } else {
      record.phase = "accounts";
      if (!gSetRestoreJournal(record)) {
        out.accountsFailed = true;
      } else {
        gProcTestStopPoint("accounts");
        accountsReplaced = applyAccounts();
        if (!accountsReplaced) {
          out.accountsFailed = true;
          gPutAccountKeysBack(record.keys);
        }
      }
    }
  }
  // The data is in place and checked: a journal that cannot be let go of now is finished at the next start.
  clock.emplace("restore: let go of the earlier data");
  if (!mCommit(record, accountsReplaced)) gProcError("gProcReplaceAsOneStep", "");
  out.result = StepResult::Done;
  return out;
}

bool gChkRestorePending() {
  RestoreRecord record;
  std::string why;
  return gGetRestoreJournal(record, &why) || !why.empty();
}

bool gProcRecoverRestore() {
  RestoreRecord r;
  std::string why;
  if (!gGetRestoreJournal(r, &why)) {
    if (why.empty()) return true;
    // Written whole or not at all, a journal cannot be half; one that is was not written by Velnor.
    gErrRaise(5, why);
    gProcError("gProcRecoverRestore", "");
    return true;
  }
  const std::string name = mName(r.target);
  const bool undo = r.kind == "undo";
  const std::string head = undo ? "前回、「" + name + "」を復元前のデータに戻している途中で、Velnor が終了していました。"
                                : "前回、「" + name + "」を復元している途中で、Velnor が終了していました。";
  std::string text;
  FileFailure failure;
  const bool whole = (r.phase == "placed" && !r.accounts) || r.phase == "accounts";
  if (whole) {
    // Everything was in place and checked: the step is finished.
    const bool keysBack = r.phase != "accounts" || gPutAccountKeysBack(r.keys);
    mCommit(r, false);
    text = head + "\r\n\r\n" + (undo ? "復元前のデータに戻す処理を、最後まで済ませました。" : "復元を最後まで済ませました。");
    if (r.phase == "accounts")
      text += keysBack ? "\r\nメールアカウント情報は、復元前の設定のままです。" : "\r\nメールアカウント情報は戻せませんでした。";
  } else if (mRollBack(r, failure) && gDelRestoreJournal()) {
    text = head + "\r\n\r\n" +
           (undo ? "データは、戻す前の状態（復元した後の状態）のままです。" : "データは、復元を始める前の状態に戻しました。何も変わっていません。");
  } else {
    gErrRaiseWin32(failure.error);
    gProcError("gProcRecoverRestore", "strTarget=" + failure.path);
    gMsgBox(head + "\r\n\r\nデータを元に戻そうとしましたが、次のファイルを扱えませんでした。\r\n" + failure.path + "\r\n理由：" +
                gGetSystemErrorText(failure.error) +
                "\r\n\r\nこのファイルを使っているプログラムを終了してから、Velnor をもう一度起動してください。",
            MB_OK | MB_ICONWARNING, gAppTitle());
    return false;
  }
  gMsgBox(text, MB_OK | MB_ICONINFORMATION, gAppTitle());
  return true;
}

std::string gGetRestoreAsideText(int32_t target) {
  RestoreRecord r;
  std::string text;
  if (!gGetAsideRecord(target, r)) return text;
  for (const FolderSwap& s : r.swaps) text += (text.empty() ? "" : "\r\n") + s.aside;
  return text;
}

bool gProcUndoRestore(int32_t target) {
  const std::string name = mName(target);
  RestoreRecord old;
  if (!gGetAsideRecord(target, old)) {
    gMsgBox("「" + name + "」には、元に戻せる復元前のデータがありません。", MB_OK | MB_ICONINFORMATION, gAppTitle());
    return false;
  }
  if (gMsgBox("「" + name + "」を、" + old.when + " に行った復元の前の状態に戻しますか？\r\n\r\n" +
                  "いまのデータは、次の場所に残してある復元前のデータと入れ替わり、残りません。\r\n" + gGetRestoreAsideText(target) +
                  (old.keys.empty() ? "" : "\r\nメールアカウント情報も、復元前の設定に戻します。"),
              MB_YESNO | MB_ICONQUESTION, gAppTitle()) != IDYES)
    return false;
  RestoreRecord undo;
  undo.kind = "undo";
  undo.target = target;
  undo.when = old.when;
  undo.accounts = !old.keys.empty();
  std::vector<SwapPlan> plans;
  for (const FolderSwap& s : old.swaps) {
    SwapPlan p;
    p.swap.current = s.current;
    p.swap.incoming = s.aside;
    p.swap.aside = gGetAsideFolder(s.current, kUndoLabel);
    p.swap.byRename = true;
    p.replaceAll = false;
    p.initialAside = s.units;  // what the restore brought in goes, whatever the user added since stays
    plans.push_back(p);
  }
  const StepOutcome out = gProcReplaceAsOneStep(undo, plans, [&old] { return gPutAccountKeysBack(old.keys); });
  std::string text;
  switch (out.result) {
    case StepResult::Done:
      text = "「" + name + "」を、復元前の状態に戻しました。";
      if (out.accountsFailed) text += "\r\nメールアカウント情報は戻せませんでした（いまの設定のままです）。";
      gMsgBox(text, MB_OK | MB_ICONINFORMATION, gAppTitle());
      return true;
    case StepResult::Refused:
      text = out.inUse ? "次のファイルは、ほかのプログラムが使用中のため、元に戻せません。\r\n" + out.failure.path + "\r\n\r\n" + name +
                             " などのプログラムを終了してから、もう一度お試しください。"
                       : "次のファイル（フォルダ）を扱えないため、元に戻せません。\r\n" + out.failure.path + "\r\n理由：" +
                             gGetSystemErrorText(out.failure.error);
      text += "\r\nデータは何も変更していません。";
      break;
    case StepResult::RolledBack:
      text = "元に戻す途中で次のファイルを扱えなかったため、取りやめました。\r\n" + out.failure.path + "\r\n理由：" +
             gGetSystemErrorText(out.failure.error) + "\r\n\r\nデータは何も変更していません。";
      break;
    case StepResult::Stuck:
      text = "元に戻す途中で失敗し、データをすべては戻せませんでした。\r\n" + out.failure.path + "\r\n\r\nVelnor を次に起動したときに、もう一度元に戻します。";
      break;
  }
  gErrRaiseWin32(out.failure.error);
  gProcError("gProcUndoRestore", "strTarget=" + out.failure.path);
  gMsgBox(text, MB_OK | MB_ICONWARNING, gAppTitle());
  return false;
}

bool gProcDelRestoreAside(int32_t target) {
  const std::string name = mName(target);
  RestoreRecord old;
  if (!gGetAsideRecord(target, old)) {
    gMsgBox("「" + name + "」には、残してある復元前のデータがありません。", MB_OK | MB_ICONINFORMATION, gAppTitle());
    return false;
  }
  if (gMsgBox("「" + name + "」の復元前のデータ（" + old.when + " の復元で置き換えたもの）を削除しますか？\r\n" +
                  "削除すると、復元前の状態には戻せなくなります。\r\n\r\n" + gGetRestoreAsideText(target),
              MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, gAppTitle()) != IDYES)
    return false;
  FileFailure failure;
  bool ok = true;
  for (const FolderSwap& s : old.swaps) ok = gDelSwapFolder(s.aside, failure) && ok;
  if (!ok) {
    gErrRaiseWin32(failure.error);
    gProcError("gProcDelRestoreAside", "strTarget=" + failure.path);
    gMsgBox("復元前のデータを削除できませんでした。\r\n" + failure.path + "\r\n理由：" + gGetSystemErrorText(failure.error),
            MB_OK | MB_ICONWARNING, gAppTitle());
    return false;
  }
  mDeleteKeyFiles(old.keys);
  gDelAsideRecord(target);
  gMsgBox("「" + name + "」の復元前のデータを削除しました。", MB_OK | MB_ICONINFORMATION, gAppTitle());
  return true;
}
