// WinMain: start-up of Velnor.
#include <windows.h>

#include "common/app.h"
#include "common/error_log.h"
#include "common/system.h"
#include "common/ui.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SuppressErrorBox = true;
  gChkDoubleStarting(true);
  gMsgBox("Velnor", MB_OK | MB_ICONINFORMATION, gAppTitle());
  return 0;
}
