// Moving the packed backup archive onto floppy disks, cut to fit, or into a folder, with its information file.
#pragma once
#include <cstdint>
#include <string>

// The index page a Favorites backup carries on its first disk.
inline const std::string kFavoriteIndexFileName = "おきにいり　インデックスファイル.html";
// Bytes each disk keeps free beyond its piece of the archive.
inline constexpr int64_t kDiskMargin = 10000;

// Moves PackFile over as many disks as it needs (messages 1003, 1005, 43 in between). A user's stop fails
// with UserStopped set; the disks written so far stay as they are.
bool gSaveBackupDataToFD();
// Moves PackFile into DataSaveDir as piece 1 with an information file of disk number 0.
bool gSaveBackupDataToNOTFD();

// Is a formatted, empty disk in the floppy drive? capacity: the bytes the empty disk can take. answer: the
// button pressed on message 1005 (disk not empty) or 1003 (no readable disk, asked only when showMessage).
bool mChkFdDrv(bool showMessage, int& answer, int64_t& capacity);
// Creates DataSaveDir (one level) unless it exists.
bool mMakeDataSaveDir();
// Puts the Favorites index page into folder when it takes no more than freeBytes.
bool mProcFavoriteIndexFile(const std::string& folder, int64_t freeBytes);
