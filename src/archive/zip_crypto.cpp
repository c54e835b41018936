#include "archive/zip_crypto.h"

#include "archive/crc32.h"

namespace sw {

ZipCrypto::ZipCrypto(const std::string& password) {
    for (unsigned char c : password)
        updateKeys(c);
}

void ZipCrypto::updateKeys(std::uint8_t plain) {
    m_key0 = crc32Byte(m_key0, plain);
    m_key1 = (m_key1 + (m_key0 & 0xFF)) * 134775813u + 1;
    m_key2 = crc32Byte(m_key2, static_cast<std::uint8_t>(m_key1 >> 24));
}

std::uint8_t ZipCrypto::streamByte() const {
    const std::uint32_t temp = (m_key2 | 2) & 0xFFFF;
    return static_cast<std::uint8_t>((temp * (temp ^ 1)) >> 8);
}

void ZipCrypto::decrypt(std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t plain = data[i] ^ streamByte();
        updateKeys(plain);
        data[i] = plain;
    }
}

void ZipCrypto::encrypt(std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t plain = data[i];
        data[i] = plain ^ streamByte();
        updateKeys(plain);
    }
}

bool ZipCrypto::checkHeader(std::uint8_t header[12], std::uint8_t checkByte) {
    decrypt(header, 12);
    return header[11] == checkByte;
}

} // namespace sw
