// The account settings restore: rewriting the saved registry export, checking it, and importing it.
#include "restore/account_restore.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/error_log.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "formats/info_file.h"
#include "formats/ini_file.h"
#include "formats/registry.h"
#include "locations/data_locations.h"
#include "shell/session_state.h"

namespace {

// The only key an account settings backup may carry; anything else in a set is not ours to import.
const char* const kSavedRoot = "HKEY_CURRENT_USER";
const char* const kSavedSub = "Software\\Microsoft\\Internet Account Manager";
const char* const kNeverFound = "asdfkerfgjerjf";

bool mReadBytes(const std::string& path, std::string& bytes) {
  std::ifstream in(std::filesystem::path(gToWide(path)), std::ios::binary);
  if (!in) return false;
  std::ostringstream out;
  out << in.rdbuf();
  bytes = out.str();
  return true;
}

bool mWriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(gToWide(path)), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// Exports written by older Registry Editors are "REGEDIT4" text in the system code page. The rewriting reads
// UTF-16 only and would turn them into empty files, so they are first copied as UTF-16 text.
bool mUnicodeExport(const std::string& source, const std::string& scratch, std::string& usable) {
  std::string bytes;
  if (!mReadBytes(source, bytes)) return false;
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

}  // namespace

bool gChkRegFileKeysUnder(const std::string& regFile, const std::string& key, long& keys) {
  keys = 0;
  std::string bytes;
  if (!mReadBytes(regFile, bytes) || bytes.find('\0') != std::string::npos) return false;
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
  if (withIdentity && !gSetRegFile(identityFile)) return fail("");
  if (!gSetRegFile(globalFile)) return fail("");
  return true;
}
