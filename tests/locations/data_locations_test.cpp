// Where each target's data is found on the sample PC, and how the lookups behave when the machine differs.
#include <gtest/gtest.h>

#include "common/files.h"
#include "common/system.h"
#include "locations/data_locations.h"
#include "locations/user_folders.h"
#include "sample_pc.h"
#include "session/targets.h"
#include "support/temp_env.h"

namespace {

std::string Profile() { return Env("USERPROFILE"); }
std::string Oe5Store() {
  return Profile() + "\\Local Settings\\Application Data\\Identities\\" + kIdentity + "\\Microsoft\\Outlook Express";
}
std::string Oe4Store() { return Profile() + "\\Application Data\\Microsoft\\Outlook Express"; }
std::string PstFolder() { return Profile() + "\\Local Settings\\Application Data\\Microsoft\\Outlook\\"; }

// Windows paths: letter case and one trailing "\" make no difference to the folder meant.
testing::AssertionResult SameFolder(const std::string& a, const std::string& b) {
  if (_stricmp(gAddRoot(a).c_str(), gAddRoot(b).c_str()) == 0) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "\n  got:      " << a << "\n  expected: " << b;
}

class SamplePcTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!SamplePcPresent()) GTEST_SKIP() << "the sample PC is not laid out in this prefix";
  }
};

}  // namespace

TEST_F(SamplePcTest, EachTargetResolvesToItsDataFolder) {
  // On the sample PC's 64-bit layout, Netscape and ColMail were put in "Program Files (x86)".
  const std::string legacy = GetFileAttributesW(L"C:\\Program Files (x86)\\Netscape") != INVALID_FILE_ATTRIBUTES
                                 ? "C:\\Program Files (x86)"
                                 : "C:\\Program Files";
  struct Case {
    long target;
    std::string folder;
  } cases[] = {
      {0, Oe5Store()},
      {1, PstFolder()},
      {2, legacy + "\\Netscape\\Users\\yamada\\"},
      {3, Profile() + "\\Favorites"},
      {4, legacy + "\\Justsystem\\ColMail\\USER"},
      {5, Profile() + "\\Documents"},
      {6, Env("APPDATA") + "\\Mozilla"},
  };
  for (const Case& c : cases) {
    std::string folder, version = "unchanged";
    EXPECT_TRUE(gGetBkSoftDir(c.target, folder, version)) << c.target;
    EXPECT_TRUE(SameFolder(folder, c.folder)) << c.target;
    // Only Outlook Express sets the version; both stores exist and the installed program is version 6.
    EXPECT_EQ(version, c.target == 0 ? "6" : "unchanged") << c.target;
  }
  std::string folder, version;
  EXPECT_FALSE(gGetBkSoftDir(7, folder, version));
  EXPECT_FALSE(gGetBkSoftDir(-1, folder, version));
}

TEST_F(SamplePcTest, AddressBookFileAndFolder) {
  const std::string folder = Profile() + "\\Application Data\\Microsoft\\Address Book\\";
  std::string name, dir;
  ASSERT_TRUE(gGetAddressBookFName(name));
  EXPECT_EQ(name, folder + Env("USERNAME") + ".wab");
  ASSERT_TRUE(gGetAddressBookDir(dir));
  EXPECT_EQ(dir, folder);
}

// The two Outlook Express stores: the identity's (versions 5 and 6) and the old per-user one (version 4).
class OutlookExpressTest : public SamplePcTest {
 protected:
  SavedHkcuKey identities_{"Identities"};
  SavedHkcuKey oe4_{kOe4Key};
  std::string folder, version;
};

TEST_F(OutlookExpressTest, WithBothStoresTheInstalledMajorVersionDecides) {
  {
    InstalledOe oe("4");
    ASSERT_TRUE(gGetSoftDataDir_OE(folder, version));
    EXPECT_TRUE(SameFolder(folder, Oe4Store()));
    EXPECT_EQ(version, "4");
  }
  {
    InstalledOe oe("5");
    ASSERT_TRUE(gGetSoftDataDir_OE(folder, version));
    EXPECT_TRUE(SameFolder(folder, Oe5Store()));
    EXPECT_EQ(version, "5");
  }
  ASSERT_TRUE(gGetSoftDataDir_OE(folder, version));  // the sample's own 6.00
  EXPECT_TRUE(SameFolder(folder, Oe5Store()));
  EXPECT_EQ(version, "6");
}

TEST_F(OutlookExpressTest, WithBothStoresAndNoProgramTheLookupFails) {
  SavedFile gone(kOeExe);
  EXPECT_FALSE(gGetSoftDataDir_OE(folder, version));
  EXPECT_EQ(folder, "");
}

