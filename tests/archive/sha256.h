#pragma once

#include <string>

namespace sw::test {

// SHA-256 (FIPS 180-4) of `data`, as 64 lowercase hex digits. For checking extracted bytes
// against the manifest of the shared zip material.
std::string sha256Hex(const std::string& data);

} // namespace sw::test
