// Member headers: levels 0, 1 and 2 in, levels 1 and 2 out; name normalising and checks.
#include "header_codec.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "lzh/crc16.h"

namespace lzh {

const char* method_id(Method method) {
    switch (method) {
        case Method::Lh0: return "-lh0-";
        case Method::Lh5: return "-lh5-";
        case Method::Lh6: return "-lh6-";
        case Method::Lh7: return "-lh7-";
        case Method::Lhd: return "-lhd-";
        case Method::Unknown: break;
    }
    return "";
}

Status split_safe_name(const std::string& name, std::vector<std::string>& components) {
    components.clear();
    if (name.find('\0') != std::string::npos) return Status::data_error("member name contains a NUL byte");
    if (!name.empty() && (name[0] == '/' || name[0] == '\\'))
        return Status::data_error("member name is absolute: " + name);
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        std::string part = name.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") return Status::data_error("member name leaves the destination: " + name);
        // ':' would be a drive ("C:") or an alternate data stream on Windows.
        if (part.find(':') != std::string::npos) return Status::data_error("member name has a drive or stream: " + name);
        components.push_back(std::move(part));
    }
    return Status::ok();
}

std::uint32_t unix_to_dos_time(std::int64_t unix_time) {
    std::time_t t = static_cast<std::time_t>(unix_time);
    std::tm tm{};
#ifdef _WIN32
    if (localtime_s(&tm, &t) != 0) return 0x00210000;
#else
    if (!localtime_r(&t, &tm)) return 0x00210000;
#endif
    if (tm.tm_year < 80) return 0x00210000;  // 1980-01-01, the earliest DOS date
    if (tm.tm_year > 207) tm.tm_year = 207;
    return (static_cast<std::uint32_t>(tm.tm_year - 80) << 25) | (static_cast<std::uint32_t>(tm.tm_mon + 1) << 21) |
           (static_cast<std::uint32_t>(tm.tm_mday) << 16) | (static_cast<std::uint32_t>(tm.tm_hour) << 11) |
           (static_cast<std::uint32_t>(tm.tm_min) << 5) | (static_cast<std::uint32_t>(tm.tm_sec) / 2);
}

std::int64_t dos_to_unix_time(std::uint32_t dos) {
    std::tm tm{};
    tm.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
    tm.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
    tm.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
    tm.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
    tm.tm_min = static_cast<int>((dos >> 5) & 0x3F);
    tm.tm_sec = static_cast<int>((dos & 0x1F) * 2);
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm);
    return t == static_cast<std::time_t>(-1) ? 0 : static_cast<std::int64_t>(t);
}

