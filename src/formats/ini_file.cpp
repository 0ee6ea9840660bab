// Reading INI files through the Windows private-profile functions, in the system code page.
#include "formats/ini_file.h"

#include <windows.h>

#include <vector>

#include "common/error_log.h"
#include "common/text.h"

namespace {
constexpr DWORD kBufferChars = 32767;
}

std::string clsIniFile::GetString(const std::string& key, const std::string& def) const {
  std::vector<char> buffer(kBufferChars + 1, '\0');
  const DWORD n = GetPrivateProfileStringA(gToAnsi(Section).c_str(), gToAnsi(key).c_str(), "", buffer.data(),
                                           kBufferChars, gToAnsi(FileName).c_str());
  // The count is in bytes of the code page, so a double-byte character is never cut in half.
  std::string value = gFromAnsi(std::string(buffer.data(), n));
  return value.empty() ? def : value;
}

int32_t clsIniFile::GetInteger(const std::string& key, int16_t def) const {
  return static_cast<int32_t>(
      GetPrivateProfileIntA(gToAnsi(Section).c_str(), gToAnsi(key).c_str(), def, gToAnsi(FileName).c_str()));
}

bool clsIniFile::SetString(const std::string& key, const std::string& value) const {
  return WritePrivateProfileStringA(gToAnsi(Section).c_str(), gToAnsi(key).c_str(), gToAnsi(value).c_str(),
                                    gToAnsi(FileName).c_str()) != FALSE;
}

void clsIniFile::DeleteKeyName(const std::string& key) const {
  WritePrivateProfileStringA(gToAnsi(Section).c_str(), gToAnsi(key).c_str(), nullptr, gToAnsi(FileName).c_str());
}

void clsIniFile::DeleteSection(const std::string& section) const {
  const std::string name = section.empty() ? Section : section;
  WritePrivateProfileStringA(gToAnsi(name).c_str(), nullptr, nullptr, gToAnsi(FileName).c_str());
}

std::string gGetIniString(const std::string& fileName, const std::string& section, const std::string& key,
                          const std::string& def) {
  try {
    clsIniFile ini;
    ini.FileName = fileName;
    ini.Section = section;
    return ini.GetString(key, def);
  } catch (...) {
    gErrRaise(7, "out of memory");
    gProcError("gGetIniString", "");
    return def;
  }
}

std::string gGetIniInteger(const std::string& fileName, const std::string& section, const std::string& key,
                           int32_t def) {
  try {
    clsIniFile ini;
    ini.FileName = fileName;
    ini.Section = section;
    return std::to_string(ini.GetInteger(key, static_cast<int16_t>(def)));
  } catch (...) {
    gErrRaise(7, "out of memory");
    gProcError("gGetIniInteger", "");
    return std::to_string(def);
  }
}
