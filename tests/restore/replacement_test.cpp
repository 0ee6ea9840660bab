// Restoring each target from a folder set on the sample PC, the keep-or-empty question, and sets that must
// leave the current data alone.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "restore/replacement.h"
#include "restore/retrieval.h"
#include "restore/swap.h"
#include "restore_env.h"
#include "session/session_state.h"
#include "support/temp_env.h"

namespace {

const char* const kKeepQuestion = "現在のフォルダの内容を残したまま";
const char* const kUnreadable = "バックアップデータから保存内容が読み取れませんでした。";

// Any file of the folder, in snapshot order.
std::string FirstFile(const Snapshot& shot) {
  for (const auto& [name, bytes] : shot)
    if (bytes != "<dir>") return name;
  return {};
}

}  // namespace

TEST_F(RestoreTest, EveryTargetGetsBackEveryFileByteForByte) {
  for (int target = 0; target <= 6; ++target) {
    SCOPED_TRACE("target " + std::to_string(target));
    ChooseTarget(target);
    SessionState& s = gSession();
    const Snapshot before = TakeSnapshot(s.SoftDataDir);
    const Snapshot bookBefore = target == 0 ? TakeSnapshot(s.AddressBookDir) : Snapshot{};
    ASSERT_FALSE(FirstFile(before).empty());
    WriteFolderSet(PackCurrentData(false), false);

    // The user's data changes after the backup: one file edited, one lost, one new.
    const std::string edited = gAddRoot(s.SoftDataDir) + FirstFile(before);
    WriteFileBytes(edited, "changed since the backup");
    const std::string lost = gAddRoot(s.SoftDataDir) + std::prev(before.end())->first;
    if (before.rbegin()->second != "<dir>") DeleteFileW(gToWide(lost).c_str());
    PutFile(gAddRoot(s.SoftDataDir) + "新しいファイル.txt", "new");
    if (target == 0) WriteFileBytes(gAddRoot(s.AddressBookDir) + s.AddressBookFile, "edited book");

    ui_.answers = {IDNO};  // only Favorites and My Documents ask; No empties the folder first
    ReadSet(false);
    ASSERT_TRUE(gProcRestoreFromNOTFD());
    ASSERT_TRUE(gProcRestore());
    EXPECT_EQ(TakeSnapshot(s.SoftDataDir), before);
    if (target == 0) {
      EXPECT_EQ(TakeSnapshot(s.AddressBookDir), bookBefore);
    }
    EXPECT_EQ(ui_.Count(kKeepQuestion), target == 3 || target == 5 ? 1 : 0);
    EXPECT_FALSE(FileExistsPlain(s.PackFile));
    ui_.boxes.clear();
    ui_.answers.clear();
    guards_.clear();
    ASSERT_TRUE(gGetWorkDir());
  }
}

TEST_F(RestoreTest, OutlookExpressRenamesTheSavedAddressBookToThisMachinesName) {
  ChooseTarget(0);
  SessionState& s = gSession();
  const std::string current = s.AddressBookFile;
  const std::string book = ReadFileBytes(gAddRoot(s.AddressBookDir) + current);
  // The set comes from a machine whose address book had another name.
  const std::string archive = PackCurrentData(false, [&](const std::string&) {
    MoveFileW(gToWide(gAddRoot(s.AddressDataDir) + current).c_str(),
              gToWide(gAddRoot(s.AddressDataDir) + "前のパソコン.wab").c_str());
  });
  s.AddressBookFile = "前のパソコン.wab";
  WriteFolderSet(archive, false);
  s.AddressBookFile = current;
  ReadSet(false);
  ASSERT_TRUE(gProcRestoreFromNOTFD());
  ASSERT_TRUE(gProcRestore());
  EXPECT_EQ(ReadFileBytes(gAddRoot(s.AddressBookDir) + current), book);
  EXPECT_FALSE(FileExistsPlain(gAddRoot(s.AddressBookDir) + "前のパソコン.wab"));
}

