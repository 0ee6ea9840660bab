// Cutting an archive into floppy-sized pieces, joining pieces, and copying slowly off a floppy disk.
#pragma once
#include <cstdint>
#include <string>

// Cuts source into first (its first `size` bytes) and second (the rest).
bool gFileDivide(const std::string& source, int64_t size, const std::string& first, const std::string& second);
// Joins first and second into destination (which must not exist), in 64512-byte chunks.
bool gFileConbine(const std::string& first, const std::string& second, const std::string& destination,
                  bool deletePieces, bool yield);
// Appends piece to the end of destination (which must exist): the pieces of a set are joined in place, never
// copied again disk by disk.
bool gFileAppend(const std::string& destination, const std::string& piece);
// Copies in slices with pauses; the last slice lowers the caller's slice to what remained.
bool gFileCopySlow(const std::string& source, const std::string& destination, int64_t& slice, long pauseMs);
