#pragma once

#include <string>

namespace sw {

// Single-byte text of the program's files (Windows-1252) to UTF-8 for display, and back.
// Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character in Windows-1252; they pass through
// as U+0081... as Windows' own conversion does, so every byte string survives a round trip.
std::string windows1252ToUtf8(const std::string& bytes);

// UTF-8 to Windows-1252; a character the code page lacks becomes '?'.
std::string utf8ToWindows1252(const std::string& utf8);

} // namespace sw
