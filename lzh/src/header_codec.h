// Internal: member header parsing (levels 0/1/2) and building (levels 1/2).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lzh/header.h"
#include "lzh/stream.h"

namespace lzh::detail {

// Buffered view of the archive stream shared by header parsing and data decoding.
class ArchiveInput {
public:
    explicit ArchiveInput(InputStream& in) : in_(in), buffer_(64 * 1024) {}
    // Reads up to n bytes; got < n means the archive ended.
    Status read(std::uint8_t* out, std::size_t n, std::size_t& got);
    Status skip(std::uint64_t n);
    // Hands out buffered bytes, at most `limit`; false at end of stream. Errors go to status().
    bool chunk(std::uint64_t limit, const std::uint8_t*& begin, const std::uint8_t*& end);
    const Status& status() const { return status_; }
    std::uint64_t position() const { return position_; }

private:
    bool refill();
    InputStream& in_;
    std::vector<std::uint8_t> buffer_;
    std::size_t pos_ = 0, len_ = 0;
    std::uint64_t position_ = 0;
    Status status_;
};

// Reads one header. has_entry is false at the end marker; a missing marker is a DataError.
Status parse_header(ArchiveInput& in, Entry& entry, bool& has_entry);

// Serialises a header for `entry` (level 1 or 2). The layout depends only on the name and
// level, so a header rebuilt with final sizes and CRC has the same length.
Status build_header(const Entry& entry, std::vector<std::uint8_t>& out);

// Name bytes with '\\' (outside two-byte Shift-JIS characters) and 0xFF turned into '/'.
std::string normalise_separators(const std::string& raw);

}  // namespace lzh::detail
