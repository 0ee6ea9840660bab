// Whole registry keys exported to and imported from files by the Registry Editor.
#pragma once
#include <string>

#include "common/registry.h"

// Exports the key (full path, e.g. "HKEY_CURRENT_USER\Software\...") to the file with "Regedit /e".
bool gGetREGFILE(const std::string& regFileName, const std::string& regKey);
// Imports the file silently with "Regedit /s" and waits for the Registry Editor to finish; true only when it
// ended in time and said it succeeded.
bool gSetRegFile(const std::string& regFileName);
