// The message catalogue: numbered texts and box styles looked up in the message database and shown to the user.
#include "common/messages.h"

#include <windows.h>

#include <stdexcept>
#include <string>

#include "common/app.h"
#include "common/error_log.h"
#include "common/msg_db.h"
#include "common/ui.h"

bool gMsgInit(const std::string& databasePath, const std::string& password) {
  try {
    MsgDbCloseDatabase();
    const std::string connect = password.empty() ? "" : ";pwd=" + password;
    if (MsgDbOpenDatabase(databasePath, connect)) return true;
  } catch (const std::exception& e) {
    gErrRaise(7, e.what());
  }
  gProcError("gMsgInit", "");
  return false;
}

void gMsgClose() { MsgDbCloseDatabase(); }

short gDispMsg(short code, const std::string& extraText, unsigned char place) {
  try {
    const std::string query = std::string("SELECT MSG, ") + "       DLGFLG " + " FROM t_MSG " +
                              " WHERE CODE = " + std::to_string(code);
    if (!MsgDbOpenRecordSet(query)) {
      gMsgBox("ﾒｯｾｰｼﾞの取得に失敗しました。", MB_OK, "gDispMsg");
      gProcError("gDispMsg", "");
      return -100;
    }
    if (MsgDbRecordCount() < 1) {
      gMsgBox("ﾒｯｾｰｼﾞｺｰﾄﾞ： " + std::to_string(code) + "に対応するﾒｯｾｰｼﾞが登録されていません。", MB_OK,
              "gDispMsg");
      gErrRaise(5, "code " + std::to_string(code));
      gProcError("gDispMsg", "");
      return -100;
    }

    const auto msgField = MsgDbFields(0);
    const auto styleField = MsgDbFields(1);
    if (!msgField || !styleField) throw std::runtime_error("t_MSG row without MSG or DLGFLG");
    const MsgDbValue text = MsgDbCnvFld(*msgField);
    const MsgDbValue style = MsgDbCnvFld(*styleField);
    std::string message;
    if (const auto* s = std::get_if<std::string>(&text)) message = *s;
    else if (const auto* n = std::get_if<long long>(&text)) message = std::to_string(*n);
    // DLGFLG is a 16-bit box style; anything else would show a box the caller never asked for.
    const auto* flags = std::get_if<long long>(&style);
    if (flags == nullptr || *flags < -32768 || *flags > 32767)
      throw std::runtime_error("DLGFLG of code " + std::to_string(code) + " is not a 16-bit number");

    const std::string prompt = place == 1 ? message + extraText : extraText + message;
    const unsigned boxStyle = static_cast<unsigned short>(static_cast<short>(*flags));
    return static_cast<short>(gMsgBox(prompt, boxStyle, gAppTitle()));
  } catch (const std::exception& e) {
    gErrRaise(6, e.what());
    gProcError("gDispMsg", "");
    return -100;
  }
}
