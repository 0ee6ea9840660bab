// The catalogue of the seven target programs.
#include "shell/targets.h"

#include <ole2.h>
#include <olectl.h>

#include "common/app.h"
#include "common/error_log.h"
#include "common/system.h"
#include "common/text.h"
#include "shell/session_state.h"

namespace {

struct Target {
  const char* code;
  const char* name;
  const char* logo;
};

constexpr Target kTargets[] = {
    {"OE", "Outlook Express", "LOGO_OE.gif"},
    {"OL", "Outlook", "LOGO_OL.gif"},
    {"NS4X", "NetScape4.X", "LOGO_NS4X.gif"},
    {"FAVORITE", "お気に入り（IE）", "LOGO_FAVORITE.gif"},
    {"COLMAIL", "カラメル（JUSTHOME）", "LOGO_COLMAIL.gif"},
    {"MYDOCUMENTS", "マイ ドキュメント", "LOGO_MYDOCUMENTS.gif"},
    {"NS6X", "NetScape6.X 以降", "LOGO_NS6X.gif"},
};

// Loads a GIF (or any picture OLE can read) into a bitmap the control can show.
HBITMAP mLoadPicture(const std::string& file) {
  IPicture* picture = nullptr;
  std::wstring wfile = gToWide(file);
  if (FAILED(OleLoadPicturePath(wfile.data(), nullptr, 0, 0, IID_IPicture, reinterpret_cast<void**>(&picture))) ||
      picture == nullptr)
    return nullptr;
  OLE_HANDLE handle = 0;
  HBITMAP copy = nullptr;
  if (SUCCEEDED(picture->get_Handle(&handle)))
    copy = static_cast<HBITMAP>(CopyImage(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP,
                                          0, 0, LR_COPYRETURNORG));
  picture->Release();
  return copy;
}

}  // namespace

bool gGetlngBkSoft(const std::string& displayName, int32_t& id) {
  for (int32_t candidate : {0, 1, 2, 6, 3, 4, 5}) {
    if (displayName == kTargets[candidate].name) {
      id = candidate;
      return true;
    }
  }
  gErrRaise(5, "unknown target name");
  gProcError("gGetlngBkSoft", "");
  return false;
}

bool gGetStrBkSoft(int32_t id, std::string& displayName) {
  if (id < 0 || id > 6) {
    gErrRaise(5, "unknown target id");
    gProcError("gGetStrBkSoft", "");
    return false;
  }
  displayName = kTargets[id].name;
  return true;
}

std::string gGetTargetLogoFile(int32_t id) { return id >= 0 && id <= 6 ? kTargets[id].logo : ""; }

bool gDspTargetLogo(HWND picture) {
  const int32_t id = gSession().TargetSoft;
  if (id < 0 || id > 6) {
    gErrRaise(5, "unknown target id");
    gProcError("gDspTargetLogo", "");
    return false;
  }
  const std::string file = gAddRoot(gGetAppPath()) + "sys\\logo\\" + kTargets[id].logo;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HBITMAP bitmap = mLoadPicture(file);
  if (bitmap == nullptr) {
    gErrRaise(481, "invalid picture: " + file);
    gProcError("gDspTargetLogo", "");
    return false;
  }
  if (picture != nullptr) {
    HBITMAP old = reinterpret_cast<HBITMAP>(
        SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    if (old != nullptr) DeleteObject(old);
  } else {
    DeleteObject(bitmap);
  }
  return true;
}
