// Putting the saved Outlook Express account settings back under the current identity and the global key.
#pragma once
#include <string>

// Rewrites the saved export for the current identity and for the global key, checks that both files write
// only below the account settings key, deletes the current account keys and imports both files.
bool mRestoreRegFile();

// True when every key line of the .reg file (system code page) names `key` or a key below it, deletions
// included, and the file names at least one key. keys receives how many key lines it holds.
bool gChkRegFileKeysUnder(const std::string& regFile, const std::string& key, long& keys);
