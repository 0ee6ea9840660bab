// The seven target programs, a row each, and the lookups over them.
#include "session/targets.h"

#include <ole2.h>
#include <olectl.h>

#include "common/app.h"
#include "common/error_log.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "locations/data_locations.h"
#include "locations/user_folders.h"
#include "restore/replacement.h"
#include "session/session_state.h"

namespace {

bool mNoStoreFiles(SessionState& s) {
  s.AddressBookFile = " ";
  s.PstFile = " ";
  return true;
}

// The rows, in the main menu's order.
constexpr TargetRow kTargets[] = {
    {kTargetOE, "OE", "Outlook Express", "LOGO_OE.gif",
     [](std::string& folder, std::string& version) { return gGetSoftDataDir_OE(folder, version); },
     [](SessionState& s) {
       std::string file;
       if (!gGetAddressBookFName(file) || !gGetAddressBookDir(s.AddressBookDir)) return false;
       s.AddressBookFile = gGetFileName(file);
       return true;
     },
     gChkPossiveRestore_OEVersion, true, false, true, false, false, true, gDelHdData_OE, gProcRePlaceHdData_OE},
    {kTargetMyDocuments, "MYDOCUMENTS", "マイ ドキュメント", "LOGO_MYDOCUMENTS.gif",
     [](std::string& folder, std::string&) { return gGetMyDocumentsDir(folder); }, mNoStoreFiles,
     nullptr, false, false, false, false, true, false, gDelHdData_MYDOCUMENTS, gProcRePlaceHdData_MYDOCUMENTS},
    {kTargetOL, "OL", "Outlook", "LOGO_OL.gif",
     // Outlook's version is not one that sets must match: the caller's stays as it was.
     [](std::string& folder, std::string&) {
       std::string ignored;
       return gGetSoftDataDir_OL(folder, ignored);
     },
     [](SessionState& s) {
       std::string file;
       if (!gGetPstFName(file)) return false;
       s.PstFile = gGetFileName(file);
       return true;
     },
     nullptr, false, true, false, false, false, false, gDelHdData_OL, gProcRePlaceHdData_OL},
    {kTargetNS4X, "NS4X", "NetScape4.X", "LOGO_NS4X.gif",
     [](std::string& folder, std::string&) { return gGetSoftDataDir_NS4X(folder); }, mNoStoreFiles,
     nullptr, false, false, false, false, false, false, gDelHdData_NS4X, gProcRePlaceHdData_NS4X},
    {kTargetNS6X, "NS6X", "NetScape6.X 以降", "LOGO_NS6X.gif",
     [](std::string& folder, std::string&) { return gGetSoftDataDir_NS6X(folder); }, mNoStoreFiles,
     nullptr, false, false, false, false, false, false, gDelHdData_NS6X, gProcRePlaceHdData_NS6X},
    {kTargetFavorite, "FAVORITE", "お気に入り（IE）", "LOGO_FAVORITE.gif",
     [](std::string& folder, std::string&) { return gGetFavoriteDir(folder); }, mNoStoreFiles,
     nullptr, false, false, false, true, true, false, gDelHdData_FAVORITE, gProcRePlaceHdData_FAVORITE},
    {kTargetColMail, "COLMAIL", "カラメル（JUSTHOME）", "LOGO_COLMAIL.gif",
     [](std::string& folder, std::string&) { return gGetSoftDataDir_COLMAIL(folder); }, mNoStoreFiles,
     nullptr, false, false, false, false, false, false, gDelHdData_COLMAIL, gProcRePlaceHdData_COLMAIL},
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

std::span<const TargetRow> gTargets() { return kTargets; }

const TargetRow* gFindTarget(int32_t id) {
  for (const TargetRow& row : kTargets)
    if (row.id == id) return &row;
  return nullptr;
}

const TargetRow& gSessionTarget() {
  const TargetRow* row = gFindTarget(gSession().TargetSoft);
  return row != nullptr ? *row : kTargets[0];
}

bool gGetlngBkSoft(const std::string& displayName, int32_t& id) {
  for (const TargetRow& row : kTargets) {
    if (displayName == row.name) {
      id = row.id;
      return true;
    }
  }
  gErrRaise(5, "unknown target name");
  gProcError("gGetlngBkSoft", "");
  return false;
}

bool gGetStrBkSoft(int32_t id, std::string& displayName) {
  const TargetRow* row = gFindTarget(id);
  if (row == nullptr) {
    gErrRaise(5, "unknown target id");
    gProcError("gGetStrBkSoft", "");
    return false;
  }
  displayName = row->name;
  return true;
}

std::string gGetTargetLogoFile(int32_t id) {
  const TargetRow* row = gFindTarget(id);
  return row != nullptr ? row->logo : "";
}

bool gGetBkSoftDir(long target, std::string& folder, std::string& version) {
  try {
    const TargetRow* row = gFindTarget(static_cast<int32_t>(target));
    if (row == nullptr) gErrRaise(5, "target=" + std::to_string(target));
    else if (row->findDataDir(folder, version)) return true;
  } catch (...) {
    gErrRaise(5, "gGetBkSoftDir");
  }
  gProcError("gGetBkSoftDir", "");
  return false;
}

bool gDspTargetLogo(HWND picture) {
  const TargetRow* row = gFindTarget(gSession().TargetSoft);
  if (row == nullptr) {
    gErrRaise(5, "unknown target id");
    gProcError("gDspTargetLogo", "");
    return false;
  }
  const std::string file = gAddRoot(gGetAppPath()) + "sys\\logo\\" + row->logo;
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
