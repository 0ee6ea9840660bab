// MSB-first bit writer and reader used by the lh5/6/7 coder.
#pragma once

#include <cstdint>
#include <vector>

#include "lzh/stream.h"

namespace lzh::detail {

class BitWriter {
public:
    explicit BitWriter(OutputStream& out) : out_(out), buffer_(kBufferSize) {}

    // Appends the low `n` bits of `value` (n <= 24).
    void put(unsigned n, std::uint32_t value) {
        acc_ = (acc_ << n) | value;
        count_ += n;
        if (count_ >= 32) {
            count_ -= 32;
            std::uint32_t w = static_cast<std::uint32_t>(acc_ >> count_);
            std::uint8_t* p = buffer_.data() + used_;
            p[0] = static_cast<std::uint8_t>(w >> 24);
            p[1] = static_cast<std::uint8_t>(w >> 16);
            p[2] = static_cast<std::uint8_t>(w >> 8);
            p[3] = static_cast<std::uint8_t>(w);
            used_ += 4;
            if (used_ + 8 > buffer_.size()) drain();
        }
    }

    // Pads the last byte with zero bits and hands everything to the stream.
    Status finish() {
        while (count_ >= 8) {
            count_ -= 8;
            buffer_[used_++] = static_cast<std::uint8_t>(acc_ >> count_);
        }
        if (count_ > 0) {
            buffer_[used_++] = static_cast<std::uint8_t>(acc_ << (8 - count_));
            count_ = 0;
        }
        drain();
        return status_;
    }

    // Bytes produced so far, including those still buffered.
    std::uint64_t bytes() const { return flushed_ + used_ + count_ / 8; }
    const Status& status() const { return status_; }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    void drain() {
        if (status_.is_ok() && used_) status_ = out_.write(buffer_.data(), used_);
        flushed_ += used_;
        used_ = 0;
    }

    OutputStream& out_;
    std::vector<std::uint8_t> buffer_;
    std::size_t used_ = 0;
    std::uint64_t acc_ = 0;
    unsigned count_ = 0;
    std::uint64_t flushed_ = 0;
    Status status_;
};

// Supplies compressed bytes in chunks; returns false at the end of the member's data.
class ChunkSource {
public:
    virtual ~ChunkSource() = default;
    virtual bool next_chunk(const std::uint8_t*& begin, const std::uint8_t*& end) = 0;
};

// Reads past the end as zero bits but remembers it, so truncated data is caught by overrun().
class BitReader {
public:
    explicit BitReader(ChunkSource& source) : source_(source) {}

    std::uint32_t peek(unsigned n) {
        if (count_ < n) refill();
        return static_cast<std::uint32_t>(bits_ >> (count_ - n)) & ((1u << n) - 1);
    }
    void drop(unsigned n) { count_ -= n; }
    std::uint32_t get(unsigned n) {
        if (n == 0) return 0;
        std::uint32_t v = peek(n);
        count_ -= n;
        return v;
    }
    // True once more bits were consumed than the data holds.
    bool overrun() const { return zero_bytes_ * 8 > count_; }

private:
    void refill() {
        while (count_ <= 56) {
            if (pos_ == end_ && (exhausted_ || !source_.next_chunk(pos_, end_))) {
                exhausted_ = true;
                pos_ = end_ = nullptr;
                bits_ <<= 8;
                count_ += 8;
                ++zero_bytes_;
                continue;
            }
            bits_ = (bits_ << 8) | *pos_++;
            count_ += 8;
        }
    }

    ChunkSource& source_;
    const std::uint8_t* pos_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    std::uint64_t bits_ = 0;
    unsigned count_ = 0;
    std::uint64_t zero_bytes_ = 0;
    bool exhausted_ = false;
};

}  // namespace lzh::detail
