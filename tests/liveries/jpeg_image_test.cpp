#include "liveries/jpeg_image.h"

#include "jpeg_writer.h"
#include "platform/io_error.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace sw::liveries;
using sw::liveries::test::encodeJpeg;
using sw::liveries::test::solidJpeg;

// Colour channels within JPEG's rounding of the encoded value.
void expectPixelNear(const RgbImage& image, int x, int y, unsigned rgb) {
    const std::size_t at = (static_cast<std::size_t>(y) * image.width + x) * 3;
    EXPECT_NEAR(image.pixels[at], (rgb >> 16) & 0xFF, 3) << x << "," << y;
    EXPECT_NEAR(image.pixels[at + 1], (rgb >> 8) & 0xFF, 3) << x << "," << y;
    EXPECT_NEAR(image.pixels[at + 2], rgb & 0xFF, 3) << x << "," << y;
}

TEST(JpegDecode, ColourPictureOfOddSize) {
    const RgbImage image = decodeJpeg(solidJpeg(17, 5, 0x3E7194));
    ASSERT_EQ(image.width, 17);
    ASSERT_EQ(image.height, 5);
    ASSERT_EQ(image.pixels.size(), 17u * 5 * 3);
    expectPixelNear(image, 0, 0, 0x3E7194);
    expectPixelNear(image, 16, 4, 0x3E7194);
}

TEST(JpegDecode, RowsStayInOrderTopToBottom) {
    // Top half white, bottom half black, progressive.
    const auto bytes = encodeJpeg(16, 32, false, true, [](int, int y) { return y < 16 ? 0xFFFFFFu : 0u; });
    const RgbImage image = decodeJpeg(bytes);
    expectPixelNear(image, 8, 2, 0xFFFFFF);
    expectPixelNear(image, 8, 29, 0x000000);
}

TEST(JpegDecode, GrayscaleBecomesRgb) {
    const RgbImage image = decodeJpeg(encodeJpeg(8, 8, true, false, [](int, int) { return 0x808080u; }));
    ASSERT_EQ(image.pixels.size(), 8u * 8 * 3);
    expectPixelNear(image, 3, 3, 0x808080);
}

TEST(JpegDecode, AdobeCmykIsConverted) {
    // Inverted CMYK: 255 means no ink. No cyan ink, full magenta and yellow, no black: red.
    const unsigned char red[4] = {255, 0, 0, 255};
    const RgbImage image = decodeJpeg(sw::liveries::test::cmykJpeg(8, 8, red));
    ASSERT_EQ(image.pixels.size(), 8u * 8 * 3);
    expectPixelNear(image, 4, 4, 0xFF0000);
}

TEST(JpegDecode, TruncatedFileStillDecodes) {
    const std::string bytes =
        encodeJpeg(64, 64, false, false, [](int x, int y) { return (x * 4u) << 16 | (y * 4u); });
    const RgbImage image = decodeJpeg(bytes.substr(0, bytes.size() * 2 / 3));
    EXPECT_EQ(image.width, 64);
    EXPECT_EQ(image.height, 64);
}

TEST(JpegDecode, NonPicturesThrowInsteadOfExiting) {
    const std::string soiOnly("\xFF\xD8", 2);
    const std::string png("\x89PNG\r\n\x1A\n", 8);
    for (const std::string& bytes : {std::string(), soiOnly, png, soiOnly + std::string(100, 'x')}) {
        try {
            decodeJpeg(bytes);
            ADD_FAILURE() << "decoded " << bytes.size() << " bytes of non-picture";
        } catch (const PictureError& error) {
            EXPECT_NE(std::string(error.what()), "JPEG error: ");
        }
    }
}

TEST(JpegDecode, MissingFileIsIoError) {
    sw::test::TempDir dir;
    EXPECT_THROW(loadJpegFile((dir / "none.jpg").string()), sw::IoError);
    sw::test::writeFile(dir / "p.jpg", solidJpeg(2, 2, 0xFF0000));
    EXPECT_EQ(loadJpegFile((dir / "p.jpg").string()).width, 2);
}

} // namespace
