// Cutting, joining and slow copying of archive pieces.
#include <gtest/gtest.h>

#include "formats/split_join.h"
#include "support/scripted_ui.h"
#include "support/temp_env.h"

namespace {

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
  return s;
}

}  // namespace

TEST(SplitJoin, DivideThenCombineGivesTheSameBytes) {
  TempFolder dir("split");
  const std::string data = Pattern(1000);
  ASSERT_TRUE(WriteFileBytes(dir / "a.lzh", data));
  ASSERT_TRUE(gFileDivide(dir / "a.lzh", 600, dir / "1_a.lzh", dir / "rest.lzh"));
  EXPECT_EQ(ReadFileBytes(dir / "1_a.lzh"), data.substr(0, 600));
  EXPECT_EQ(ReadFileBytes(dir / "rest.lzh"), data.substr(600));
  ASSERT_TRUE(gFileConbine(dir / "1_a.lzh", dir / "rest.lzh", dir / "joined.lzh", true, true));
  EXPECT_EQ(ReadFileBytes(dir / "joined.lzh"), data);
  EXPECT_FALSE(FileExistsPlain(dir / "1_a.lzh"));
  EXPECT_FALSE(FileExistsPlain(dir / "rest.lzh"));
}

TEST(SplitJoin, DivideRefusesNothingToSplit) {
  TempFolder dir("split");
  ASSERT_TRUE(WriteFileBytes(dir / "a", Pattern(100)));
  EXPECT_FALSE(gFileDivide(dir / "a", 100, dir / "1", dir / "2"));
  EXPECT_FALSE(gFileDivide(dir / "a", 500, dir / "1", dir / "2"));
  EXPECT_FALSE(gFileDivide(dir / "a", 0, dir / "1", dir / "2"));
  EXPECT_FALSE(gFileDivide(dir / "missing", 10, dir / "1", dir / "2"));
  EXPECT_FALSE(FileExistsPlain(dir / "1"));
  EXPECT_FALSE(FileExistsPlain(dir / "2"));
}

TEST(SplitJoin, CombineCopiesAcrossChunkBoundariesAndRefusesAnExistingDestination) {
  TempFolder dir("join");
  const std::string first = Pattern(64512 * 2 + 976), second = Pattern(70000).substr(3);
  ASSERT_TRUE(WriteFileBytes(dir / "1", first));
  ASSERT_TRUE(WriteFileBytes(dir / "2", second));
  ASSERT_TRUE(WriteFileBytes(dir / "dest", "old"));
  EXPECT_FALSE(gFileConbine(dir / "1", dir / "2", dir / "dest", true, false));
  EXPECT_EQ(ReadFileBytes(dir / "dest"), "old");
  EXPECT_EQ(ReadFileBytes(dir / "1"), first);

  ASSERT_TRUE(gFileConbine(dir / "1", dir / "2", dir / "new", false, false));
  EXPECT_EQ(ReadFileBytes(dir / "new"), first + second);
  EXPECT_TRUE(FileExistsPlain(dir / "1"));
  EXPECT_FALSE(gFileConbine(dir / "1", dir / "missing", dir / "new2", false, false));
}

TEST(SplitJoin, SlowCopyRunsInSlicesAndLowersTheLastSlice) {
  ScopedScriptedUi scripted;
  TempFolder dir("slow");
  const std::string data = Pattern(95);
  ASSERT_TRUE(WriteFileBytes(dir / "src", data));
  int64_t slice = 10;
  ASSERT_TRUE(gFileCopySlow(dir / "src", dir / "dst", slice, 200));
  EXPECT_EQ(ReadFileBytes(dir / "dst"), data);
  EXPECT_EQ(slice, 5);
  // Ten slices, each with two waits of 100 ms, then 100 ms at the end.
  EXPECT_EQ(scripted.ui.sleptMs, 10u * 200u + 100u);

  int64_t zero = 0;
  EXPECT_FALSE(gFileCopySlow(dir / "src", dir / "other", zero, 200));
  slice = 10;
  EXPECT_FALSE(gFileCopySlow(dir / "src", dir / "dst", slice, 200));  // destination exists
  EXPECT_EQ(ReadFileBytes(dir / "dst"), data);
}
