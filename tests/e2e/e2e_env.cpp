// The scenarios' shared ground: the sample PC put back before each one, and the usual walks through the windows.
#include "e2e_env.h"

#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <random>

#include "common/app.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "support/floppy.h"

namespace e2e {
namespace {

std::string HkcuText(const wchar_t* key, const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value;
  return RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS
             ? gFromWide(value)
             : std::string();
}

// The folder above a path's last part.
std::string Parent(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

std::string ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path)) ? gFromWide(path) : std::string();
}

// Keys of HKEY_CURRENT_USER that the targets and Velnor itself keep.
const char* const kPristineKeys[] = {
    "Identities", "Software\\Microsoft\\Internet Account Manager", "Software\\Microsoft\\Outlook Express",
    "Software\\Microsoft\\WAB", "Software\\Microsoft\\Office", "Software\\Netscape", "Software\\Justsystem",
    "Software\\Velnor"};

std::string ScenarioName() {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') c = '_';
  return name;
}

}  // namespace

const std::vector<Target>& Targets() {
  static const std::vector<Target> targets = [] {
    const std::string profile = gGetEnvValue("USERPROFILE");
    const std::string identity = "{3F0E8A5C-2B7D-4C19-9E6A-5D1B7C2E8F40}";
    return std::vector<Target>{
        {0, "Outlook Express", "OE",
         profile + "\\Local Settings\\Application Data\\Identities\\" + identity + "\\Microsoft\\Outlook Express",
         profile + "\\Application Data\\Microsoft\\Address Book"},
        {1, "Outlook", "OL", profile + "\\Local Settings\\Application Data\\Microsoft\\Outlook", ""},
        // Where the sample PC put them (under "Program Files (x86)" on its 64-bit layout).
        {2, "NetScape4.X", "NS4X",
         Parent(HkcuText(L"Software\\Netscape\\Netscape Navigator\\Main", L"Install Directory")) + "\\Users\\yamada", ""},
        {3, "お気に入り（IE）", "FAVORITE", ShellFolder(CSIDL_FAVORITES), ""},
        {4, "カラメル（JUSTHOME）", "COLMAIL", HkcuText(L"Software\\Justsystem\\ColMail", L"UserRootDir"), ""},
        {5, "マイ ドキュメント", "MYDOCUMENTS", ShellFolder(CSIDL_PERSONAL), ""},
        {6, "NetScape6.X 以降", "NS6X", gGetEnvValue("APPDATA") + "\\Mozilla", ""},
    };
  }();
  return targets;
}

const Target& TargetByTag(const std::string& tag) {
  for (const Target& t : Targets())
    if (t.tag == tag) return t;
  throw Failure("no target " + tag);
}

bool SameFolder(std::string a, std::string b) {
  for (std::string* s : {&a, &b})
    while (!s->empty() && s->back() == '\\') s->pop_back();
  return gUpperAscii(a) == gUpperAscii(b);
}

std::vector<std::unique_ptr<SavedFolder>>& E2eTest::PristineFolders() {
  static std::vector<std::unique_ptr<SavedFolder>> folders;
  return folders;
}

std::vector<std::unique_ptr<SavedHkcuKey>>& E2eTest::PristineKeys() {
  static std::vector<std::unique_ptr<SavedHkcuKey>> keys;
  return keys;
}

void E2eTest::SetUpTestSuite() {
  if (!FileExistsPlain("C:\\velnor-sample\\sample-pc.reg") || !PristineFolders().empty()) return;
  for (const Target& t : Targets())
    for (const std::string& folder : {t.dataFolder, t.extraFolder})
      if (!folder.empty()) PristineFolders().push_back(std::make_unique<SavedFolder>(folder));
  for (const char* key : kPristineKeys) PristineKeys().push_back(std::make_unique<SavedHkcuKey>(key));
}

void E2eTest::TearDownTestSuite() {
  // Saved once for the whole program: the last suite puts the sample PC back as it was found.
  PutPristineBack();
}

void E2eTest::PutPristineBack() {
  std::vector<std::string> folders;
  for (auto& folder : PristineFolders()) folders.push_back(folder->folder());
  RemoveRestoreAsides(folders);
  for (auto& folder : PristineFolders()) folder->PutBack();
  for (auto& key : PristineKeys()) key->PutBack();
}

void E2eTest::SetUp() {
  if (!FileExistsPlain("C:\\velnor-sample\\sample-pc.reg")) GTEST_SKIP() << "the sample PC is not laid out here";
  if (gGetEnvValue("DISPLAY").empty() && GetSystemMetrics(SM_CXSCREEN) == 0) GTEST_SKIP() << "no display";
  PutPristineBack();
  scratch_ = "C:\\E2E Backup";
  RemoveTree(scratch_);
  CreateDirectoryW(gToWide(scratch_).c_str(), nullptr);
}

void E2eTest::TearDown() {
  velnor_.reset();
  PutPristineBack();
  RemoveTree(scratch_);
}

