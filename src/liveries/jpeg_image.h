#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace sw::liveries {

// A decoded picture: 8-bit RGB, rows top to bottom, no padding between rows.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width * height * 3 bytes

    bool isNull() const { return width == 0 || height == 0; }
};

// A picture that cannot be loaded; what() is the decoder's own text.
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decodes a JPEG held in memory (baseline, progressive, grayscale, CMYK). Throws PictureError.
RgbImage decodeJpeg(const std::string& bytes);

// Reads and decodes a JPEG file. Throws IoError when the file cannot be read, PictureError
// when it is not a picture.
RgbImage loadJpegFile(const std::string& path);

} // namespace sw::liveries
