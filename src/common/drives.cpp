// Drive services over the Windows drive queries.
#include "common/drives.h"

#include <windows.h>

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "common/error_log.h"
#include "common/text.h"

namespace {

// Keeps a drive without a medium from bringing up the system's "insert a disk" box while it is asked.
class NoCriticalErrorBox {
 public:
  NoCriticalErrorBox() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~NoCriticalErrorBox() { SetErrorMode(previous_); }
  NoCriticalErrorBox(const NoCriticalErrorBox&) = delete;
  NoCriticalErrorBox& operator=(const NoCriticalErrorBox&) = delete;

 private:
  UINT previous_;
};

void mRaiseNoDrive(const std::string& root) { gErrRaise(68, "ドライブがありません: " + root); }

}  // namespace

void clsDrive::SetDrive(const std::string& drive) {
  std::string root = gUpperAscii(drive);
  const bool hasRoot = root.size() >= 2 && root.compare(root.size() - 2, 2, ":\\") == 0;
  if (!hasRoot) root += !root.empty() && root.back() == ':' ? "\\" : ":\\";
  drive_ = root;
}

bool clsDrive::Enabled() const {
  std::vector<char> buffer(256);
  DWORD length = GetLogicalDriveStringsA(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length >= buffer.size()) {  // more drives than the buffer holds: ask again with room for all
    buffer.assign(length + 1, '\0');
    length = GetLogicalDriveStringsA(static_cast<DWORD>(buffer.size()), buffer.data());
  }
  if (length == 0 || length >= buffer.size()) return false;
  for (const char* p = buffer.data(); *p != '\0'; p += std::strlen(p) + 1)
    if (gUpperAscii(p) == drive_) return true;
  return false;
}

long clsDrive::MediaType() const {
  const UINT type = GetDriveTypeA(gToAnsi(drive_).c_str());
  return type >= DRIVE_NO_ROOT_DIR && type <= DRIVE_RAMDISK ? static_cast<long>(type) : 0;
}

bool clsDrive::MediaCondition() const {
  const NoCriticalErrorBox guard;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(gToAnsi(drive_ + "*").c_str(), &data);
  if (h != INVALID_HANDLE_VALUE) {
    FindClose(h);
    return true;
  }
  // An empty disk lists nothing, which is no error; a missing or unreadable medium is.
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
}

// Always the 64-bit query: every system this program runs on has it, and the 32-bit cluster arithmetic of
// GetDiskFreeSpace overflows on any disk of 2 GiB or more.
bool clsDrive::Space(double& freeBytes, double& totalBytes) const {
  const NoCriticalErrorBox guard;
  ULARGE_INTEGER available{}, total{}, free{};
  if (!GetDiskFreeSpaceExA(gToAnsi(drive_).c_str(), &available, &total, &free)) {
    gErrRaiseLastError();
    return false;
  }
  freeBytes = static_cast<double>(free.QuadPart);
  totalBytes = static_cast<double>(total.QuadPart);
  return true;
}

bool clsDrive::FreeSpace(double& bytes) const {
  double total = 0;
  return Space(bytes, total);
}

bool clsDrive::AllSpace(double& bytes) const {
  double free = 0;
  return Space(free, bytes);
}

bool gGetFdDrive(std::string& drive) {
  try {
    long type = 0, subtype = 0;
    if (!gChkMachineType(type, subtype)) throw std::runtime_error("machine type");
    if (type == 0) {
      drive = "A:";
    } else if (type == 1) {
      drive = "C";
    } else {
      drive.clear();
      gErrRaise(5, "機種を判別できません (keyboard subtype " + std::to_string(subtype) + ")");
      gProcError("gGetFdDrive", "");
      return false;
    }
    long mediaType = 0;
    if (gChkDriveEnable(drive) && gGetDriveMediaType(drive, mediaType) && mediaType == DRIVE_REMOVABLE)
      return true;
    gErrRaise(68, "フロッピーディスクドライブがありません: " + drive);
  } catch (const std::exception& e) {
    gErrRaise(5, e.what());
  }
  gProcError("gGetFdDrive", "");
  return false;
}

bool gChkMachineType(long& type, long& keyboardSubtype) {
  try {
    keyboardSubtype = GetKeyboardType(1);
    if (keyboardSubtype >= 0 && keyboardSubtype <= 4) type = 0;
    else if (keyboardSubtype >= 0x0D01 && keyboardSubtype <= 0x0D04) type = 1;
    else type = 2;
    return true;
  } catch (const std::exception& e) {
    gErrRaise(5, e.what());
    gProcError("gChkMachineType", "");
    return false;
  }
}

bool gChkDriveEnable(const std::string& drive) {
  try {
    clsDrive d;
    d.SetDrive(drive);
    return d.Enabled();
  } catch (const std::exception& e) {
    gErrRaise(5, e.what());
    gProcError("gChkDriveEnable", "");
    return false;
  }
}

bool gGetDriveMediaType(const std::string& drive, long& type) {
  try {
    clsDrive d;
    d.SetDrive(drive);
    type = d.MediaType();
    return true;
  } catch (const std::exception& e) {
    gErrRaise(5, e.what());
    gProcError("gGetDriveMediaType", "");
    return false;
  }
}

bool gChkDriveMediaCondition(const std::string& drive) {
  try {
    clsDrive d;
    d.SetDrive(drive);
    return d.Enabled() && d.MediaCondition();
  } catch (const std::exception& e) {
    gErrRaise(5, e.what());
    gProcError("gChkDriveMediaCondition", "");
    return false;
  }
}

bool gGetDriveFreeSpace(const std::string& drive, double& freeBytes) {
  try {
    clsDrive d;
    d.SetDrive(drive);
    if (!d.Enabled()) mRaiseNoDrive(d.Drive());
    else if (d.FreeSpace(freeBytes)) return true;
  } catch (const std::exception& e) {
    gErrRaise(5, e.what());
  }
  gProcError("gGetDriveFreeSpace", "");
  return false;
}

bool gChkDriveFreeCapacity(const std::string& drive, double requiredBytes, bool& enough) {
  enough = false;
  double freeBytes = 0;
  if (!gGetDriveFreeSpace(drive, freeBytes)) {
    gErrRaise(71, "空き容量を読めません: " + drive);
    gProcError("gChkDriveFreeCapacity", "");
    return false;
  }
  enough = requiredBytes <= freeBytes;
  return true;
}

long gGetDriveAllSpace(const std::string& drive) {
  try {
    // The drive is normalised by clsDrive; appending ":" to a text such as "A:\" would break its root.
    clsDrive d;
    d.SetDrive(drive);
    double total = 0;
    if (d.AllSpace(total)) {
      const double rounded = std::round(total);
      if (rounded <= 2147483647.0) return static_cast<long>(rounded);
      gErrRaise(6, "オーバーフローしました (" + d.Drive() + " の全容量)");
    }
  } catch (const std::exception& e) {
    gErrRaise(5, e.what());
  }
  gProcError("gGetDriveAllSpace", "");
  return 0;
}
