// Scoped changes to the sample PC's registry, files and environment for the location tests.
#include "sample_pc.h"

#include <windows.h>

#include <filesystem>

#include "common/text.h"
#include "support/temp_env.h"

namespace {

std::wstring W(const std::string& s) { return gToWide(s); }

}  // namespace

std::string Env(const std::string& name) {
  wchar_t buffer[32768];
  const DWORD n = GetEnvironmentVariableW(W(name).c_str(), buffer, 32768);
  return n > 0 && n < 32768 ? gFromWide(std::wstring_view(buffer, n)) : std::string();
}

bool SamplePcPresent() { return FileExistsPlain(kSampleDir + "\\sample-pc.reg") && FileExistsPlain(kOeExe); }

void PutFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(W(path)).parent_path());
  WriteFileBytes(path, bytes);
}

void SetRegText(const std::string& subKey, const std::string& name, const std::string& value) {
  const std::wstring v = W(value);
  RegSetKeyValueW(HKEY_CURRENT_USER, W(subKey).c_str(), name.empty() ? nullptr : W(name).c_str(), REG_SZ,
                  v.c_str(), static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
}

void DeleteRegValue(const std::string& subKey, const std::string& name) {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, W(subKey).c_str(), W(name).c_str());
}

SavedFile::SavedFile(const std::string& path)
    : path_(path), aside_(path + ".velnor-saved-" + std::to_string(GetCurrentProcessId())) {
  existed_ = MoveFileExW(W(path_).c_str(), W(aside_).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  auto folder = std::filesystem::path(W(path_)).parent_path();
  while (!std::filesystem::exists(folder) && folder.has_relative_path()) folder = folder.parent_path();
  keptFolder_ = gFromWide(folder.wstring());
}

SavedFile::~SavedFile() {
  DeleteFileW(W(path_).c_str());
  if (existed_) MoveFileExW(W(aside_).c_str(), W(path_).c_str(), MOVEFILE_REPLACE_EXISTING);
  const std::filesystem::path kept(W(keptFolder_));
  for (auto folder = std::filesystem::path(W(path_)).parent_path(); folder != kept && folder.has_relative_path();
       folder = folder.parent_path())
    RemoveDirectoryW(folder.c_str());
}

InstalledOe::InstalledOe(const std::string& major) {
  CopyFileW(W(kSampleDir + "\\msimn-" + major + ".exe").c_str(), W(kOeExe).c_str(), FALSE);
}

SavedEnv::SavedEnv(const std::string& name, const std::string& value) : name_(name) {
  existed_ = GetEnvironmentVariableW(W(name).c_str(), nullptr, 0) > 0;
  old_ = Env(name);
  SetEnvironmentVariableW(W(name).c_str(), W(value).c_str());
}

SavedEnv::~SavedEnv() {
  SetEnvironmentVariableW(W(name_).c_str(), existed_ ? W(old_).c_str() : nullptr);
}
