// Start-up's shared procedures: the working folder, results in the registry, a user's stop, the end.
#pragma once
#include <cstdint>

// Empties the working folder: removes any left-over one and creates WorkDir afresh.
bool gGetWorkDir();
bool gDelWorkDir();
// Records the last backup (0) or restore (1) under HKEY_CURRENT_USER\Software\Velnor.
bool gSetResult(int32_t mode);
// The target of the last backup; 0 (Outlook Express) when none is recorded.
bool gGetLastBackupSoft(int32_t& target);
// Shows message 21 and marks the session as stopped by the user.
bool gProcUserStop();
// Closes the catalogue and removes the working folder at the end of the program.
bool gProcEndProcess();
// Fills the session's paths from the temporary folder and the application title.
void gInitSessionPaths(const char* tempDirOverride = nullptr);
