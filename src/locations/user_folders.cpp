// The user's own folders and name: Favorites and My Documents from the shell, application data, user name.
#include "locations/user_folders.h"

#include <windows.h>

#include "common/error_log.h"
#include "common/files.h"
#include "common/text.h"

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
