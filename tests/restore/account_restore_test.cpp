// Restoring the Outlook Express account settings: back under the current identity with their Japanese values,
// older exports, and saved settings that reach outside the account settings key.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/files.h"
#include "common/text.h"
#include "restore/account_restore.h"
#include "restore/replacement.h"
#include "restore/retrieval.h"
#include "restore_env.h"
#include "session/session_state.h"
#include "support/temp_env.h"

namespace {

const char* const kNotRestored = "メールアカウント情報は\r\n復元することができませんでした。";
const std::string kAccount1 = kAccountKey + "\\Accounts\\00000001";
const std::string kAccount2 = kAccountKey + "\\Accounts\\00000002";

class AccountRestoreTest : public RestoreTest {
 protected:
  void SetUp() override {
    RestoreTest::SetUp();
    if (IsSkipped()) return;
    ChooseTarget(0);
  }
  // Restores a folder set made from the current data whose account export is replaced by `export_` when given.
  bool Restore(const std::string& exportBytes = "", const std::string& subKey = kAccountKey) {
    SessionState& s = gSession();
    const std::string archive = PackCurrentData(true, [&](const std::string&) {
      if (!exportBytes.empty()) WriteFileBytes(gAddRoot(s.RegFileDataDir) + "account.reg", exportBytes);
    });
    s.RegSubKey = subKey;
    WriteFolderSet(archive, true);
    s.RegSubKey = kAccountKey;
    ReadSet(true);
    return gProcRestoreFromNOTFD() && gProcRestore();
  }
  SavedHkcuKey accounts_{kAccountKey};
  SavedHkcuKey identities_{"Identities"};
  SavedHkcuKey test_{"Software\\VelnorTest\\outside"};
};

}  // namespace

TEST_F(AccountRestoreTest, AccountsComeBackUnderTheCurrentIdentityWithTheirJapaneseValues) {
  SessionState& s = gSession();
  const std::string archive = PackCurrentData(true);
  WriteFolderSet(archive, true);
  // After the backup the accounts are changed and one is gone; the identity has none of its own yet.
  SetRegText(kAccount1, "Account Name", "変更後");
  RegDeleteTreeW(HKEY_CURRENT_USER, gToWide(kAccount2).c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, gToWide(kAccount2).c_str());
  SetRegText(kAccountKey + "\\Accounts\\00000009", "Account Name", "後から作った");

  ReadSet(true);
  ASSERT_TRUE(s.RegBackup);
  ASSERT_TRUE(gProcRestoreFromNOTFD());
  ASSERT_TRUE(gProcRestore());
  EXPECT_EQ(ui_.Count(kNotRestored), 0);
  for (const std::string& base : {kAccountKey, kIdentityAccountKey}) {
    SCOPED_TRACE(base);
    EXPECT_EQ(RegText(base + "\\Accounts\\00000001", "Account Name"), "会社のメール");
    EXPECT_EQ(RegText(base + "\\Accounts\\00000001", "SMTP Display Name"), "山田 太郎");
    EXPECT_EQ(RegText(base + "\\Accounts\\00000002", "Account Name"), "自宅のプロバイダ");
    EXPECT_EQ(RegText(base + "\\Accounts\\00000002", "SMTP Display Name"), "やまだ たろう");
    EXPECT_FALSE(KeyExists(base + "\\Accounts\\00000009"));
  }
  const std::string folder = gAddRoot(s.RegFileDataDir);
  for (const char* name : {"account.reg", "tempfaaail", "Identities_account.reg", "SoftWare_account.reg"})
    EXPECT_TRUE(FileExistsPlain(folder + name)) << name;
}

TEST_F(AccountRestoreTest, AnExportInTheSystemCodePageStillRestores) {
  const std::string old = gToAnsi(
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + kAccount1 + "]\r\n\"Account Name\"=\"昔のメール\"\r\n\r\n");
  ASSERT_TRUE(Restore(old));
  EXPECT_EQ(ui_.Count(kNotRestored), 0);
  EXPECT_EQ(RegText(kAccount1, "Account Name"), "昔のメール");
  EXPECT_EQ(RegText(kIdentityAccountKey + "\\Accounts\\00000001", "Account Name"), "昔のメール");
}

