// The message catalogue: lookups, the failure boxes, where the extra text goes, and the database's gate.
#include <gtest/gtest.h>

#include <windows.h>

#include <sqlite3.h>

#include <string>
#include <vector>

#include "common/app.h"
#include "common/error_log.h"
#include "common/messages.h"
#include "common/msg_db.h"
#include "common/text.h"
#include "support/scripted_ui.h"
#include "support/temp_env.h"

namespace {

const char kPassword[] = "qzkwvt";

std::string CatalogPath() { return gGetAppPath() + "\\sys\\msg"; }

// Size of the error log, to see whether a failure was reported.
size_t LogSize() {
  std::string path;
  if (!gGetErrLogPath(path)) return 0;
  return ReadFileBytes(path).size();
}

// Runs one SQL statement on a database file of the test's own (not through the code under test).
bool ExecSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK &&
            sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gMsgInit(CatalogPath(), kPassword)) << CatalogPath(); }
  void TearDown() override { gMsgClose(); }

  // The box shown for code with no extra text, and the answer it gave back.
  ShownBox Show(short code, int answer, short* result = nullptr) {
    ScopedScriptedUi scripted;
    scripted.ui.answers.push_back(answer);
    const short r = gDispMsg(code, "", 0);
    if (result != nullptr) *result = r;
    return scripted.ui.boxes.empty() ? ShownBox{} : scripted.ui.boxes.back();
  }
};

struct CodeNeed {
  short code;
  unsigned buttons;  // the button set the caller's answers need
};

TEST_F(MessagesTest, EveryCodeInUseOffersTheButtonsItsCallerWaitsFor) {
  // Notices need OK; "OK goes on, anything else stops" needs OK and Cancel; 1016 answers Yes, No or neither;
  // 1017 waits for Retry or Cancel; 1018 and 1019 ask Yes or No.
  const std::vector<CodeNeed> needs = {
      {13, MB_OK},          {14, MB_OK},          {21, MB_OK},          {43, MB_OKCANCEL},
      {44, MB_OKCANCEL},    {47, MB_OK},          {1003, MB_OKCANCEL},  {1004, MB_OKCANCEL},
      {1005, MB_OKCANCEL},  {1006, MB_OKCANCEL},  {1007, MB_OKCANCEL},  {1009, MB_OK},
      {1011, MB_OK},        {1013, MB_OK},        {1014, MB_OK},        {1015, MB_OKCANCEL},
      {1016, MB_YESNOCANCEL}, {1017, MB_RETRYCANCEL}, {1018, MB_YESNO}, {1019, MB_YESNO}};
  for (const CodeNeed& need : needs) {
    SCOPED_TRACE("code " + std::to_string(need.code));
    short result = 0;
    const ShownBox box = Show(need.code, IDNO, &result);
    EXPECT_EQ(box.caption, gAppTitle());
    EXPECT_GT(box.text.size(), 6u);
    EXPECT_EQ(box.style & MB_TYPEMASK, need.buttons);
    EXPECT_EQ(result, IDNO);  // the pressed button comes back as it is
  }
}

TEST_F(MessagesTest, UnknownCodeNamesTheCodeReportsAndGivesMinus100) {
  const size_t before = LogSize();
  ScopedScriptedUi scripted;
  EXPECT_EQ(gDispMsg(9876, "余分", 1), -100);
  ASSERT_EQ(scripted.ui.boxes.size(), 1u);
  EXPECT_EQ(scripted.ui.boxes[0].text, "ﾒｯｾｰｼﾞｺｰﾄﾞ： 9876に対応するﾒｯｾｰｼﾞが登録されていません。");
  EXPECT_EQ(scripted.ui.boxes[0].caption, "gDispMsg");
  EXPECT_EQ(scripted.ui.boxes[0].style, static_cast<unsigned>(MB_OK));
  EXPECT_GT(LogSize(), before);
}

TEST_F(MessagesTest, ExtraTextGoesBeforeForPlaceZeroAndAfterForPlaceOne) {
  const std::string alone = Show(1015, IDOK).text;
  ScopedScriptedUi scripted;
  gDispMsg(1015, "C", 1);
  gDispMsg(1015, "C", 0);
  gDispMsg(14, "\r\nHPアドレス：http://example.invalid/", 0);
  gDispMsg(1015, "", 1);
  gDispMsg(1015, "", 0);
  gDispMsg(1015, "D", 7);  // any place but 1 puts the text first
  ASSERT_EQ(scripted.ui.boxes.size(), 6u);
  EXPECT_EQ(scripted.ui.boxes[0].text, alone + "C");
  EXPECT_EQ(scripted.ui.boxes[1].text, "C" + alone);
  EXPECT_EQ(scripted.ui.boxes[2].text.rfind("\r\nHPアドレス：http://example.invalid/", 0), 0u);
  EXPECT_EQ(scripted.ui.boxes[3].text, alone);
  EXPECT_EQ(scripted.ui.boxes[4].text, alone);
  EXPECT_EQ(scripted.ui.boxes[5].text, "D" + alone);
}

