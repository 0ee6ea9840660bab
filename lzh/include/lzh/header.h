// Archive member description (Entry), compression methods and member-name checks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lzh/status.h"

namespace lzh {

enum class Method { Lh0, Lh5, Lh6, Lh7, Lhd, Unknown };

const char* method_id(Method method);  // "-lh5-" etc.; "" for Unknown

namespace attr {
inline constexpr std::uint8_t ReadOnly = 0x01;
inline constexpr std::uint8_t Hidden = 0x02;
inline constexpr std::uint8_t System = 0x04;
inline constexpr std::uint8_t Directory = 0x10;
inline constexpr std::uint8_t Archive = 0x20;
}  // namespace attr

struct Entry {
    // Raw name bytes in the archive's code page, '/' between folders, no trailing '/'.
    std::string name;
    // The exact name from the UTF-16 name headers (0x44 file, 0x45 folders) as UTF-8, '/' between folders;
    // "" when the member has none (its name is then `name` in the archive's code page).
    std::string unicode_name;
    Method method = Method::Lh0;
    std::string method_id;  // as found in the header, e.g. "-lh1-" for an Unknown method
    std::uint64_t original_size = 0;
    std::uint64_t packed_size = 0;
    std::int64_t mtime = 0;  // seconds since 1970-01-01 UTC
    std::uint8_t attributes = attr::Archive;
    std::uint16_t crc = 0;
    int header_level = 2;
    std::uint8_t os_id = 0;

    bool is_directory() const { return method == Method::Lhd; }
};

// Splits an archive name into folder components, refusing anything that could escape the
// destination folder: absolute paths, drive letters or ':' streams, "..", NUL bytes.
// "." and empty components are dropped. An empty result is allowed (the archive root).
Status split_safe_name(const std::string& name, std::vector<std::string>& components);

// DOS date/time <-> Unix time, in local time as DOS stamps are.
std::uint32_t unix_to_dos_time(std::int64_t unix_time);
std::int64_t dos_to_unix_time(std::uint32_t dos_time);

}  // namespace lzh