TEST_F(OutlookExpressTest, OneStoreAloneDecidesWithoutAskingTheProgram) {
  SavedFile gone(kOeExe);
  DeleteRegValue(kOeStoreKey, "Store Root");
  ASSERT_TRUE(gGetSoftDataDir_OE(folder, version));
  EXPECT_TRUE(SameFolder(folder, Oe4Store()));
  EXPECT_EQ(version, "4");

  SetRegText(kOeStoreKey, "Store Root", Oe5Store());
  DeleteRegValue(kOe4Key, "Store Root");
  ASSERT_TRUE(gGetSoftDataDir_OE(folder, version));
  EXPECT_TRUE(SameFolder(folder, Oe5Store()));
  EXPECT_EQ(version, "5");  // also what a version 6 installation gets
}

TEST_F(OutlookExpressTest, IdentityStoreFallsBackToTheSixKey) {
  DeleteRegValue(kOe4Key, "Store Root");
  DeleteRegValue(kOeStoreKey, "Store Root");
  SetRegText(kIdentityKey + "\\Software\\Microsoft\\Outlook Express\\6.0", "Store Root",
             "%UserProfile%\\Local Settings\\Application Data\\Identities\\" + kIdentity +
                 "\\Microsoft\\Outlook Express");
  ASSERT_TRUE(gGetSoftDataDir_OE(folder, version));
  EXPECT_TRUE(SameFolder(folder, Oe5Store()));
}

TEST_F(OutlookExpressTest, ProfileVariableMustBeWrittenInMixedCase) {
  SetRegText(kOeStoreKey, "Store Root",
             "%USERPROFILE%\\Local Settings\\Application Data\\Identities\\" + kIdentity +
                 "\\Microsoft\\Outlook Express");
  EXPECT_FALSE(gGetSoftDataDir_OE(folder, version));
  EXPECT_EQ(folder, "");
}

TEST_F(OutlookExpressTest, WithoutCurrentIdentityOnlyTheVersion4StoreIsSeen) {
  std::string identity = "x";
  DeleteRegValue("Identities", "Last User ID");
  ASSERT_TRUE(gGetIdentityKey(identity));
  EXPECT_EQ(identity, "");
  ASSERT_TRUE(gGetSoftDataDir_OE(folder, version));
  EXPECT_TRUE(SameFolder(folder, Oe4Store()));
  EXPECT_EQ(version, "4");

  DeleteRegValue(kOe4Key, "Store Root");
  EXPECT_FALSE(gGetSoftDataDir_OE(folder, version));
  std::string scratch;
  EXPECT_FALSE(gGetBkSoftDir(0, scratch, version));
}

TEST_F(OutlookExpressTest, IdentityKeyIsTheLastUser) {
  std::string identity;
  ASSERT_TRUE(gGetIdentityKey(identity));
  EXPECT_EQ(identity, kIdentity);
}

// The address book path as stored, with or without an environment variable in front.
class AddressBookTest : public SamplePcTest {
 protected:
  SavedHkcuKey wab_{"Software\\Microsoft\\WAB"};
  const std::string key_ = "Software\\Microsoft\\WAB\\WAB4\\Wab File Name";
  std::string dir;
};

TEST_F(AddressBookTest, VariablesInFrontAreExpandedCaseExactly) {
  std::string fav;
  ASSERT_TRUE(gGetFavoriteDir(fav));
  SetRegText(key_, "", "%UserProfile%\\Application Data\\Microsoft\\Address Book\\a.wab");
  ASSERT_TRUE(gGetAddressBookDir(dir));
  EXPECT_EQ(dir, fav + "\\..\\Application Data\\Microsoft\\Address Book\\");

  SetRegText(key_, "", "%SystemRoot%\\Address Book\\a.wab");
  ASSERT_TRUE(gGetAddressBookDir(dir));
  EXPECT_EQ(dir, gGetWinDir() + "\\Address Book\\");

  for (const char* refused : {"%USERPROFILE%\\Address Book\\a.wab", "%windir%\\a.wab"}) {
    SetRegText(key_, "", refused);
    EXPECT_FALSE(gGetAddressBookDir(dir)) << refused;
    EXPECT_EQ(dir, "");
  }
}

TEST_F(AddressBookTest, MissingOrBlankValueIsNoAddressBook) {
  std::string name;
  SetRegText(key_, "", " ");
  EXPECT_FALSE(gGetAddressBookFName(name));
  DeleteRegValue(key_, "");
  EXPECT_FALSE(gGetAddressBookFName(name));
  EXPECT_FALSE(gGetAddressBookDir(dir));
}

// Outlook's message store: the item log's folder first, then the profile and Windows folders.
class OutlookStoreTest : public SamplePcTest {
 protected:
  SavedHkcuKey office_{"Software\\Microsoft\\Office"};
  SavedFile samplePst_{PstFolder() + "outlook.pst"};
  TempFolder temp_{"pst"};
  std::string name, folder, version;
};

