// CP932 <-> UTF-8 name conversion through glibc iconv (not built for Windows).
#ifndef _WIN32

#include <iconv.h>

#include <cerrno>
#include <mutex>

#include "lzh/folder.h"

namespace lzh {

namespace {

bool convert(iconv_t cd, const std::string& in, std::string& out) {
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.assign(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t src_left = in.size();
    char* dst = out.data();
    std::size_t dst_left = out.size();
    if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1)) return false;
    if (iconv(cd, nullptr, nullptr, &dst, &dst_left) == static_cast<std::size_t>(-1)) return false;
    out.resize(out.size() - dst_left);
    return true;
}

}  // namespace

struct Cp932NameCodec::Impl {
    iconv_t to_cp932 = iconv_open("CP932", "UTF-8");
    iconv_t from_cp932 = iconv_open("UTF-8", "CP932");
    std::mutex mutex;
    ~Impl() {
        if (to_cp932 != reinterpret_cast<iconv_t>(-1)) iconv_close(to_cp932);
        if (from_cp932 != reinterpret_cast<iconv_t>(-1)) iconv_close(from_cp932);
    }
};

Cp932NameCodec::Cp932NameCodec() : impl_(std::make_unique<Impl>()) {}
Cp932NameCodec::~Cp932NameCodec() = default;

bool Cp932NameCodec::available() const {
    return impl_->to_cp932 != reinterpret_cast<iconv_t>(-1) && impl_->from_cp932 != reinterpret_cast<iconv_t>(-1);
}

bool Cp932NameCodec::to_archive(const std::filesystem::path& component, std::string& bytes) {
    std::lock_guard lock(impl_->mutex);
    return convert(impl_->to_cp932, component.string(), bytes);
}

bool Cp932NameCodec::stand_in(const std::filesystem::path& component, std::string& bytes) {
    std::lock_guard lock(impl_->mutex);
    bytes.clear();
    const std::string name = component.string();
    for (std::size_t i = 0; i < name.size();) {
        std::size_t n = 1;
        const auto b = static_cast<unsigned char>(name[i]);
        if (b >= 0xF0) n = 4;
        else if (b >= 0xE0) n = 3;
        else if (b >= 0xC0) n = 2;
        std::string one;
        bytes += convert(impl_->to_cp932, name.substr(i, n), one) ? one : std::string("_");
        i += n;
    }
    return !bytes.empty();
}

bool Cp932NameCodec::from_archive(const std::string& bytes, std::filesystem::path& component) {
    std::lock_guard lock(impl_->mutex);
    std::string utf8;
    component = std::filesystem::path(convert(impl_->from_cp932, bytes, utf8) ? utf8 : bytes);
    return true;
}

}  // namespace lzh

#endif
