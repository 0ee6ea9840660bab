// The records a replacement keeps on disk: the journal of one in progress, so that the next start can finish
// or undo what a crash interrupted, and per target the record of the data the last restore set aside, so that
// the menu can put it back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "restore/swap.h"

// A registry key as it was before it was replaced: its export, or "" when the key did not exist.
struct SavedKey {
  std::string key;   // under HKEY_CURRENT_USER
  std::string file;
};

struct RestoreRecord {
  std::string kind;          // "restore", or "undo" (the set-aside data put back)
  int32_t target = 0;
  std::string phase;         // "aside", "placing", "placed", "accounts", then "done" in the aside record
  bool accounts = false;     // the account settings are replaced too
  std::string when;          // when the restore was made (yyyy/mm/dd hh:nn:ss)
  std::vector<SavedKey> keys;
  std::vector<FolderSwap> swaps;
};

// The folder of the records: Velnor's folder in the user's local application data.
std::string gGetRecordFolder();

// The journal of the replacement in progress: written whole or not at all, through to the disk.
bool gSetRestoreJournal(const RestoreRecord& record);
// False when there is none (or it cannot be read; then why says so).
bool gGetRestoreJournal(RestoreRecord& record, std::string* why = nullptr);
bool gDelRestoreJournal();

// The data the last restore of a target set aside.
bool gSetAsideRecord(const RestoreRecord& record);
bool gGetAsideRecord(int32_t target, RestoreRecord& record);
bool gDelAsideRecord(int32_t target);
