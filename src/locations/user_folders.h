// The user's own folders and name: Favorites, My Documents, application data, the Windows user name.
#pragma once
#include <string>

bool gGetFavoriteDir(std::string& folder);
bool gGetMyDocumentsDir(std::string& folder);
// %APPDATA%; false without a report when it is empty.
bool gGetAppDataDir(std::string& folder);
// The Windows user name, or "CantGetUserName"; true unless an unexpected fault occurs.
bool gGetUserName(std::string& name);
// The folder that holds Favorites, checked against %userprofile%; ends in "\".
bool gGetUserProfilePath(std::string& folder);
// "%UserProfile%\..." and "%SystemRoot%\..." to plain paths (case exact).
bool gProcTransEnvPathToNormalPath(const std::string& in, std::string& out);
