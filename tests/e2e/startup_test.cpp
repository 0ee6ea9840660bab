// Starting and ending the real program: the working folder a crash left behind is cleared, a second copy
// started while one runs is refused and ends, and closing the menu ends the program through its end screen,
// which removes the working folder.
#include <gtest/gtest.h>

#include "common/text.h"
#include "e2e_env.h"

namespace e2e {
namespace {

std::string WorkFolder() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::string path = gFromWide(temp);
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path + "Velnor";
}

using Startup = E2eTest;

TEST_F(Startup, ASecondCopyIsRefusedAndTheWorkingFolderGoesAtTheEnd) {
  CreateDirectoryW(gToWide(WorkFolder()).c_str(), nullptr);
  CreateDirectoryW(gToWide(WorkFolder() + "\\PackDir").c_str(), nullptr);
  ASSERT_TRUE(WriteFileBytes(WorkFolder() + "\\PackDir\\old.txt", "left by a crash"));
  const HWND menu = StartVelnor();
  EXPECT_FALSE(FileExistsPlain(WorkFolder() + "\\PackDir\\old.txt"));
  EXPECT_NE(GetFileAttributesW(gToWide(WorkFolder()).c_str()), INVALID_FILE_ATTRIBUTES);

  Program second(VelnorExe(), velnor_->ShotFolder() + "\\second");
  second.Start();
  second.Answer("既に起動されています", IDOK, "second-copy");
  second.WaitExit(60);
  EXPECT_TRUE(IsWindowVisible(menu));

  EndVelnor(menu);
  EXPECT_EQ(GetFileAttributesW(gToWide(WorkFolder()).c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace e2e
