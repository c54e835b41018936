#include "demo/bmp_writer.h"

#include "demo/little_endian.h"

#include <stdexcept>

namespace sw::demo {

namespace {

void putPixel(std::string& out, std::uint32_t rgb) {
    // BMP stores blue, green, red.
    out += static_cast<char>(rgb & 0xFF);
    out += static_cast<char>((rgb >> 8) & 0xFF);
    out += static_cast<char>((rgb >> 16) & 0xFF);
}

} // namespace

std::string makeStripedBmp(int width, int height, std::uint32_t colour, std::uint32_t stripe) {
    if (width < 1 || width > 4096 || height < 1 || height > 4096)
        throw std::invalid_argument("BMP size must be 1..4096 pixels each way");
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
    const std::uint32_t headerBytes = 14 + 40;

    std::string out;
    out.reserve(headerBytes + imageBytes);
    out += "BM";
    put32(out, headerBytes + imageBytes);
    put32(out, 0); // reserved
    put32(out, headerBytes);
    put32(out, 40); // BITMAPINFOHEADER
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height)); // positive: bottom-up rows
    put16(out, 1);                                  // planes
    put16(out, 24);                                 // bits per pixel
    put32(out, 0);                                  // BI_RGB
    put32(out, imageBytes);
    put32(out, 2835); // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = 0; y < height; ++y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < width; ++x)
            putPixel(out, ((x + y) / 8) % 2 == 0 ? colour : stripe);
        out.append(rowStart + rowBytes - out.size(), '\0');
    }
    return out;
}

} // namespace sw::demo
