// Names the system code page cannot write, in My Documents and in a folder named the same way: they come
// back exactly through a backup and a restore, and the set stays an archive that other LZH programs read.
#include <gtest/gtest.h>

#include "common/app.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "e2e_env.h"

namespace e2e {
namespace {

using UnicodeNames = E2eTest;

TEST_F(UnicodeNames, MyDocumentsComesBackWithEveryName) {
  const Target& docs = TargetByTag("MYDOCUMENTS");
  const std::string folder = docs.dataFolder + "\\한국어😀フォルダ";
  ASSERT_TRUE(CreateDirectoryW(gToWide(folder).c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(folder + "\\café.txt", "café au lait"));
  ASSERT_TRUE(WriteFileBytes(folder + "\\한국어メモ.txt", "메모 / メモ"));
  ASSERT_TRUE(WriteFileBytes(folder + "\\emoji😀.txt", "😀"));
  const Snapshot data = TakeSnapshot(docs.dataFolder);

  HWND menu = StartVelnor();
  const std::string set = BackupToFolder(menu, docs, scratch_);
  // Kept for the check with lhasa that follows the end-to-end tests.
  ASSERT_TRUE(KeepArtifact(set + "\\1_Velnor.lzh", "e2e_unicode_names.lzh"));

  ClearFolder(docs.dataFolder);
  RestoreFromFolder(menu, docs, set);
  EXPECT_TRUE(TakeSnapshot(docs.dataFolder) == data);
  EXPECT_EQ(ReadFileBytes(folder + "\\emoji😀.txt"), "😀");
  EndVelnor(menu);
}

}  // namespace
}  // namespace e2e
