// Shared set-up of the backup tests.
#include "backup/backup_env.h"

#include <windows.h>

#include <random>

#include "common/app.h"
#include "common/messages.h"
#include "common/system.h"
#include "common/text.h"
#include "session/session.h"

int DiskChangingUi::MessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned style,
                               const std::string& helpFile, unsigned long helpContext) {
  if (onBox) onBox(text, static_cast<int>(script.boxes.size()) + 1);
  return script.MessageBox(owner, text, caption, style, helpFile, helpContext);
}

int DiskChangingUi::Count(const char* fragment) const {
  int n = 0;
  for (const ShownBox& box : script.boxes)
    if (box.text.find(fragment) != std::string::npos) ++n;
  return n;
}

BackupSession::BackupSession() : saved_(gSession()), previousUi_(gSetUi(&ui)) {
  gSetBackupView(&view);
  gMsgInit(gAddRoot(gGetAppPath()) + "sys\\msg", "qzkwvt");
  gInitSessionPaths(temp.path().c_str());
  SessionState& s = gSession();
  CreateDirectoryW(gToWide(s.WorkDir).c_str(), nullptr);
  s.UserName = "yamada";
  s.BackupDate = "20261208143005";
  s.BackupDateText = "2026年12月08日(火曜日) 14時30分";
  s.FdDrive = "A";
  s.RegBackup = false;
  s.UserStopped = false;
}

BackupSession::~BackupSession() {
  gSetUi(previousUi_);
  gSetBackupView(nullptr);
  gSession() = saved_;
}

bool SamplePcPresent() { return FileExistsPlain("C:\\velnor-sample\\sample-pc.reg"); }

namespace {

void mReadTree(const std::string& root, const std::string& relative, std::map<std::string, std::string>& out) {
  WIN32_FIND_DATAW data;
  const std::string folder = relative.empty() ? root : root + "\\" + relative;
  HANDLE h = FindFirstFileW(gToWide(folder + "\\*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = gFromWide(data.cFileName);
    if (name == "." || name == "..") continue;
    const std::string rel = relative.empty() ? name : relative + "\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out[rel + "\\"] = "";
      mReadTree(root, rel, out);
    } else {
      out[rel] = ReadFileBytes(root + "\\" + rel);
    }
  } while (FindNextFileW(h, &data));
  FindClose(h);
}

}  // namespace

std::map<std::string, std::string> ReadTree(const std::string& folder) {
  std::map<std::string, std::string> out;
  std::string root = folder;
  while (!root.empty() && root.back() == '\\') root.pop_back();
  mReadTree(root, "", out);
  return out;
}

std::map<std::string, bool> ListFolder(const std::string& folder) {
  std::map<std::string, bool> out;
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(gToWide(gAddRoot(folder) + "*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    const std::string name = gFromWide(data.cFileName);
    if (name != "." && name != "..") out[name] = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return out;
}

std::string RandomBytes(size_t count, unsigned seed) {
  std::mt19937 rng(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(rng() & 0xFF);
  return bytes;
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(gToWide(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
