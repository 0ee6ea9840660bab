// Registry keys and values through the ANSI entry points.
#pragma once
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// A registry value as the program passes it: nothing (Null), text, or a 32-bit number.
using RegValue = std::variant<std::monostate, std::string, int32_t>;

constexpr int32_t kRegTypeString = 1;  // REG_SZ
constexpr int32_t kRegTypeNumber = 4;  // REG_DWORD

// Creates the key if needed and writes the value (an empty text is stored as one space).
bool gSetRegValue(int32_t root, const std::string& subKey, const std::string& valueName, int32_t valueType,
                  const RegValue& value);
// The stored value, or defaultValue when the key or value cannot be read.
RegValue gGetRegValue(int32_t root, const std::string& subKey, const std::string& valueName, int32_t valueType,
                      const RegValue& defaultValue);
// Fills names with the direct subkeys' names; returns their number.
int32_t gGetRegSubKeyNames(int32_t root, const std::string& subKey, std::vector<std::string>& names);
// Deletes the key and everything below it, deepest first.
bool gDelRegKey(int32_t root, const std::string& subKey);
// Turns "HKEY_CURRENT_USER" (one trailing "\" and blanks allowed, case exact) into its handle value.
bool gCnvRegRootKeyStrToLong(const std::string& rootName, int32_t& root);

// Conveniences over gGetRegValue for a text or a number.
std::string gGetRegText(int32_t root, const std::string& subKey, const std::string& valueName,
                        const std::string& defaultValue);
int32_t gGetRegNumber(int32_t root, const std::string& subKey, const std::string& valueName,
                      int32_t defaultValue);
