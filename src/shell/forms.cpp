// The program's screens, one instance each.
#include "shell/forms.h"

#include "backup/frm_backup.h"
#include "restore/frm_restore.h"
#include "shell/frm_menu.h"
#include "window/frm_about.h"

namespace {

// Where both wizards go when they close.
bool mBackToMenu(std::string& why) {
  if (gDspForm(gFrmMenu(), 0, 0, false, 0.8f)) return true;
  why = gFrmMenu().CreateFailure();
  return false;
}

}  // namespace

frmMenu& gFrmMenu() {
  static frmMenu form;
  return form;
}

frmBackup& gFrmBackup() {
  static frmBackup form(mBackToMenu);
  return form;
}

frmRestore& gFrmRestore() {
  static frmRestore form(mBackToMenu);
  return form;
}

frmEndProgram& gFrmEndProgram() {
  static frmEndProgram form;
  return form;
}

