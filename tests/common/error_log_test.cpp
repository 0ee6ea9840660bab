// The error log's entries byte for byte, the report lines, and the fatal-error path.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/app.h"
#include "common/error_log.h"
#include "common/files.h"
#include "common/text.h"
#include "support/scripted_ui.h"
#include "support/temp_env.h"

namespace {

// Points %TEMP% at a scratch folder so that the log lands where the test can read it.
class ErrorLogTest : public testing::Test {
 protected:
  void SetUp() override {
    char old[MAX_PATH] = {}, oldTmp[MAX_PATH] = {};
    GetEnvironmentVariableA("TEMP", old, MAX_PATH);
    GetEnvironmentVariableA("TMP", oldTmp, MAX_PATH);
    oldTemp_ = old;
    oldTmp_ = oldTmp;
    SetEnvironmentVariableA("TEMP", gToAnsi(dir_.path()).c_str());
    ASSERT_TRUE(gGetErrLogPath(logPath_));
  }
  void TearDown() override {
    SetEnvironmentVariableA("TEMP", oldTemp_.c_str());
    SetEnvironmentVariableA("TMP", oldTmp_.c_str());
    SuppressErrorBox = true;
  }
  std::string LogText() { return gFromAnsi(ReadFileBytes(logPath_)); }

  TempFolder dir_{"errlog"};
  std::string oldTemp_, oldTmp_;
  std::string logPath_;
};

}  // namespace

TEST_F(ErrorLogTest, LogLivesInTheTemporaryFolderWithOneSeparator) {
  EXPECT_EQ(logPath_, dir_.path() + "\\Velnor_ErrLog.txt");
  SetEnvironmentVariableA("TEMP", gToAnsi(dir_.path() + "\\").c_str());
  std::string withSlash;
  ASSERT_TRUE(gGetErrLogPath(withSlash));
  EXPECT_EQ(withSlash, logPath_);
}

TEST_F(ErrorLogTest, TwoReportsGiveTwoEntriesFramedByEmptyLines) {
  gErrRaise(53, "ファイルが見つかりません。");
  gProcError("gDelFile", "DllErr=x strTarget=C:\\データ");
  gErrRaise(5, "second");
  gProcError("gDspForm", "");

  const std::string raw = ReadFileBytes(logPath_);
  ASSERT_FALSE(raw.empty());
  // Written in the system code page: the Japanese text is Shift-JIS, not UTF-8.
  EXPECT_EQ(raw.find("アプリケーション名"), std::string::npos);
  const std::string log = gFromAnsi(raw);

  ASSERT_EQ(log.rfind("\r\nアプリケーション名：Velnor\r\n", 0), 0u) << log;
  const size_t second = log.find("\r\n\r\n\r\nアプリケーション名：Velnor\r\n");
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(log.find("アプリケーション名", second + 30), std::string::npos);
  // Between two entries: the last line's end, two empty lines, the next entry's empty line.
  EXPECT_NE(log.find("\r\n\r\n\r\n\r\nアプリケーション名"), std::string::npos);
  EXPECT_EQ(log.find("\r\n\r\n\r\n\r\n\r\n"), std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 6), "\r\n\r\n\r\n");

  // The first entry: detail on its own line after the version line, then number, place, description.
  const std::string entry1 = log.substr(0, second + 4);
  const AppVersion v = gGetAppVersion();
  const std::string version = std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
                              std::to_string(v.revision);
  EXPECT_NE(entry1.find("アプリケーションヴァージョン：" + version + "\r\nDllErr=x strTarget=C:\\データ\r\n"
                        "エラー番号：53\r\ngDelFile (Velnor)でエラーが発生しました。\r\n"
                        "管理者に問い合わせて下さい｡\r\nエラー内容：ファイルが見つかりません。\r\n発生日時："),
            std::string::npos)
      << entry1;
  EXPECT_NE(entry1.find("\r\nWINTYPE：\r\n\tVersion：Windows NT/2000/XP\r\n\tMajor："), std::string::npos);
  EXPECT_NE(entry1.find("\r\nIeTYPE：\r\n\tVersion："), std::string::npos);
  // Each entry ends with the report's last line and two empty lines.
  EXPECT_EQ(entry1.substr(entry1.size() - 6), "\r\n\r\n\r\n");

  // The second entry has no detail line: the number follows the version line directly.
  const std::string entry2 = log.substr(second);
  EXPECT_NE(entry2.find(version + "\r\nエラー番号：5\r\ngDspForm (Velnor)"), std::string::npos) << entry2;
}

