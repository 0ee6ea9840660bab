// Per-test scratch folders and registry keys.
#include "support/temp_env.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/text.h"

namespace {

std::atomic<unsigned> mCounter{0};

std::string mUnique(const std::string& hint) {
  return hint + "_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount()) + "_" +
         std::to_string(mCounter++);
}

void mDeleteTree(HKEY root, const std::wstring& sub) {
  RegDeleteTreeW(root, sub.c_str());
  RegDeleteKeyW(root, sub.c_str());
}

}  // namespace

TempFolder::TempFolder(const std::string& hint) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring base(temp);
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  path_ = gFromWide(base) + "\\velnor_test\\" + mUnique(hint);
  std::filesystem::create_directories(std::filesystem::path(gToWide(path_)));
}

TempFolder::~TempFolder() {
  std::error_code ec;
  const std::filesystem::path p(gToWide(path_));
  // Read-only files would otherwise survive the removal.
  for (auto it = std::filesystem::recursive_directory_iterator(p, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
  std::filesystem::remove_all(p, ec);
}

TempRegKey::TempRegKey() : subKey_("Software\\VelnorTest\\" + mUnique("k")) {}

TempRegKey::~TempRegKey() { mDeleteTree(HKEY_CURRENT_USER, gToWide(subKey_)); }

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(std::filesystem::path(gToWide(path)), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(gToWide(path)), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool FileExistsPlain(const std::string& path) {
  const DWORD a = GetFileAttributesW(gToWide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES;
}

std::string FixturesDir() {
  char buffer[1024] = {};
  const DWORD n = GetEnvironmentVariableA("VELNOR_FIXTURES", buffer, sizeof(buffer));
  std::string dir(buffer, n < sizeof(buffer) ? n : 0);
  if (!dir.empty() && dir[0] == '/') {
    for (char& c : dir)
      if (c == '/') c = '\\';
    dir = "Z:" + dir;
  }
  return dir;
}
