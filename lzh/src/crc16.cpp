// Table-driven CRC-16 (0xA001), four bytes per step for the member-data hot path.
#include "lzh/crc16.h"

#include <array>

namespace lzh {
namespace {

using Tables = std::array<std::array<std::uint16_t, 256>, 4>;

constexpr Tables make_tables() {
    Tables t{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t c = static_cast<std::uint16_t>(i);
        for (int k = 0; k < 8; ++k) c = (c & 1) ? static_cast<std::uint16_t>((c >> 1) ^ 0xA001) : (c >> 1);
        t[0][i] = c;
    }
    for (unsigned i = 0; i < 256; ++i)
        for (int k = 1; k < 4; ++k)
            t[k][i] = static_cast<std::uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
    return t;
}

constexpr Tables kTables = make_tables();

}  // namespace

std::uint16_t crc16_update(std::uint16_t crc, const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::uint32_t c = crc;
    while (size >= 4) {
        c ^= static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
        c = kTables[3][c & 0xFF] ^ kTables[2][(c >> 8) & 0xFF] ^ kTables[1][p[2]] ^ kTables[0][p[3]];
        p += 4;
        size -= 4;
    }
    while (size--) c = (c >> 8) ^ kTables[0][(c ^ *p++) & 0xFF];
    return static_cast<std::uint16_t>(c);
}

}  // namespace lzh
