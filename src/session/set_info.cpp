// The session's backup set information file: which keys a target's set holds comes from its row.
#include "session/set_info.h"

#include "common/app.h"
#include "formats/ini_file.h"
#include "session/session_state.h"
#include "session/targets.h"

namespace {

InfoRecord mRecordFor(const TargetRow& target) {
  InfoRecord r;
  r.WithAddressBook = target.addressBook;
  r.WithAccountSettings = target.accountSettings;
  r.WithStoreFile = target.storeFile;
  return r;
}

// What this session's set says of itself.
InfoRecord mSessionRecord(bool nextDisk, int32_t diskNumber) {
  const SessionState& s = gSession();
  const AppVersion v = gGetAppVersion();
  InfoRecord r = mRecordFor(gSessionTarget());
  r.AppTitle = s.AppTitle;
  r.AppVersion = std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
  r.Target = s.TargetSoft;
  r.SoftVersion = s.SoftVersion;
  r.UserName = s.UserName;
  r.BkDateJ = s.BackupDateText;
  r.BkDate = s.BackupDate;
  r.NextDisk = nextDisk;
  r.DiskNumber = diskNumber;
  r.AddressBookName = s.AddressBookFile;
  r.RegBackup = s.RegBackup;
  r.RegRootKey = s.RegRootKey;
  r.RegSubKey = s.RegSubKey;
  r.PstFileName = s.PstFile;
  return r;
}

}  // namespace

std::string gGetInfoFileBytes(bool nextDisk, int32_t diskNumber) {
  return gGetInfoFileBytes(mSessionRecord(nextDisk, diskNumber));
}

bool mSaveFile(bool nextDisk, int32_t diskNumber) {
  return gSaveInfoFile(gSession().InfoFile, mSessionRecord(nextDisk, diskNumber));
}

bool gGetIniData() {
  SessionState& s = gSession();
  const TargetRow& target = gSessionTarget();
  InfoRecord r = mRecordFor(target);
  if (!gReadInfoFile(s.InfoFile, r)) return false;
  s.Saved.UserName = r.UserName;
  s.Saved.BkDate = r.BkDate;
  s.Saved.BkDateJ = r.BkDateJ;
  s.SetTargetSoft = r.Target;
  s.SetSoftVersion = r.SoftVersion;
  if (target.addressBook) {
    s.Saved.AddressBookName = r.AddressBookName;
  } else if (target.storeFile) {
    s.Saved.PstFileName = r.PstFileName;
  } else {
    s.Saved.AddressBookName = " ";
    s.Saved.PstFileName = " ";
  }
  s.Saved.RegBackup = r.RegBackup;
  if (r.RegBackup) {
    s.RegRootKey = r.RegRootKey;
    s.RegSubKey = r.RegSubKey;
  }
  return true;
}

bool gChkSetOfSessionTarget() {
  const SessionState& s = gSession();
  return s.SetTargetSoft == s.TargetSoft;
}

bool gChkSameSetInfo() {
  const SessionState& s = gSession();
  return gGetIniString(s.InfoFile, kInfoSection, "user-name", "???") == s.Saved.UserName &&
         gGetIniString(s.InfoFile, kInfoSection, "BkDate", "") == s.Saved.BkDate &&
         gGetIniInteger(s.InfoFile, kInfoSection, "bkSoft-Name", 255) == std::to_string(s.SetTargetSoft);
}
