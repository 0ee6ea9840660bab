// Registry values through the ANSI entry points, key deletion, and export/import with the Registry Editor.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/error_log.h"
#include "common/files.h"
#include "common/system.h"
#include "formats/registry.h"
#include "support/temp_env.h"

namespace {
constexpr int32_t kHkcu = static_cast<int32_t>(0x80000001u);
}

TEST(RegistryValues, JapaneseTextRoundTripsThroughCodePage932) {
  ASSERT_EQ(GetACP(), 932u) << "the tests run with the Japanese system code page";
  TempRegKey key;
  ASSERT_TRUE(gSetRegValue(kHkcu, key.subKey() + "\\アカウント", "表示名", kRegTypeString, std::string("山田 太郎のメール")));
  EXPECT_EQ(gGetRegText(kHkcu, key.subKey() + "\\アカウント", "表示名", "x"), "山田 太郎のメール");
}

TEST(RegistryValues, EmptyTextIsStoredAsOneSpaceAndReadsBackEmpty) {
  TempRegKey key;
  ASSERT_TRUE(gSetRegValue(kHkcu, key.subKey(), "v", kRegTypeString, std::string()));
  ASSERT_TRUE(gSetRegValue(kHkcu, key.subKey(), "n", kRegTypeString, RegValue{}));
  HKEY h = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.subKey().c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);
  char raw[8] = {};
  DWORD size = sizeof(raw);
  ASSERT_EQ(RegQueryValueExA(h, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(raw), &size), ERROR_SUCCESS);
  RegCloseKey(h);
  EXPECT_EQ(std::string(raw), " ");
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(gGetRegText(kHkcu, key.subKey(), "v", "default"), "");
  EXPECT_EQ(gGetRegText(kHkcu, key.subKey(), "n", "default"), "");
}

TEST(RegistryValues, OverlongTextAndAbsentValuesReadAsTheDefault) {
  TempRegKey key;
  ASSERT_TRUE(gSetRegValue(kHkcu, key.subKey(), "fits", kRegTypeString, std::string(255, 'a')));
  ASSERT_TRUE(gSetRegValue(kHkcu, key.subKey(), "long", kRegTypeString, std::string(256, 'a')));
  EXPECT_EQ(gGetRegText(kHkcu, key.subKey(), "fits", "d"), std::string(255, 'a'));
  EXPECT_EQ(gGetRegText(kHkcu, key.subKey(), "long", "d"), "d");
  EXPECT_EQ(gGetRegNumber(kHkcu, key.subKey(), "absent", 42), 42);
  EXPECT_EQ(gGetRegNumber(kHkcu, key.subKey() + "\\nokey", "absent", -7), -7);
}

TEST(RegistryValues, NumbersAreSigned32BitAndValueNamesIgnoreCase) {
  TempRegKey key;
  ASSERT_TRUE(gSetRegValue(kHkcu, key.subKey(), "LastBackupSoft", kRegTypeNumber, int32_t{-2}));
  EXPECT_EQ(gGetRegNumber(kHkcu, key.subKey(), "Lastbackupsoft", 0), -2);
  EXPECT_FALSE(gSetRegValue(kHkcu, key.subKey(), "x", 3, std::string("binary is not written")));
}

TEST(RegistryKeys, SubkeysListInOrderAndDeleteDeepestFirst) {
  TempRegKey key;
  for (const char* sub : {"a\\a1\\a2", "b", "日本語"})
    ASSERT_TRUE(gSetRegValue(kHkcu, key.subKey() + "\\" + sub, "v", kRegTypeString, std::string("x")));
  std::vector<std::string> names;
  EXPECT_EQ(gGetRegSubKeyNames(kHkcu, key.subKey(), names), 3);
  EXPECT_EQ(names.size(), 3u);
  EXPECT_NE(std::find(names.begin(), names.end(), "日本語"), names.end());

  ASSERT_TRUE(gDelRegKey(kHkcu, key.subKey()));
  HKEY h = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, key.subKey().c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);
}

TEST(RegistryKeys, MissingKeyCountsAsDeletedAndAnEmptySubkeyIsRefused) {
  TempRegKey key;
  EXPECT_TRUE(gDelRegKey(kHkcu, key.subKey() + "\\never"));
  // Deleting "" would empty the whole root.
  EXPECT_FALSE(gDelRegKey(kHkcu, ""));
  EXPECT_FALSE(gDelRegKey(kHkcu, " "));
  std::vector<std::string> names;
  EXPECT_GT(gGetRegSubKeyNames(kHkcu, "", names), 0);
}

TEST(RegistryKeys, RootNamesAreExactButTolerateOneBackslashAndBlanks) {
  int32_t root = 123;
  EXPECT_TRUE(gCnvRegRootKeyStrToLong("HKEY_CURRENT_USER\\", root));
  EXPECT_EQ(root, kHkcu);
  EXPECT_TRUE(gCnvRegRootKeyStrToLong("  HKEY_LOCAL_MACHINE", root));
  EXPECT_EQ(static_cast<uint32_t>(root), 0x80000002u);
  EXPECT_TRUE(gCnvRegRootKeyStrToLong("HKEY_DYN_DATA", root));
  EXPECT_EQ(static_cast<uint32_t>(root), 0x80000006u);
  root = 123;
  EXPECT_FALSE(gCnvRegRootKeyStrToLong("hkey_current_user", root));
  EXPECT_FALSE(gCnvRegRootKeyStrToLong("HKEY_CURRENT_USER\\\\", root));
  EXPECT_EQ(root, 123);
}

TEST(RegistryFiles, ExportDeleteImportBringsJapaneseValuesBack) {
  TempRegKey key;
  TempFolder dir("reg");
  const std::string sub = key.subKey() + "\\Accounts\\00000001";
  ASSERT_TRUE(gSetRegValue(kHkcu, sub, "Account Name", kRegTypeString, std::string("会社のメール")));
  ASSERT_TRUE(gSetRegValue(kHkcu, sub, "POP3 Port", kRegTypeNumber, int32_t{110}));
  const std::string file = dir / "account.reg";

  ASSERT_TRUE(gGetREGFILE(file, key.fullPath()));
  const std::string bytes = ReadFileBytes(file);
  ASSERT_GE(bytes.size(), 2u);
  ASSERT_TRUE(gDelRegKey(kHkcu, key.subKey()));
  EXPECT_EQ(gGetRegText(kHkcu, sub, "Account Name", "gone"), "gone");

  ASSERT_TRUE(gSetRegFile(file));
  // The import has finished when gSetRegFile returns.
  EXPECT_EQ(gGetRegText(kHkcu, sub, "Account Name", "gone"), "会社のメール");
  EXPECT_EQ(gGetRegNumber(kHkcu, sub, "POP3 Port", 0), 110);
}

TEST(RegistryFiles, ExportRefusesAnExistingFileAndAMissingKeyLeavesNoFile) {
  TempRegKey key;
  TempFolder dir("reg");
  ASSERT_TRUE(gSetRegValue(kHkcu, key.subKey(), "v", kRegTypeString, std::string("x")));
  const std::string existing = dir / "existing.reg";
  ASSERT_TRUE(WriteFileBytes(existing, "keep me"));
  EXPECT_FALSE(gGetREGFILE(existing, key.fullPath()));
  EXPECT_EQ(ReadFileBytes(existing), "keep me");

  const std::string missing = dir / "missing.reg";
  EXPECT_FALSE(gGetREGFILE(missing, key.fullPath() + "\\NoSuchKey"));
  EXPECT_FALSE(FileExistsPlain(missing));
}
