// The data folder of each target, Netscape and ColMail lookups, and the Outlook Express restore check.
#include "locations/data_locations.h"

#include <cctype>

#include "common/error_log.h"
#include "common/files.h"
#include "common/system.h"
#include "formats/registry.h"
#include "locations/user_folders.h"

namespace {

constexpr int32_t kHkcu = static_cast<int32_t>(0x80000001u);

}  // namespace

bool gGetSoftDataDir_NS4X(std::string& folder) {
  try {
    const std::string install =
        gGetRegText(kHkcu, "Software\\Netscape\\Netscape Navigator\\Main", "Install Directory", "");
    std::string parent;
    if (install.empty()) {
      gErrRaise(5, "Install Directory");
    } else if (!gGetParentDir(install, 1, parent)) {
      gErrRaise(5, install);
    } else {
      const std::string user = gGetRegText(kHkcu, "Software\\Netscape\\Netscape Navigator\\biff", "CurrentUser", "");
      if (user.empty()) {
        gErrRaise(5, "CurrentUser");
      } else {
        folder = gGetLongFileName(gAddRoot(gAddRoot(parent) + "Users\\" + user));
        if (gChkDirExists(folder, true)) return true;
        gErrRaise(76, folder);
      }
    }
  } catch (...) {
    gErrRaise(5, "gGetSoftDataDir_NS4X");
  }
  gProcError("gGetSoftDataDir_NS4X", "");
  return false;
}

bool gGetSoftDataDir_NS6X(std::string& folder) {
  try {
    std::string appData;
    if (!gGetAppDataDir(appData)) {
      gErrRaise(76, "APPDATA");
      gProcError("gGetSoftDataDir_NS6X", "");
      return false;
    }
    folder = gGetLongFileName(gAddRoot(appData) + "Mozilla");
    if (gChkDirExists(folder, true)) return true;
    gErrRaise(76, folder);
    gProcError("gGetSoftDataDir_NS6X", "ディレクトリの存在が確認できませんでした。" + folder);
    return false;
  } catch (...) {
    gErrRaise(5, "gGetSoftDataDir_NS6X");
    gProcError("gGetSoftDataDir_NS6X", "");
    return false;
  }
}

bool gGetSoftDataDir_COLMAIL(std::string& folder) {
  try {
    const std::string root = gGetRegText(kHkcu, "Software\\Justsystem\\ColMail", "UserRootDir", "");
    if (root.empty()) return false;
    folder = gGetLongFileName(root);
    return gChkDirExists(folder, true);
  } catch (...) {
    gErrRaise(5, "gGetSoftDataDir_COLMAIL");
    gProcError("gGetSoftDataDir_COLMAIL", "");
    return false;
  }
}

bool gChkPossiveRestore_OEVersion(const std::string& saved, const std::string& current) {
  if (saved.empty() || !std::isdigit(static_cast<unsigned char>(saved[0]))) {
    gErrRaise(13, "saved=" + saved);
    gProcError("gChkPossiveRestore_OEVersion", "");
    return false;
  }
  // Only a code made of digits is a version; an empty one must not pass as version 0.
  if (current.empty() || current.size() > 9) return false;
  for (const char c : current)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  const long d = saved[0] - '0';
  const long c = std::stol(current);
  return c == d || (current == "5" && d == 6) || (current == "6" && d == 5);
}
