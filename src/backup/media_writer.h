// Moving the packed backup archive onto floppy disks, cut to fit, or into a folder, with its information file.
#pragma once
#include <cstdint>
#include <string>

// The index page a Favorites backup carries on its first disk.
inline const std::string kFavoriteIndexFileName = "おきにいり　インデックスファイル.html";
// Bytes each disk keeps free beyond its piece of the archive.
inline constexpr int64_t kDiskMargin = 10000;

// Moves PackFile over as many disks as it needs (messages 1003, 1005, 43 in between); each piece and its
// information file are read back from the disk before the next disk is asked for, and a disk that gives back
// other bytes (or fills up) is cleared and another one asked for. A user's stop fails with UserStopped set;
// the disks written so far stay as they are.
bool gSaveBackupDataToFD();
// Moves PackFile into DataSaveDir as piece 1 with an information file of disk number 0. A lack of room, a
// failed write or a read-back that does not match is told to the user, who may pick another place or stop.
bool gSaveBackupDataToNOTFD();

// The folder name of a folder set: the title, the target, " バックアップデータ " and the time stamp.
std::string gGetBackupFolderName();
// The set folder below parent: the plain name, or for a later set of the same minute the name with " (2)",
// " (3)" ...; never a folder or file that exists.
std::string gGetFreeSetFolder(const std::string& parent);
// The folder that holds path, without a trailing "" (a drive root keeps its "").
std::string gGetParentFolderOf(const std::string& path);
// True when a set saved into saveDir would land inside the data it copies (message 1013).
bool gChkSaveDirInData(const std::string& saveDir, const std::string& dataDir);

// Is a formatted, empty disk in the floppy drive? capacity: the bytes the empty disk can take. answer: the
// button pressed on message 1005 (disk not empty) or 1003 (no readable disk, asked only when showMessage).
bool mChkFdDrv(bool showMessage, int& answer, int64_t& capacity);
// Creates DataSaveDir (one level) unless it exists.
bool mMakeDataSaveDir();
// Puts the Favorites index page into folder when it takes no more than freeBytes.
bool mProcFavoriteIndexFile(const std::string& folder, int64_t freeBytes);
