// The backup information file that travels with every backup set.
#pragma once
#include <cstdint>
#include <string>

// The section every information file holds.
inline constexpr const char* kInfoSection = "section1";

// What an information file says. The With* flags say which of the target's own keys it holds: the writer
// writes those, the reader reads those (and leaves the other fields as they were).
struct InfoRecord {
  std::string AppTitle;
  std::string AppVersion;  // "major.minor.revision"
  int32_t Target = 0;
  std::string SoftVersion;
  std::string UserName;
  std::string BkDateJ;
  std::string BkDate;
  bool NextDisk = false;
  int32_t DiskNumber = 1;
  bool WithAddressBook = false;
  std::string AddressBookName;
  bool WithAccountSettings = false;
  bool RegBackup = false;
  std::string RegRootKey;
  std::string RegSubKey;
  bool WithStoreFile = false;
  std::string PstFileName;
};

// The bytes of the file (system code page, CR LF).
std::string gGetInfoFileBytes(const InfoRecord& record);
// Writes the file through to the disk, replacing any old one.
bool gSaveInfoFile(const std::string& file, const InfoRecord& record);
// Reads and checks the file; false (reported) when a key it must hold is missing or malformed.
bool gReadInfoFile(const std::string& file, InfoRecord& record);
