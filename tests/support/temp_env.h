// Per-test scratch space: a temporary folder and a registry key of its own, both removed afterwards.
#pragma once
#include <cstdint>
#include <string>

// A fresh folder under the temporary folder (UTF-8, Windows form, no trailing "\"), removed with its contents.
class TempFolder {
 public:
  explicit TempFolder(const std::string& hint = "t");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  // path() + "\" + name
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// A fresh subkey of HKEY_CURRENT_USER\Software\VelnorTest, deleted with everything below it.
class TempRegKey {
 public:
  TempRegKey();
  ~TempRegKey();
  TempRegKey(const TempRegKey&) = delete;
  TempRegKey& operator=(const TempRegKey&) = delete;
  static constexpr int32_t root = static_cast<int32_t>(0x80000001u);
  const std::string& subKey() const { return subKey_; }
  std::string fullPath() const { return "HKEY_CURRENT_USER\\" + subKey_; }

 private:
  std::string subKey_;
};

// Whole-file helpers that do not go through the code under test.
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExistsPlain(const std::string& path);
// The fixtures folder of the repository in Windows form.
std::string FixturesDir();
