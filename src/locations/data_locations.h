// Where each target program keeps its data for the current Windows user, and Outlook Express version checks.
#pragma once
#include <string>

// Outlook Express: the store folder and the version code "4", "5" or "6" of the store chosen.
bool gGetSoftDataDir_OE(std::string& folder, std::string& version);
// The current Outlook Express identity ("Last User ID"); empty is no failure.
bool gGetIdentityKey(std::string& identity);
// The Windows Address Book file, and its folder (ending in "\").
bool gGetAddressBookFName(std::string& name);
bool gGetAddressBookDir(std::string& folder);

// Outlook: the folder of its message store; false without a report when no store is known.
bool gGetSoftDataDir_OL(std::string& folder, std::string& version);
// The message store file; true with an empty name when none is found.
bool gGetPstFName(std::string& name);
// Outlook's item log file, or " " when neither Office 9.0 nor 8.0 names one.
bool gGetOutLookItemLogFileName(std::string& name);

// Netscape 4.x: the current user's profile folder below the install folder's parent.
bool gGetSoftDataDir_NS4X(std::string& folder);
// Netscape 6 and later: the Mozilla folder in the application data folder.
bool gGetSoftDataDir_NS6X(std::string& folder);
// ColMail: its data folder; false without a report when unset or missing.
bool gGetSoftDataDir_COLMAIL(std::string& folder);

// May a backup of Outlook Express version `saved` be restored where the current version code is `current`?
// Versions 5 and 6 restore into each other; 4 only into 4.
bool gChkPossiveRestore_OEVersion(const std::string& saved, const std::string& current);
