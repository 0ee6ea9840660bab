// The message catalogue over the message database.
#include "common/messages.h"

#include <windows.h>

#include "common/error_log.h"
#include "common/ui.h"

bool gMsgInit(const std::string&, const std::string&) {
  gErrRaise(3024, "message database not available");
  gProcError("gMsgInit", "");
  return false;
}

void gMsgClose() {}

short gDispMsg(short, const std::string&, unsigned char) {
  gMsgBox("ﾒｯｾｰｼﾞの取得に失敗しました。", MB_OK, "gDispMsg");
  gProcError("gDispMsg", "");
  return -100;
}
