// Copy, move and delete through the shell's file operation, with the flag word built from properties.
#include "common/files.h"

#include <windows.h>
#include <shellapi.h>

#include "common/char_helpers.h"
#include "common/error_log.h"
#include "common/text.h"

namespace {

constexpr uint16_t kSilent = 0x0004;
constexpr uint16_t kRenameOnCollision = 0x0008;
constexpr uint16_t kNoConfirmation = 0x0010;
constexpr uint16_t kAllowUndo = 0x0040;
constexpr uint16_t kSimpleProgress = 0x0100;
constexpr uint16_t kNoConfirmMakeDir = 0x0200;

// The shell wants a list of names, each ended by NUL, the list by one more NUL (wide: a name the system code
// page cannot write must reach the shell as it is).
std::wstring mShellList(const std::string& path) {
  std::wstring list = gToWide(path);
  list.push_back(L'\0');
  list.push_back(L'\0');
  return list;
}

}  // namespace

void clsFileOperation::SetTarget(HWND owner) { target_ = IsWindow(owner) ? owner : nullptr; }
void clsFileOperation::Sielnt(bool on) { Set(kSilent, on); }
void clsFileOperation::ShowDialog(bool on) { Set(kSilent, !on); }
void clsFileOperation::RenameOnCollision(bool on) { Set(kRenameOnCollision, on); }
void clsFileOperation::RespondDialog(bool on) { Set(kNoConfirmation, on); }
void clsFileOperation::AllowUndo(bool on) { Set(kAllowUndo, on); }
void clsFileOperation::SimpleProgress(bool on) { Set(kSimpleProgress, on); }
void clsFileOperation::ConfirmMakeDir(bool on) { Set(kNoConfirmMakeDir, !on); }

void clsFileOperation::Set(uint16_t bit, bool on) {
  flags_ = static_cast<uint16_t>(on ? (flags_ | bit) : (flags_ & ~bit));
}

bool clsFileOperation::Run(unsigned operation, const std::string& from, const std::string& to) {
  const std::wstring fromList = mShellList(from);
  const std::wstring toList = mShellList(to);
  SHFILEOPSTRUCTW op{};
  op.hwnd = target_;
  op.wFunc = operation;
  op.pFrom = fromList.c_str();
  op.pTo = to.empty() ? nullptr : toList.c_str();
  op.fFlags = flags_;
  const int code = SHFileOperationW(&op);
  if (code != 0) {
    gErrRaiseWin32(static_cast<unsigned long>(code));
    return false;
  }
  // A person who cancelled in the shell's dialog left the work undone: that is no success.
  if (op.fAnyOperationsAborted) {
    gErrRaiseWin32(ERROR_CANCELLED);
    return false;
  }
  return true;
}

bool clsFileOperation::Move(const std::string& from, const std::string& to) { return Run(FO_MOVE, from, to); }

bool clsFileOperation::Copy(const std::string& from, const std::string& to) {
  flags_ = kSilent;
  return Run(FO_COPY, gUnRoot(from), to);
}

bool clsFileOperation::Delete(const std::string& from) { return Run(FO_DELETE, gUnRoot(from), ""); }

bool clsFileOperation::Rename(const std::string& from, const std::string& to) { return Run(FO_RENAME, from, to); }

bool clsFileOperation::Trash(const std::string& from) {
  Set(kAllowUndo, true);
  return Run(FO_DELETE, gUnRoot(from), "");
}

bool gCopyFile(const std::string& from, const std::string& to) {
  try {
    clsFileOperation op;
    op.AllowUndo(false);
    op.RespondDialog(true);
    op.Sielnt(true);
    if (op.Copy(from, to)) return true;
  } catch (...) {
    gErrRaise(5, "gCopyFile");
  }
  gProcError("gCopyFile", "");
  return false;
}

bool gMoveFile(const std::string& from, const std::string& to, bool showDialog) {
  try {
    clsFileOperation op;
    op.AllowUndo(false);
    op.RespondDialog(!showDialog);
    op.Sielnt(!showDialog);
    if (op.Move(from, to)) return true;
  } catch (...) {
    gErrRaise(5, "gMoveFile");
  }
  gProcError("gMoveFile", "strTarget=" + from);
  return false;
}

bool gDelFile(const std::string& path) {
  try {
    // A wrong setting must never make the shell delete a whole drive or the user's own folders.
    if (gChkProtectedDir(path)) {
      gErrRaise(5, "refused to delete a protected folder");
      gProcError("gDelFile", "strTarget=" + path);
      return false;
    }
    clsFileOperation op;
    op.AllowUndo(false);
    op.RespondDialog(true);
    op.Sielnt(true);
    if (op.Delete(path)) return true;
    std::string dllErr;
    gGetLastDllErr(dllErr);
    gProcError("gDelFile", "DllErr=" + dllErr + " strTarget=" + path);
    return false;
  } catch (...) {
    gErrRaise(5, "gDelFile");
    gProcError("gDelFile", "strTarget=" + path);
    return false;
  }
}
