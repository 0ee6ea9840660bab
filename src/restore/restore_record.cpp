// Reading and writing the restore journal and the set-aside records: "key=value" lines, UTF-8, CR LF.
#include "restore/restore_record.h"

#include <windows.h>
#include <shlobj.h>

#include <sstream>

#include "common/error_log.h"
#include "common/file_copy.h"
#include "common/files.h"
#include "common/text.h"
#include "session/targets.h"

namespace {

std::string mJournalPath() { return gGetRecordFolder() + "\\restore-journal.txt"; }

std::string mAsidePath(int32_t target) {
  return gGetRecordFolder() + "\\aside-" + std::to_string(target) + ".txt";
}

std::string mText(const RestoreRecord& r) {
  std::ostringstream out;
  auto line = [&out](const std::string& key, const std::string& value) { out << key << "=" << value << "\r\n"; };
  line("kind", r.kind);
  line("target", std::to_string(r.target));
  line("phase", r.phase);
  line("accounts", r.accounts ? "1" : "0");
  line("when", r.when);
  for (const SavedKey& k : r.keys) line("key", k.key + "|" + k.file);
  for (const FolderSwap& s : r.swaps) {
    line("swap", s.current);
    line("incoming", s.incoming);
    line("aside", s.aside);
    line("rename", s.byRename ? "1" : "0");
    for (const std::string& item : s.asideItems) line("item", item);
    for (const std::string& unit : s.units) line("unit", unit);
  }
  line("end", "");
  return out.str();
}

bool mParse(const std::string& text, RestoreRecord& r) {
  r = RestoreRecord{};
  std::istringstream in(text);
  std::string line;
  bool ended = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    FolderSwap* s = r.swaps.empty() ? nullptr : &r.swaps.back();
    if (key == "kind") r.kind = value;
    else if (key == "target") r.target = static_cast<int32_t>(std::strtol(value.c_str(), nullptr, 10));
    else if (key == "phase") r.phase = value;
    else if (key == "accounts") r.accounts = value == "1";
    else if (key == "when") r.when = value;
    else if (key == "key") {
      const size_t bar = value.find('|');
      r.keys.push_back({value.substr(0, bar), bar == std::string::npos ? "" : value.substr(bar + 1)});
    } else if (key == "swap") {
      r.swaps.push_back(FolderSwap{});
      r.swaps.back().current = value;
    } else if (s != nullptr && key == "incoming") s->incoming = value;
    else if (s != nullptr && key == "aside") s->aside = value;
    else if (s != nullptr && key == "rename") s->byRename = value == "1";
    else if (s != nullptr && key == "item") s->asideItems.push_back(value);
    else if (s != nullptr && key == "unit") s->units.push_back(value);
    else if (key == "end") ended = true;
  }
  // A record is trusted only whole: the last line is written last.
  return ended && (r.kind == "restore" || r.kind == "undo") && gFindTarget(r.target) != nullptr;
}

// Written to a scratch file through to the disk, then renamed over the record: a crash leaves the old record
// or the new one, never half of one.
bool mWrite(const std::string& path, const RestoreRecord& record) {
  CreateDirectoryW(gToWide(gGetRecordFolder()).c_str(), nullptr);
  const std::string scratch = path + ".new";
  FileFailure failure;
  if (!gWriteFileChecked(scratch, mText(record), failure) ||
      !MoveFileExW(gToWide(scratch).c_str(), gToWide(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    gErrRaiseWin32(failure.error != 0 ? failure.error : GetLastError());
    gProcError("gSetRestoreJournal", "strTarget=" + path);
    return false;
  }
  return true;
}

bool mRead(const std::string& path, RestoreRecord& record, std::string* why) {
  HANDLE h = CreateFileW(gToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::string text;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(h);
  if (mParse(text, record)) return true;
  if (why != nullptr) *why = "the record " + path + " is not whole";
  return false;
}

bool mDelete(const std::string& path) {
  return DeleteFileW(gToWide(path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

}  // namespace

std::string gGetRecordFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder)))
    return gGetEnvValue("APPDATA") + "\\Velnor";
  return gFromWide(folder) + "\\Velnor";
}

bool gSetRestoreJournal(const RestoreRecord& record) { return mWrite(mJournalPath(), record); }
bool gGetRestoreJournal(RestoreRecord& record, std::string* why) { return mRead(mJournalPath(), record, why); }
bool gDelRestoreJournal() { return mDelete(mJournalPath()); }

bool gSetAsideRecord(const RestoreRecord& record) { return mWrite(mAsidePath(record.target), record); }
bool gGetAsideRecord(int32_t target, RestoreRecord& record) { return mRead(mAsidePath(target), record, nullptr); }
bool gDelAsideRecord(int32_t target) { return mDelete(mAsidePath(target)); }
