// Outlook: the message store file, searched for in the item log's folder and the usual profile folders.
#include <string>

#include "common/error_log.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "formats/registry.h"
#include "locations/data_locations.h"
#include "locations/user_folders.h"

namespace {

constexpr int32_t kHkcu = static_cast<int32_t>(0x80000001u);

std::string mItemLog(const char* office) {
  const std::string key = std::string("Software\\Microsoft\\Office\\") + office + "\\Outlook\\Journal";
  const std::string name = gGetRegText(kHkcu, key, "Outlook Item Log File", " ");
  return gTrim(name).empty() ? " " : name;
}

}  // namespace

bool gGetOutLookItemLogFileName(std::string& name) {
  try {
    name = mItemLog("9.0");
    if (name == " ") name = mItemLog("8.0");
    name = gGetLongFileName(name);
    return true;
  } catch (...) {
    gErrRaise(5, "gGetOutLookItemLogFileName");
    gProcError("gGetOutLookItemLogFileName", "");
    return false;
  }
}

bool gGetPstFName(std::string& name) {
  try {
    name.clear();
    std::string log, logFolder;
    if (!gGetOutLookItemLogFileName(log) || !gGetPath(log, logFolder)) {
      gProcError("gGetPstFName", "");
      return false;
    }
    std::string profile;
    gGetUserProfilePath(profile);  // reports its own failure; the profile candidates then start at the root
    const std::string windows = gAddRoot(gGetWinDir());
    // Earlier folders win; in each, the old personal store name wins over the later default.
    const std::string folders[] = {
        logFolder,
        gAddRoot(profile) + "Local Settings\\Application Data\\MicroSoft\\OutLook\\",
        gAddRoot(profile) + "Application Data\\MicroSoft\\OutLook\\",
        windows + "Local Settings\\Application Data\\Microsoft\\Outlook",
        windows + "Application Data\\Microsoft\\Outlook",
    };
    for (const std::string& folder : folders) {
      for (const char* file : {"mailbox.pst", "outlook.pst"}) {
        if (gChkFileExists(gAddRoot(folder) + file)) {
          name = gAddRoot(folder) + file;
          break;
        }
      }
      if (!name.empty()) break;
    }
    name = gGetLongFileName(name);
    return true;
  } catch (...) {
    gErrRaise(5, "gGetPstFName");
    gProcError("gGetPstFName", "");
    return false;
  }
}

bool gGetSoftDataDir_OL(std::string& folder, std::string& version) {
  try {
    version.clear();
    folder.clear();
    std::string store;
    if (!gGetPstFName(store) || store.empty()) return false;
    if (!gGetPath(store, folder)) {
      gProcError("gGetSoftDataDir_OL", "");
      return false;
    }
    folder = gGetLongFileName(folder);
    return true;
  } catch (...) {
    gErrRaise(5, "gGetSoftDataDir_OL");
    gProcError("gGetSoftDataDir_OL", "");
    return false;
  }
}
