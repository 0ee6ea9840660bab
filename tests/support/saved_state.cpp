// Folders and registry keys saved aside and put back, and the snapshots the tests compare.
#include "support/saved_state.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <map>

#include "common/text.h"
#include "restore/restore_record.h"

namespace fs = std::filesystem;

namespace {

std::atomic<unsigned> mCounter{0};

// A folder path without a trailing "\" (a drive's root keeps it).
fs::path Folder(const std::string& s) {
  std::string t = s;
  while (t.size() > 3 && t.back() == '\\') t.pop_back();
  return fs::path(gToWide(t));
}

void CopyTree(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const auto& entry : fs::directory_iterator(from)) {
    const fs::path target = to / entry.path().filename();
    if (entry.is_directory()) CopyTree(entry.path(), target);
    else fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
  }
}

void CopyKey(const std::string& from, const std::string& to) {
  HKEY source = nullptr, target = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, gToWide(from).c_str(), 0, KEY_READ, &source) == ERROR_SUCCESS &&
      RegCreateKeyExW(HKEY_CURRENT_USER, gToWide(to).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target,
                      nullptr) == ERROR_SUCCESS)
    RegCopyTreeW(source, nullptr, target);
  if (source != nullptr) RegCloseKey(source);
  if (target != nullptr) RegCloseKey(target);
}

void DeleteKey(const std::string& subKey) {
  RegDeleteTreeW(HKEY_CURRENT_USER, gToWide(subKey).c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, gToWide(subKey).c_str());
}

void TreeText(HKEY key, const std::string& path, std::map<std::string, std::string>& lines) {
  wchar_t name[16384];
  std::string data(65536, '\0');
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = 16384, size = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
      break;
    lines[path + "=" + gFromWide(std::wstring_view(name, nameLength))] =
        std::to_string(type) + ":" + data.substr(0, size);
  }
  lines[path];
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = 16384;
    if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY sub = nullptr;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    TreeText(sub, path + "\\" + gFromWide(std::wstring_view(name, nameLength)), lines);
    RegCloseKey(sub);
  }
}

}  // namespace

Snapshot TakeSnapshot(const std::string& folder) {
  Snapshot shot;
  const fs::path root = Folder(folder);
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const std::string rel = gFromWide(fs::relative(it->path(), root).wstring());
    shot[rel] = it->is_directory() ? "<dir>" : ReadFileBytes(gFromWide(it->path().wstring()));
  }
  return shot;
}

std::string HkcuTreeText(const std::string& subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, gToWide(subKey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  std::map<std::string, std::string> lines;
  TreeText(key, "", lines);
  RegCloseKey(key);
  std::string text;
  for (const auto& [name, value] : lines) text += name + (value.empty() ? "" : "=" + value) + "\n";
  return text;
}

void CopyFolder(const std::string& from, const std::string& to) { CopyTree(Folder(from), Folder(to)); }

void RemoveTree(const std::string& path) {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(fs::path(gToWide(path)), ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
  fs::remove_all(fs::path(gToWide(path)), ec);
}

void ClearFolder(const std::string& folder) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(Folder(folder), ec)) RemoveTree(gFromWide(entry.path().wstring()));
}

SavedFolder::SavedFolder(const std::string& folder) : folder_(folder) {
  if (fs::is_directory(Folder(folder_))) CopyFolder(folder_, aside_.path());
}

SavedFolder::~SavedFolder() { PutBack(); }

void SavedFolder::PutBack() {
  ClearFolder(folder_);
  CopyFolder(aside_.path(), folder_);
}

SavedHkcuKey::SavedHkcuKey(const std::string& subKey)
    : subKey_(subKey),
      backup_("Software\\VelnorTest\\saved_" + std::to_string(GetCurrentProcessId()) + "_" +
              std::to_string(mCounter++)) {
  HKEY key = nullptr;
  existed_ = RegOpenKeyExW(HKEY_CURRENT_USER, gToWide(subKey_).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
  if (key != nullptr) RegCloseKey(key);
  if (existed_) CopyKey(subKey_, backup_);
}

SavedHkcuKey::~SavedHkcuKey() {
  PutBack();
  DeleteKey(backup_);
}

void SavedHkcuKey::PutBack() {
  DeleteKey(subKey_);
  if (existed_) CopyKey(backup_, subKey_);
}

void RemoveRestoreAsides(const std::vector<std::string>& folders) {
  for (std::string folder : folders) {
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    if (folder.empty()) continue;
    WIN32_FIND_DATAW data;
    const std::wstring pattern = gToWide(folder + " (Velnor *");
    const std::wstring parent = pattern.substr(0, pattern.rfind(L'\\') + 1);
    HANDLE h = FindFirstFileW(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) continue;
    do RemoveTree(gFromWide(parent + data.cFileName));
    while (FindNextFileW(h, &data));
    FindClose(h);
  }
  RemoveTree(gGetRecordFolder());
}
