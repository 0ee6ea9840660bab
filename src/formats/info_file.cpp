// Writing and reading the backup information file (system code page, CR LF, one section).
#include "formats/info_file.h"

#include <windows.h>

#include <string>

#include "common/app.h"
#include "common/error_log.h"
#include "common/text.h"
#include "formats/ini_file.h"
#include "shell/session_state.h"

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

std::string gGetInfoFileBytes(bool nextDisk, int32_t diskNumber) {
  const SessionState& s = gSession();
  const AppVersion v = gGetAppVersion();
  std::string t;
  auto line = [&t](const std::string& text) { t += text + "\r\n"; };
  auto value = [&line](const std::string& key, const std::string& val) { line(key + "=" + val); };
  line(";/");
  line(";/  " + s.AppTitle);
  line(";/　データ情報ファイル");
  line(";/");
  line(";/　書き換えないでください");
  line(";/");
  line("");
  line(std::string("[") + kInfoSection + "]");
  line("");
  value("app-title", s.AppTitle);
  value("app-difficulty", "none");
  value("app-version", std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision));
  line("");
  value("bkSoft-Name", std::to_string(s.TargetSoft));
  value("bkSoft-version", s.SoftVersion);
  value("user-name", s.UserName);
  line("");
  value("BkDateJ", s.BackupDateText);
  value("BkDate", s.BackupDate);
  value("fd-next", mBool(nextDisk));
  value("fd-number", std::to_string(diskNumber));
  line("");
  if (s.TargetSoft == 0) {
    value("BkAddressBookName", s.AddressBookFile);
    value("RegBackup", mBool(s.RegBackup));
    if (s.RegBackup) {
      value("RegRootKey", s.RegRootKey);
      value("RegSubKey", s.RegSubKey);
    }
    line("");
  } else if (s.TargetSoft == 1) {
    value("BkPstFileName", s.PstFile);
    line("");
  }
  return gToAnsi(t);
}

bool mSaveFile(bool nextDisk, int32_t diskNumber) {
  const SessionState& s = gSession();
  const std::string bytes = gGetInfoFileBytes(nextDisk, diskNumber);
  HANDLE h = CreateFileW(gToWide(s.InfoFile).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
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

bool gGetIniData() {
  SessionState& s = gSession();
  const std::string& file = s.InfoFile;
  auto text = [&file](const char* key, const char* def) { return gGetIniString(file, kInfoSection, key, def); };
  auto invalid = [](const char* what) {
    gErrRaise(5, std::string("invalid backup information file: ") + what);
    gProcError("gGetIniData", "");
    return false;
  };

  s.Saved.UserName = text("user-name", "???");
  s.Saved.BkDate = text("BkDate", "");
  if (s.Saved.BkDate.empty()) return invalid("BkDate");
  s.Saved.BkDateJ = text("BkDateJ", "");
  if (s.Saved.BkDateJ.empty()) return invalid("BkDateJ");
  const std::string soft = gGetIniInteger(file, kInfoSection, "bkSoft-Name", 255);
  s.SetTargetSoft = static_cast<int32_t>(std::stol(soft));
  if (s.SetTargetSoft == 255) return invalid("bkSoft-Name");
  s.SetSoftVersion = text("bkSoft-version", "");

  if (s.TargetSoft == 0) {
    s.Saved.AddressBookName = text("BkAddressBookName", " ");
  } else if (s.TargetSoft == 1) {
    s.Saved.PstFileName = text("BkPstFileName", " ");
  } else {
    s.Saved.AddressBookName = " ";
    s.Saved.PstFileName = " ";
  }

  s.Saved.RegBackup = false;
  if (s.TargetSoft == 0) {
    bool regBackup = false;
    if (!mParseBool(text("RegBackup", "False"), regBackup)) return invalid("RegBackup");
    s.Saved.RegBackup = regBackup;
    if (regBackup) {
      s.RegRootKey = text("RegRootKey", "False");
      s.RegSubKey = text("RegSubKey", "False");
    }
  }
  return true;
}
