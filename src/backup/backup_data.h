// Gathering one target's data into the pack folder and packing it into the backup archive.
#pragma once
#include <string>

// Collects the data folder (and for Outlook Express the address book and, when asked, the account settings)
// into PackDir, packs it into PackFile and removes PackDir. A user's stop fails without a report.
bool gMakeBackupData();

// The gathering steps, each checking the working drive's free space first (message 1015 until the user
// declines, which is a user stop).
bool mProcBackUpDataDir();
bool mProcBackUpAddressDir();
bool mProcBackUpRegFile();
// Exports the Outlook Express account settings as folder\account.reg; other targets write nothing.
bool mMakeRegFile(const std::string& folder);
