// Velnor as a user gets it from its installer: started from where it was installed, it shows its menu, and
// its Help menu opens the installed help page. Run by tests/package/install_test.sh, which installs it and
// names the folder in VELNOR_INSTALLED.
#include <gtest/gtest.h>

#include "common/files.h"
#include "common/text.h"
#include "e2e_env.h"
#include "shell/frm_menu.h"

namespace e2e {
namespace {

TEST(Package, TheInstalledVelnorShowsItsMenuAndOpensItsInstalledHelp) {
  const std::string installed = gGetEnvValue("VELNOR_INSTALLED");
  if (installed.empty()) GTEST_SKIP() << "run by tests/package/install_test.sh after an install";
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring opened = std::wstring(temp) + L"velnor-opened-page.txt";
  DeleteFileW(opened.c_str());

  Program velnor(installed + "\\velnor.exe", ShotsFolder("Package"));
  velnor.Start();
  const HWND menu = velnor.WaitWindow(kMenu, "menu");
  velnor.ChooseMenuItem(menu, frmMenu::mnuContents, "ヘルプ → 目次");
  std::string bytes;
  // The opener writes its one line with nobody else let in: once it can be read, it is whole.
  velnor.WaitUntil("the help page to be opened", [&] { return !(bytes = ReadFileBytes(gFromWide(opened))).empty(); });
  const std::string page = gFromWide(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2));
  EXPECT_NE(gUpperAscii(page).find(gUpperAscii(installed + "\\index.html")), std::string::npos) << page;
  EXPECT_TRUE(FileExistsPlain(installed + "\\index.html"));
  velnor.Click(menu, "終了");
  velnor.WaitWindow(kEnd, "end");
  velnor.WaitExit(60);
}

}  // namespace
}  // namespace e2e
