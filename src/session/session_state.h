// The one program-wide record that start-up, the main menu and the wizards share.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What a backup set's information file says, as read back on restore.
struct BackupInfo {
  std::string UserName;
  std::string BkDate;
  std::string BkDateJ;
  std::string AddressBookName;
  std::string PstFileName;
  bool RegBackup = false;
};

struct SessionState {
  std::string AppTitle;
  std::string TempDir;
  std::string TempDrive;
  std::string WorkDir;
  std::string PackFileName;
  std::string PackFile;
  std::string PackDir;
  std::string MailDataDir;
  std::string AddressDataDir;
  std::string RegFileDataDir;
  std::string UserName;
  int32_t TargetSoft = 0;
  std::string SoftDataDir;
  std::string SoftVersion;
  std::string AddressBookFile;
  std::string AddressBookDir;
  std::string PstFile;
  bool SaveToFD = true;
  std::string FdDrive;
  std::string DataSaveDir;
  std::string InfoFile;
  std::string BackupDate;
  std::string BackupDateText;
  bool RegBackup = false;
  std::string RegRootKey;
  std::string RegSubKey;
  int32_t SetTargetSoft = 0;
  std::string SetSoftVersion;
  BackupInfo Saved;
  bool UserStopped = false;
  // Files the user agreed to leave out of this backup (their paths were too long to keep), for the wizard's
  // end and the log.
  std::vector<std::string> LeftOut;
};

// The session of this run.
SessionState& gSession();
