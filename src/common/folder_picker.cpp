// The folder picker: the shell's folder browser, through the seam that tests script.
#include "common/files.h"

#include "common/char_helpers.h"
#include "common/error_log.h"
#include "common/ui.h"

std::string gShowSelectDirDlg(long root, HWND owner) {
  (void)root;  // the browser always starts at the desktop
  try {
    // 1 = BIF_RETURNONLYFSDIRS: only folders of the file system can be chosen.
    std::string chosen = gUi().BrowseForFolder(owner != nullptr ? owner : GetDesktopWindow(),
                                               "ﾌｫﾙﾀﾞを選択してください", 1);
    long counter = 0;
    if (!gProcTransString(chosen, std::string(1, '\0'), "", -1, counter)) {
      gProcError("gShowSelectDirDlg", "");
      return {};
    }
    return chosen;
  } catch (...) {
    gErrRaise(5, "gShowSelectDirDlg");
    gProcError("gShowSelectDirDlg", "");
    return {};
  }
}
