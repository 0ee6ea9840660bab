// Rewriting exported registry files: UTF-16 to code page 932 with a key replaced, and one line replaced.
#include <gtest/gtest.h>

#include "common/files.h"
#include "common/text.h"
#include "formats/registry.h"
#include "support/temp_env.h"

TEST(FileTransChar, RegeditExportBecomesCodePage932WithTheKeyReplaced) {
  TempFolder t;
  TempRegKey key;
  ASSERT_TRUE(gSetRegValue(key.root, key.subKey() + "\\アカウント", "表示名", kRegTypeString,
                           std::string("日本語のメール")));
  const std::string exported = t / "account.reg";
  ASSERT_TRUE(gGetREGFILE(exported, key.fullPath()));
  const std::string raw = ReadFileBytes(exported);
  ASSERT_GE(raw.size(), 2u);
  ASSERT_EQ(raw.substr(0, 2), "\xFF\xFE");

  const std::string converted = t / "tempfaaail";
  ASSERT_TRUE(gFileTransChar(exported, converted, key.fullPath(), "HKEY_CURRENT_USER\\Identities\\{ID}"));
  const std::string bytes = ReadFileBytes(converted);
  const std::string text = gFromAnsi(bytes);
  EXPECT_EQ(bytes.find("\xFF\xFE"), std::string::npos);
  EXPECT_NE(bytes.find("\x93\xfa\x96\x7b\x8c\xea"), std::string::npos);  // 日本語 in code page 932
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Identities\\{ID}\\アカウント]"), std::string::npos);
  EXPECT_NE(text.find("\"表示名\"=\"日本語のメール\""), std::string::npos);
  EXPECT_EQ(text.find(key.subKey()), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(FileTransChar, SourceWithoutMarkGivesOneEmptyLineAndSameFileIsSafe) {
  TempFolder t;
  ASSERT_TRUE(WriteFileBytes(t / "plain.reg", "REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n"));
  ASSERT_TRUE(gFileTransChar(t / "plain.reg", t / "out.reg", "x", "y"));
  EXPECT_EQ(ReadFileBytes(t / "out.reg"), "\r\n");

  // Converting a file onto itself reads it before the output empties it.
  const std::string utf16("\xFF\xFE" "a\0b\0", 6);
  ASSERT_TRUE(WriteFileBytes(t / "self.reg", utf16));
  ASSERT_TRUE(gFileTransChar(t / "self.reg", t / "self.reg", "b", "c"));
  EXPECT_EQ(ReadFileBytes(t / "self.reg"), "ac\r\n");

  EXPECT_FALSE(gFileTransChar(t / "missing.reg", t / "out2.reg", "x", "y"));
}

TEST(FileTransLine, ReplacesOneLineAndPassesOthersThroughUnchanged) {
  TempFolder t;
  const std::string line2 = gToAnsi("\"表示名\"=\"日本語\"");
  ASSERT_TRUE(WriteFileBytes(t / "in.reg", "Windows Registry Editor Version 5.00\r\n" + line2 + "\n\r\nlast"));
  ASSERT_TRUE(gFileTransLine(t / "in.reg", t / "out.reg", 1, "REGEDIT4"));
  EXPECT_EQ(ReadFileBytes(t / "out.reg"), "REGEDIT4\r\n" + line2 + "\r\n\r\nlast\r\n");

  ASSERT_TRUE(gFileTransLine(t / "in.reg", t / "out.reg", 9, "never"));
  EXPECT_EQ(ReadFileBytes(t / "out.reg"),
            "Windows Registry Editor Version 5.00\r\n" + line2 + "\r\n\r\nlast\r\n");

  EXPECT_FALSE(gFileTransLine(t / "missing.reg", t / "out.reg", 1, "REGEDIT4"));
}
