#pragma once

#include <cstddef>
#include <cstdint>

namespace sw {

// CRC-32 of APPNOTE 4.4.7 (the reflected polynomial 0xEDB88320, as in ISO 3309).
// Pass the previous result to continue over more data; start from 0.
std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// One step of the bare register update (no pre/post inversion); the traditional
// encryption's key schedule (APPNOTE 6.1.5) uses it.
std::uint32_t crc32Byte(std::uint32_t crcRegister, std::uint8_t byte);

} // namespace sw