TEST_F(OutlookStoreTest, MailboxBeatsOutlookAndEarlierFolderBeatsLater) {
  const std::string later = Profile() + "\\Application Data\\MicroSoft\\OutLook\\";
  SavedFile laterMailbox(later + "mailbox.pst");
  PutFile(later + "mailbox.pst", "!BDN");
  ASSERT_TRUE(gGetPstFName(name));
  EXPECT_TRUE(SameFolder(name, Profile() + "\\Application Data\\Microsoft\\Outlook\\mailbox.pst"));

  PutFile(PstFolder() + "outlook.pst", "!BDN");
  ASSERT_TRUE(gGetPstFName(name));
  EXPECT_TRUE(SameFolder(name, PstFolder() + "outlook.pst"));

  SavedFile mailbox(PstFolder() + "mailbox.pst");
  PutFile(PstFolder() + "mailbox.pst", "!BDN");
  ASSERT_TRUE(gGetPstFName(name));
  EXPECT_TRUE(SameFolder(name, PstFolder() + "mailbox.pst"));
}

TEST_F(OutlookStoreTest, ItemLogFolderComesFirstNineBeforeEight) {
  PutFile(PstFolder() + "outlook.pst", "!BDN");
  TempFolder other("pst8");
  PutFile(temp_ / "outlook.pst", "!BDN");
  PutFile(other / "outlook.pst", "!BDN");
  SetRegText("Software\\Microsoft\\Office\\8.0\\Outlook\\Journal", "Outlook Item Log File", other / "item.log");
  ASSERT_TRUE(gGetSoftDataDir_OL(folder, version));
  EXPECT_EQ(folder, other.path() + "\\");

  SetRegText("Software\\Microsoft\\Office\\9.0\\Outlook\\Journal", "Outlook Item Log File", temp_ / "item.log");
  ASSERT_TRUE(gGetOutLookItemLogFileName(name));
  EXPECT_EQ(name, temp_ / "item.log");
  ASSERT_TRUE(gGetSoftDataDir_OL(folder, version));
  EXPECT_EQ(folder, temp_.path() + "\\");
  EXPECT_EQ(version, "");
}

TEST_F(OutlookStoreTest, NoStoreAnywhereIsASilentNoForOutlookAndAFailureForTheMenu) {
  ASSERT_TRUE(gGetOutLookItemLogFileName(name));
  EXPECT_EQ(name, " ");
  ASSERT_TRUE(gGetPstFName(name));
  EXPECT_EQ(name, "");
  version = "x";
  EXPECT_FALSE(gGetSoftDataDir_OL(folder, version));
  EXPECT_EQ(folder, "");
  EXPECT_EQ(version, "");
  EXPECT_FALSE(gGetBkSoftDir(1, folder, version));
}

TEST_F(SamplePcTest, NetscapeAndColMailNeedTheirFoldersToExist) {
  SavedHkcuKey netscape("Software\\Netscape");
  SavedHkcuKey justsystem("Software\\Justsystem");
  std::string folder;
  SetRegText("Software\\Netscape\\Netscape Navigator\\biff", "CurrentUser", "nobody");
  EXPECT_FALSE(gGetSoftDataDir_NS4X(folder));
  DeleteRegValue("Software\\Netscape\\Netscape Navigator\\biff", "CurrentUser");
  EXPECT_FALSE(gGetSoftDataDir_NS4X(folder));
  DeleteRegValue("Software\\Netscape\\Netscape Navigator\\Main", "Install Directory");
  EXPECT_FALSE(gGetSoftDataDir_NS4X(folder));

  TempFolder appData("appdata");
  {
    SavedEnv env("APPDATA", appData.path());
    EXPECT_FALSE(gGetSoftDataDir_NS6X(folder));
    PutFile(appData / "Mozilla\\registry.dat", "");
    ASSERT_TRUE(gGetSoftDataDir_NS6X(folder));
    EXPECT_EQ(folder, appData / "Mozilla");
  }
  {
    SavedEnv env("APPDATA", "");
    EXPECT_FALSE(gGetSoftDataDir_NS6X(folder));
  }

  SetRegText("Software\\Justsystem\\ColMail", "UserRootDir", appData / "missing");
  EXPECT_FALSE(gGetSoftDataDir_COLMAIL(folder));
  DeleteRegValue("Software\\Justsystem\\ColMail", "UserRootDir");
  EXPECT_FALSE(gGetSoftDataDir_COLMAIL(folder));
}

TEST(OeVersionCompatibility, FiveAndSixMixFourStaysAlone) {
  struct Case {
    const char* saved;
    const char* current;
    bool ok;
  } cases[] = {
      {"4", "4", true},   {"5", "5", true},   {"6", "6", true},   {"6", "5", true},   {"5", "6", true},
      {"6.00", "5", true}, {"4", "5", false}, {"5", "4", false}, {"6", "4", false}, {"4", "6", false},
      {"4", "", false},   {"5", "", false},   {"0", "", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(gChkPossiveRestore_OEVersion(c.saved, c.current), c.ok) << c.saved << " into " << c.current;
  EXPECT_FALSE(gChkPossiveRestore_OEVersion("", "5"));
  EXPECT_FALSE(gChkPossiveRestore_OEVersion("x", "5"));
}
