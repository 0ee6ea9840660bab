// Replacing the target's current data with the saved data of the archive in the working folder.
#pragma once

// Unpacks the archive, asks (Favorites, My Documents) whether to keep the current files, deletes the current
// data, moves the saved data into place and, when asked for, restores the account settings.
bool gProcRestore();

// Empty the target's current folder (the folder itself stays).
bool gDelHdData_OE();
bool gDelHdData_OL();
bool gDelHdData_NS4X();
bool gDelHdData_NS6X();
bool gDelHdData_COLMAIL();
bool gDelHdData_FAVORITE();
bool gDelHdData_MYDOCUMENTS();
bool gDelHdData_AddressBook();

// Move the saved data into the target's folder.
bool gProcRePlaceHdData_OE();
bool gProcRePlaceHdData_OL();
bool gProcRePlaceHdData_NS4X();
bool gProcRePlaceHdData_NS6X();
bool gProcRePlaceHdData_COLMAIL();
bool gProcRePlaceHdData_FAVORITE();
bool gProcRePlaceHdData_MYDOCUMENTS();
bool gProcRePlaceHdData_AddressBook();
