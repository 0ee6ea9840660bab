// A folder backup and restore of each target through the real windows: the data is wiped in between and
// must come back byte for byte, the Outlook Express account settings with it.
#include <gtest/gtest.h>

#include "common/text.h"
#include "e2e_env.h"

namespace e2e {
namespace {

// The paths that differ between two snapshots, a few of them, for a readable failure.
std::string Differences(const Snapshot& expected, const Snapshot& actual) {
  std::string out;
  int shown = 0;
  auto note = [&](const std::string& path, const char* what) {
    if (shown++ < 8) out += "  " + path + ": " + what + "\n";
  };
  for (const auto& [path, bytes] : expected) {
    const auto it = actual.find(path);
    if (it == actual.end()) note(path, "missing");
    else if (it->second != bytes) note(path, "different");
  }
  for (const auto& [path, bytes] : actual)
    if (expected.count(path) == 0) note(path, "extra");
  return out;
}

class FolderBackupRestore : public E2eTest, public testing::WithParamInterface<std::string> {};

TEST_P(FolderBackupRestore, DataWipedAfterTheBackupComesBackByteForByte) {
  const Target& target = TargetByTag(GetParam());
  const Snapshot data = TakeSnapshot(target.dataFolder);
  const Snapshot extra = TakeSnapshot(target.extraFolder);
  const std::string accounts = HkcuTreeText(kAccountKey);
  ASSERT_FALSE(data.empty()) << target.dataFolder;

  HWND menu = StartVelnor();
  const std::string set = BackupToFolder(menu, target, scratch_);
  ASSERT_FALSE(set.empty());
  EXPECT_TRUE(FileExistsPlain(set + "\\1_Velnor.lzh"));
  EXPECT_TRUE(FileExistsPlain(set + "\\Velnor.ini"));

  ClearFolder(target.dataFolder);
  if (!target.extraFolder.empty()) ClearFolder(target.extraFolder);
  // Outlook, started again after its store was lost, makes a new empty one (which is also how Velnor finds
  // where Outlook keeps its data).
  if (target.id == 1) {
    ASSERT_TRUE(WriteFileBytes(target.dataFolder + "\\outlook.pst", ""));
  }
  if (target.id == 0) RegDeleteTreeW(HKEY_CURRENT_USER, gToWide(kAccountKey).c_str());
  ASSERT_TRUE(TakeSnapshot(target.dataFolder).size() <= 1u);

  RestoreFromFolder(menu, target, set);
  EXPECT_EQ(Differences(data, TakeSnapshot(target.dataFolder)), "");
  EXPECT_EQ(Differences(extra, TakeSnapshot(target.extraFolder)), "");
  if (target.id == 0) {
    EXPECT_EQ(HkcuTreeText(kAccountKey), accounts);
  }
  EndVelnor(menu);
}

INSTANTIATE_TEST_SUITE_P(EachTarget, FolderBackupRestore,
                         testing::Values("OE", "OL", "NS4X", "FAVORITE", "COLMAIL", "MYDOCUMENTS", "NS6X"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace e2e
