// Copies made with the file system's own calls and checked: which file failed and why, the CRC-32 of what
// was written, and a read-back from the medium itself.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

// Where a copy or a read-back stopped: the file and the Windows error code.
struct FileFailure {
  std::string path;
  unsigned long error = 0;
};

// Progress of one copy or read-back (bytes done, bytes total).
using CopyProgress = std::function<void(uint64_t done, uint64_t total)>;

// CRC-32 (the one of zip and PNG) of data, continued from crc (0 to start).
uint32_t gCrc32(uint32_t crc, const void* data, size_t size);

// Where a copy goes: a place that keeps it (a backup set, the user's own folders), written through to the
// medium; or the working folder, written at the cache's pace, since it is read at once and thrown away.
enum class CopyKind { Kept, Scratch };

// Copies one file to a new destination; crc receives the CRC-32 of the bytes written, size their count. The
// source may be open in another program for reading and writing. A copy that fails leaves no destination.
bool gCopyFileChecked(const std::string& from, const std::string& to, uint32_t& crc, uint64_t& size,
                      const CopyProgress& progress, FileFailure& failure, CopyKind kind = CopyKind::Kept);
// Copies `length` bytes of from, starting at `offset`, to a new file written through to the medium, as one
// piece of a larger file; the same checks and the same promise as gCopyFileChecked. A range past the end of
// from fails.
bool gCopyFileRangeChecked(const std::string& from, uint64_t offset, uint64_t length, const std::string& to,
                           uint32_t& crc, uint64_t& size, const CopyProgress& progress, FileFailure& failure);
// Writes bytes as a new file, written through to the medium.
bool gWriteFileChecked(const std::string& path, const std::string& bytes, FileFailure& failure);
// Reads a file back from its medium (past the system's cache where the medium allows it) and gives the CRC-32
// and the count of its bytes.
bool gReadBackCrc(const std::string& path, uint32_t& crc, uint64_t& size, const CopyProgress& progress,
                  FileFailure& failure);
// Copies everything below folder `from` into folder `to` (made when missing): files with their times and
// attributes, folders with their contents. Stops at the first file that cannot be copied.
// leaveOut, when given, names source files not to copy.
bool gCopyTree(const std::string& from, const std::string& to, FileFailure& failure,
               const std::function<bool(const std::string& source)>& leaveOut = {}, CopyKind kind = CopyKind::Kept);

// Another program holds the file (a sharing or lock violation).
bool gChkFileInUse(unsigned long error);
// The medium has no room left.
bool gChkDiskFull(unsigned long error);
