// The recursive file search and the folder sizes built on it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "common/find_file.h"
#include "common/files.h"
#include "common/text.h"
#include "support/temp_env.h"

namespace {

// Top: 表.txt (3 bytes), b.DAT (5); メール\: 予定.txt (7); メール\下\: c.log (11).
void MakeTree(const TempFolder& t) {
  ASSERT_TRUE(WriteFileBytes(t / "表.txt", "abc"));
  ASSERT_TRUE(WriteFileBytes(t / "b.DAT", "12345"));
  ASSERT_TRUE(CreateDirectoryW(gToWide(t / "メール").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(gToWide(t / "メール\\下").c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(t / "メール\\予定.txt", "1234567"));
  ASSERT_TRUE(WriteFileBytes(t / "メール\\下\\c.log", "12345678901"));
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

struct Search {
  std::string result;
  long count = 0;
  double total = 0;
  bool Run(const std::string& folder, const std::string& patterns, bool annotate = false, bool useMin = false,
           double min = 0, bool useMax = false, double max = 0, bool useLimit = false, long limit = 0) {
    return gFindFile(folder, patterns, true, nullptr, nullptr, true, result, useMin, min, useMax, max, useLimit,
                     limit, count, total, annotate, annotate, 0);
  }
};

}  // namespace

TEST(FindFile, AnnotatedListGivesLevelsAndFullPaths) {
  TempFolder t;
  MakeTree(t);
  Search s;
  ASSERT_TRUE(s.Run(t.path(), "*", true));
  const std::string root = t.path() + "\\";
  const std::vector<std::string> expected = SortedLines(
      "_____file1*" + root + "表.txt\n_____file1*" + root + "b.DAT\ndirectory1*" + root + "メール\\\n" +
      "_____file2*" + root + "メール\\予定.txt\ndirectory2*" + root + "メール\\下\\\n" + "_____file3*" + root +
      "メール\\下\\c.log\n");
  EXPECT_EQ(SortedLines(s.result), expected);
  EXPECT_EQ(s.result.substr(s.result.size() - 2), "\r\n");
  EXPECT_EQ(s.count, 4);
  EXPECT_EQ(s.total, 26.0);
}

TEST(FindFile, PatternsMatchAnywhereInTheNameIgnoringCase) {
  TempFolder t;
  MakeTree(t);
  Search s;
  ASSERT_TRUE(s.Run(t.path(), "dat;.LOG"));
  EXPECT_EQ(s.count, 2);
  EXPECT_EQ(s.total, 16.0);

  Search q;
  ASSERT_TRUE(q.Run(t.path(), "予?.t"));
  EXPECT_EQ(q.count, 1);
  EXPECT_EQ(q.result, t / "メール\\予定.txt");
}

TEST(FindFile, SizeAndCountLimits) {
  TempFolder t;
  MakeTree(t);
  Search sized;
  ASSERT_TRUE(sized.Run(t.path(), "*", false, true, 5, true, 7));
  EXPECT_EQ(sized.count, 2);  // 5 and 7 bytes: both bounds included
  EXPECT_EQ(sized.total, 12.0);

  Search limited;
  ASSERT_TRUE(limited.Run(t.path(), "*", false, false, 0, false, 0, true, 3));
  EXPECT_EQ(limited.count, 3);

  Search missing;
  ASSERT_TRUE(missing.Run(t / "無い", "*"));
  EXPECT_EQ(missing.count, 0);
}

TEST(FindFile, FillsAListBoxAndShowsTheFolderInACaption) {
  TempFolder t;
  MakeTree(t);
  HWND list = CreateWindowW(L"LISTBOX", L"", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  HWND label = CreateWindowW(L"STATIC", L"", 0, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(list && label);
  std::string result;
  long count = 0;
  double total = 0;
  ASSERT_TRUE(gFindFile(t.path(), "txt", true, list, label, false, result, false, 0, false, 0, false, 0, count,
                        total, false, false, 0));
  EXPECT_EQ(result, "");
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
  wchar_t caption[MAX_PATH] = {};
  GetWindowTextW(label, caption, MAX_PATH);
  EXPECT_EQ(gFromWide(caption).rfind(t.path(), 0), 0u);
  DestroyWindow(list);
  DestroyWindow(label);
}

TEST(DirSize, SumsNestedFoldersAndWholeLargeFiles) {
  TempFolder t;
  MakeTree(t);
  double total = -1;
  ASSERT_TRUE(gGetDirSize(t.path(), total));
  EXPECT_EQ(total, 26.0);

  // A sparse 5 GB mailbox: its low 32 bits alone would say 1 GB.
  HANDLE h = CreateFileW(gToWide(t / "メール\\大.pst").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD unused = 0;
  DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
  LARGE_INTEGER size;
  size.QuadPart = 5LL << 30;
  const bool grown = SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  if (!grown) GTEST_SKIP() << "no room for a sparse 5 GB file";
  ASSERT_TRUE(gGetDirSize(t.path(), total));
  EXPECT_EQ(total, 26.0 + 5.0 * 1024 * 1024 * 1024);
}
