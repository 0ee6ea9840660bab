// The program's screens, one instance each, made when first shown (as a window that is unloaded and shown
// again starts afresh).
#pragma once
#include <string>

#include "shell/form_window.h"

class frmMenu;
class frmBackup;
class frmRestore;
class frmEndProgram;
class frmAbout;

frmMenu& gFrmMenu();
frmBackup& gFrmBackup();
frmRestore& gFrmRestore();
frmEndProgram& gFrmEndProgram();
frmAbout& gFrmAbout();

// Shows the main menu again after a wizard closes; false when it could not be shown.
bool gShowMenuAgain();
// Why the main menu could not be made ("" when it was).
std::string gMenuCreateFailure();
