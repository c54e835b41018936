#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace sw {

// SHA-256 (FIPS 180-4), fed in pieces of any size.
class Sha256 {
public:
    Sha256();

    void update(const void* data, std::size_t size);
    void update(const std::string& bytes) { update(bytes.data(), bytes.size()); }

    // The digest as 64 lowercase hex digits. The object is spent afterwards: feed a new one.
    std::string finishHex();

private:
    void compress(const unsigned char* block);

    std::array<std::uint32_t, 8> m_state;
    std::array<unsigned char, 64> m_block{};
    std::size_t m_blockSize = 0;
    std::uint64_t m_length = 0; // bytes fed so far
};

// The SHA-256 of `data`, as 64 lowercase hex digits.
std::string sha256Hex(const std::string& data);

// The SHA-256 of the file at `path` (a native path, used as given). Throws IoError when it
// cannot be opened or read.
std::string sha256OfFile(const std::string& path);

} // namespace sw
