// Stream adapters: CRC pass-through, memory buffers and stdio-backed files.
#include "lzh/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "lzh/crc16.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace lzh {

const char* to_string(StatusCode code) {
    switch (code) {
        case StatusCode::Ok: return "ok";
        case StatusCode::DataError: return "data error";
        case StatusCode::Unsupported: return "unsupported";
        case StatusCode::IoError: return "i/o error";
        case StatusCode::Aborted: return "aborted";
    }
    return "?";
}

Status InputStream::skip(std::uint64_t count) {
    std::uint8_t buffer[16384];
    while (count > 0) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(count, sizeof buffer));
        std::size_t got = 0;
        LZH_TRY(read(buffer, want, got));
        if (got == 0) return Status::data_error("unexpected end of archive");
        count -= got;
    }
    return Status::ok();
}

Status CrcOutputStream::write(const std::uint8_t* data, std::size_t size) {
    crc_ = crc16_update(crc_, data, size);
    count_ += size;
    return inner_.write(data, size);
}

Status MemoryInputStream::read(std::uint8_t* buffer, std::size_t size, std::size_t& got) {
    got = std::min(size, size_ - pos_);
    if (got) std::memcpy(buffer, data_ + pos_, got);
    pos_ += got;
    return Status::ok();
}

Status MemoryInputStream::skip(std::uint64_t count) {
    if (count > size_ - pos_) {
        pos_ = size_;
        return Status::data_error("unexpected end of archive");
    }
    pos_ += static_cast<std::size_t>(count);
    return Status::ok();
}

Status MemoryOutputStream::write(const std::uint8_t* data, std::size_t size) {
    if (pos_ + size > data_.size()) data_.resize(pos_ + size);
    if (size) std::memcpy(data_.data() + pos_, data, size);
    pos_ += size;
    return Status::ok();
}

Status MemoryOutputStream::seek(std::uint64_t position) {
    if (position > data_.size()) return Status::io_error("seek past end");
    pos_ = static_cast<std::size_t>(position);
    return Status::ok();
}

Status MemoryOutputStream::truncate(std::uint64_t length) {
    if (length < data_.size()) data_.resize(static_cast<std::size_t>(length));
    pos_ = std::min(pos_, data_.size());
    return Status::ok();
}

namespace {

std::FILE* open_file(const std::filesystem::path& path, bool write) {
#ifdef _WIN32
    return _wfopen(path.c_str(), write ? L"w+b" : L"rb");
#else
    return std::fopen(path.c_str(), write ? "w+b" : "rb");
#endif
}

// Creates the file only when the name is free, in one call. Null with `existed` set when it is taken; a
// folder or a file being deleted holds a name as "access denied" on Windows.
std::FILE* create_file(const std::filesystem::path& path, bool& existed) {
#ifdef _WIN32
    const int fd = _wopen(path.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
    if (fd < 0) {
        const int error = errno;
        std::error_code ec;
        existed = error == EEXIST || (error == EACCES && std::filesystem::exists(path, ec));
        errno = error;
        return nullptr;
    }
#ifdef _WIN32
    std::FILE* f = _fdopen(fd, "w+b");
    if (!f) _close(fd);
#else
    std::FILE* f = fdopen(fd, "w+b");
    if (!f) ::close(fd);
#endif
    return f;
}

int seek_file(std::FILE* f, std::uint64_t pos, int whence) {
#ifdef _WIN32
    return _fseeki64(f, static_cast<long long>(pos), whence);
#else
    return fseeko(f, static_cast<off_t>(pos), whence);
#endif
}

std::int64_t tell_file(std::FILE* f) {
#ifdef _WIN32
    return _ftelli64(f);
#else
    return ftello(f);
#endif
}

Status errno_status(const char* what) {
    return Status::io_error(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

FileInputStream::~FileInputStream() {
    if (file_) std::fclose(file_);
}

Status FileInputStream::open(const std::filesystem::path& path) {
    if (file_) std::fclose(file_);
    file_ = open_file(path, false);
    if (!file_) return errno_status("cannot open file for reading");
    std::error_code ec;
    auto length = std::filesystem::file_size(path, ec);
    if (!ec) size_ = length;
    return Status::ok();
}

Status FileInputStream::read(std::uint8_t* buffer, std::size_t size, std::size_t& got) {
    got = std::fread(buffer, 1, size, file_);
    if (got < size && std::ferror(file_)) return errno_status("read failed");
    return Status::ok();
}

Status FileInputStream::skip(std::uint64_t count) {
    std::int64_t here = tell_file(file_);
    if (here < 0 || !size_) return InputStream::skip(count);
    if (static_cast<std::uint64_t>(here) + count > *size_) return Status::data_error("unexpected end of archive");
    if (seek_file(file_, count, SEEK_CUR) != 0) return errno_status("seek failed");
    return Status::ok();
}

bool FileInputStream::rewind() {
    return file_ && seek_file(file_, 0, SEEK_SET) == 0;
}

FileOutputStream::~FileOutputStream() {
    if (file_) std::fclose(file_);
}

Status FileOutputStream::open(const std::filesystem::path& path) {
    if (file_) std::fclose(file_);
    file_ = open_file(path, true);
    if (!file_) return errno_status("cannot create file");
    return Status::ok();
}

Status FileOutputStream::create_new(const std::filesystem::path& path, bool& existed) {
    if (file_) std::fclose(file_);
    existed = false;
    file_ = create_file(path, existed);
    if (!file_ && !existed) return errno_status("cannot create file");
    return Status::ok();
}

Status FileOutputStream::write(const std::uint8_t* data, std::size_t size) {
    if (!file_) return Status::io_error("file not open");
    if (size && std::fwrite(data, 1, size, file_) != size) return errno_status("write failed");
    return Status::ok();
}

Status FileOutputStream::tell(std::uint64_t& position) {
    std::int64_t p = file_ ? tell_file(file_) : -1;
    if (p < 0) return errno_status("tell failed");
    position = static_cast<std::uint64_t>(p);
    return Status::ok();
}

Status FileOutputStream::seek(std::uint64_t position) {
    if (!file_ || seek_file(file_, position, SEEK_SET) != 0) return errno_status("seek failed");
    return Status::ok();
}

Status FileOutputStream::truncate(std::uint64_t length) {
    if (!file_ || std::fflush(file_) != 0) return errno_status("flush failed");
#ifdef _WIN32
    if (_chsize_s(_fileno(file_), static_cast<long long>(length)) != 0) return errno_status("truncate failed");
#else
    if (ftruncate(fileno(file_), static_cast<off_t>(length)) != 0) return errno_status("truncate failed");
#endif
    return Status::ok();
}

Status FileOutputStream::close() {
    if (!file_) return Status::ok();
    bool bad = std::fflush(file_) != 0 || std::ferror(file_);
    bad = (std::fclose(file_) != 0) || bad;
    file_ = nullptr;
    return bad ? errno_status("closing file failed") : Status::ok();
}

}  // namespace lzh
