// The archiver entry point: one command line in, 0 on success, as the backup and restore call it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>

// Runs one archiver command ("u" to pack a folder, "x" to unpack, "t" to test every member's CRC). The command line is in the system code
// page. When output is given, it receives a short report (NUL-terminated, cut to size). 0 means success.
int Unlha(HWND owner, const char* commandLine, char* output, DWORD size);

// Result codes other than 0.
enum UnlhaResult : int {
  kUnlhaOk = 0,
  kUnlhaBadCommand = 0x8001,    // unknown command, unknown switch, missing or surplus paths
  kUnlhaBadArchive = 0x8002,    // damaged or hostile archive: bad CRC, truncated, unsafe member name
  kUnlhaFileError = 0x8003,     // a file or folder could not be read or written
  kUnlhaArchiveExists = 0x8004, // "u" onto an archive that already exists
  kUnlhaAborted = 0x8005,       // the progress callback asked to stop
};

// Progress of the running command (bytes done, bytes total); returning false stops it. Empty for none.
using ArchiveProgress = std::function<bool(uint64_t done, uint64_t total)>;
void gSetArchiveProgress(ArchiveProgress progress);

// With true, "u" takes several times as long for an archive a few per cent smaller: for a set bound for floppy
// disks, where every byte is one more disk to feed. False until set.
void gSetArchiveSmallest(bool smallest);
