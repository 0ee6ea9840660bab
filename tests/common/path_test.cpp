// Path splitting, parent folders and stored paths that begin with an environment variable.
#include <gtest/gtest.h>

#include "common/files.h"
#include "common/system.h"
#include "locations/user_folders.h"

TEST(PathSplit, FolderNameAndExtension) {
  std::string folder;
  ASSERT_TRUE(gGetPath("C:\\a\\b.txt", folder));
  EXPECT_EQ(folder, "C:\\a\\");
  gGetPath("C:", folder);
  EXPECT_EQ(folder, "C:\\");
  gGetPath("C:name.txt", folder);
  EXPECT_EQ(folder, "C:\\");
  gGetPath("name.txt", folder);
  EXPECT_EQ(folder, "");

  EXPECT_EQ(gGetFileName("C:\\a\\b.tar.gz"), "b.tar.gz");
  EXPECT_EQ(gGetFileNameOnly("C:\\a\\b.tar.gz"), "b.tar");
  EXPECT_EQ(gGetFileExt("C:\\a\\b.tar.gz"), "gz");
  EXPECT_EQ(gGetFileExt("C:\\a.d\\README"), "");
  EXPECT_EQ(gGetFileNameOnly("C:\\a.d\\README"), "README");
}

// In code page 932 the second byte of 表 and ソ is 0x5C, the backslash: splitting must not cut there.
TEST(PathSplit, JapaneseNamesSplitAtRealSeparatorsOnly) {
  std::string folder;
  ASSERT_TRUE(gGetPath("C:\\表\\ソフト.url", folder));
  EXPECT_EQ(folder, "C:\\表\\");
  EXPECT_EQ(gGetFileName("C:\\表\\ソフト.url"), "ソフト.url");
  EXPECT_EQ(gGetFileNameOnly("C:\\表\\ソフト.url"), "ソフト");
  ASSERT_TRUE(gGetParentDir("C:\\表\\ソフト\\能.txt", 2, folder));
  EXPECT_EQ(folder, "C:\\表");
}

TEST(ParentDir, WalksUpUntilTheDrive) {
  std::string folder;
  ASSERT_TRUE(gGetParentDir("C:\\a\\b\\c.txt", 1, folder));
  EXPECT_EQ(folder, "C:\\a\\b");  // the file's own folder
  ASSERT_TRUE(gGetParentDir("C:\\a\\b", 1, folder));
  EXPECT_EQ(folder, "C:\\a");  // a folder without "\" is taken as a name inside its parent
  ASSERT_TRUE(gGetParentDir("C:\\Program Files\\Netscape\\Program\\", 1, folder));
  EXPECT_EQ(folder, "C:\\Program Files\\Netscape\\Program");
  ASSERT_TRUE(gGetParentDir("C:\\Program Files\\Netscape\\Program\\", 2, folder));
  EXPECT_EQ(folder, "C:\\Program Files\\Netscape");

  folder = "unchanged";
  EXPECT_FALSE(gGetParentDir("C:\\a\\b.txt", 3, folder));
  EXPECT_EQ(folder, "unchanged");
}

TEST(EnvPath, ExpandsProfileAndSystemRootCaseExactly) {
  std::string profile;
  ASSERT_TRUE(gGetUserProfilePath(profile));
  EXPECT_EQ(profile, gAddRoot(gGetEnvValue("userprofile")));

  std::string out;
  ASSERT_TRUE(gProcTransEnvPathToNormalPath("%UserProfile%\\Local Settings\\メール", out));
  EXPECT_EQ(out, profile + "Local Settings\\メール\\");
  ASSERT_TRUE(gProcTransEnvPathToNormalPath("%SystemRoot%\\system32", out));
  EXPECT_EQ(out, gAddRoot(gGetEnvValue("systemroot")) + "system32");

  out = "unchanged";
  EXPECT_FALSE(gProcTransEnvPathToNormalPath("%USERPROFILE%\\Local Settings", out));
  EXPECT_FALSE(gProcTransEnvPathToNormalPath("%APPDATA%\\Mozilla", out));
  EXPECT_FALSE(gProcTransEnvPathToNormalPath("C:\\plain", out));
  EXPECT_EQ(out, "unchanged");
}

TEST(LongName, MissingPathComesBackUnchanged) {
  EXPECT_EQ(gGetLongFileName("C:\\no such folder\\x.txt"), "C:\\no such folder\\x.txt");
  const std::string windows = gGetWinDir();
  ASSERT_FALSE(windows.empty());
  EXPECT_TRUE(gChkDirExists(gGetWinTempDir(), true));
}
