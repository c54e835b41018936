#include "archive/crc32.h"

#include <array>
#include <cstring>

namespace sw {

namespace {

// Slicing-by-8: kTables[k][b] is the CRC of byte b followed by k zero bytes, so eight
// input bytes are folded in with eight independent lookups per step.
struct CrcTables {
    std::array<std::array<std::uint32_t, 256>, 8> t{};
    constexpr CrcTables() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            t[0][i] = c;
        }
        for (std::size_t i = 0; i < 256; ++i)
            for (std::size_t k = 1; k < 8; ++k)
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

constexpr CrcTables kTables;

} // namespace

std::uint32_t crc32Byte(std::uint32_t crcRegister, std::uint8_t byte) {
    return (crcRegister >> 8) ^ kTables.t[0][(crcRegister ^ byte) & 0xFF];
}

std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    std::uint32_t c = ~crc;
    const auto& t = kTables.t;
    while (size >= 8) {
        std::uint32_t lo;
        std::uint32_t hi;
        std::memcpy(&lo, data, 4);
        std::memcpy(&hi, data + 4, 4);
        lo ^= c; // little-endian hosts only, as everything this program runs on
        c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
            t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
        data += 8;
        size -= 8;
    }
    while (size--)
        c = (c >> 8) ^ t[0][(c ^ *data++) & 0xFF];
    return ~c;
}

} // namespace sw
