// Streaming archive reader: walks member headers and unpacks one member at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "lzh/header.h"
#include "lzh/stream.h"

namespace lzh {

class Reader {
public:
    explicit Reader(InputStream& input);
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Reads the next member header. At the end marker returns Ok with has_entry false; an
    // archive that stops without the marker is a DataError (members may be missing).
    // The data of the previous member is skipped if it was not extracted.
    Status next(Entry& entry, bool& has_entry);

    // Unpacks the current member's data to `output` and checks its CRC. A CRC mismatch is a
    // DataError, reported after all data was written, so callers must discard the output.
    // `progress` gets (original bytes done, original size) of this member.
    Status extract(OutputStream& output, const ProgressFn& progress = {});

    // Like extract but only checks the CRC.
    Status test(const ProgressFn& progress = {});

    // Archive bytes consumed so far.
    std::uint64_t position() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace lzh