namespace detail {
namespace {

constexpr std::uint64_t kMaxExtendedBytes = 1 << 20;

std::uint16_t get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t get32(const std::uint8_t* p) { return get16(p) | (static_cast<std::uint32_t>(get16(p + 2)) << 16); }
std::uint64_t get64(const std::uint8_t* p) { return get32(p) | (static_cast<std::uint64_t>(get32(p + 4)) << 32); }
void put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

bool is_sjis_lead(std::uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

Method method_from_id(const std::string& id) {
    for (Method m : {Method::Lh0, Method::Lh5, Method::Lh6, Method::Lh7, Method::Lhd})
        if (id == method_id(m)) return m;
    return Method::Unknown;
}

Status truncated() { return Status::data_error("archive is truncated inside a header"); }

struct ExtendedFields {
    std::string file_name, dir_name;
    std::string unicode_file, unicode_dir;  // UTF-16LE bytes as found
    bool has_file_name = false, has_unicode = false;
    bool has_unix_time = false, has_windows_time = false;
    std::int64_t unix_time = 0, windows_time = 0;
    bool has_attributes = false;
    std::uint8_t attributes = 0;
    bool has_large_sizes = false;
    std::uint64_t packed = 0, original = 0;
    long crc_offset = -1;  // offset of the header CRC within the collected header bytes
    std::uint16_t header_crc = 0;
};

// One extended header: type byte, payload; `offset` is where it starts in the header bytes.
Status apply_extended(const std::uint8_t* h, std::size_t size, std::size_t offset, ExtendedFields& x) {
    const std::uint8_t type = h[0];
    const std::uint8_t* d = h + 1;
    const std::size_t n = size - 3;  // without type and next-size
    switch (type) {
        case 0x00:
            if (n >= 2) {
                x.crc_offset = static_cast<long>(offset + 1);
                x.header_crc = get16(d);
            }
            break;
        case 0x01:
            x.file_name.assign(reinterpret_cast<const char*>(d), n);
            x.has_file_name = true;
            break;
        case 0x02:
            x.dir_name.assign(reinterpret_cast<const char*>(d), n);
            break;
        case 0x44:
            x.unicode_file.assign(reinterpret_cast<const char*>(d), n);
            x.has_unicode = true;
            break;
        case 0x45:
            x.unicode_dir.assign(reinterpret_cast<const char*>(d), n);
            x.has_unicode = true;
            break;
        case 0x40:
            if (n >= 1) {
                x.attributes = d[0];
                x.has_attributes = true;
            }
            break;
        case 0x41:
            if (n >= 16) {
                std::uint64_t ft = get64(d + 8);  // last write, 100 ns ticks since 1601
                x.windows_time = static_cast<std::int64_t>(ft / 10000000ULL) - 11644473600LL;
                x.has_windows_time = true;
            }
            break;
        case 0x42:
            if (n >= 16) {
                x.packed = get64(d);
                x.original = get64(d + 8);
                x.has_large_sizes = true;
            }
            break;
        case 0x54:
            if (n >= 4) {
                x.unix_time = static_cast<std::int32_t>(get32(d));
                x.has_unix_time = true;
            }
            break;
        default:
            break;
    }
    return Status::ok();
}

void put_utf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16LE to UTF-8, with U+FFFF, '\\' and '/' read as folder separators ('/'). False for text that is not
// UTF-16 (a lone surrogate, an odd length): the member then keeps its code-page name.
bool utf16_to_utf8(const std::string& bytes, std::string& out) {
    out.clear();
    if (bytes.size() % 2 != 0) return false;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t c = static_cast<std::uint8_t>(bytes[i]) | (static_cast<std::uint8_t>(bytes[i + 1]) << 8);
        if (c >= 0xD800 && c < 0xDC00) {
            if (i + 3 >= bytes.size()) return false;
            const std::uint32_t low = static_cast<std::uint8_t>(bytes[i + 2]) | (static_cast<std::uint8_t>(bytes[i + 3]) << 8);
            if (low < 0xDC00 || low >= 0xE000) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (c >= 0xDC00 && c < 0xE000) {
            return false;
        }
        if (c == 0xFFFF || c == '\\') c = '/';
        put_utf8(out, c);
    }
    return true;
}

// UTF-8 to UTF-16LE; false for text that is not UTF-8.
bool utf8_to_utf16(const std::string& text, std::vector<std::uint8_t>& out) {
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size() + (extra == 0 ? 1 : 0)) return false;
        std::uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto t = static_cast<std::uint8_t>(text[i + static_cast<std::size_t>(k)]);
            if ((t & 0xC0) != 0x80) return false;
            c = (c << 6) | (t & 0x3F);
        }
        i += static_cast<std::size_t>(extra) + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            put16(out, 0xD800 + (c >> 10));
            put16(out, 0xDC00 + (c & 0x3FF));
        } else {
            put16(out, c);
        }
    }
    return true;
}

}  // namespace

std::string normalise_separators(const std::string& raw) {
    std::string s = raw;
    for (std::size_t i = 0; i < s.size(); ++i) {
        auto b = static_cast<std::uint8_t>(s[i]);
        if (is_sjis_lead(b) && i + 1 < s.size()) {
            ++i;  // the trail byte may be 0x5C and is part of the character
        } else if (b == '\\' || b == 0xFF) {
            s[i] = '/';
        }
    }
    return s;
}

Status ArchiveInput::read(std::uint8_t* out, std::size_t n, std::size_t& got) {
    got = 0;
    while (got < n) {
        if (pos_ == len_ && !refill()) break;
        std::size_t take = std::min(n - got, len_ - pos_);
        std::memcpy(out + got, buffer_.data() + pos_, take);
        pos_ += take;
        got += take;
        position_ += take;
    }
    return status_;
}

