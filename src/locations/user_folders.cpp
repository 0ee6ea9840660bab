// The user's own folders and name: Favorites and My Documents from the shell, the profile, application data,
// user name, and stored paths that begin with an environment variable.
#include "locations/user_folders.h"

#include <windows.h>

#include "common/error_log.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"

namespace {

// Mid$(text, from) with a 1-based start: the empty string past the end.
std::string mFrom(const std::string& text, size_t from1) {
  return from1 - 1 < text.size() ? text.substr(from1 - 1) : std::string();
}

}  // namespace

bool gGetFavoriteDir(std::string& folder) {
  try {
    folder = gGetLongFileName(cPath::GetSpecialFolder(cPath::Favorites));
    return true;
  } catch (...) {
    gErrRaise(5, "gGetFavoriteDir");
    gProcError("gGetFavoriteDir", "");
    return false;
  }
}

bool gGetMyDocumentsDir(std::string& folder) {
  try {
    folder = gGetLongFileName(cPath::GetSpecialFolder(cPath::MyDocuments));
    return true;
  } catch (...) {
    gErrRaise(5, "gGetMyDocumentsDir");
    gProcError("gGetMyDocumentsDir", "");
    return false;
  }
}

bool gGetAppDataDir(std::string& folder) {
  try {
    folder = gGetEnvValue("APPDATA");
    return !folder.empty();
  } catch (...) {
    gErrRaise(5, "gGetAppDataDir");
    gProcError("gGetAppDataDir", "gGetAppDataDirは開発途中です。");
    return false;
  }
}

bool gGetUserName(std::string& name) {
  try {
    char buffer[128] = {};
    DWORD size = sizeof(buffer);
    name = GetUserNameA(buffer, &size) ? gFromAnsi(std::string(buffer, strnlen(buffer, sizeof(buffer))))
                                       : "CantGetUserName";
    return true;
  } catch (...) {
    gErrRaise(5, "gGetUserName");
    gProcError("gGetUserName", "");
    return false;
  }
}

bool gGetUserProfilePath(std::string& folder) {
  try {
    std::string favorites;
    if (!gGetFavoriteDir(favorites)) {
      gProcError("gGetUserProfilePath", "");
      return false;
    }
    // Favorites lies directly in the profile: cutting into its name leaves the profile's folder part.
    const std::wstring wide = gToWide(favorites);
    const std::string cut = gFromWide(wide.substr(0, wide.size() >= 3 ? wide.size() - 3 : 0));
    std::string fromFavorites;
    gGetPath(cut, fromFavorites);
    fromFavorites = gAddRoot(fromFavorites);
    const std::string fromEnvironment = gAddRoot(gGetEnvValue("userprofile"));
    if (fromFavorites != fromEnvironment) {
      gErrRaise(5, "user profile folder mismatch");
      gProcError("gGetUserProfilePath", "取得方法が違うと、値も違いました。");
      return false;
    }
    if (!gChkDirExists(fromFavorites, false)) {
      gErrRaise(76, "user profile folder not found");
      gProcError("gGetUserProfilePath", "");
      return false;
    }
    folder = fromFavorites;
    return true;
  } catch (...) {
    gErrRaise(5, "gGetUserProfilePath");
    gProcError("gGetUserProfilePath", "");
    return false;
  }
}

bool gProcTransEnvPathToNormalPath(const std::string& in, std::string& out) {
  try {
    const std::string head = in.substr(0, 8);
    if (head == "%UserPro") {
      std::string profile;
      if (!gGetUserProfilePath(profile)) {
        gErrRaise(5, "user profile folder unavailable");
        gProcError("gProcTransEnvPathToNormalPath", "");
        return false;
      }
      // "%UserProfile%\" is 14 characters.
      out = gAddRoot(profile + mFrom(in, 15));
      return true;
    }
    if (head == "%SystemR") {
      // "%SystemRoot%\" is 13 characters.
      out = gAddRoot(gGetEnvValue("systemroot")) + mFrom(in, 14);
      return true;
    }
    gErrRaise(5, "unknown environment variable in " + in);
    gProcError("gProcTransEnvPathToNormalPath", "");
    return false;
  } catch (...) {
    gErrRaise(5, "gProcTransEnvPathToNormalPath");
    gProcError("gProcTransEnvPathToNormalPath", "");
    return false;
  }
}
