// WinMain: start-up, then the window messages until the end screen ends the program.
#include <windows.h>

#include "shell/startup.h"
#include "window/form_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  OleInitialize(nullptr);
  gStartUp();
  MSG msg;
  while (FormWindow::OpenCount() > 0 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    HWND active = GetActiveWindow();
    if (active != nullptr && IsDialogMessageW(active, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
