// What the location tests know of the sample PC, and scoped changes to it that are undone afterwards.
#pragma once
#include <string>

#include "support/saved_state.h"

// The Outlook Express identity and the Netscape 4 user that the sample PC sets up.
inline const std::string kIdentity = "{3F0E8A5C-2B7D-4C19-9E6A-5D1B7C2E8F40}";
inline const std::string kIdentityKey = "Identities\\" + kIdentity;
inline const std::string kOeStoreKey = kIdentityKey + "\\Software\\Microsoft\\Outlook Express\\5.0";
inline const std::string kOe4Key = "Software\\Microsoft\\Outlook Express";
inline const std::string kOeExe = "C:\\Program Files\\Outlook Express\\msimn.exe";
inline const std::string kSampleDir = "C:\\velnor-sample";

// An environment variable of this process ("" when unset).
std::string Env(const std::string& name);
// True when the sample PC has been laid out in this prefix.
bool SamplePcPresent();

// Writes a file, making its folders.
void PutFile(const std::string& path, const std::string& bytes);
// Writes or deletes (Null) one string value below HKEY_CURRENT_USER.
void SetRegText(const std::string& subKey, const std::string& name, const std::string& value);
void DeleteRegValue(const std::string& subKey, const std::string& name);

// Moves a file aside (if present) and puts it back when the object goes; whatever stands there then is removed,
// and so are the folders it made.
class SavedFile {
 public:
  explicit SavedFile(const std::string& path);
  ~SavedFile();
  SavedFile(const SavedFile&) = delete;
  SavedFile& operator=(const SavedFile&) = delete;

 private:
  std::string path_, aside_;
  std::string keptFolder_;  // the nearest folder above the file that was there before
  bool existed_ = false;
};

// Puts another version of the Outlook Express stand-in ("4" or "5") in place of the installed one.
class InstalledOe {
 public:
  explicit InstalledOe(const std::string& major);

 private:
  SavedFile saved_{kOeExe};
};

// Sets a process environment variable and restores it.
class SavedEnv {
 public:
  SavedEnv(const std::string& name, const std::string& value);
  ~SavedEnv();
  SavedEnv(const SavedEnv&) = delete;
  SavedEnv& operator=(const SavedEnv&) = delete;

 private:
  std::string name_, old_;
  bool existed_ = false;
};
