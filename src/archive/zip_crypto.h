#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sw {

// The traditional PKWARE encryption of APPNOTE 6.1: three 32-bit keys driven by the
// password and then by every plain byte.
class ZipCrypto {
public:
    explicit ZipCrypto(const std::string& password);

    // Decrypts the 12-byte encryption header in place and tells whether its last byte
    // equals `checkByte` (APPNOTE 6.1.6).
    bool checkHeader(std::uint8_t header[12], std::uint8_t checkByte);

    void decrypt(std::uint8_t* data, std::size_t size);
    // The inverse, for writing encrypted test fixtures.
    void encrypt(std::uint8_t* data, std::size_t size);

private:
    void updateKeys(std::uint8_t plain);
    std::uint8_t streamByte() const;

    std::uint32_t m_key0 = 0x12345678;
    std::uint32_t m_key1 = 0x23456789;
    std::uint32_t m_key2 = 0x34567890;
};

} // namespace sw
