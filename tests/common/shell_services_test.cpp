// Shortcut targets, the folder picker through the seam, and the user's own folders and name.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include "common/files.h"
#include "common/text.h"
#include "locations/user_folders.h"
#include "support/scripted_ui.h"
#include "support/temp_env.h"

TEST(Shortcut, ReadsTheAddressOfAnInternetShortcut) {
  TempFolder t;
  ASSERT_TRUE(WriteFileBytes(t / "ニュース.url",
                             gToAnsi("[DEFAULT]\r\nBASEURL=http://old/\r\n[InternetShortcut]\r\n"
                                     "URL=http://example.jp/検索?q=1\r\nIconIndex=0\r\n")));
  std::string target;
  ASSERT_TRUE(gGetlnkPath(t / "ニュース.url", target));
  EXPECT_EQ(target, "http://example.jp/検索?q=1");

  ASSERT_TRUE(WriteFileBytes(t / "empty.url", "[InternetShortcut]\r\n"));
  target = "unchanged";
  EXPECT_FALSE(gGetlnkPath(t / "empty.url", target));
  EXPECT_FALSE(gGetlnkPath(t / "missing.url", target));
  EXPECT_EQ(target, "unchanged");
}

TEST(Shortcut, ReadsTheTargetOfAShellLink) {
  TempFolder t;
  ASSERT_TRUE(WriteFileBytes(t / "メモ.txt", "x"));
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                         reinterpret_cast<void**>(&link))));
  link->SetPath(gToWide(t / "メモ.txt").c_str());
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  const HRESULT saved = file->Save(gToWide(t / "メモ.lnk").c_str(), TRUE);
  file->Release();
  link->Release();
  CoUninitialize();
  ASSERT_TRUE(SUCCEEDED(saved));

  std::string target;
  ASSERT_TRUE(gGetlnkPath(t / "メモ.lnk", target));
  EXPECT_EQ(gGetLongFileName(target), gGetLongFileName(t / "メモ.txt"));
}

TEST(FolderPicker, ReturnsTheChosenFolderWithoutNulsAndEmptyWhenCancelled) {
  ScopedScriptedUi scripted;
  scripted.ui.folders.push_back(std::string("C:\\バックアップ\0\0\0\0", 25));
  EXPECT_EQ(gShowSelectDirDlg(0, nullptr), "C:\\バックアップ");
  EXPECT_EQ(gShowSelectDirDlg(0, nullptr), "");
}

TEST(UserFolders, FavoritesDocumentsAppDataAndUserName) {
  std::string favorites, documents, appData, name;
  ASSERT_TRUE(gGetFavoriteDir(favorites));
  EXPECT_TRUE(gChkDirExists(favorites, true)) << favorites;
  ASSERT_TRUE(gGetMyDocumentsDir(documents));
  EXPECT_TRUE(gChkDirExists(documents, true)) << documents;
  ASSERT_TRUE(gGetAppDataDir(appData));
  EXPECT_EQ(appData, gGetEnvValue("APPDATA"));
  ASSERT_TRUE(gGetUserName(name));
  EXPECT_FALSE(name.empty());
}
