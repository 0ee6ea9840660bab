// The program's screens, one instance each.
#include "shell/forms.h"

#include "backup/frm_backup.h"
#include "restore/frm_restore.h"
#include "shell/frm_about.h"
#include "shell/frm_menu.h"

frmMenu& gFrmMenu() {
  static frmMenu form;
  return form;
}

frmBackup& gFrmBackup() {
  static frmBackup form;
  return form;
}

frmRestore& gFrmRestore() {
  static frmRestore form;
  return form;
}

frmEndProgram& gFrmEndProgram() {
  static frmEndProgram form;
  return form;
}

frmAbout& gFrmAbout() {
  static frmAbout form;
  return form;
}

bool gShowMenuAgain() { return gDspForm(gFrmMenu(), 0, 0, false, 0.8f); }

std::string gMenuCreateFailure() { return gFrmMenu().CreateFailure(); }
