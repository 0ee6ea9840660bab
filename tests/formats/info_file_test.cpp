// The backup information file byte for byte, and its reading and checking on restore.
#include <gtest/gtest.h>

#include "common/app.h"
#include "common/text.h"
#include "formats/info_file.h"
#include "session/set_info.h"
#include "formats/ini_file.h"
#include "session/session_state.h"
#include "support/temp_env.h"

namespace {

class InfoFileTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = gSession();
    SessionState& s = gSession();
    s.AppTitle = "Velnor";
    s.InfoFile = dir_ / "Velnor.ini";
    s.UserName = "山田";
    s.SoftVersion = "6";
    s.BackupDate = "20261208143005";
    s.BackupDateText = "2026年12月08日(火曜日) 14時30分";
  }
  void TearDown() override { gSession() = saved_; }
  std::string Version() {
    const AppVersion v = gGetAppVersion();
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
  }

  TempFolder dir_{"info"};
  SessionState saved_;
};

}  // namespace

TEST_F(InfoFileTest, OutlookExpressFileIsWrittenLineForLineInCodePage932) {
  SessionState& s = gSession();
  s.TargetSoft = 0;
  s.AddressBookFile = "yamada.wab";
  s.RegBackup = true;
  s.RegRootKey = "HKEY_CURRENT_USER";
  s.RegSubKey = "Software\\Microsoft\\Internet Account Manager";
  ASSERT_TRUE(mSaveFile(true, 2));
  const std::string expected =
      ";/\r\n;/  Velnor\r\n;/　データ情報ファイル\r\n;/\r\n;/　書き換えないでください\r\n;/\r\n\r\n[section1]\r\n\r\n"
      "app-title=Velnor\r\napp-difficulty=none\r\napp-version=" + Version() + "\r\n\r\n"
      "bkSoft-Name=0\r\nbkSoft-version=6\r\nuser-name=山田\r\n\r\n"
      "BkDateJ=2026年12月08日(火曜日) 14時30分\r\nBkDate=20261208143005\r\nfd-next=True\r\nfd-number=2\r\n\r\n"
      "BkAddressBookName=yamada.wab\r\nRegBackup=True\r\nRegRootKey=HKEY_CURRENT_USER\r\n"
      "RegSubKey=Software\\Microsoft\\Internet Account Manager\r\n\r\n";
  const std::string bytes = ReadFileBytes(s.InfoFile);
  EXPECT_EQ(bytes, gToAnsi(expected));
  // Written again, it is replaced, not appended.
  ASSERT_TRUE(mSaveFile(true, 2));
  EXPECT_EQ(ReadFileBytes(s.InfoFile), bytes);
}

TEST_F(InfoFileTest, TailDependsOnTheTarget) {
  SessionState& s = gSession();
  s.TargetSoft = 1;
  s.PstFile = "outlook.pst";
  ASSERT_TRUE(mSaveFile(false, 1));
  std::string text = gFromAnsi(ReadFileBytes(s.InfoFile));
  EXPECT_EQ(text.substr(text.find("fd-next")), "fd-next=False\r\nfd-number=1\r\n\r\nBkPstFileName=outlook.pst\r\n\r\n");

  s.TargetSoft = 0;
  s.RegBackup = false;
  s.AddressBookFile = "a.wab";
  ASSERT_TRUE(mSaveFile(false, 1));
  text = gFromAnsi(ReadFileBytes(s.InfoFile));
  EXPECT_EQ(text.substr(text.find("fd-number")), "fd-number=1\r\n\r\nBkAddressBookName=a.wab\r\nRegBackup=False\r\n\r\n");

  s.TargetSoft = 3;
  ASSERT_TRUE(mSaveFile(false, 1));
  text = gFromAnsi(ReadFileBytes(s.InfoFile));
  EXPECT_EQ(text.substr(text.find("fd-number")), "fd-number=1\r\n\r\n");
}

