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
    {.id = kTargetOE, .code = "OE", .name = "Outlook Express", .logo = "LOGO_OE.gif",
     .findDataDir = [](std::string& folder, std::string& version) { return gGetSoftDataDir_OE(folder, version); },
     .findStoreFiles =
         [](SessionState& s) {
           std::string file;
           if (!gGetAddressBookFName(file) || !gGetAddressBookDir(s.AddressBookDir)) return false;
           s.AddressBookFile = gGetFileName(file);
           return true;
         },
     .chkRestorableVersion = gChkPossiveRestore_OEVersion,
     .addressBook = true,
     .accountSettings = true,
     .heldInBackground = true,
     .delHdData = gDelHdData_OE,
     .rePlaceHdData = gProcRePlaceHdData_OE},
    {.id = kTargetMyDocuments, .code = "MYDOCUMENTS", .name = "マイ ドキュメント", .logo = "LOGO_MYDOCUMENTS.gif",
     .findDataDir = [](std::string& folder, std::string&) { return gGetMyDocumentsDir(folder); },
     .findStoreFiles = mNoStoreFiles,
     .keepCurrentQuestion = true,
     .delHdData = gDelHdData_MYDOCUMENTS,
     .rePlaceHdData = gProcRePlaceHdData_MYDOCUMENTS},
    {.id = kTargetOL, .code = "OL", .name = "Outlook", .logo = "LOGO_OL.gif",
     // Outlook's version is not one that sets must match: the caller's stays as it was.
     .findDataDir =
         [](std::string& folder, std::string&) {
           std::string ignored;
           return gGetSoftDataDir_OL(folder, ignored);
         },
     .findStoreFiles =
         [](SessionState& s) {
           std::string file;
           if (!gGetPstFName(file)) return false;
           s.PstFile = gGetFileName(file);
           return true;
         },
     .storeFile = true,
     .delHdData = gDelHdData_OL,
     .rePlaceHdData = gProcRePlaceHdData_OL},
    {.id = kTargetNS4X, .code = "NS4X", .name = "NetScape4.X", .logo = "LOGO_NS4X.gif",
     .findDataDir = [](std::string& folder, std::string&) { return gGetSoftDataDir_NS4X(folder); },
     .findStoreFiles = mNoStoreFiles,
     .delHdData = gDelHdData_NS4X,
     .rePlaceHdData = gProcRePlaceHdData_NS4X},
    {.id = kTargetNS6X, .code = "NS6X", .name = "NetScape6.X 以降", .logo = "LOGO_NS6X.gif",
     .findDataDir = [](std::string& folder, std::string&) { return gGetSoftDataDir_NS6X(folder); },
     .findStoreFiles = mNoStoreFiles,
     .delHdData = gDelHdData_NS6X,
     .rePlaceHdData = gProcRePlaceHdData_NS6X},
    {.id = kTargetFavorite, .code = "FAVORITE", .name = "お気に入り（IE）", .logo = "LOGO_FAVORITE.gif",
     .findDataDir = [](std::string& folder, std::string&) { return gGetFavoriteDir(folder); },
     .findStoreFiles = mNoStoreFiles,
     .indexPage = true,
     .keepCurrentQuestion = true,
     .delHdData = gDelHdData_FAVORITE,
     .rePlaceHdData = gProcRePlaceHdData_FAVORITE},
    {.id = kTargetColMail, .code = "COLMAIL", .name = "カラメル（JUSTHOME）", .logo = "LOGO_COLMAIL.gif",
     .findDataDir = [](std::string& folder, std::string&) { return gGetSoftDataDir_COLMAIL(folder); },
     .findStoreFiles = mNoStoreFiles,
     .delHdData = gDelHdData_COLMAIL,
     .rePlaceHdData = gProcRePlaceHdData_COLMAIL},
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
