// Outlook Express: its identity, the choice between its two stores, and the Windows Address Book.
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
const char* const kWabKey = "Software\\Microsoft\\WAB\\WAB4\\Wab File Name";

// A stored "Store Root" may start with an environment variable; anything else is used as it stands.
bool mExpandStoreRoot(std::string& root) {
  if (root.empty() || root[0] != '%') return true;
  std::string plain;
  if (!gProcTransEnvPathToNormalPath(root, plain)) return false;
  root = plain;
  return true;
}

}  // namespace

bool gGetIdentityKey(std::string& identity) {
  try {
    identity = gGetRegText(kHkcu, "identities", "Last User ID", "");
    return true;
  } catch (...) {
    gErrRaise(5, "gGetIdentityKey");
    gProcError("gGetIdentityKey", "");
    return false;
  }
}

bool gGetSoftDataDir_OE(std::string& folder, std::string& version) {
  try {
    folder.clear();
    std::string identity;
    if (!gGetIdentityKey(identity)) {
      gProcError("gGetSoftDataDir_OE", "");
      return false;
    }
    std::string s5;
    // Without an identity there is no identity store; "Identities\\Software..." is no key to read.
    if (!identity.empty()) {
      const std::string base = "Identities\\" + identity + "\\Software\\Microsoft\\Outlook Express\\";
      s5 = gGetRegText(kHkcu, base + "5.0\\", "Store Root", "");
      if (s5.empty()) s5 = gGetRegText(kHkcu, base + "6.0\\", "Store Root", "");
    }
    std::string s4 = gGetRegText(kHkcu, "Software\\Microsoft\\Outlook Express\\", "Store Root", "");
    if (!mExpandStoreRoot(s5) || !mExpandStoreRoot(s4)) {
      gErrRaise(5, "Store Root");
      gProcError("gGetSoftDataDir_OE", "");
      return false;
    }
    if (s5.empty() && s4.empty()) {
      gErrRaise(76, "Store Root");
      gProcError("gGetSoftDataDir_OE", "");
      return false;
    }
    char code = 0;
    if (s5.empty()) {
      code = '4';
    } else if (s4.empty()) {
      code = '5';
    } else {
      // Both stores exist: the installed program tells which one it uses.
      std::string installed;
      if (!gGetOeExeVersion(installed) || installed.empty()) {
        gProcError("gGetSoftDataDir_OE", "");
        return false;
      }
      code = installed[0];
      if (code != '4' && code != '5' && code != '6') {
        gErrRaise(5, "msimn.exe " + installed);
        gProcError("gGetSoftDataDir_OE", "");
        return false;
      }
    }
    folder = code == '4' ? s4 : s5;
    version.assign(1, code);
    folder = gGetLongFileName(folder);
    return true;
  } catch (...) {
    gErrRaise(5, "gGetSoftDataDir_OE");
    gProcError("gGetSoftDataDir_OE", "");
    return false;
  }
}

bool gGetAddressBookFName(std::string& name) {
  try {
    // The reader hands back a blank default as empty text: both mean "no address book".
    const std::string stored = gGetRegText(kHkcu, kWabKey, "", " ");
    if (!gTrim(stored).empty()) {
      name = gGetLongFileName(stored);
      return true;
    }
    gErrRaise(53, kWabKey);
  } catch (...) {
    gErrRaise(5, "gGetAddressBookFName");
  }
  gProcError("gGetAddressBookFName", "");
  return false;
}

bool gGetAddressBookDir(std::string& folder) {
  try {
    folder.clear();
    std::string file, dir;
    if (!gGetAddressBookFName(file) || !gGetPath(file, dir)) {
      gProcError("gGetAddressBookDir", "");
      return false;
    }
    if (dir.empty() || dir[0] != '%') {
      folder = gGetLongFileName(dir);
      return true;
    }
    if (dir.compare(0, 8, "%UserPro") == 0) {
      // The profile is the folder that holds Favorites; the rest starts with the "\" after the variable.
      std::string favorites;
      if (!gGetFavoriteDir(favorites)) {
        gProcError("gGetAddressBookDir", "");
        return false;
      }
      folder = gGetLongFileName(gAddRoot(favorites) + ".." + dir.substr(dir.size() > 13 ? 13 : dir.size()));
      return true;
    }
    if (dir.compare(0, 8, "%SystemR") == 0) {
      folder = gGetLongFileName(gGetWinDir() + dir.substr(dir.size() > 12 ? 12 : dir.size()));
      return true;
    }
    gErrRaise(5, dir);
  } catch (...) {
    gErrRaise(5, "gGetAddressBookDir");
  }
  gProcError("gGetAddressBookDir", "");
  return false;
}
