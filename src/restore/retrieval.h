// Bringing a backup set back into the working folder as one archive, from floppy disks or from a folder.
#pragma once
#include <cstdint>

// Floppy restore: shows the wait message, then reads every disk of the set and joins the pieces.
bool gProcRestoreFromFD();
// Folder restore: shows the wait message, then copies the set's archive.
bool gProcRestoreFromNOTFD();
// The disk loop: each disk must carry the expected number and belong to the same set; then the join.
bool gGetSaveDataFromFd();
// Copies the archive of a folder set to the working folder, after checking the free space.
bool gGetSaveDataFromNOTFD();
// Copies piece `disk` off the disk in the drive into the working folder; size receives its length.
bool gMoveSaveDataFromFD(int32_t disk, double& size);
// True when the set folder holds both the first piece and the information file.
bool gChkExeistSaveDataFromNOTFD();
