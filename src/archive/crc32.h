#pragma once

#include <cstddef>
#include <cstdint>

namespace sw {

// CRC-32 of APPNOTE 4.4.7 (the reflected polynomial 0xEDB88320, as in ISO 3309).
// Pass the previous result to continue over more data; start from 0.
std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// The ways crc32Update can run: table lookups only, or folding long runs with 128-bit or
// (from 256 bytes) 512-bit carry-less multiplication. Best is the widest this CPU runs; the
// tests pick each one the CPU can run (crc32MethodRuns) to check them all.
enum class Crc32Method { Best, Table, Fold128, Fold512 };
bool crc32MethodRuns(Crc32Method method);
// crc32Update with `method`, which must be one that crc32MethodRuns; std::invalid_argument otherwise.
std::uint32_t crc32UpdateWith(Crc32Method method, std::uint32_t crc, const std::uint8_t* data,
                              std::size_t size);

// One step of the bare register update (no pre/post inversion); the traditional
// encryption's key schedule (APPNOTE 6.1.5) uses it.
std::uint32_t crc32Byte(std::uint32_t crcRegister, std::uint8_t byte);

} // namespace sw