TEST_F(InfoFileTest, WrittenFileReadsBackIntoTheSession) {
  SessionState& s = gSession();
  s.TargetSoft = 0;
  s.AddressBookFile = "yamada.wab";
  s.RegBackup = true;
  s.RegRootKey = "HKEY_CURRENT_USER";
  s.RegSubKey = "Software\\Microsoft\\Internet Account Manager";
  ASSERT_TRUE(mSaveFile(false, 1));
  s.RegRootKey.clear();
  s.RegSubKey.clear();
  ASSERT_TRUE(gGetIniData());
  EXPECT_EQ(s.SetTargetSoft, 0);
  EXPECT_EQ(s.SetSoftVersion, "6");
  EXPECT_EQ(s.Saved.UserName, "山田");
  EXPECT_EQ(s.Saved.BkDate, "20261208143005");
  EXPECT_EQ(s.Saved.BkDateJ, "2026年12月08日(火曜日) 14時30分");
  EXPECT_EQ(s.Saved.AddressBookName, "yamada.wab");
  EXPECT_TRUE(s.Saved.RegBackup);
  EXPECT_EQ(s.RegRootKey, "HKEY_CURRENT_USER");
  EXPECT_EQ(s.RegSubKey, "Software\\Microsoft\\Internet Account Manager");
}

TEST_F(InfoFileTest, InvalidFilesAreRejected) {
  SessionState& s = gSession();
  s.TargetSoft = 2;
  const std::string good = "[section1]\r\nuser-name=u\r\nBkDate=1\r\nBkDateJ=j\r\nbkSoft-Name=2\r\n";
  ASSERT_TRUE(WriteFileBytes(s.InfoFile, good));
  EXPECT_TRUE(gGetIniData());
  EXPECT_EQ(s.Saved.AddressBookName, " ");
  EXPECT_EQ(s.Saved.PstFileName, " ");

  for (const std::string& bad : {std::string("[section1]\r\nuser-name=u\r\nBkDate=1\r\nBkDateJ=j\r\n"),
                                 std::string("[section1]\r\nBkDate=1\r\nBkDateJ=j\r\nbkSoft-Name=255\r\n"),
                                 std::string("[section1]\r\nBkDate=\r\nBkDateJ=j\r\nbkSoft-Name=2\r\n"),
                                 std::string("[section1]\r\nBkDate=1\r\nbkSoft-Name=2\r\n"),
                                 std::string("[other]\r\nBkDate=1\r\nBkDateJ=j\r\nbkSoft-Name=2\r\n")}) {
    ASSERT_TRUE(WriteFileBytes(s.InfoFile, bad));
    EXPECT_FALSE(gGetIniData()) << bad;
  }
  s.InfoFile = dir_ / "missing.ini";
  EXPECT_FALSE(gGetIniData());
}

TEST_F(InfoFileTest, OutlookExpressAccountSettingsFlag) {
  SessionState& s = gSession();
  s.TargetSoft = 0;
  const std::string base = "[section1]\r\nBkDate=1\r\nBkDateJ=j\r\nbkSoft-Name=0\r\n";
  ASSERT_TRUE(WriteFileBytes(s.InfoFile, base));
  ASSERT_TRUE(gGetIniData());
  EXPECT_FALSE(s.Saved.RegBackup);
  EXPECT_EQ(s.Saved.UserName, "???");

  ASSERT_TRUE(WriteFileBytes(s.InfoFile, base + "RegBackup=True\r\n"));
  ASSERT_TRUE(gGetIniData());
  EXPECT_TRUE(s.Saved.RegBackup);
  EXPECT_EQ(s.RegRootKey, "False");

  ASSERT_TRUE(WriteFileBytes(s.InfoFile, base + "RegBackup=maybe\r\n"));
  EXPECT_FALSE(gGetIniData());
}

TEST(IniFile, LongValuesAreCutToTheBufferAndNeverInsideACharacter) {
  TempFolder dir("ini");
  const std::string file = dir / "a.ini";
  // 16384 double-byte characters: 32768 bytes, one more than the buffer holds.
  std::string value;
  for (int i = 0; i < 16384; ++i) value += "あ";
  ASSERT_TRUE(WriteFileBytes(file, gToAnsi("[s]\r\nk=" + value + "\r\n")));
  const std::string read = gGetIniString(file, "s", "k", "d");
  EXPECT_LT(read.size(), value.size());
  EXPECT_GE(read.size(), std::string("あ").size() * 16000);
  EXPECT_EQ(gToAnsi(read).size() % 2, 0u);
  EXPECT_EQ(gFromAnsi(gToAnsi(read)), read);
  EXPECT_EQ(gGetIniString(file, "s", "none", "d"), "d");
  EXPECT_EQ(gGetIniInteger(file, "s", "none", 255), "255");
}
