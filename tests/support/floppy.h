// The test floppy drive A:: new empty 1.44 MB disks, ejecting and re-inserting, for the Windows tests.
//
// Contract: tests/support/floppy.sh (run by scripts/test on the fresh prefix) makes A: a floppy drive
// (GetDriveType 2) with no disk in it, and records in HKLM\Software\VelnorTest\Floppy where its controller is.
// Each disk is a tmpfs of its own: a new disk is empty, formatted and about 1.44 MB (1,474,560 bytes in all);
// an ejected disk keeps its files and can be inserted again by number, so a backup written over disks 1, 2, 3
// can be read back in any order. Disk numbers count up through the whole run; everything is unmounted when
// scripts/test ends. To use it with a prefix of your own: WINEPREFIX=... tests/support/floppy.sh
#pragma once
#include <string>

namespace testfloppy {

// The drive letter of the test floppy drive.
inline const std::string kDrive = "A";

// True when this prefix has the test floppy drive; otherwise why says what is missing.
bool Available(std::string* why = nullptr);
// Inserts a new, empty disk (kib KiB, a 1.44 MB floppy unless told) and returns its number; 0 on failure.
int InsertNewDisk(unsigned kib = 1440);
// The same, but a disk that fails as worn media do: the first backup piece written to it comes back with one
// byte changed.
int InsertNewBadDisk(unsigned kib = 1440);
// Puts disk number back in the drive, with what was written to it.
bool InsertDisk(int number);
// Takes the disk out: A: stays a floppy drive, with no medium in it.
bool Eject();
// The small drive E: (a USB stick, say): a new empty medium of kib KiB in it, or none.
inline const std::string kStickDrive = "E";
bool InsertStick(unsigned kib);
bool RemoveStick();
// The controller's last answer: the reason when one of the above failed.
const std::string& LastMessage();

}  // namespace testfloppy
