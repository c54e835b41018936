#pragma once

#include <string>

namespace sw {

// A name stored in OEM code page 437 (zip names without general purpose bit 11, APPNOTE
// appendix D) as UTF-8. Bytes below 0x80 are ASCII and stay as they are.
std::string cp437ToUtf8(const std::string& oem);

} // namespace sw
