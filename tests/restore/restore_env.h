// What the restore tests share: a hooked scripted UI, backup sets built from the sample PC, folder snapshots
// and scoped copies that put the sample PC back afterwards.
#pragma once
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/system.h"
#include "common/ui.h"
#include "session/session.h"
#include "support/saved_state.h"
#include "support/temp_env.h"

inline const std::string kIdentity = "{3F0E8A5C-2B7D-4C19-9E6A-5D1B7C2E8F40}";
inline const std::string kAccountKey = "Software\\Microsoft\\Internet Account Manager";
inline const std::string kIdentityAccountKey = "Identities\\" + kIdentity + "\\" + kAccountKey;

// Scripted answers, recorded boxes, zero waits, and a hook that runs when a box appears (to change disks).
class HookUi final : public UserInterface {
 public:
  std::deque<int> answers;
  std::vector<std::string> boxes;
  std::function<void(const std::string& text)> onBox;

  int MessageBox(HWND, const std::string& text, const std::string&, unsigned, const std::string&,
                 unsigned long) override;
  std::string BrowseForFolder(HWND, const std::string&, unsigned) override { return {}; }
  void Sleep(unsigned long) override {}
  void DoEvents() override {}
  [[noreturn]] void EndProgram(unsigned) override { throw std::runtime_error("program ended"); }
  // How many boxes contained `part`.
  int Count(const std::string& part) const;
};

void PutFile(const std::string& path, const std::string& bytes);
bool KeyExists(const std::string& subKey);
std::string RegText(const std::string& subKey, const std::string& name);
void SetRegText(const std::string& subKey, const std::string& name, const std::string& value);
// UTF-16 text with a byte-order mark, as the Registry Editor exports.
std::string Utf16File(const std::string& utf8);

// A session on the sample PC with its working folder in a scratch folder, the catalogue open and the UI hooked.
class RestoreTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Points the session at a target as the main menu does, and guards its data (and address book) folders.
  void ChooseTarget(int target);
  // Builds PackDir from the target's current data (and, with accounts, the exported account settings) and
  // packs it; returns the archive's path. Extra members can be added by `adjust` before packing.
  std::string PackCurrentData(bool accounts, const std::function<void(const std::string& packDir)>& adjust = {});
  // Puts an archive into a folder set with its information file; sets DataSaveDir and InfoFile.
  void WriteFolderSet(const std::string& archive, bool accounts);
  // Cuts the archive into `pieces` and writes each with its information file on a new floppy disk; returns
  // the disk numbers. bkDate overrides the set's time stamp.
  std::vector<int> WriteFloppySet(const std::string& archive, int pieces, const std::string& bkDate = "");
  // What the wizard does before retrieval: read the information file and take the account question's answer.
  void ReadSet(bool restoreAccounts);

  std::unique_ptr<TempFolder> scratch_;
  std::vector<std::unique_ptr<SavedFolder>> guards_;
  HookUi ui_;
  UserInterface* previousUi_ = nullptr;
  int archives_ = 0;
};