Status ArchiveInput::skip(std::uint64_t n) {
    std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n, len_ - pos_));
    pos_ += take;
    position_ += take;
    n -= take;
    if (n == 0) return Status::ok();
    Status s = in_.skip(n);
    if (s.is_ok()) position_ += n;
    return s;
}

bool ArchiveInput::refill() {
    if (!status_.is_ok()) return false;
    std::size_t got = 0;
    status_ = in_.read(buffer_.data(), buffer_.size(), got);
    pos_ = 0;
    len_ = status_.is_ok() ? got : 0;
    return len_ > 0;
}

bool ArchiveInput::chunk(std::uint64_t limit, const std::uint8_t*& begin, const std::uint8_t*& end) {
    if (limit == 0) return false;
    if (pos_ == len_ && !refill()) return false;
    std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(limit, len_ - pos_));
    begin = buffer_.data() + pos_;
    end = begin + take;
    pos_ += take;
    position_ += take;
    return true;
}

Status parse_header(ArchiveInput& in, Entry& e, bool& has_entry) {
    has_entry = false;
    std::vector<std::uint8_t> h(22);
    std::size_t got = 0;
    LZH_TRY(in.read(h.data(), 1, got));
    // Every writer ends with a zero byte; without it later members may have been cut off.
    if (got == 0) return Status::data_error("archive is truncated (no end marker)");
    if (h[0] == 0) return Status::ok();
    LZH_TRY(in.read(h.data() + 1, 21, got));
    if (got < 21) return truncated();
    if (h[2] != '-' || h[6] != '-') return Status::data_error("not an LZH member header");

    e = Entry{};
    e.method_id.assign(reinterpret_cast<const char*>(h.data() + 2), 5);
    e.method = method_from_id(e.method_id);
    e.header_level = h[20];
    std::uint64_t packed = get32(h.data() + 7);
    e.original_size = get32(h.data() + 11);
    ExtendedFields x;
    std::string base_name;
    std::uint32_t stamp = get32(h.data() + 15);
    std::size_t header_bytes = 0;  // bytes of base header plus extended headers, for the CRC

    if (e.header_level == 0 || e.header_level == 1) {
        const std::size_t total = std::size_t{h[0]} + 2;
        if (total < 24) return Status::data_error("header too short");
        h.resize(total);
        LZH_TRY(in.read(h.data() + 22, total - 22, got));
        if (got < total - 22) return truncated();
        std::uint8_t sum = 0;
        for (std::size_t i = 2; i < total; ++i) sum = static_cast<std::uint8_t>(sum + h[i]);
        if (sum != h[1]) return Status::data_error("header checksum mismatch");
        const std::size_t name_len = h[21];
        const std::size_t need = 22 + name_len + 2 + (e.header_level == 1 ? 3 : 0);
        if (need > total) return Status::data_error("header too short for its name");
        base_name.assign(reinterpret_cast<const char*>(h.data() + 22), name_len);
        e.crc = get16(h.data() + 22 + name_len);
        e.mtime = dos_to_unix_time(stamp);
        e.attributes = h[19];
        header_bytes = total;
        if (e.header_level == 1) {
            e.os_id = h[22 + name_len + 2];
            std::uint16_t next = get16(h.data() + total - 2);
            std::uint64_t extended = 0;
            while (next != 0) {
                if (next < 3) return Status::data_error("bad extended header size");
                extended += next;
                if (extended > packed || extended > kMaxExtendedBytes)
                    return Status::data_error("extended headers overrun the member");
                std::size_t at = h.size();
                h.resize(at + next);
                LZH_TRY(in.read(h.data() + at, next, got));
                if (got < next) return truncated();
                LZH_TRY(apply_extended(h.data() + at, next, at, x));
                next = get16(h.data() + at + next - 2);
            }
            packed -= extended;
            header_bytes = h.size();
        }
    } else if (e.header_level == 2) {
        const std::size_t total = get16(h.data());
        if (total < 26) return Status::data_error("header too short");
        h.resize(total);
        LZH_TRY(in.read(h.data() + 22, total - 22, got));
        if (got < total - 22) return truncated();
        e.crc = get16(h.data() + 21);
        e.os_id = h[23];
        e.mtime = static_cast<std::int32_t>(stamp);
        std::size_t at = 24;
        std::uint16_t next = get16(h.data() + at);
        at += 2;
        while (next != 0) {
            if (next < 3 || at + next > total) return Status::data_error("bad extended header size");
            LZH_TRY(apply_extended(h.data() + at, next, at, x));
            at += next;
            next = get16(h.data() + at - 2);
        }
        header_bytes = at;  // anything after is padding
    } else if (e.header_level == 3) {
        return Status::unsupported("header level 3");
    } else {
        return Status::data_error("not an LZH member header (level " + std::to_string(e.header_level) + ")");
    }

    if (x.crc_offset >= 0) {
        std::vector<std::uint8_t> copy(h.begin(), h.end());
        copy[static_cast<std::size_t>(x.crc_offset)] = copy[static_cast<std::size_t>(x.crc_offset) + 1] = 0;
        bool match = crc16(copy.data(), header_bytes) == x.header_crc ||
                     crc16(copy.data(), copy.size()) == x.header_crc;
        if (!match) return Status::data_error("header CRC mismatch");
    }
    if (x.has_large_sizes) {
        packed = x.packed;
        e.original_size = x.original;
    }
    if (x.has_attributes) e.attributes = x.attributes;
    if (x.has_unix_time) e.mtime = x.unix_time;
    else if (x.has_windows_time && e.header_level < 2) e.mtime = x.windows_time;
    e.packed_size = packed;

    std::string name = normalise_separators(x.has_file_name ? x.file_name : base_name);
    std::string dir = normalise_separators(x.dir_name);
    if (!dir.empty() && dir.back() != '/' && !name.empty()) dir += '/';
    name = dir + name;
    while (!name.empty() && name.back() == '/') name.pop_back();
    e.name = std::move(name);
    if (x.has_unicode) {
        std::string ufile, udir;
        if (utf16_to_utf8(x.unicode_file, ufile) && utf16_to_utf8(x.unicode_dir, udir)) {
            while (!udir.empty() && udir.back() == '/') udir.pop_back();
            std::string exact = udir.empty() || ufile.empty() ? udir + ufile : udir + "/" + ufile;
            while (!exact.empty() && exact.back() == '/') exact.pop_back();
            e.unicode_name = std::move(exact);
        }
    }
    if (e.method == Method::Lhd) e.attributes |= attr::Directory;
    has_entry = true;
    return Status::ok();
}

