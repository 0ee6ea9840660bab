// Single instance, pauses, version queries and window placing.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>

#include "common/error_log.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "support/scripted_ui.h"
#include "support/temp_env.h"

namespace {

// A plain top-level window of a given pixel size, enough for the placing helpers.
class TestForm final : public Form {
 public:
  TestForm(int width, int height) {
    hwnd_ = CreateWindowExW(0, L"STATIC", L"テスト", WS_OVERLAPPED, 0, 0, width, height, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  }
  ~TestForm() override {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  }
  HWND Hwnd() override { return hwnd_; }
  bool ShowModal() override { return true; }

 private:
  HWND hwnd_ = nullptr;
};

RECT WindowRect(Form& form) {
  RECT r{};
  GetWindowRect(form.Hwnd(), &r);
  return r;
}

}  // namespace

TEST(SingleInstance, SecondStartShowsTheMessageAndEnds) {
  ScopedScriptedUi scripted;
  gChkDoubleStarting(true);  // the first copy goes on
  EXPECT_TRUE(scripted.ui.boxes.empty());
  EXPECT_THROW(gChkDoubleStarting(true), ProgramEnded);
  ASSERT_EQ(scripted.ui.boxes.size(), 1u);
  EXPECT_EQ(scripted.ui.boxes[0].text, "既に起動されています");
  EXPECT_EQ(scripted.ui.boxes[0].caption, "Velnor");
  EXPECT_EQ(scripted.ui.boxes[0].style, static_cast<unsigned>(MB_OK));
  EXPECT_THROW(gChkDoubleStarting(false), ProgramEnded);
  EXPECT_EQ(scripted.ui.boxes.size(), 1u);
}

TEST(Pauses, NegativeTimeFailsAtOnceAndWaitsGoThroughTheSeam) {
  ScopedScriptedUi scripted;
  EXPECT_FALSE(gProcSleep(-1));
  EXPECT_TRUE(gProcSleep(0));
  EXPECT_TRUE(gProcTune(200));
  EXPECT_TRUE(gProcTune(500));
  EXPECT_EQ(scripted.ui.sleptMs, 700u);
}

TEST(Versions, WindowsVersionIsNtFamilyAndIeDefaultsToCantGet) {
  WinVersion v;
  ASSERT_TRUE(gGetWinVersion(v));
  EXPECT_EQ(v.platform, "Windows NT/2000/XP");
  EXPECT_FALSE(v.major.empty());
  std::string version, build, vector;
  ASSERT_TRUE(gGetIeVersion(version, build, vector));
  EXPECT_FALSE(version.empty());
  EXPECT_FALSE(vector.empty());
}

// Not installed: a report and an empty version. A 32-bit Velnor on 64-bit Windows, whose ProgramFiles is
// "Program Files (x86)", still finds it in the Program Files that ProgramW6432 names.
TEST(Versions, OutlookExpressIsFoundInTheProgramFilesWindowsUsesOrNotAtAll) {
  const char* const names[] = {"ProgramW6432", "ProgramFiles", "ProgramFiles(x86)", "Program Files"};
  std::string saved[4];
  for (int i = 0; i < 4; ++i) saved[i] = gGetEnvValue(names[i]);
  TempFolder empty("pf"), native("pf64");
  const std::string folder = native.path() + "\\OutLook Express";
  ASSERT_TRUE(CreateDirectoryW(gToWide(folder).c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(gToWide(saved[1] + "\\Outlook Express\\msimn.exe").c_str(),
                        gToWide(folder + "\\msimn.exe").c_str(), FALSE));
  for (const char* name : names) SetEnvironmentVariableA(name, gToAnsi(empty.path()).c_str());
  std::string version = "stale";
  EXPECT_FALSE(gGetOeExeVersion(version));
  EXPECT_EQ(version, "");
  SetEnvironmentVariableA("ProgramW6432", gToAnsi(native.path()).c_str());
  EXPECT_TRUE(gGetOeExeVersion(version));
  EXPECT_EQ(version.substr(0, 2), "6.");
  for (int i = 0; i < 4; ++i) SetEnvironmentVariableA(names[i], saved[i].empty() ? nullptr : gToAnsi(saved[i]).c_str());
}

TEST(Versions, ProductVersionComesFromTheVersionResource) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::string version;
  ASSERT_TRUE(gGetFileProductVersion(gFromWide(self), version));
  EXPECT_EQ(version.substr(0, 2), std::to_string(VELNOR_VERSION_MAJOR) + ".");
}

TEST(WindowPlacing, CentresOrLeavesAThirdAboveInWholeTwips) {
  TestForm form(400, 300);
  ASSERT_NE(form.Hwnd(), nullptr);
  long sw = 0, sh = 0;
  ASSERT_TRUE(gGetScreenSize(sw, sh));
  const double tx = gTwipsPerPixelX(), ty = gTwipsPerPixelY();

  ASSERT_TRUE(gDspWindowPosition(form, 0));
  RECT r = WindowRect(form);
  const long ww = std::lround((r.right - r.left) * tx), wh = std::lround((r.bottom - r.top) * ty);
  EXPECT_EQ(r.left, std::lround(((sw - ww) / 2) / tx));
  EXPECT_EQ(r.top, std::lround(((sh - wh) / 2) / ty));

  ASSERT_TRUE(gDspWindowPosition(form, 1));
  r = WindowRect(form);
  EXPECT_EQ(r.top, std::lround(((sh - wh) / 3) / ty));

  EXPECT_FALSE(gDspWindowPosition(form, 2));
}

TEST(WindowPlacing, WindowLargerThanTheScreenGoesNegative) {
  long pw = 0, ph = 0;
  ASSERT_TRUE(gGetSystemMetrics(SM_CXSCREEN, pw));
  ASSERT_TRUE(gGetSystemMetrics(SM_CYSCREEN, ph));
  TestForm form(static_cast<int>(pw) + 200, static_cast<int>(ph) + 100);
  ASSERT_TRUE(gDspWindowPosition(form, 0));
  const RECT r = WindowRect(form);
  EXPECT_LT(r.left, 0);
  EXPECT_LT(r.top, 0);
}

TEST(WindowPlacing, CaptionGetsFiveBlanksAndTheTitle) {
  TestForm form(100, 100);
  ASSERT_TRUE(gSetFormCaption(form.Hwnd(), 0));
  wchar_t text[64] = {};
  GetWindowTextW(form.Hwnd(), text, 64);
  EXPECT_EQ(gFromWide(text), "テスト     Velnor");
  ASSERT_TRUE(gSetFormCaption(form.Hwnd(), 5));
  GetWindowTextW(form.Hwnd(), text, 64);
  EXPECT_EQ(gFromWide(text), "テスト     Velnor");
}
