// Drive services against the test floppy drive A: (a 1.44 MB disk, or none) and a letter that does not exist.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/drives.h"
#include "common/error_log.h"
#include "support/floppy.h"
#include "support/temp_env.h"

namespace {

const std::string kFloppy = testfloppy::kDrive;
constexpr double kFloppyBytes = 1440.0 * 1024;

size_t LogSize() {
  std::string path;
  if (!gGetErrLogPath(path)) return 0;
  return ReadFileBytes(path).size();
}

// A drive letter that this machine does not have.
std::string MissingDrive() {
  const DWORD present = GetLogicalDrives();
  for (char letter = 'Y'; letter > 'D'; --letter)
    if ((present & (1u << (letter - 'A'))) == 0) return std::string(1, letter);
  return "";
}

TEST(Drive, AnyFormOfADriveBecomesItsUpperCaseRoot) {
  clsDrive d;
  for (const char* given : {"a", "A", "a:", "A:", "a:\\", "A:\\"}) {
    d.SetDrive(given);
    EXPECT_EQ(d.Drive(), "A:\\") << given;
  }
  d.SetDrive("c");
  EXPECT_EQ(d.Drive(), "C:\\");
}

TEST(Drive, ALetterThatDoesNotExistIsNeitherEnabledNorReadable) {
  const std::string drive = MissingDrive();
  ASSERT_FALSE(drive.empty());
  EXPECT_FALSE(gChkDriveEnable(drive));
  EXPECT_FALSE(gChkDriveMediaCondition(drive));
  long type = -1;
  EXPECT_TRUE(gGetDriveMediaType(drive, type));
  EXPECT_EQ(type, 1);  // no root directory

  size_t before = LogSize();
  double free = -1;
  EXPECT_FALSE(gGetDriveFreeSpace(drive, free));
  EXPECT_GT(LogSize(), before);
  bool enough = true;
  EXPECT_FALSE(gChkDriveFreeCapacity(drive, 1, enough));
  EXPECT_FALSE(enough);
  before = LogSize();
  EXPECT_EQ(gGetDriveAllSpace(drive), 0);
  EXPECT_GT(LogSize(), before);
}

TEST(Drive, TheSystemDriveIsFixedAndHasRoom) {
  long type = 0;
  EXPECT_TRUE(gChkDriveEnable("C:"));
  EXPECT_TRUE(gGetDriveMediaType("c", type));
  EXPECT_EQ(type, 3);
  EXPECT_TRUE(gChkDriveMediaCondition("C:\\"));
  bool enough = false;
  EXPECT_TRUE(gChkDriveFreeCapacity("C", 1, enough));
  EXPECT_TRUE(enough);
}

TEST(Drive, ATotalBeyondThe32BitRangeGivesZeroAfterAReport) {
  ULARGE_INTEGER available{}, total{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &free));
  const size_t before = LogSize();
  const long all = gGetDriveAllSpace("C");
  if (total.QuadPart > 2147483647ull) {
    EXPECT_EQ(all, 0);
    EXPECT_GT(LogSize(), before);
  } else {
    EXPECT_EQ(all, static_cast<long>(total.QuadPart));
  }
}

class FloppyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(testfloppy::Available(&why)) << why;
    disk_ = testfloppy::InsertNewDisk();
    ASSERT_GT(disk_, 0) << testfloppy::LastMessage();
  }
  void TearDown() override { testfloppy::Eject(); }
  int disk_ = 0;
};

TEST_F(FloppyTest, AnEmptyDiskIsAReadableRemovableDriveOfAbout144MB) {
  std::string drive;
  ASSERT_TRUE(gGetFdDrive(drive));  // a PC/AT-compatible keyboard: the floppy drive is A:
  EXPECT_EQ(drive, "A:");
  EXPECT_TRUE(gChkDriveEnable(kFloppy));
  long type = 0;
  EXPECT_TRUE(gGetDriveMediaType(kFloppy, type));
  EXPECT_EQ(type, 2);
  EXPECT_TRUE(gChkDriveMediaCondition(kFloppy));

  double free = 0;
  ASSERT_TRUE(gGetDriveFreeSpace(kFloppy, free));
  const long total = gGetDriveAllSpace(kFloppy);
  EXPECT_NEAR(total, kFloppyBytes, kFloppyBytes * 0.02);
  EXPECT_LE(free, total);
  EXPECT_GT(free, kFloppyBytes * 0.95);
  // However the caller writes the drive, it is the same drive.
  EXPECT_EQ(gGetDriveAllSpace("A:"), total);
  EXPECT_EQ(gGetDriveAllSpace("a:\\"), total);
}

TEST_F(FloppyTest, WritingShrinksTheFreeSpaceAndEqualBytesAreEnough) {
  double before = 0;
  ASSERT_TRUE(gGetDriveFreeSpace(kFloppy, before));
  ASSERT_TRUE(WriteFileBytes(kFloppy + ":\\data.bin", std::string(300000, 'x')));
  double after = 0;
  ASSERT_TRUE(gGetDriveFreeSpace(kFloppy, after));
  EXPECT_LE(after, before - 300000);
  EXPECT_EQ(gGetDriveAllSpace(kFloppy), gGetDriveAllSpace("A:\\"));

  bool enough = false;
  EXPECT_TRUE(gChkDriveFreeCapacity(kFloppy, after, enough));
  EXPECT_TRUE(enough);
  EXPECT_TRUE(gChkDriveFreeCapacity(kFloppy, after + 1, enough));
  EXPECT_FALSE(enough);
}

TEST_F(FloppyTest, WithoutADiskTheDriveStaysButNothingCanBeRead) {
  ASSERT_TRUE(testfloppy::Eject()) << testfloppy::LastMessage();
  EXPECT_TRUE(gChkDriveEnable(kFloppy));
  long type = 0;
  EXPECT_TRUE(gGetDriveMediaType(kFloppy, type));
  EXPECT_EQ(type, 2);
  EXPECT_FALSE(gChkDriveMediaCondition(kFloppy));
  const size_t before = LogSize();
  double free = -1;
  EXPECT_FALSE(gGetDriveFreeSpace(kFloppy, free));
  bool enough = true;
  EXPECT_FALSE(gChkDriveFreeCapacity(kFloppy, 0, enough));
  EXPECT_FALSE(enough);
  EXPECT_EQ(gGetDriveAllSpace(kFloppy), 0);
  EXPECT_GT(LogSize(), before);
  // The floppy drive is still found: whether a disk is in is asked separately.
  std::string drive;
  EXPECT_TRUE(gGetFdDrive(drive));
}

TEST_F(FloppyTest, DisksKeepTheirFilesAcrossEjectAndReinsert) {
  ASSERT_TRUE(WriteFileBytes(kFloppy + ":\\1_Velnor.lzh", "first"));
  const int second = testfloppy::InsertNewDisk();
  ASSERT_GT(second, disk_) << testfloppy::LastMessage();
  EXPECT_FALSE(FileExistsPlain(kFloppy + ":\\1_Velnor.lzh"));  // a new disk is empty
  EXPECT_TRUE(gChkDriveMediaCondition(kFloppy));
  ASSERT_TRUE(testfloppy::InsertDisk(disk_)) << testfloppy::LastMessage();
  EXPECT_EQ(ReadFileBytes(kFloppy + ":\\1_Velnor.lzh"), "first");
  EXPECT_FALSE(testfloppy::InsertDisk(9999));
}

}  // namespace
