// Start-up's shared procedures: the working folder, results in the registry, a user's stop, the end.
#pragma once
#include <cstdint>
#include <string>

// Empties the working folder: removes any left-over one and creates WorkDir afresh.
bool gGetWorkDir();
bool gDelWorkDir();
// Records the last backup (0) or restore (1) under HKEY_CURRENT_USER\Software\Velnor.
bool gSetResult(int32_t mode);
// The target of the last backup; 0 (Outlook Express) when none is recorded.
bool gGetLastBackupSoft(int32_t& target);
// Shows message 21 and marks the session as stopped by the user.
bool gProcUserStop();
// A foreseeable failure the user must hear of (a file in use, a full drive): shows text with Retry and Cancel.
// Retry gives true; Cancel is the user's stop (message 21).
bool gChkRetryAfterNotice(const std::string& text);
// A foreseeable failure with nothing to retry: shows text, then the session unwinds to the menu as after a
// user's stop (the text has told the user; message 21 is not shown on top of it).
bool gProcStopWithNotice(const std::string& text);
// Closes the catalogue and removes the working folder at the end of the program.
bool gProcEndProcess();
// Fills the session's paths from the temporary folder and the application title.
void gInitSessionPaths(const char* tempDirOverride = nullptr);
