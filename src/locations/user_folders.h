// The user's own folders and name: Favorites, My Documents, application data, the Windows user name.
#pragma once
#include <string>

bool gGetFavoriteDir(std::string& folder);
bool gGetMyDocumentsDir(std::string& folder);
// %APPDATA%; false without a report when it is empty.
bool gGetAppDataDir(std::string& folder);
// The Windows user name, or "CantGetUserName"; true unless an unexpected fault occurs.
bool gGetUserName(std::string& name);
