// Drive services: the floppy drive, whether a drive exists and holds a medium, its free and total space.
#pragma once
#include <string>

// Drive properties over the Windows drive queries.
class clsDrive {
 public:
  // Normalised to upper case "X:\" form.
  void SetDrive(const std::string& drive);
  const std::string& Drive() const { return drive_; }
  bool Enabled() const;
  long MediaType() const;       // 1 no root, 2 removable, 3 fixed, 4 remote, 5 CD-ROM, 6 RAM disk, else 0
  bool MediaCondition() const;  // a readable medium is in the drive
  bool FreeSpace(double& bytes) const;
  bool AllSpace(double& bytes) const;

 private:
  std::string drive_;
};

bool gGetFdDrive(std::string& drive);
bool gChkMachineType(long& type, long& keyboardSubtype);
bool gChkDriveEnable(const std::string& drive);
bool gGetDriveMediaType(const std::string& drive, long& type);
// True when the drive exists and a readable medium is in it.
bool gChkDriveMediaCondition(const std::string& drive);
bool gGetDriveFreeSpace(const std::string& drive, double& freeBytes);
bool gChkDriveFreeCapacity(const std::string& drive, double requiredBytes, bool& enough);
long gGetDriveAllSpace(const std::string& drive);
