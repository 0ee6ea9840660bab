// Drive services: the floppy drive, whether a drive exists and holds a medium, its free and total space.
#pragma once
#include <string>

// Drive properties over the Windows drive queries.
class clsDrive {
 public:
  // Normalised to upper case "X:\" form: "a", "A:" and "a:\" all give "A:\".
  void SetDrive(const std::string& drive);
  const std::string& Drive() const { return drive_; }
  bool Enabled() const;         // the root is among the system's logical drives
  long MediaType() const;       // 1 no root, 2 removable, 3 fixed, 4 remote, 5 CD-ROM, 6 RAM disk, else 0
  bool MediaCondition() const;  // a readable medium is in the drive; never reports, never shows a system box
  // Free and total bytes of the drive's volume; false with the cause as the current error (no report).
  bool FreeSpace(double& bytes) const;
  bool AllSpace(double& bytes) const;

 private:
  bool Space(double& freeBytes, double& totalBytes) const;
  std::string drive_;
};

// The floppy drive by machine type: "A:" on PC/AT-compatibles, "C" on the PC-98 series.
bool gGetFdDrive(std::string& drive);
// Machine type from the keyboard subtype: 0 PC/AT-compatible, 1 PC-98 series, 2 unknown.
bool gChkMachineType(long& type, long& keyboardSubtype);
bool gChkDriveEnable(const std::string& drive);
bool gGetDriveMediaType(const std::string& drive, long& type);
// True when the drive exists and a readable medium is in it.
bool gChkDriveMediaCondition(const std::string& drive);
bool gGetDriveFreeSpace(const std::string& drive, double& freeBytes);
// enough: the required bytes are not more than the free bytes. False when the free space cannot be read.
bool gChkDriveFreeCapacity(const std::string& drive, double requiredBytes, bool& enough);
// Total bytes of the drive's volume; 0 on failure, including a total beyond the 32-bit range.
long gGetDriveAllSpace(const std::string& drive);
