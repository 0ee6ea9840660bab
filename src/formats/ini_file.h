// Reading INI files through the Windows private-profile functions.
#pragma once
#include <cstdint>
#include <string>

class clsIniFile {
 public:
  std::string FileName;
  std::string Section;
  // The value, or def when it is empty or absent. Read through a 32767-character buffer.
  std::string GetString(const std::string& key, const std::string& def) const;
  int32_t GetInteger(const std::string& key, int16_t def) const;
  bool SetString(const std::string& key, const std::string& value) const;
  void DeleteKeyName(const std::string& key) const;
  void DeleteSection(const std::string& section = "") const;
};

std::string gGetIniString(const std::string& fileName, const std::string& section, const std::string& key,
                          const std::string& def);
// The integer as its decimal text.
std::string gGetIniInteger(const std::string& fileName, const std::string& section, const std::string& key,
                           int32_t def);