// Each set below still restores its data, but its account settings are refused as a whole: nothing is
// deleted or imported, and the user is told.
TEST_F(AccountRestoreTest, SettingsThatReachOutsideTheAccountKeyAreRefusedWhole) {
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + kAccount1 +
                           "]\r\n\"Account Name\"=\"乗っ取り\"\r\n\r\n";
  struct Case {
    const char* what;
    std::string exportText, subKey;
  } cases[] = {
      {"a key elsewhere", head + "[HKEY_CURRENT_USER\\Software\\VelnorTest\\outside\\made]\r\n\"x\"=\"1\"\r\n",
       kAccountKey},
      {"a deletion elsewhere", head + "[-HKEY_CURRENT_USER\\Software\\VelnorTest\\outside]\r\n", kAccountKey},
      {"a look-alike key", head + "[HKEY_CURRENT_USER\\" + kAccountKey + "X]\r\n\"x\"=\"1\"\r\n", kAccountKey},
      {"another machine-wide root", head + "[HKEY_LOCAL_MACHINE\\Software\\VelnorTest]\r\n", kAccountKey},
      {"another saved key", head, "Software\\VelnorTest\\outside"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(gGetWorkDir());
    SetRegText("Software\\VelnorTest\\outside", "kept", "yes");
    SetRegText(kIdentityAccountKey + "\\Accounts\\00000001", "Account Name", "今の設定");
    ui_.boxes.clear();
    EXPECT_TRUE(Restore(Utf16File(c.exportText), c.subKey));
    EXPECT_EQ(ui_.Count(kNotRestored), 1);
    EXPECT_EQ(RegText(kAccount1, "Account Name"), "会社のメール");
    EXPECT_EQ(RegText(kAccount2, "Account Name"), "自宅のプロバイダ");
    EXPECT_EQ(RegText(kIdentityAccountKey + "\\Accounts\\00000001", "Account Name"), "今の設定");
    EXPECT_EQ(RegText("Software\\VelnorTest\\outside", "kept"), "yes");
    EXPECT_FALSE(KeyExists("Software\\VelnorTest\\outside\\made"));
  }
}

TEST(RegFileKeyCheck, OnlyKeysAtOrBelowTheGivenKeyPass) {
  TempFolder dir;
  const std::string key = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager";
  auto check = [&](const std::string& text) {
    WriteFileBytes(dir / "f.reg", gToAnsi(text));
    long keys = 0;
    return gChkRegFileKeysUnder(dir / "f.reg", key, keys);
  };
  EXPECT_TRUE(check("REGEDIT4\r\n\r\n[" + key + "]\r\n\"a\"=\"[not a key]\"\r\n[" + key + "\\Accounts\\1]\r\n"));
  EXPECT_TRUE(check("REGEDIT4\r\n  [hkey_current_user\\software\\microsoft\\internet account manager\\日本]\r\n"));
  EXPECT_TRUE(check("REGEDIT4\n[-" + key + "\\Accounts]\n"));
  EXPECT_FALSE(check("REGEDIT4\r\n"));                                    // nothing to import
  EXPECT_FALSE(check("REGEDIT4\r\n[" + key + "\r\n"));                    // no closing bracket
  EXPECT_FALSE(check("REGEDIT4\r[" + key + "]\r[HKEY_CURRENT_USER\\x]"));  // lone CR ends a line
  EXPECT_FALSE(check("REGEDIT4\r\n[" + key + "]\r\n\t[-HKEY_CURRENT_USER\\Software]\r\n"));
  EXPECT_FALSE(check("REGEDIT4\r\n[" + key + "]\r\n" + std::string(1, '\0') + "[HKEY_USERS\\x]\r\n"));
}
