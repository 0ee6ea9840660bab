// Streaming archive writer: compresses members one by one into a seekable output.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "lzh/header.h"
#include "lzh/stream.h"

namespace lzh {

struct WriterOptions {
    Method method = Method::Lh7;  // Lh0, Lh5, Lh6 or Lh7
    int header_level = 2;         // 1 or 2
    std::uint8_t os_id = 'M';
    // Spend several times the time for an archive a few per cent smaller (-lh5- to -lh7-), where
    // every byte costs, as on floppy disks.
    bool smallest = false;
};

// What the caller says about a member; sizes, CRC and method are filled in by the writer.
struct MemberInfo {
    std::string name;  // bytes in the caller's code page, '/' between folders
    std::int64_t mtime = 0;
    std::uint8_t attributes = attr::Archive;
    std::uint64_t size_hint = 0;  // expected size, used for progress and early store decision
    // The exact name (UTF-8, '/' between folders) when `name` is only a stand-in the code page could write;
    // it goes into the extended headers for UTF-16 names (0x44 file, 0x45 folders). "" for none.
    std::string unicode_name;
};

class Writer {
public:
    Writer(SeekableOutputStream& output, WriterOptions options = {});
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Compresses `data` as a member. If it does not shrink and `data` can rewind, it is
    // stored (-lh0-) instead. `progress` gets (input bytes done, size_hint).
    Status add_file(const MemberInfo& info, InputStream& data, const ProgressFn& progress = {});
    Status add_directory(const MemberInfo& info);
    // Writes the end marker and cuts off anything left behind; the archive is complete after it.
    Status finish();

    // What the last add_file wrote.
    const Entry& last_entry() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace lzh
