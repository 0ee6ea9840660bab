// The account settings restore: rewriting the saved registry export, checking it, and importing it.
#include "restore/account_restore.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/error_log.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "formats/info_file.h"
#include "formats/ini_file.h"
#include "formats/registry.h"
#include "locations/data_locations.h"
#include "session/session_state.h"

namespace {

// The only key an account settings backup may carry; anything else in a set is not ours to import.
const char* const kSavedRoot = "HKEY_CURRENT_USER";
const char* const kSavedSub = "Software\\Microsoft\\Internet Account Manager";
const char* const kNeverFound = "asdfkerfgjerjf";

bool mWriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(gToWide(path)), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// Exports written by older Registry Editors are "REGEDIT4" text in the system code page. The rewriting reads
// UTF-16 only and would turn them into empty files, so they are first copied as UTF-16 text.
bool mUnicodeExport(const std::string& source, const std::string& scratch, std::string& usable) {
  std::string bytes;
  if (!gReadFileBytes(source, bytes)) return false;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    usable = source;
    return true;
  }
  const std::wstring wide = gToWide(gFromAnsi(bytes));
  std::string out = "\xFF\xFE";
  for (wchar_t c : wide) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>((c >> 8) & 0xFF);
  }
  usable = scratch;
  return mWriteBytes(scratch, out);
}

// key equals `under`, or lies below it; registry names compare without regard to case.
bool mKeyUnder(const std::string& key, const std::string& under) {
  const std::wstring k = gToWide(key), u = gToWide(under);
  if (k.size() < u.size() || _wcsnicmp(k.c_str(), u.c_str(), u.size()) != 0) return false;
  return k.size() == u.size() || k[u.size()] == L'\\';
}

bool mConvert(const std::string& source, const std::string& scratch, const std::string& target,
              const std::string& find, const std::string& replace) {
  return gFileTransChar(source, scratch, find, replace) && gFileTransLine(scratch, target, 1, "REGEDIT4") &&
         gDelFile(scratch);
}

HKEY mOpen(const std::string& subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, gToWide(subKey).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

// The key path of a .reg line below HKEY_CURRENT_USER, "" for any other root.
std::string mUnderHkcu(const std::string& key) {
  const std::string root = std::string(kSavedRoot) + "\\";
  return key.compare(0, root.size(), root) == 0 ? key.substr(root.size()) : std::string();
}

// Every key and value that a .reg file (system code page) writes is in the registry now: the Registry Editor
// may skip a line it cannot read and still end as if all went well.
bool mChkImported(const std::string& regFile) {
  std::string bytes;
  if (!gReadFileBytes(regFile, bytes)) return false;
  const std::string text = gFromAnsi(bytes);
  HKEY key = nullptr;
  bool keyExpected = false, continued = false, ok = true;
  size_t at = 0;
  while (ok && at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    const bool wasContinued = continued;
    continued = !line.empty() && line.back() == '\\';
    if (wasContinued || line.empty()) continue;
    if (line[0] == '[') {
      if (key != nullptr) RegCloseKey(key);
      key = nullptr;
      const size_t close = line.rfind(']');
      keyExpected = close != std::string::npos && line[1] != '-';
      if (keyExpected) {
        const std::string sub = mUnderHkcu(line.substr(1, close - 1));
        key = sub.empty() ? nullptr : mOpen(sub);
        ok = key != nullptr;
      }
    } else if (keyExpected && (line[0] == '"' || line[0] == '@')) {
      std::string name;
      if (line[0] == '"') {
        for (size_t i = 1; i < line.size() && line[i] != '"'; ++i) {
          if (line[i] == '\\' && i + 1 < line.size()) ++i;
          name += line[i];
        }
      }
      ok = key != nullptr && RegQueryValueExW(key, gToWide(name).c_str(), nullptr, nullptr, nullptr, nullptr) ==
                                 ERROR_SUCCESS;
    }
  }
  if (key != nullptr) RegCloseKey(key);
  return ok;
}

bool mImportChecked(const std::string& regFile) { return gSetRegFile(regFile) && mChkImported(regFile); }

}  // namespace

std::vector<std::string> gGetAccountKeys() {
  std::string identity;
  gGetIdentityKey(identity);
  std::vector<std::string> keys;
  if (!gTrim(identity).empty()) keys.push_back("Identities\\" + gAddRoot(identity) + kSavedSub);
  keys.push_back(kSavedSub);
  return keys;
}

