// Reader: header walk plus per-member decoding with CRC check.
#include "lzh/reader.h"

#include "header_codec.h"
#include "lh_codec.h"

namespace lzh {

namespace {

// Limits the decoder to the current member's packed bytes.
class MemberSource final : public detail::ChunkSource {
public:
    MemberSource(detail::ArchiveInput& in, std::uint64_t& left) : in_(in), left_(left) {}
    bool next_chunk(const std::uint8_t*& begin, const std::uint8_t*& end) override {
        if (!in_.chunk(left_, begin, end)) return false;
        left_ -= static_cast<std::uint64_t>(end - begin);
        return true;
    }

private:
    detail::ArchiveInput& in_;
    std::uint64_t& left_;
};

}  // namespace

struct Reader::Impl {
    explicit Impl(InputStream& input) : in(input) {}
    detail::ArchiveInput in;
    Entry current;
    bool have_current = false;
    std::uint64_t data_left = 0;  // packed bytes of the current member not yet consumed
    bool broken = false;          // after a structural error nothing more can be read
};

Reader::Reader(InputStream& input) : impl_(std::make_unique<Impl>(input)) {}
Reader::~Reader() = default;

std::uint64_t Reader::position() const { return impl_->in.position(); }

Status Reader::next(Entry& entry, bool& has_entry) {
    has_entry = false;
    Impl& s = *impl_;
    if (s.broken) return Status::data_error("archive cannot be read past an earlier error");
    if (s.data_left) {
        Status skipped = s.in.skip(s.data_left);
        s.data_left = 0;
        if (!skipped.is_ok()) {
            s.broken = true;
            return skipped;
        }
    }
    s.have_current = false;
    Status st = detail::parse_header(s.in, s.current, has_entry);
    if (!st.is_ok()) {
        s.broken = true;
        return st;
    }
    if (has_entry) {
        s.have_current = true;
        s.data_left = s.current.packed_size;
        entry = s.current;
    }
    return Status::ok();
}

Status Reader::extract(OutputStream& output, const ProgressFn& progress) {
    Impl& s = *impl_;
    if (!s.have_current) return Status::io_error("no current member");
    s.have_current = false;  // one attempt per member
    const Entry& e = s.current;
    CrcOutputStream crc_out(output);
    MemberSource source(s.in, s.data_left);
    Status st;
    switch (e.method) {
        case Method::Lhd:
            return Status::ok();
        case Method::Lh0: {
            if (e.packed_size != e.original_size) return Status::data_error("stored member sizes differ");
            const std::uint8_t *begin, *end;
            std::uint64_t done = 0;
            while (source.next_chunk(begin, end)) {
                LZH_TRY(crc_out.write(begin, static_cast<std::size_t>(end - begin)));
                done += static_cast<std::uint64_t>(end - begin);
                if (progress && !progress(done, e.original_size)) return Status::aborted();
            }
            break;
        }
        case Method::Lh5:
        case Method::Lh6:
        case Method::Lh7:
            st = detail::lh_decode(*detail::lh_params(e.method), source, e.original_size, crc_out, progress);
            break;
        case Method::Unknown:
            return Status::unsupported("compression method " + e.method_id);
    }
    if (!s.in.status().is_ok()) {
        s.broken = true;
        return s.in.status();
    }
    if (!st.is_ok()) return st;
    if (crc_out.count() != e.original_size) {
        s.broken = true;
        return Status::data_error("archive is truncated inside member data");
    }
    if (crc_out.crc() != e.crc) return Status::data_error("CRC mismatch");
    return Status::ok();
}

Status Reader::test(const ProgressFn& progress) {
    NullOutputStream sink;
    return extract(sink, progress);
}

}  // namespace lzh
