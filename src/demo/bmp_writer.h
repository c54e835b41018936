#pragma once

#include <cstdint>
#include <string>

namespace sw::demo {

// A 24-bit uncompressed BMP (BITMAPFILEHEADER + BITMAPINFOHEADER, rows bottom-up, each
// padded to 4 bytes): the demo's texture files. The picture is a diagonal two-colour
// stripe pattern, so every texture looks different and compresses like a real one.
// Colours are 0xRRGGBB. Width and height must be 1..4096.
std::string makeStripedBmp(int width, int height, std::uint32_t colour, std::uint32_t stripe);

} // namespace sw::demo
