// Writing and reading the backup information file (system code page, CR LF, one section).
#include "formats/info_file.h"

#include <windows.h>

#include <string>

#include "common/error_log.h"
#include "common/text.h"
#include "formats/ini_file.h"

namespace {

const char* mBool(bool value) { return value ? "True" : "False"; }

// The Boolean words of the file, and numbers as Basic reads them; anything else is not a Boolean.
bool mParseBool(const std::string& text, bool& value) {
  const std::string word = gUpperAscii(gTrim(text));
  if (word == "TRUE") return value = true, true;
  if (word == "FALSE") return value = false, true;
  try {
    size_t used = 0;
    const double number = std::stod(word, &used);
    if (used != word.size()) return false;
    value = number != 0;
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

std::string gGetInfoFileBytes(const InfoRecord& r) {
  std::string t;
  auto line = [&t](const std::string& text) { t += text + "\r\n"; };
  auto value = [&line](const std::string& key, const std::string& val) { line(key + "=" + val); };
  line(";/");
  line(";/  " + r.AppTitle);
  line(";/　データ情報ファイル");
  line(";/");
  line(";/　書き換えないでください");
  line(";/");
  line("");
  line(std::string("[") + kInfoSection + "]");
  line("");
  value("app-title", r.AppTitle);
  value("app-difficulty", "none");
  value("app-version", r.AppVersion);
  line("");
  value("bkSoft-Name", std::to_string(r.Target));
  value("bkSoft-version", r.SoftVersion);
  value("user-name", r.UserName);
  line("");
  value("BkDateJ", r.BkDateJ);
  value("BkDate", r.BkDate);
  value("fd-next", mBool(r.NextDisk));
  value("fd-number", std::to_string(r.DiskNumber));
  line("");
  if (r.WithAddressBook || r.WithAccountSettings) {
    if (r.WithAddressBook) value("BkAddressBookName", r.AddressBookName);
    if (r.WithAccountSettings) {
      value("RegBackup", mBool(r.RegBackup));
      if (r.RegBackup) {
        value("RegRootKey", r.RegRootKey);
        value("RegSubKey", r.RegSubKey);
      }
    }
    line("");
  } else if (r.WithStoreFile) {
    value("BkPstFileName", r.PstFileName);
    line("");
  }
  return gToAnsi(t);
}

bool gSaveInfoFile(const std::string& file, const InfoRecord& record) {
  const std::string bytes = gGetInfoFileBytes(record);
  HANDLE h = CreateFileW(gToWide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    gErrRaiseLastError();
    gProcError("mSaveFile", "");
    return false;
  }
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  FlushFileBuffers(h);
  if (!ok || written != bytes.size()) gErrRaiseLastError();
  const BOOL closed = CloseHandle(h);
  if (!ok || written != bytes.size() || !closed) {
    gProcError("mSaveFile", "");
    return false;
  }
  return true;
}

bool gReadInfoFile(const std::string& file, InfoRecord& r) {
  auto text = [&file](const char* key, const char* def) { return gGetIniString(file, kInfoSection, key, def); };
  auto invalid = [](const char* what) {
    gErrRaise(5, std::string("invalid backup information file: ") + what);
    gProcError("gGetIniData", "");
    return false;
  };

  r.UserName = text("user-name", "???");
  r.BkDate = text("BkDate", "");
  if (r.BkDate.empty()) return invalid("BkDate");
  r.BkDateJ = text("BkDateJ", "");
  if (r.BkDateJ.empty()) return invalid("BkDateJ");
  const std::string soft = gGetIniInteger(file, kInfoSection, "bkSoft-Name", 255);
  r.Target = static_cast<int32_t>(std::stol(soft));
  if (r.Target == 255) return invalid("bkSoft-Name");
  r.SoftVersion = text("bkSoft-version", "");

  if (r.WithAddressBook) r.AddressBookName = text("BkAddressBookName", " ");
  if (r.WithStoreFile) r.PstFileName = text("BkPstFileName", " ");

  r.RegBackup = false;
  if (r.WithAccountSettings) {
    bool regBackup = false;
    if (!mParseBool(text("RegBackup", "False"), regBackup)) return invalid("RegBackup");
    r.RegBackup = regBackup;
    if (regBackup) {
      r.RegRootKey = text("RegRootKey", "False");
      r.RegSubKey = text("RegSubKey", "False");
    }
  }
  return true;
}
