// The restore tests' shared pieces: hooked UI, backup sets made with the backup-side helpers, snapshots, guards.
#include "restore_env.h"

#include <windows.h>

#include <filesystem>

#include "common/app.h"
#include "common/files.h"
#include "common/messages.h"
#include "common/system.h"
#include "common/text.h"
#include "formats/archive_packing.h"
#include "formats/info_file.h"
#include "session/set_info.h"
#include "formats/registry.h"
#include "formats/split_join.h"
#include "locations/data_locations.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/targets.h"
#include "support/floppy.h"

namespace fs = std::filesystem;

namespace {

fs::path P(const std::string& s) { return fs::path(gToWide(s)); }

std::string Env(const char* name) {
  wchar_t buffer[32768];
  const DWORD n = GetEnvironmentVariableW(gToWide(name).c_str(), buffer, 32768);
  return n > 0 && n < 32768 ? gFromWide(std::wstring_view(buffer, n)) : std::string();
}

}  // namespace

int HookUi::MessageBox(HWND, const std::string& text, const std::string&, unsigned, const std::string&,
                       unsigned long) {
  boxes.push_back(text);
  if (onBox) onBox(text);
  if (answers.empty()) return IDOK;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

int HookUi::Count(const std::string& part) const {
  int n = 0;
  for (const std::string& b : boxes) n += b.find(part) != std::string::npos;
  return n;
}

void PutFile(const std::string& path, const std::string& bytes) {
  fs::create_directories(P(path).parent_path());
  WriteFileBytes(path, bytes);
}

bool KeyExists(const std::string& subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, gToWide(subKey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::string RegText(const std::string& subKey, const std::string& name) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof(buffer);
  if (RegGetValueW(HKEY_CURRENT_USER, gToWide(subKey).c_str(), gToWide(name).c_str(), RRF_RT_REG_SZ, nullptr,
                   buffer, &size) != ERROR_SUCCESS)
    return "<none>";
  return gFromWide(buffer);
}

void SetRegText(const std::string& subKey, const std::string& name, const std::string& value) {
  const std::wstring v = gToWide(value);
  RegSetKeyValueW(HKEY_CURRENT_USER, gToWide(subKey).c_str(), gToWide(name).c_str(), REG_SZ, v.c_str(),
                  static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
}

std::string Utf16File(const std::string& utf8) {
  std::string out = "\xFF\xFE";
  for (wchar_t c : gToWide(utf8)) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>((c >> 8) & 0xFF);
  }
  return out;
}

void RestoreTest::SetUp() {
  if (!FileExistsPlain("C:\\velnor-sample\\sample-pc.reg")) GTEST_SKIP() << "the sample PC is not laid out here";
  previousUi_ = gSetUi(&ui_);
  ASSERT_TRUE(gMsgInit(gAddRoot(gGetAppPath()) + "sys\\msg", "qzkwvt"));
  scratch_ = std::make_unique<TempFolder>("restore");
  gInitSessionPaths(scratch_->path().c_str());
  SessionState& s = gSession();
  s.UserStopped = false;
  s.RegBackup = false;
  s.UserName = Env("USERNAME");
  s.BackupDate = "2024/05/01 10:00:00";
  s.BackupDateText = "2024年05月01日 10時00分";
  ASSERT_TRUE(gGetWorkDir());
}

void RestoreTest::TearDown() {
  std::vector<std::string> folders{scratch_ ? scratch_->path() + "\\MyDocuments" : std::string()};
  for (auto& guard : guards_) folders.push_back(guard->folder());
  guards_.clear();
  RemoveRestoreAsides(folders);
  gSetUi(previousUi_);
  gMsgClose();
  scratch_.reset();
}

void RestoreTest::ChooseTarget(int target) {
  SessionState& s = gSession();
  s.TargetSoft = target;
  std::string folder, version;
  ASSERT_TRUE(gGetBkSoftDir(target, folder, version)) << target;
  s.SoftDataDir = folder;
  s.SoftVersion = version;
  if (target == 5) {
    // Under Wine My Documents is the Linux home folder, which a test must never empty: its sample files are
    // restored in a copy of their own.
    s.SoftDataDir = scratch_->path() + "\\MyDocuments";
    for (const char* name : {"はじめにお読みください.txt", "家計簿.csv", "メール保存", "写真", "仕事"}) {
      const fs::path from = P(gAddRoot(folder) + name), to = P(s.SoftDataDir + "\\" + name);
      fs::create_directories(to.parent_path());
      if (fs::is_directory(from)) CopyFolder(gFromWide(from.wstring()), gFromWide(to.wstring()));
      else if (fs::exists(from)) fs::copy_file(from, to);
    }
    return;
  }
  guards_.push_back(std::make_unique<SavedFolder>(folder));
  if (target == 0) {
    std::string book, dir;
    ASSERT_TRUE(gGetAddressBookFName(book));
    ASSERT_TRUE(gGetAddressBookDir(dir));
    s.AddressBookFile = gGetFileName(book);
    s.AddressBookDir = dir;
    guards_.push_back(std::make_unique<SavedFolder>(dir));
  }
  if (target == 1) {
    std::string pst;
    ASSERT_TRUE(gGetPstFName(pst));
    s.PstFile = gGetFileName(pst);
  }
}

std::string RestoreTest::PackCurrentData(bool accounts, const std::function<void(const std::string&)>& adjust) {
  SessionState& s = gSession();
  CopyFolder(s.SoftDataDir, s.MailDataDir);
  if (s.TargetSoft == 0) CopyFolder(s.AddressBookDir, s.AddressDataDir);
  if (accounts) {
    fs::create_directories(P(s.RegFileDataDir));
    s.RegRootKey = "HKEY_CURRENT_USER";
    s.RegSubKey = kAccountKey;
    EXPECT_TRUE(gGetREGFILE(gAddRoot(s.RegFileDataDir) + "account.reg", "HKEY_CURRENT_USER\\" + kAccountKey));
  }
  if (adjust) adjust(s.PackDir);
  const std::string archive = scratch_->path() + "\\set_" + std::to_string(archives_++) + ".lzh";
  EXPECT_TRUE(gProcPacklzh(archive, s.PackDir));
  RemoveTree(s.PackDir);
  return archive;
}

void RestoreTest::WriteFolderSet(const std::string& archive, bool accounts) {
  SessionState& s = gSession();
  const std::string dir = scratch_->path() + "\\saved_" + std::to_string(archives_++);
  fs::create_directories(P(dir));
  ASSERT_TRUE(CopyFileW(gToWide(archive).c_str(), gToWide(dir + "\\1_Velnor.lzh").c_str(), FALSE));
  s.SaveToFD = false;
  s.DataSaveDir = dir;
  s.InfoFile = dir + "\\Velnor.ini";
  s.RegBackup = accounts;
  ASSERT_TRUE(mSaveFile(false, 1));
}

std::vector<int> RestoreTest::WriteFloppySet(const std::string& archive, int pieces, const std::string& bkDate) {
  SessionState& s = gSession();
  std::vector<int> disks;
  const int64_t size = static_cast<int64_t>(ReadFileBytes(archive).size());
  const std::string keptDate = s.BackupDate;
  if (!bkDate.empty()) s.BackupDate = bkDate;
  s.SaveToFD = true;
  s.FdDrive = "A";
  s.DataSaveDir = "A:\\Velnor";
  s.InfoFile = s.DataSaveDir + "\\Velnor.ini";
  std::string rest = archive;
  for (int k = 1; k <= pieces; ++k) {
    std::string piece = rest;
    if (k < pieces) {
      piece = archive + ".p" + std::to_string(k);
      const std::string next = archive + ".r" + std::to_string(k);
      EXPECT_TRUE(gFileDivide(rest, size / pieces, piece, next));
      rest = next;
    }
    const int disk = testfloppy::InsertNewDisk();
    EXPECT_NE(disk, 0) << testfloppy::LastMessage();
    disks.push_back(disk);
    CreateDirectoryW(gToWide(s.DataSaveDir).c_str(), nullptr);
    EXPECT_TRUE(CopyFileW(gToWide(piece).c_str(),
                          gToWide(s.DataSaveDir + "\\" + std::to_string(k) + "_Velnor.lzh").c_str(), FALSE));
    EXPECT_TRUE(mSaveFile(k < pieces, k));
    testfloppy::Eject();
  }
  s.BackupDate = keptDate;
  return disks;
}

void RestoreTest::ReadSet(bool restoreAccounts) {
  SessionState& s = gSession();
  ASSERT_TRUE(gGetIniData());
  s.RegBackup = restoreAccounts && s.Saved.RegBackup;
}
