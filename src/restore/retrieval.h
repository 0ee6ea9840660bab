// Bringing a backup set back as one archive: from floppy disks into the working folder, or from a folder,
// where the archive is read as it lies.
#pragma once
#include <cstdint>
#include <string>

// Floppy restore: shows the wait message, then reads every disk of the set and joins the pieces.
bool gProcRestoreFromFD();
// Folder restore: shows the wait message, then finds the set's archive.
bool gProcRestoreFromNOTFD();
// The disk loop: each disk must carry the expected number and belong to the same set; then the join.
bool gGetSaveDataFromFd();
// Finds the archive of a folder set, once the working folder's drive has room to unpack it. It is unpacked
// from where it lies: a copy would only be read once more.
bool gGetSaveDataFromNOTFD();
// The archive the last retrieval gave: the joined pieces (PackFile) or the folder set's own archive.
std::string gGetRetrievedArchive();
// Copies piece `disk` off the disk in the drive into the working folder; size receives its length.
bool gMoveSaveDataFromFD(int32_t disk, double& size);
// True when the set folder holds both the first piece and the information file.
bool gChkExeistSaveDataFromNOTFD();