Status build_header(const Entry& e, std::vector<std::uint8_t>& out) {
    std::string dir, base = e.name;
    if (auto slash = e.name.rfind('/'); slash != std::string::npos) {
        dir = e.name.substr(0, slash + 1);
        base = e.name.substr(slash + 1);
    }
    if (e.method == Method::Lhd) {
        dir = e.name.empty() ? std::string() : e.name + "/";
        base.clear();
    }
    std::replace(dir.begin(), dir.end(), '/', '\xFF');
    if (e.original_size > 0xFFFFFFFFull || e.packed_size > 0xFFFFFFFFull)
        return Status::unsupported("members over 4 GiB are not supported");

    std::vector<std::uint8_t> ext;  // extended headers, each ending with the next one's size
    std::vector<std::size_t> sizes;
    auto add_ext = [&](std::uint8_t type, const void* data, std::size_t n) {
        sizes.push_back(ext.size());
        ext.push_back(type);
        ext.insert(ext.end(), static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + n);
        put16(ext, 0);  // patched below
    };
    const std::uint8_t zero_crc[2] = {0, 0};
    add_ext(0x00, zero_crc, 2);
    // Level 1 readers split the base name field at '\\' even inside Shift-JIS characters, so
    // such names (and long ones) go into an extended header instead.
    bool name_in_ext = e.header_level == 1 && (base.size() > 200 || base.find('\\') != std::string::npos);
    if (e.header_level == 2 || name_in_ext) add_ext(0x01, base.data(), base.size());
    if (!dir.empty()) add_ext(0x02, dir.data(), dir.size());
    // The exact name beside the code-page one, as UTF-16: the file's in 0x44, its folders in 0x45 (each
    // followed by U+FFFF, as 0xFF follows each in 0x02). Readers that do not know them use the stand-in.
    if (!e.unicode_name.empty()) {
        std::string udir, ubase = e.unicode_name;
        if (auto slash = e.unicode_name.rfind('/'); slash != std::string::npos) {
            udir = e.unicode_name.substr(0, slash + 1);
            ubase = e.unicode_name.substr(slash + 1);
        }
        if (e.method == Method::Lhd) {
            udir = e.unicode_name + "/";
            ubase.clear();
        }
        std::vector<std::uint8_t> file16, dir16;
        if (!utf8_to_utf16(ubase, file16) || !utf8_to_utf16(udir, dir16)) return Status::unsupported("name is not UTF-8");
        for (std::size_t i = 0; i + 1 < dir16.size(); i += 2)
            if (dir16[i] == '/' && dir16[i + 1] == 0) dir16[i] = dir16[i + 1] = 0xFF;
        if (!file16.empty()) add_ext(0x44, file16.data(), file16.size());
        if (!dir16.empty()) add_ext(0x45, dir16.data(), dir16.size());
    }
    const std::uint8_t attributes[2] = {e.attributes, 0};
    add_ext(0x40, attributes, 2);
    std::vector<std::uint8_t> stamp;
    put32(stamp, static_cast<std::uint32_t>(e.mtime));
    add_ext(0x54, stamp.data(), 4);
    if (e.header_level == 2) {
        // A first byte of zero would read as the end marker: pad with an empty comment.
        std::size_t total = 26 + ext.size();
        if ((total & 0xFF) == 0) add_ext(0x3F, nullptr, 0);
    }
    // Every extended header carries the size of the one after it; the last says 0.
    auto ext_size = [&](std::size_t i) { return (i + 1 < sizes.size() ? sizes[i + 1] : ext.size()) - sizes[i]; };
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i) {
        std::size_t at = sizes[i] + ext_size(i) - 2;
        std::size_t next = ext_size(i + 1);
        ext[at] = static_cast<std::uint8_t>(next);
        ext[at + 1] = static_cast<std::uint8_t>(next >> 8);
    }
    const std::uint16_t first_ext = static_cast<std::uint16_t>(ext_size(0));

    out.clear();
    const char* id = method_id(e.method);
    if (e.header_level == 1) {
        std::string field = name_in_ext ? std::string() : base;
        const std::size_t base_total = 22 + field.size() + 2 + 1 + 2;
        if (base_total - 2 > 255) return Status::unsupported("name too long for header level 1");
        out.push_back(static_cast<std::uint8_t>(base_total - 2));
        out.push_back(0);  // checksum, below
        out.insert(out.end(), id, id + 5);
        put32(out, static_cast<std::uint32_t>(e.packed_size + ext.size()));
        put32(out, static_cast<std::uint32_t>(e.original_size));
        put32(out, unix_to_dos_time(e.mtime));
        out.push_back(0x20);
        out.push_back(1);
        out.push_back(static_cast<std::uint8_t>(field.size()));
        out.insert(out.end(), field.begin(), field.end());
        put16(out, e.crc);
        out.push_back(e.os_id);
        put16(out, first_ext);
        std::uint8_t sum = 0;
        for (std::size_t i = 2; i < out.size(); ++i) sum = static_cast<std::uint8_t>(sum + out[i]);
        out[1] = sum;
    } else if (e.header_level == 2) {
        const std::size_t total = 26 + ext.size();
        if (total > 0xFFFF) return Status::unsupported("name too long for the header");
        put16(out, static_cast<std::uint32_t>(total));
        out.insert(out.end(), id, id + 5);
        put32(out, static_cast<std::uint32_t>(e.packed_size));
        put32(out, static_cast<std::uint32_t>(e.original_size));
        put32(out, static_cast<std::uint32_t>(e.mtime));
        out.push_back(0x20);
        out.push_back(2);
        put16(out, e.crc);
        out.push_back(e.os_id);
        put16(out, first_ext);
    } else {
        return Status::unsupported("can only write header levels 1 and 2");
    }
    const std::size_t crc_at = out.size() + 1;
    out.insert(out.end(), ext.begin(), ext.end());
    std::uint16_t header_crc = crc16(out.data(), out.size());
    out[crc_at] = static_cast<std::uint8_t>(header_crc);
    out[crc_at + 1] = static_cast<std::uint8_t>(header_crc >> 8);
    return Status::ok();
}

}  // namespace detail
}  // namespace lzh