TEST_F(ErrorLogTest, ReportLinesAreInOrderWithTheDateFormat) {
  gErrRaise(7, "desc");
  const std::string r = gBuildErrorReport("proc", "");
  const char* order[] = {"アプリケーション名：", "アプリケーションヴァージョン：", "エラー番号：7", "proc (Velnor)",
                         "管理者に", "エラー内容：desc", "発生日時：", "WINTYPE：", "\tVersion：", "\tMajor：",
                         "\tMinor：", "\tBuild：", "\tSubVersion：", "IeTYPE：", "\tVersion："};
  size_t at = 0;
  for (const char* line : order) {
    const size_t found = r.find(line, at);
    ASSERT_NE(found, std::string::npos) << line;
    at = found + 1;
  }
  const size_t date = r.find("発生日時：") + std::string("発生日時：").size();
  const std::string stamp = r.substr(date, 19);
  EXPECT_EQ(stamp.size(), 19u);
  EXPECT_EQ(stamp[4], '/');
  EXPECT_EQ(stamp[7], '/');
  EXPECT_EQ(stamp[10], ' ');
  EXPECT_EQ(stamp[13], ':');
  EXPECT_EQ(r.substr(date + 19, 2), "\r\n");
  // The report never disturbs the error it reports.
  EXPECT_EQ(gErr().number, 7);
}

TEST_F(ErrorLogTest, BoxIsShownOnlyWhenNotSuppressedAndErrorIsClearedAfterwards) {
  ScopedScriptedUi scripted;
  SuppressErrorBox = true;
  gErrRaise(1, "a");
  gProcError("quiet", "");
  EXPECT_TRUE(scripted.ui.boxes.empty());
  EXPECT_EQ(gErr().number, 0);
  EXPECT_TRUE(gErr().description.empty());

  SuppressErrorBox = false;
  gErrRaise(2, "b");
  gProcError("loud", "");
  ASSERT_EQ(scripted.ui.boxes.size(), 1u);
  EXPECT_EQ(scripted.ui.boxes[0].caption, "ｴﾗｰ");
  EXPECT_EQ(scripted.ui.boxes[0].style, static_cast<unsigned>(MB_OK));
  EXPECT_NE(scripted.ui.boxes[0].text.find("loud (Velnor)"), std::string::npos);
  EXPECT_NE(LogText().find("loud (Velnor)"), std::string::npos);
}

TEST_F(ErrorLogTest, FatalErrorTellsTheUserWritesTheLogAndEnds) {
  ScopedScriptedUi scripted;
  gErrRaise(9, "fatal");
  // The detail is what the user can act on: the box shows it below the fixed text.
  EXPECT_THROW(gProcFatalError("frmMenu_Form_Unload", "「メニュー」の画面を作成できませんでした。"), ProgramEnded);
  ASSERT_GE(scripted.ui.boxes.size(), 2u);
  EXPECT_EQ(scripted.ui.boxes[0].text,
            "致命的エラーが発生しました。\r\nこのアプリケーションを終了します。\r\n\r\n「メニュー」の画面を作成できませんでした。");
  EXPECT_EQ(scripted.ui.boxes[0].style, static_cast<unsigned>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(scripted.ui.boxes[0].caption, "Velnor");
  EXPECT_EQ(scripted.ui.boxes.back().style, static_cast<unsigned>(MB_OK | MB_ICONINFORMATION));
  EXPECT_NE(LogText().find("frmMenu_Form_Unload (Velnor)"), std::string::npos);
}

TEST_F(ErrorLogTest, UnwritableLogLosesTheEntrySilently) {
  SetEnvironmentVariableA("TEMP", "Q:\\no\\such\\folder");
  SetEnvironmentVariableA("TMP", "Q:\\no\\such\\folder");
  gErrRaise(3, "x");
  gProcError("anything", "");  // must not throw or hang
  EXPECT_EQ(gErr().number, 0);
}

TEST(LastDllErr, GivesTheSystemTextWithItsLineEnd) {
  std::string text;
  ASSERT_TRUE(gGetLastDllErr(text));
  EXPECT_FALSE(text.empty());
}

// A name the code page cannot write is kept exact in the log (escaped), never turned into another name.
TEST_F(ErrorLogTest, NamesOutsideTheCodePageAreLoggedExactly) {
  gErrRaise(5, "x");
  gProcError("gCopyTree", "strTarget=C:\\メモ\\café😀.txt");
  EXPECT_NE(LogText().find("strTarget=C:\\メモ\\caf<U+00E9><U+1F600>.txt"), std::string::npos) << LogText();
}
