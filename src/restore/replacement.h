// Replacing the target's current data with the saved data of the archive in the working folder.
#pragma once

// Unpacks the archive, asks (Favorites, My Documents) whether to keep the current files, then replaces the
// current data with the saved data as one step (and, when asked for, the account settings): the current data
// is set aside beside its folder and kept there for an undo; any failure puts it all back and says so.
bool gProcRestore();

// The target's current data leaves its folder (set aside; the folder itself stays).
bool gDelHdData_OE();
bool gDelHdData_OL();
bool gDelHdData_NS4X();
bool gDelHdData_NS6X();
bool gDelHdData_COLMAIL();
bool gDelHdData_FAVORITE();
bool gDelHdData_MYDOCUMENTS();
bool gDelHdData_AddressBook();

// The saved data comes into the target's folder.
bool gProcRePlaceHdData_OE();
bool gProcRePlaceHdData_OL();
bool gProcRePlaceHdData_NS4X();
bool gProcRePlaceHdData_NS6X();
bool gProcRePlaceHdData_COLMAIL();
bool gProcRePlaceHdData_FAVORITE();
bool gProcRePlaceHdData_MYDOCUMENTS();
bool gProcRePlaceHdData_AddressBook();
