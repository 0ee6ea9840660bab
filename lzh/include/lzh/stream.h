// Abstract byte streams the codec reads from and writes to, plus file, memory and CRC adapters.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "lzh/status.h"

namespace lzh {

// Called with (bytes done, bytes total); return false to abort the operation.
using ProgressFn = std::function<bool(std::uint64_t done, std::uint64_t total)>;

class InputStream {
public:
    virtual ~InputStream() = default;
    // Reads up to `size` bytes; `got` < size only at end of stream.
    virtual Status read(std::uint8_t* buffer, std::size_t size, std::size_t& got) = 0;
    // Skips forward; the default reads and discards.
    virtual Status skip(std::uint64_t count);
    // Back to the start, if the stream can; the writer uses it to re-read a member it stores.
    virtual bool rewind() { return false; }
    // Total length, if known (for progress).
    virtual std::optional<std::uint64_t> size() const { return std::nullopt; }
};

class OutputStream {
public:
    virtual ~OutputStream() = default;
    virtual Status write(const std::uint8_t* data, std::size_t size) = 0;
};

class SeekableOutputStream : public OutputStream {
public:
    virtual Status tell(std::uint64_t& position) = 0;
    virtual Status seek(std::uint64_t position) = 0;
    // Cuts the stream to `length` bytes (a member rewritten shorter leaves a tail otherwise).
    virtual Status truncate(std::uint64_t length) = 0;
};

// Discards everything: used by "test" mode.
class NullOutputStream final : public OutputStream {
public:
    Status write(const std::uint8_t*, std::size_t) override { return Status::ok(); }
};

// Passes data through while keeping a CRC-16 and a byte count of it.
class CrcOutputStream final : public OutputStream {
public:
    explicit CrcOutputStream(OutputStream& inner) : inner_(inner) {}
    Status write(const std::uint8_t* data, std::size_t size) override;
    std::uint16_t crc() const { return crc_; }
    std::uint64_t count() const { return count_; }

private:
    OutputStream& inner_;
    std::uint16_t crc_ = 0;
    std::uint64_t count_ = 0;
};

class MemoryInputStream final : public InputStream {
public:
    MemoryInputStream(const void* data, std::size_t size)
        : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}
    explicit MemoryInputStream(const std::vector<std::uint8_t>& v) : MemoryInputStream(v.data(), v.size()) {}
    Status read(std::uint8_t* buffer, std::size_t size, std::size_t& got) override;
    Status skip(std::uint64_t count) override;
    bool rewind() override { pos_ = 0; return true; }
    std::optional<std::uint64_t> size() const override { return size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

class MemoryOutputStream final : public SeekableOutputStream {
public:
    Status write(const std::uint8_t* data, std::size_t size) override;
    Status tell(std::uint64_t& position) override { position = pos_; return Status::ok(); }
    Status seek(std::uint64_t position) override;
    Status truncate(std::uint64_t length) override;
    const std::vector<std::uint8_t>& data() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
    std::size_t pos_ = 0;
};

class FileInputStream final : public InputStream {
public:
    ~FileInputStream() override;
    Status open(const std::filesystem::path& path);
    Status read(std::uint8_t* buffer, std::size_t size, std::size_t& got) override;
    Status skip(std::uint64_t count) override;
    bool rewind() override;
    std::optional<std::uint64_t> size() const override { return size_; }

private:
    std::FILE* file_ = nullptr;
    std::optional<std::uint64_t> size_;
};

class FileOutputStream final : public SeekableOutputStream {
public:
    ~FileOutputStream() override;
    Status open(const std::filesystem::path& path);  // creates or truncates
    // Creates the file only when nothing of that name stands there, in one call, so that nothing that
    // appears meanwhile is truncated; otherwise sets `existed` and opens nothing.
    Status create_new(const std::filesystem::path& path, bool& existed);
    Status write(const std::uint8_t* data, std::size_t size) override;
    Status tell(std::uint64_t& position) override;
    Status seek(std::uint64_t position) override;
    Status truncate(std::uint64_t length) override;
    // Flushes and closes; a failure here means the data may not be on disk.
    Status close();

private:
    std::FILE* file_ = nullptr;
};

}  // namespace lzh
