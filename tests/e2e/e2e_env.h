// What the end-to-end scenarios share: a fresh sample PC for each scenario, where each target keeps its data
// there, and the common walks through the menu and the wizards.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "driver.h"
#include "support/saved_state.h"
#include "support/temp_env.h"

namespace e2e {

inline const std::string kMenu = "メニュー     Velnor";
inline const std::string kBackup = "バックアップ処理     Velnor";
inline const std::string kRestore = "復元処理     Velnor";
inline const std::string kEnd = "終了処理     Velnor";
inline const std::string kAccountKey = "Software\\Microsoft\\Internet Account Manager";

// One target as the sample PC has it.
struct Target {
  int id;
  std::string name;        // as the menu lists it
  std::string tag;         // for file names
  std::string dataFolder;  // what the backup wizard shows as the folder it backs up
  std::string extraFolder; // the address book folder of Outlook Express, otherwise ""
};
// The seven targets in the menu's order.
const std::vector<Target>& Targets();
const Target& TargetByTag(const std::string& tag);

// The same folder, whatever the case and trailing "\".
bool SameFolder(std::string a, std::string b);

// Each scenario starts on the sample PC exactly as it was laid out, and leaves it so.
class E2eTest : public testing::Test {
 public:
  static void SetUpTestSuite();
  static void TearDownTestSuite();

 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts velnor.exe with this test's screenshot folder and waits for its menu.
  HWND StartVelnor();
  // Closes the menu with its end button and waits for the end screen and the program's end.
  void EndVelnor(HWND menu);

  // From the menu: a whole folder backup of target into folder; returns the folder of the set it made.
  std::string BackupToFolder(HWND& menu, const Target& target, const std::string& folder, bool accounts = true);
  // From the menu: a floppy backup of target up to the request for an empty disk; returns the wizard.
  HWND BackupToFloppyUpToTheDisk(HWND menu, const Target& target);
  // From the menu: a whole restore of target from the set folder; back on the menu at the end.
  void RestoreFromFolder(HWND& menu, const Target& target, const std::string& set, bool accounts = true);
  // Presses 次へ and waits until the wizard has taken it (its buttons hide while it works).
  void Next(HWND wizard);
  // Presses a button that closes the wizard until it has closed, then waits for the menu.
  HWND BackToMenu(HWND wizard);

  std::unique_ptr<Program> velnor_;
  // Where the scenario keeps its backup sets: a plain folder a person would pick, removed afterwards.
  std::string scratch_;

 private:
  static std::vector<std::unique_ptr<SavedFolder>>& PristineFolders();
  static std::vector<std::unique_ptr<SavedHkcuKey>>& PristineKeys();
  static void PutPristineBack();
};

// Scenarios that need the test floppy drive A:.
class FloppyE2eTest : public E2eTest {
 protected:
  void SetUp() override;
};

// Copies a file a scenario made into the artifacts folder beside the tests, for the checks that follow them.
bool KeepArtifact(const std::string& path, const std::string& name);

// Writes a file of bytes that do not pack (a scanned picture, say), to make a backup need more disks.
void PutUnpackableFile(const std::string& path, size_t size, unsigned seed);

}  // namespace e2e