TEST_F(MessagesTest, ClosedCatalogueShowsTheLookupFailureForEveryCode) {
  gMsgClose();
  for (short code : {21, 1018, 9876}) {
    ScopedScriptedUi scripted;
    const size_t before = LogSize();
    EXPECT_EQ(gDispMsg(code, "", 0), -100);
    ASSERT_EQ(scripted.ui.boxes.size(), 1u);
    EXPECT_EQ(scripted.ui.boxes[0].text, "ﾒｯｾｰｼﾞの取得に失敗しました。");
    EXPECT_EQ(scripted.ui.boxes[0].caption, "gDispMsg");
    EXPECT_EQ(scripted.ui.boxes[0].style, static_cast<unsigned>(MB_OK));
    EXPECT_GT(LogSize(), before);
  }
}

TEST_F(MessagesTest, RowWithAnImpossibleStyleIsReportedNotShown) {
  TempFolder dir;
  const std::string copy = dir / "msg";
  ASSERT_TRUE(CopyFileA(CatalogPath().c_str(), copy.c_str(), FALSE));
  ASSERT_TRUE(ExecSql(copy, "UPDATE t_MSG SET DLGFLG = 70000 WHERE CODE = 21;"
                            "UPDATE t_MSG SET DLGFLG = 'x' WHERE CODE = 43;"));
  ASSERT_TRUE(gMsgInit(copy, kPassword));
  ScopedScriptedUi scripted;
  EXPECT_EQ(gDispMsg(21, "", 0), -100);
  EXPECT_EQ(gDispMsg(43, "", 0), -100);
  EXPECT_TRUE(scripted.ui.boxes.empty());
  gMsgClose();
}

TEST(MessageDatabaseGate, OnlyTheMessageDatabaseWithItsPasswordOpens) {
  TempFolder dir;
  ScopedScriptedUi scripted;
  // A Japanese folder name: the path must reach the database engine intact.
  ASSERT_TRUE(CreateDirectoryW((gToWide(dir.path()) + L"\\メッセージ").c_str(), nullptr));
  const std::string good = dir / "メッセージ\\msg";
  ASSERT_TRUE(CopyFileW(gToWide(CatalogPath()).c_str(), gToWide(good).c_str(), FALSE));
  EXPECT_TRUE(gMsgInit(good, kPassword));
  EXPECT_TRUE(gMsgInit(good, kPassword));  // opening again releases the first

  const std::string text = dir / "text.txt";
  const std::string empty = dir / "empty";
  const std::string foreign = dir / "foreign.db";
  ASSERT_TRUE(WriteFileBytes(text, "CODE\tMSG\tDLGFLG\r\n21\tこんにちは\t0\r\n"));
  ASSERT_TRUE(WriteFileBytes(empty, ""));
  ASSERT_TRUE(ExecSql(foreign, "CREATE TABLE t_MSG (CODE INTEGER, MSG TEXT, DLGFLG INTEGER);"
                               "INSERT INTO t_MSG VALUES (21, 'x', 0);"));
  struct Case {
    std::string path, password;
  };
  const std::vector<Case> refused = {{good, "wrong"},   {good, ""},       {good, "QZKWVT"},
                                     {text, kPassword}, {empty, kPassword}, {foreign, kPassword},
                                     {dir / "missing", kPassword}, {dir.path(), kPassword}};
  for (const Case& c : refused) {
    SCOPED_TRACE(c.path + " / " + c.password);
    const size_t before = LogSize();
    EXPECT_FALSE(gMsgInit(c.path, c.password));
    EXPECT_GT(LogSize(), before);
    EXPECT_EQ(gDispMsg(21, "", 0), -100);  // nothing stays open from an earlier success
  }
  EXPECT_FALSE(FileExistsPlain(dir / "missing"));  // a failed open must not leave a new empty database
  EXPECT_EQ(scripted.ui.boxes.size(), refused.size());
  gMsgClose();
}

TEST(MessageDatabaseAccess, RecordSetGivesCountFieldsAndPlainValues) {
  ASSERT_TRUE(MsgDbOpenDatabase(CatalogPath(), std::string(";pwd=") + kPassword));
  ASSERT_TRUE(MsgDbOpenRecordSet("SELECT MSG, DLGFLG, NULL AS EMPTYCOL FROM t_MSG ORDER BY CODE"));
  EXPECT_GE(MsgDbRecordCount(), 20);
  const auto msg = MsgDbFields(0);
  const auto style = MsgDbFields(1);
  const auto nothing = MsgDbFields(2);
  ASSERT_TRUE(msg && style && nothing);
  EXPECT_EQ(msg->name, "MSG");
  EXPECT_TRUE(std::holds_alternative<std::string>(MsgDbCnvFld(*msg)));
  EXPECT_TRUE(std::holds_alternative<long long>(MsgDbCnvFld(*style)));
  EXPECT_EQ(std::get<long long>(MsgDbCnvFld(*nothing)), 0);
  EXPECT_FALSE(MsgDbFields(3).has_value());
  EXPECT_FALSE(MsgDbFields(-1).has_value());

  ASSERT_TRUE(MsgDbOpenRecordSet("SELECT MSG FROM t_MSG WHERE CODE = -1"));
  EXPECT_EQ(MsgDbRecordCount(), 0);
  EXPECT_FALSE(MsgDbFields(0).has_value());
  EXPECT_FALSE(MsgDbOpenRecordSet("SELECT NOPE FROM t_NOTHING"));
  EXPECT_EQ(MsgDbRecordCount(), 0);  // a failed query leaves no rows of the one before
  MsgDbCloseDatabase();
  EXPECT_FALSE(MsgDbOpenRecordSet("SELECT 1"));
}

}  // namespace
