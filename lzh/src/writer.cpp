// Writer: header placeholder, compressed (or stored) data, then the header patched in place.
#include "lzh/writer.h"

#include "header_codec.h"
#include "lh_codec.h"
#include "lzh/crc16.h"

namespace lzh {

namespace {

// Counts what the encoder emits so the writer knows the packed size.
class CountingOutput final : public OutputStream {
public:
    explicit CountingOutput(OutputStream& inner) : inner_(inner) {}
    Status write(const std::uint8_t* data, std::size_t size) override {
        count += size;
        return inner_.write(data, size);
    }
    std::uint64_t count = 0;

private:
    OutputStream& inner_;
};

}  // namespace

struct Writer::Impl {
    Impl(SeekableOutputStream& o, WriterOptions opt) : out(o), options(opt) {}
    SeekableOutputStream& out;
    WriterOptions options;
    std::unique_ptr<detail::LhEncoder> encoder;
    std::uint64_t end = 0;  // where the next member goes
    bool started = false;
    bool failed = false;
    bool finished = false;
    Entry last;

    Status fail(Status s) {
        failed = true;
        return s;
    }

    Status begin() {
        if (failed) return Status::io_error("writer failed earlier");
        if (finished) return Status::io_error("archive already finished");
        if (!started) {
            LZH_TRY(out.tell(end));
            started = true;
        }
        if (options.header_level != 1 && options.header_level != 2)
            return Status::unsupported("can only write header levels 1 and 2");
        return Status::ok();
    }

    Entry make_entry(const MemberInfo& info, Method method) const {
        Entry e;
        e.name = info.name;
        while (!e.name.empty() && e.name.back() == '/') e.name.pop_back();
        e.unicode_name = info.unicode_name;
        while (!e.unicode_name.empty() && e.unicode_name.back() == '/') e.unicode_name.pop_back();
        e.method = method;
        e.method_id = method_id(method);
        e.mtime = info.mtime;
        e.attributes = info.attributes;
        e.header_level = options.header_level;
        e.os_id = options.os_id;
        return e;
    }

    Status store(InputStream& data, const ProgressFn& progress, std::uint64_t total, Entry& e) {
        std::vector<std::uint8_t> buf(64 * 1024);
        std::uint16_t crc = 0;
        std::uint64_t n = 0;
        for (;;) {
            std::size_t got = 0;
            LZH_TRY(data.read(buf.data(), buf.size(), got));
            if (got == 0) break;
            crc = crc16_update(crc, buf.data(), got);
            n += got;
            LZH_TRY(out.write(buf.data(), got));
            if (progress && !progress(n, total)) return Status::aborted();
        }
        e.method = Method::Lh0;
        e.method_id = method_id(Method::Lh0);
        e.crc = crc;
        e.original_size = e.packed_size = n;
        return Status::ok();
    }

    Status add_file(const MemberInfo& info, InputStream& data, const ProgressFn& progress) {
        LZH_TRY(begin());
        if (info.size_hint > 0xFFFFFFFFull) return Status::unsupported("members over 4 GiB are not supported");
        Entry e = make_entry(info, options.method);
        std::vector<std::uint8_t> header;
        LZH_TRY(build_header_checked(e, header));
        LZH_TRY(out.seek(end));
        LZH_TRY(out.write(header.data(), header.size()));
        const std::uint64_t data_at = end + header.size();

        const detail::MethodParams* params = detail::lh_params(options.method);
        bool stored = params == nullptr;
        if (params) {
            const bool can_rewind = data.rewind();
            if (!encoder) encoder = std::make_unique<detail::LhEncoder>(*params, detail::encoder_tuning(*params, options.smallest));
            CountingOutput counted(out);
            detail::EncodeResult r;
            // Without a way back to the start the compressed form has to stay, bigger or not.
            const std::uint64_t give_up = can_rewind && info.size_hint ? info.size_hint : UINT64_MAX;
            LZH_TRY(encoder->encode(data, counted, give_up, progress, info.size_hint, r));
            if (can_rewind && (r.gave_up || r.output_bytes >= r.input_bytes)) {
                if (!data.rewind()) return Status::io_error("cannot re-read input to store it");
                LZH_TRY(out.seek(data_at));
                stored = true;
            } else {
                e.crc = r.crc;
                e.original_size = r.input_bytes;
                e.packed_size = r.output_bytes;
            }
        }
        if (stored) LZH_TRY(store(data, progress, info.size_hint, e));

        LZH_TRY(build_header_checked(e, header));
        LZH_TRY(out.seek(end));
        LZH_TRY(out.write(header.data(), header.size()));
        end = data_at + e.packed_size;
        LZH_TRY(out.seek(end));
        last = e;
        return Status::ok();
    }

    Status build_header_checked(const Entry& e, std::vector<std::uint8_t>& header) {
        std::size_t before = header.size();
        LZH_TRY(detail::build_header(e, header));
        if (before && header.size() != before) return Status::io_error("header size changed");
        return Status::ok();
    }

    Status add_directory(const MemberInfo& info) {
        LZH_TRY(begin());
        Entry e = make_entry(info, Method::Lhd);
        e.attributes |= attr::Directory;
        std::vector<std::uint8_t> header;
        LZH_TRY(detail::build_header(e, header));
        LZH_TRY(out.seek(end));
        LZH_TRY(out.write(header.data(), header.size()));
        end += header.size();
        return Status::ok();
    }

    Status finish() {
        LZH_TRY(begin());
        const std::uint8_t marker = 0;
        LZH_TRY(out.seek(end));
        LZH_TRY(out.write(&marker, 1));
        LZH_TRY(out.truncate(end + 1));
        finished = true;
        return Status::ok();
    }
};

Writer::Writer(SeekableOutputStream& output, WriterOptions options)
    : impl_(std::make_unique<Impl>(output, options)) {}
Writer::~Writer() = default;

Status Writer::add_file(const MemberInfo& info, InputStream& data, const ProgressFn& progress) {
    Status s = impl_->add_file(info, data, progress);
    return s.is_ok() ? s : impl_->fail(s);
}

Status Writer::add_directory(const MemberInfo& info) {
    Status s = impl_->add_directory(info);
    return s.is_ok() ? s : impl_->fail(s);
}

Status Writer::finish() {
    Status s = impl_->finish();
    return s.is_ok() ? s : impl_->fail(s);
}

const Entry& Writer::last_entry() const { return impl_->last; }

}  // namespace lzh
