// Drive services over the Windows drive queries.
#include "common/drives.h"

#include <windows.h>

#include "common/text.h"

bool gChkDriveMediaCondition(const std::string& drive) {
  std::string root = gUpperAscii(drive);
  if (root.size() < 2 || root.compare(root.size() - 2, 2, ":\\") != 0)
    root += root.empty() || root.back() != ':' ? ":\\" : "\\";
  // A floppy drive without a disk must not bring up the system's "insert a disk" box.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(gToAnsi(root + "*").c_str(), &data);
  const bool readable = h != INVALID_HANDLE_VALUE || GetLastError() == ERROR_FILE_NOT_FOUND;
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
  SetErrorMode(oldMode);
  return readable && GetDriveTypeA(gToAnsi(root).c_str()) > DRIVE_NO_ROOT_DIR;
}