TEST_F(RestoreTest, FavoritesYesKeepsTheCurrentFilesNoEmptiesCancelDeletesNothing) {
  ChooseTarget(3);
  SessionState& s = gSession();
  const Snapshot saved = TakeSnapshot(s.SoftDataDir);
  const std::string archive = PackCurrentData(false);
  const std::string onlyNow = gAddRoot(s.SoftDataDir) + "後から追加.url";
  const std::string changed = gAddRoot(s.SoftDataDir) + "天気予報.url";

  struct Case {
    int answer;
    bool restored, onlyNowSurvives;
  } cases[] = {{IDYES, true, true}, {IDNO, true, false}, {IDCANCEL, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE("answer " + std::to_string(c.answer));
    ASSERT_TRUE(gGetWorkDir());
    PutFile(onlyNow, "[InternetShortcut]\r\nURL=http://example.jp/\r\n");
    WriteFileBytes(changed, "edited");
    const Snapshot current = TakeSnapshot(s.SoftDataDir);
    WriteFolderSet(archive, false);
    ReadSet(false);
    ui_.answers = {c.answer};
    ui_.boxes.clear();
    ASSERT_TRUE(gProcRestoreFromNOTFD());
    EXPECT_EQ(gProcRestore(), c.restored);
    EXPECT_EQ(FileExistsPlain(onlyNow), c.onlyNowSurvives);
    if (!c.restored) {
      // キャンセル stops the restore as the message promises: the user's stop, not a failure to report.
      EXPECT_EQ(TakeSnapshot(s.SoftDataDir), current);
      EXPECT_TRUE(s.UserStopped);
      ASSERT_EQ(ui_.boxes.size(), 2u);  // the question and the stop, no error report
      EXPECT_NE(ui_.boxes[1].find("処理を中止しました。"), std::string::npos);
      s.UserStopped = false;
      continue;
    }
    // Saved files replace those of the same name; with No nothing else is left.
    EXPECT_EQ(ReadFileBytes(changed), saved.at("天気予報.url"));
    Snapshot after = TakeSnapshot(s.SoftDataDir);
    after.erase("後から追加.url");
    EXPECT_EQ(after, saved);
  }
}

// Sets whose archive must not be trusted: damaged, holding a member outside the destination, or lacking the
// data folders. Each leaves the current data as it was and tells the user.
TEST_F(RestoreTest, AnUnusableSetLeavesTheCurrentDataUntouched) {
  ChooseTarget(4);
  SessionState& s = gSession();
  const std::string good = PackCurrentData(false);
  std::string damaged = ReadFileBytes(good);
  damaged[damaged.size() / 2] ^= 0x5A;
  const std::string damagedFile = good + ".damaged";
  WriteFileBytes(damagedFile, damaged);
  const std::string empty = PackCurrentData(false, [](const std::string& packDir) {
    RemoveTree(packDir + "\\MailData");
    PutFile(packDir + "\\Other\\x.txt", "not a backup");
  });
  const std::string hostile = FixturesDir() + "\\lzh\\hostile\\";
  PutFile(gAddRoot(s.SoftDataDir) + "今日のメモ.txt", "written after the backup");
  const Snapshot current = TakeSnapshot(s.SoftDataDir);

  for (const std::string& archive : {damagedFile, hostile + "traversal_dotdot.lzh", hostile + "traversal_nested.lzh",
                                     hostile + "absolute_path.lzh", hostile + "bad_crc_lh5.lzh", empty}) {
    SCOPED_TRACE(archive);
    ASSERT_TRUE(gGetWorkDir());
    WriteFolderSet(archive, false);
    ReadSet(false);
    ui_.boxes.clear();
    ASSERT_TRUE(gProcRestoreFromNOTFD());
    EXPECT_FALSE(gProcRestore());
    EXPECT_EQ(TakeSnapshot(s.SoftDataDir), current);
    EXPECT_EQ(ui_.Count(kUnreadable), 1);
    EXPECT_FALSE(FileExistsPlain(gSession().WorkDir + "\\..\\evil.txt"));
  }
}

// A set as Velnor 1.0.0 wrote it (names in the code page only, no UTF-16 name headers) still restores.
TEST_F(RestoreTest, ASetWrittenByAnEarlierVersionStillRestores) {
  ChooseTarget(5);
  SessionState& s = gSession();
  const std::string set = FixturesDir() + "\\sets\\velnor-1.0.0-mydocuments";
  s.SaveToFD = false;
  s.DataSaveDir = set;
  s.InfoFile = set + "\\Velnor.ini";
  ReadSet(false);
  ui_.answers = {IDNO};
  ASSERT_TRUE(gProcRestoreFromNOTFD());
  ASSERT_TRUE(gProcRestore());
  const std::string docs = gAddRoot(s.SoftDataDir);
  EXPECT_EQ(ReadFileBytes(docs + "はじめに.txt"), "はじめにお読みください\r\n");
  EXPECT_EQ(ReadFileBytes(docs + "仕事\\表.txt"), "会議のメモ\r\n");
  EXPECT_EQ(ReadFileBytes(docs + "plain.txt"), "plain\r\n");
}

// The check of what goes aside and what comes in names the file held open, and, with one held on each side,
// the current one, as a check of one side after the other would.
TEST(SwapCheck, NamesTheHeldFileAndTheCurrentOneFirst) {
  TempFolder t("swap");
  for (const char* folder : {"cur", "new"}) {
    ASSERT_TRUE(CreateDirectoryW(gToWide(t / folder).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(gToWide(t / folder + "\\受信").c_str(), nullptr));
    for (int i = 0; i < 200; ++i)
      ASSERT_TRUE(WriteFileBytes(t / folder + "\\受信\\" + std::to_string(i) + ".eml", "x"));
  }
  FolderSwap swap;
  swap.current = t / "cur";
  swap.incoming = t / "new";
  swap.aside = t / "cur (aside)";
  swap.byRename = true;
  FileFailure failure;
  ASSERT_TRUE(gPlanSwap(swap, false, {}, failure)) << failure.path;
  ASSERT_TRUE(gChkSwapMovable(swap, failure)) << failure.path;
  auto hold = [](const std::string& path) {
    return CreateFileW(gToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  };
  const std::string current = swap.current + "\\受信\\150.eml", incoming = swap.incoming + "\\受信\\7.eml";
  HANDLE heldIncoming = hold(incoming);
  ASSERT_NE(heldIncoming, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(gChkSwapMovable(swap, failure));
  EXPECT_EQ(failure.path, incoming);
  HANDLE heldCurrent = hold(current);
  ASSERT_NE(heldCurrent, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(gChkSwapMovable(swap, failure));
  EXPECT_EQ(failure.path, current);
  EXPECT_TRUE(gChkFileInUse(failure.error));
  CloseHandle(heldCurrent);
  CloseHandle(heldIncoming);
}
