// Registry keys and values through the ANSI entry points.
#include "common/registry.h"

#include <windows.h>

#include "common/char_helpers.h"
#include "common/error_log.h"
#include "common/text.h"

namespace {

constexpr REGSAM kValueAccess = 0x3F;
constexpr DWORD kBufferChars = 256;

HKEY mRoot(int32_t root) { return reinterpret_cast<HKEY>(static_cast<intptr_t>(root)); }

}  // namespace

bool gSetRegValue(int32_t root, const std::string& subKey, const std::string& valueName, int32_t valueType,
                  const RegValue& value) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(mRoot(root), gToAnsi(subKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kValueAccess,
                      nullptr, &key, &disposition) != ERROR_SUCCESS)
    return false;
  LONG rc = ERROR_INVALID_PARAMETER;
  try {
    const std::string name = gToAnsi(valueName);
    if (valueType == kRegTypeString) {
      std::string text;
      if (const auto* s = std::get_if<std::string>(&value)) text = *s;
      if (const auto* n = std::get_if<int32_t>(&value)) text = std::to_string(*n);
      if (gTrim(text).empty()) text.assign(1, ' ');
      const std::string ansi = gToAnsi(text);
      rc = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(ansi.c_str()),
                          static_cast<DWORD>(ansi.size() + 1));
    } else if (valueType == kRegTypeNumber) {
      int32_t number = 0;
      if (const auto* n = std::get_if<int32_t>(&value)) number = *n;
      if (const auto* s = std::get_if<std::string>(&value)) number = static_cast<int32_t>(std::stol(*s));
      rc = RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    }
  } catch (...) {
    RegCloseKey(key);
    gErrRaise(13, "type mismatch");
    gProcError("gSetRegValue", "");
    return false;
  }
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

RegValue gGetRegValue(int32_t root, const std::string& subKey, const std::string& valueName, int32_t valueType,
                      const RegValue& defaultValue) {
  RegValue result = defaultValue;
  HKEY key = nullptr;
  // Read access only: a standard user may not write HKEY_LOCAL_MACHINE, and asking for it fails the read.
  // There the 64-bit view is read deliberately, so that a 32-bit Velnor on 64-bit Windows sees the values
  // Windows itself keeps (the flag means nothing to 32-bit Windows).
  const REGSAM access = KEY_QUERY_VALUE | (root == static_cast<int32_t>(0x80000002u) ? KEY_WOW64_64KEY : 0);
  if (RegOpenKeyExA(mRoot(root), gToAnsi(subKey).c_str(), 0, access, &key) != ERROR_SUCCESS) return result;
  const std::string name = gToAnsi(valueName);
  if (valueType == kRegTypeString) {
    char buffer[kBufferChars] = {};
    DWORD size = kBufferChars;
    if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) ==
        ERROR_SUCCESS)
      result = gFromAnsi(std::string(buffer, strnlen(buffer, kBufferChars)));
  } else if (valueType == kRegTypeNumber) {
    int32_t number = 0;
    DWORD size = sizeof(number);
    if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size) ==
        ERROR_SUCCESS)
      result = number;
  }
  RegCloseKey(key);
  if (valueType == kRegTypeString) {
    if (const auto* s = std::get_if<std::string>(&result); s != nullptr && gTrim(*s).empty()) result = std::string();
  }
  return result;
}

int32_t gGetRegSubKeyNames(int32_t root, const std::string& subKey, std::vector<std::string>& names) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(mRoot(root), gToAnsi(subKey).c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS)
    return 0;
  int32_t count = 0;
  for (DWORD index = 0;; ++index) {
    char buffer[kBufferChars] = {};
    DWORD size = kBufferChars;
    if (RegEnumKeyExA(key, index, buffer, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.resize(index + 1);
    names[index] = gFromAnsi(std::string(buffer, strnlen(buffer, kBufferChars)));
    ++count;
  }
  RegCloseKey(key);
  return count;
}

bool gDelRegKey(int32_t root, const std::string& subKey) {
  // An empty subkey would name the whole root: never delete a root's contents by mistake.
  if (gTrim(subKey).empty() || gTrim(subKey) == "\\") {
    gErrRaise(5, "empty subkey");
    gProcError("gDelRegKey", "");
    return false;
  }
  std::vector<std::string> names;
  const int32_t count = gGetRegSubKeyNames(root, subKey, names);
  for (int32_t i = 0; i < count; ++i) {
    if (!gDelRegKey(root, gUnRoot(subKey) + "\\" + names[static_cast<size_t>(i)])) {
      gProcError("gDelRegKey", "");
      return false;
    }
  }
  const LONG rc = RegDeleteKeyA(mRoot(root), gToAnsi(subKey).c_str());
  if (rc == ERROR_SUCCESS) return true;
  gErrRaiseWin32(static_cast<unsigned long>(rc));
  gProcError("gDelRegKey", "");
  // A key that is not there counts as deleted; one that stays (no right to delete it, say) does not.
  return rc == ERROR_FILE_NOT_FOUND;
}

bool gCnvRegRootKeyStrToLong(const std::string& rootName, int32_t& root) {
  static const struct {
    const char* name;
    uint32_t value;
  } kRoots[] = {
      {"HKEY_CLASSES_ROOT", 0x80000000u},   {"HKEY_CURRENT_USER", 0x80000001u},
      {"HKEY_LOCAL_MACHINE", 0x80000002u},  {"HKEY_USERS", 0x80000003u},
      {"HKEY_PERFORMANCE_DATA", 0x80000004u}, {"HKEY_CURRENT_CONFIG", 0x80000005u},
      {"HKEY_DYN_DATA", 0x80000006u},
  };
  const std::string name = gTrim(gUnRoot(rootName));
  for (const auto& r : kRoots) {
    if (name == r.name) {
      root = static_cast<int32_t>(r.value);
      return true;
    }
  }
  gErrRaise(5, "unknown root key");
  gProcError("gCnvRegRootKeyStrToLong", "");
  return false;
}

std::string gGetRegText(int32_t root, const std::string& subKey, const std::string& valueName,
                        const std::string& defaultValue) {
  const RegValue v = gGetRegValue(root, subKey, valueName, kRegTypeString, defaultValue);
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  return defaultValue;
}

int32_t gGetRegNumber(int32_t root, const std::string& subKey, const std::string& valueName,
                      int32_t defaultValue) {
  const RegValue v = gGetRegValue(root, subKey, valueName, kRegTypeNumber, defaultValue);
  if (const auto* n = std::get_if<int32_t>(&v)) return *n;
  return defaultValue;
}