void FloppyE2eTest::SetUp() {
  E2eTest::SetUp();
  if (IsSkipped()) return;
  std::string why;
  if (!testfloppy::Available(&why)) GTEST_SKIP() << why;
}

bool KeepArtifact(const std::string& path, const std::string& name) {
  const std::string kept = gAddRoot(gGetAppPath()) + "artifacts";
  CreateDirectoryW(gToWide(kept).c_str(), nullptr);
  return CopyFileW(gToWide(path).c_str(), gToWide(kept + "\\" + name).c_str(), FALSE) != 0;
}

void PutUnpackableFile(const std::string& path, size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  std::mt19937 random(seed);
  for (char& c : bytes) c = static_cast<char>(random());
  ASSERT_TRUE(WriteFileBytes(path, bytes));
}

HWND E2eTest::StartVelnor() {
  velnor_ = std::make_unique<Program>(VelnorExe(), ShotsFolder(ScenarioName()));
  velnor_->Start();
  return velnor_->WaitWindow(kMenu, "menu");
}

void E2eTest::EndVelnor(HWND menu) {
  velnor_->Click(menu, "終了");
  velnor_->WaitWindow(kEnd, "end");
  velnor_->WaitExit(60);
  EXPECT_EQ(velnor_->ExitCode(), 0u);
}

void E2eTest::Next(HWND wizard) {
  // The wizard hides its buttons while it works.
  const HWND next = velnor_->FindControl(wizard, "Button", "次へ");
  velnor_->ClickUntil(wizard, "次へ", "the wizard to take 次へ", [&] { return !IsWindowVisible(next); });
}

HWND E2eTest::BackToMenu(HWND wizard) {
  velnor_->ClickUntil(wizard, "メニュー", "the wizard to close",
                      [&] { return !IsWindow(wizard) || !IsWindowVisible(wizard); });
  return velnor_->WaitWindow(kMenu, "menu-again");
}

std::string E2eTest::BackupToFolder(HWND& menu, const Target& target, const std::string& folder, bool accounts) {
  Program& v = *velnor_;
  v.Choose(menu, target.name);
  v.ChooseFolder(menu, folder);
  v.Click(menu, "バックアップ");
  v.Answer("という名前のフォルダを作成し、", IDOK, "folder-notice");
  const HWND wizard = v.WaitWindow(kBackup, "backup-confirm");
  EXPECT_TRUE(v.Shows(wizard, target.name));
  const std::string shown = v.WaitEditText(wizard, "\\", "the data folder on the wizard");
  EXPECT_TRUE(SameFolder(shown, target.dataFolder)) << shown;
  Next(wizard);
  if (target.id == 0)
    v.Answer("メールのアカウント設定もバックアップしますか", accounts ? IDYES : IDNO, "accounts-question");
  v.WaitUntil("the backup data to be made", [&] { return v.Shows(wizard, "作成したバックアップデータを移動します"); },
              600);
  v.Shot(wizard, "backup-made");
  Next(wizard);
  v.WaitUntil("the backup to finish", [&] { return v.Shows(wizard, "バックアップ処理が正常に終了しました。"); }, 600);
  v.Shot(wizard, "backup-done");
  const std::string set = v.WaitEditText(wizard, folder, "the set's folder on the wizard");
  menu = BackToMenu(wizard);
  return set;
}

HWND E2eTest::BackupToFloppyUpToTheDisk(HWND menu, const Target& target) {
  Program& v = *velnor_;
  v.Choose(menu, target.name);
  v.Click(menu, "フロッピーディスク");
  v.Click(menu, "バックアップ");
  const HWND wizard = v.WaitWindow(kBackup, "backup-confirm");
  Next(wizard);
  v.WaitUntil("the request for an empty disk", [&] { return v.Shows(wizard, "空のフロッピーディスクを入れて"); }, 600);
  return wizard;
}

void E2eTest::RestoreFromFolder(HWND& menu, const Target& target, const std::string& set, bool accounts) {
  Program& v = *velnor_;
  v.Choose(menu, target.name);
  v.ChooseFolder(menu, set);
  v.Click(menu, "復元");
  const HWND wizard = v.WaitWindow(kRestore, "restore");
  if (target.id == 0 && accounts) v.Answer("アカウント設定も復元しますか", IDYES, "accounts-question");
  v.WaitUntil("the set's contents", [&] { return v.Shows(wizard, "現在のデータを上記の保存データに置き換えます。"); });
  v.Shot(wizard, "restore-contents");
  EXPECT_TRUE(v.Shows(wizard, "バックアップ内容"));
  EXPECT_TRUE(v.Shows(wizard, target.name));
  Next(wizard);
  if (target.id == 3 || target.id == 5) v.Answer("現在のフォルダの内容を残したまま", IDNO, "keep-question");
  v.WaitUntil("the restore to finish", [&] { return v.Shows(wizard, "復元処理が正常に終了しました。"); }, 600);
  v.Shot(wizard, "restore-done");
  menu = BackToMenu(wizard);
}

}  // namespace e2e