bool gSaveAccountKeys(const std::string& folder, const std::string& prefix, std::vector<SavedKey>& saved) {
  saved.clear();
  int n = 0;
  for (const std::string& key : gGetAccountKeys()) {
    SavedKey k{key, ""};
    if (HKEY open = mOpen(key)) {
      RegCloseKey(open);
      k.file = gAddRoot(folder) + prefix + std::to_string(++n) + ".reg";
      DeleteFileW(gToWide(k.file).c_str());
      if (!gGetREGFILE(k.file, std::string(kSavedRoot) + "\\" + key)) {
        gProcError("gSaveAccountKeys", "");
        return false;
      }
    }
    saved.push_back(k);
  }
  return true;
}

bool gPutAccountKeysBack(const std::vector<SavedKey>& saved) {
  int32_t hkcu = 0;
  bool ok = gCnvRegRootKeyStrToLong(kSavedRoot, hkcu);
  for (const SavedKey& k : saved) {
    if (!ok) break;
    ok = gDelRegKey(hkcu, k.key) && (k.file.empty() || mImportChecked(k.file));
  }
  if (!ok) gProcError("gPutAccountKeysBack", "");
  return ok;
}

bool gChkRegFileKeysUnder(const std::string& regFile, const std::string& key, long& keys) {
  keys = 0;
  std::string bytes;
  if (!gReadFileBytes(regFile, bytes) || bytes.find('\0') != std::string::npos) return false;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    at = end + 1;
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] != '[') continue;
    // The Registry Editor takes the name up to the last "]"; "[-" deletes the key.
    const size_t close = line.rfind(']');
    if (close == std::string::npos || close <= first) return false;
    std::string name = line.substr(first + 1, close - first - 1);
    if (!name.empty() && name[0] == '-') name.erase(0, 1);
    if (!mKeyUnder(gFromAnsi(name), key)) return false;
    ++keys;
  }
  return keys > 0;
}

bool mRestoreRegFile() {
  const SessionState& s = gSession();
  const std::string folder = gAddRoot(s.RegFileDataDir);
  const std::string exported = folder + "account.reg";
  const std::string scratch = folder + "tempfaaail";
  const std::string identityFile = folder + "Identities_account.reg";
  const std::string globalFile = folder + "SoftWare_account.reg";
  auto fail = [](const std::string& why) {
    if (!why.empty()) gErrRaise(5, why);
    gProcError("mRestoreRegFile", "");
    return false;
  };

  std::string identity;
  if (!gGetIdentityKey(identity)) return fail("");
  const std::string idKey = "Identities\\" + gAddRoot(identity) + kSavedSub;
  const std::string root = gGetIniString(s.InfoFile, kInfoSection, "RegRootKey", "");
  const std::string sub = gGetIniString(s.InfoFile, kInfoSection, "RegSubKey", "");
  if (root.empty() || sub.empty()) return fail("RegRootKey or RegSubKey missing");
  if (root != kSavedRoot || sub != kSavedSub) return fail("the set names another key: " + root + "\\" + sub);
  const std::string savedKey = gAddRoot(root) + sub;
  // Without an identity there is no identity copy of the settings to rewrite.
  const bool withIdentity = !gTrim(identity).empty();

  std::string source;
  if (!mUnicodeExport(exported, folder + "account_u16.reg", source)) return fail("cannot read " + exported);
  if (withIdentity &&
      !mConvert(source, scratch, identityFile, savedKey, gAddRoot(kSavedRoot) + idKey))
    return fail("");
  if (!gFileTransChar(source, scratch, kNeverFound, kNeverFound) ||
      !gFileTransLine(scratch, globalFile, 1, "REGEDIT4"))
    return fail("");

  // A backup set comes from outside: nothing is deleted or imported unless both files write only below the
  // account settings key.
  long keys = 0;
  if (withIdentity && !gChkRegFileKeysUnder(identityFile, gAddRoot(kSavedRoot) + idKey, keys))
    return fail("the identity file writes outside " + idKey);
  if (!gChkRegFileKeysUnder(globalFile, savedKey, keys)) return fail("the saved settings write outside " + savedKey);

  int32_t hkcu = 0, savedRoot = 0;
  if (s.RegRootKey != root) return fail("the session's RegRootKey differs from the set's");
  if (!gCnvRegRootKeyStrToLong(kSavedRoot, hkcu) || !gCnvRegRootKeyStrToLong(root, savedRoot)) return fail("");
  if (withIdentity && !gDelRegKey(hkcu, idKey)) return fail("");
  if (!gDelRegKey(savedRoot, std::string(kSavedSub) + "\\Accounts")) return fail("");
  // An import counts only when the Registry Editor ended well and every key and value is there.
  if (withIdentity && !mImportChecked(identityFile)) return fail("the identity's settings did not import whole");
  if (!mImportChecked(globalFile)) return fail("the saved settings did not import whole");
  return true;
}
