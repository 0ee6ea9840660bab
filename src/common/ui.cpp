// The real user interface behind the seam: Windows message boxes, the shell's folder browser, Sleep.
#include "common/ui.h"

#include <shlobj.h>

#include "common/files.h"
#include "common/stage_clock.h"
#include "common/text.h"

namespace {

std::string mHelpFile;

void CALLBACK mHelpCallback(LPHELPINFO info) {
  // The box carries the error's help topic; open the help file it names.
  if (info != nullptr && !mHelpFile.empty())
    ShellExecuteW(nullptr, L"open", gToWide(mHelpFile).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

class RealUi final : public UserInterface {
 public:
  int MessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned style,
                 const std::string& helpFile, unsigned long helpContext) override {
    const std::wstring wText = gToWide(text);
    const std::wstring wCaption = gToWide(caption);
    MSGBOXPARAMSW params{};
    params.cbSize = sizeof(params);
    params.hwndOwner = owner;
    params.hInstance = GetModuleHandleW(nullptr);
    params.lpszText = wText.c_str();
    params.lpszCaption = wCaption.c_str();
    params.dwStyle = style;
    params.dwContextHelpId = helpContext;
    if (!helpFile.empty()) {
      mHelpFile = helpFile;
      params.dwStyle |= MB_HELP;
      params.lpfnMsgBoxCallback = mHelpCallback;
    }
    return MessageBoxIndirectW(&params);
  }

  std::string BrowseForFolder(HWND owner, const std::string& title, unsigned flags) override {
    // Wide: a folder whose name the system code page cannot write is still a place the user may choose.
    const std::wstring wideTitle = gToWide(title);
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner != nullptr ? owner : GetDesktopWindow();
    info.pszDisplayName = display;
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = flags;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::string chosen;
    if (LPITEMIDLIST list = SHBrowseForFolderW(&info)) {
      wchar_t path[MAX_PATH] = {};
      if (SHGetPathFromIDListW(list, path)) chosen = gFromWide(std::wstring(path, MAX_PATH));
      CoTaskMemFree(list);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return chosen;
  }

  void Sleep(unsigned long milliseconds) override {
    ::Sleep(milliseconds);
    // The benchmark tells these deliberate pauses apart from the work.
    gAddPause(milliseconds);
  }

  void DoEvents() override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  [[noreturn]] void EndProgram(unsigned exitCode) override { ExitProcess(exitCode); }
};

RealUi mRealUi;
UserInterface* mCurrent = &mRealUi;

}  // namespace

UserInterface& gUi() { return *mCurrent; }

UserInterface* gSetUi(UserInterface* ui) {
  UserInterface* previous = mCurrent;
  mCurrent = ui != nullptr ? ui : &mRealUi;
  return previous;
}

int gMsgBox(const std::string& text, unsigned style, const std::string& caption, HWND owner) {
  return gUi().MessageBox(owner, text, caption, style, std::string(), 0);
}
