// The Favorites index page made from the sample PC's Favorites.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "common/app.h"
#include "common/system.h"
#include "common/text.h"
#include "locations/favorite_index.h"
#include "locations/user_folders.h"
#include "sample_pc.h"
#include "support/temp_env.h"

namespace {

const std::string kPageName = "おきにいり　インデックスファイル.html";
const std::string kIndent = "&nbsp &nbsp";

std::string Cp932ToUtf8(const std::string& bytes) {
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                    nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  const int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(m), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, utf8.data(), m, nullptr, nullptr);
  return utf8;
}

// The page file as lines, read as code page 932 text with CR LF line ends.
std::vector<std::string> PageLines(const std::string& file) {
  const std::string text = Cp932ToUtf8(ReadFileBytes(file));
  std::vector<std::string> lines;
  size_t from = 0;
  for (size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
    lines.push_back(text.substr(from, at - from));
  EXPECT_EQ(from, text.size()) << "the page must end with CR LF";
  return lines;
}

const std::vector<std::string> kHead = {
    "<HTML>",
    "<TITLE>お気に入り インデックスファイル　　</TITLE>",
    "<HEAD>",
    "<Style type= text/css >",
    "BODY {",
    "scrollbar-face-color:White;",
    "scrollbar-track-color:WhiteSmoke;",
    "scrollbar-arrow-color:gray;",
    "scrollbar-highlight-color:gray;",
    "scrollbar-shadow-color:gray;",
    "scrollbar-3dlight-color:White;",
    "scrollbar-darkshadow-color:White;",
    "BACKGROUND: #ffffff;",
    "COLOR : GRAY;",
    "FONT-SIZE: 13px;",
    "line-height : 19px;",
    "FONT-FAMILY: ＭＳ ゴシック , Osaka－等幅 ; WHITE-SPACE: nowrap;",
    "}",
    "</Style>",
    "</HEAD>",
    "<BODY>",
    "<BR>",
    "<CENTER>お気に入り インデックスファイル</CENTER><BR>",
    "<BR>",
    "<FONT SIZE=-1>",
};
const std::vector<std::string> kTail = {"</FONT>", "</BODY>", "</HTML>"};

std::string Indent(int level) {
  std::string s;
  for (int i = 0; i < level + 1; ++i) s += kIndent;
  return s;
}
std::string Link(int level, const std::string& url, const std::string& name) {
  return Indent(level) + "<A HREF=\"" + url + "\" target= blank >" + name + "</A><BR>";
}
std::string Heading(int level, const std::string& relative) {
  return "<FONT=\"+1\">" + Indent(level) + relative + "</FONT><BR>";
}

// The sample's Favorites page body, in directory-listing order: a folder's links, then its subfolders.
const std::vector<std::string> kSampleBody = {
    Link(1, "https://velnor.jp/support/", "Velnor サポート"),
    Link(1, "http://news.example.jp/top.html", "ニュース"),
    Link(1, "http://weather.example.jp/", "天気予報"),
    "<BR>",
    Heading(1, "Links\\"),
    Link(2, "http://search.example.jp/", "検索エンジン"),
    "<BR>",
    Heading(1, "仕事\\"),
    Link(2, "http://portal.example.co.jp/", "社内ポータル"),
    "<BR>",
    Heading(2, "仕事\\取引先\\"),
    Link(3, "http://www.sample.example.co.jp/?a=1&b=2", "株式会社サンプル"),
    "<BR>",
    Heading(1, "空のフォルダ\\"),  // a folder without links keeps its heading
    "<BR>",
    Heading(1, "趣味\\"),  // its note "メモ.txt" is no link
    Link(2, "http://travel.example.jp/", "旅行 情報"),
    "<BR>",
    Heading(2, "趣味\\料理\\"),
    Link(3, "http://recipe.example.jp/today", "今日のレシピ"),
    // "OLD.URL" is left out: the extension is compared as written.
};

std::vector<std::string> Page(const std::vector<std::string>& body) {
  std::vector<std::string> page = kHead;
  page.insert(page.end(), body.begin(), body.end());
  page.insert(page.end(), kTail.begin(), kTail.end());
  return page;
}

class FavoriteIndexTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!SamplePcPresent()) GTEST_SKIP() << "the sample PC is not laid out in this prefix";
    ASSERT_TRUE(gGetFavoriteDir(favorites_));
  }
  std::string favorites_;
  TempFolder dest_{"fav"};
};

// A folder of the user's Favorites that exists only for one test.
class ScratchFavorites {
 public:
  explicit ScratchFavorites(const std::string& path) : path_(path) {
    std::filesystem::create_directories(std::filesystem::path(gToWide(path_)));
  }
  ~ScratchFavorites() {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(gToWide(path_)), ec);
  }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

}  // namespace

TEST_F(FavoriteIndexTest, ListsEveryLinkIndentedByFolder) {
  ASSERT_TRUE(gProcCreateFavoriteIndexFile(dest_.path(), kPageName));
  EXPECT_EQ(PageLines(dest_ / kPageName), Page(kSampleBody));
  // Kept for the look at it in a browser that follows these tests.
  const std::string kept = gAddRoot(gGetAppPath()) + "artifacts";
  CreateDirectoryW(gToWide(kept).c_str(), nullptr);
  CopyFileW(gToWide(dest_ / kPageName).c_str(), gToWide(kept + "\\favorites_index.html").c_str(), FALSE);
}

TEST_F(FavoriteIndexTest, SecondRunAppendsASecondPage) {
  ASSERT_TRUE(gProcCreateFavoriteIndexFile(dest_.path() + "\\", kPageName));
  const std::string once = ReadFileBytes(dest_ / kPageName);
  ASSERT_TRUE(gProcCreateFavoriteIndexFile(dest_.path(), kPageName));
  EXPECT_EQ(ReadFileBytes(dest_ / kPageName), once + once);
}

TEST_F(FavoriteIndexTest, MissingDestinationWritesNothing) {
  EXPECT_FALSE(gProcCreateFavoriteIndexFile(dest_ / "missing", kPageName));
  EXPECT_FALSE(FileExistsPlain(dest_ / "missing"));
}

TEST_F(FavoriteIndexTest, TargetCannotBreakOutOfItsAttribute) {
  const std::string folder = "velnor-test-" + std::to_string(GetCurrentProcessId());
  ScratchFavorites scratch(favorites_ + "\\" + folder);
  WriteFileBytes(scratch / "引用.url", "[InternetShortcut]\r\nURL=http://x.example.jp/\"><b>x</b>\r\n");
  WriteFileBytes(scratch / "壊れた.url", "no shortcut here\r\n");
  ASSERT_TRUE(gProcCreateFavoriteIndexFile(dest_.path(), kPageName));
  const std::vector<std::string> lines = PageLines(dest_ / kPageName);
  const auto heading = std::find(lines.begin(), lines.end(), Heading(1, folder + "\\"));
  ASSERT_NE(heading, lines.end());
  // The unreadable shortcut is skipped; the quote and brackets stay inside the address.
  ASSERT_LT(heading + 1, lines.end());
  EXPECT_EQ(*(heading + 1), Link(2, "http://x.example.jp/&quot;&gt;&lt;b&gt;x&lt;/b&gt;", "引用"));
  EXPECT_EQ(*(heading + 2), "<BR>");
}
