// CRC-16 (reflected polynomial 0xA001, initial value 0) used for LZH member data and headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lzh {

std::uint16_t crc16_update(std::uint16_t crc, const void* data, std::size_t size);

inline std::uint16_t crc16(const void* data, std::size_t size) { return crc16_update(0, data, size); }

}  // namespace lzh
