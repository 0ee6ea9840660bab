// Splitting, replacing, quoting and weekday names as the rest of the program relies on them.
#include <gtest/gtest.h>

#include "common/char_helpers.h"
#include "common/system.h"

TEST(CharSplit, KeepsInnerAndLeadingEmptyPiecesButNoTrailingOne) {
  std::vector<std::string> pieces;
  long last = 0;
  ASSERT_TRUE(gProcCharSplit("x,,y", ",", pieces, last));
  EXPECT_EQ(pieces, (std::vector<std::string>{"x", "", "y"}));
  EXPECT_EQ(last, 2);

  pieces.clear();
  last = 0;
  ASSERT_TRUE(gProcCharSplit(",a,b,", ",", pieces, last));
  EXPECT_EQ(pieces, (std::vector<std::string>{"", "a", "b"}));
  EXPECT_EQ(last, 2);
}

TEST(CharSplit, TextWithoutSeparatorIsOnePieceAndEmptySeparatorChangesNothing) {
  std::vector<std::string> pieces{"old", "older"};
  long last = 5;
  ASSERT_TRUE(gProcCharSplit("C:\\フォルダ", ",", pieces, last));
  EXPECT_EQ(pieces, (std::vector<std::string>{"C:\\フォルダ"}));
  EXPECT_EQ(last, 5);

  ASSERT_TRUE(gProcCharSplit("a,b", "", pieces, last));
  EXPECT_EQ(pieces.size(), 1u);
}

TEST(TransString, ReplacesUntilLimitAndNeverRescansTheReplacement) {
  std::string text = "a.b.c";
  long counter = 0;
  ASSERT_TRUE(gProcTransString(text, ".", "..", -1, counter));
  EXPECT_EQ(text, "a..b..c");
  EXPECT_EQ(counter, 3);  // two replacements, then the search that found none

  text = "aaa";
  counter = 0;
  ASSERT_TRUE(gProcTransString(text, "a", "b", 2, counter));
  EXPECT_EQ(text, "bba");
  EXPECT_EQ(counter, 2);

  text = "aaa";
  counter = 4;
  ASSERT_TRUE(gProcTransString(text, "a", "b", 4, counter));
  EXPECT_EQ(text, "aaa");

  text = std::string("C:\\x\0\0", 6);
  counter = 0;
  ASSERT_TRUE(gProcTransString(text, std::string(1, '\0'), "", -1, counter));
  EXPECT_EQ(text, "C:\\x");
}

TEST(PathText, QuotesUnrootsAndRoots) {
  EXPECT_EQ(gAddQuote("C:\\My Documents"), "\"C:\\My Documents\"");
  EXPECT_EQ(gAddQuote("a,b"), "\"a,b\"");
  EXPECT_EQ(gAddQuote("C:\\Temp\\Velnor"), "C:\\Temp\\Velnor");
  EXPECT_EQ(gUnRoot("C:\\"), "C:");
  EXPECT_EQ(gUnRoot("C:\\a\\\\"), "C:\\a\\");
  EXPECT_EQ(gUnRoot("C:\\a"), "C:\\a");
  EXPECT_EQ(gAddRoot("C:\\"), "C:\\");
  EXPECT_EQ(gAddRoot("C:"), "C:\\");
  EXPECT_EQ(gAddRoot(""), "\\");
}

TEST(WeekJapanese, NamesEachDayOfAKnownWeek) {
  // 2004-01-04 was a Sunday.
  const char* expected[] = {"日曜日", "月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(gGetWeekJapanese(2004, 1, 4 + i), expected[i]) << i;
  EXPECT_EQ(gGetWeekJapanese(2026, 12, 7), "月曜日");
}
