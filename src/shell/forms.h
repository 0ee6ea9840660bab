// The program's screens, one instance each, made when first shown (as a window that is unloaded and shown
// again starts afresh).
#pragma once
#include <string>

#include "window/form_window.h"

class frmMenu;
class frmBackup;
class frmRestore;
class frmEndProgram;

frmMenu& gFrmMenu();
frmBackup& gFrmBackup();
frmRestore& gFrmRestore();
frmEndProgram& gFrmEndProgram();
