// Putting the saved Outlook Express account settings back under the current identity and the global key.
#pragma once
#include <string>
#include <vector>

#include "restore/restore_record.h"

// Rewrites the saved export for the current identity and for the global key, checks that both files write
// only below the account settings key, deletes the current account keys and imports both files, each import
// checked key by key and value by value. The caller saves the keys first (gSaveAccountKeys) and puts them
// back when this fails.
bool mRestoreRegFile();

// The keys an account settings restore replaces, below HKEY_CURRENT_USER: the current identity's copy (when
// there is an identity) and the global account settings key.
std::vector<std::string> gGetAccountKeys();
// Exports those keys as they are now into folder (prefix + number + ".reg"); a missing key is kept as such.
bool gSaveAccountKeys(const std::string& folder, const std::string& prefix, std::vector<SavedKey>& saved);
// Puts the keys back as saved: each deleted with all below it, then its export imported and checked.
bool gPutAccountKeysBack(const std::vector<SavedKey>& saved);

// True when every key line of the .reg file (system code page) names `key` or a key below it, deletions
// included, and the file names at least one key. keys receives how many key lines it holds.
bool gChkRegFileKeysUnder(const std::string& regFile, const std::string& key, long& keys);
