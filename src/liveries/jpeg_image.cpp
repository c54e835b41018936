#include "liveries/jpeg_image.h"

#include "platform/io_error.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include <jpeglib.h>

namespace sw::liveries {

namespace {

// libjpeg reports a fatal error through error_exit, whose default calls exit(). Ours keeps
// the message and jumps back to decodeInto(), which cleans up and returns to C++ land, where
// the error becomes an exception (longjmp must not cross C++ frames with destructors).
struct DecodeState {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
};

extern "C" void onJpegError(j_common_ptr common) {
    auto* state = static_cast<DecodeState*>(common->client_data);
    common->err->format_message(common, state->message);
    std::longjmp(state->jump, 1);
}

extern "C" void onJpegMessage(j_common_ptr, int) {
    // Warnings (a truncated file is padded and still decodes) are not shown.
}

// Adobe writes CMYK JPEGs inverted; convert to RGB as the picture is meant to look.
void cmykRowToRgb(const JSAMPLE* cmyk, std::uint8_t* rgb, unsigned width, bool inverted) {
    for (unsigned x = 0; x < width; ++x) {
        unsigned c = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        rgb[3 * x] = static_cast<std::uint8_t>(c * k / 255);
        rgb[3 * x + 1] = static_cast<std::uint8_t>(m * k / 255);
        rgb[3 * x + 2] = static_cast<std::uint8_t>(y * k / 255);
    }
}

// Plain-old-data only between setjmp and longjmp: `out` and `row` are allocated before the
// decoder can fail in a way that jumps, and are only resized while no jump can happen.
bool decodeInto(DecodeState& state, const std::string& bytes, RgbImage& out, std::vector<JSAMPLE>& row) {
    state.info.err = jpeg_std_error(&state.errors);
    state.errors.error_exit = onJpegError;
    state.errors.emit_message = onJpegMessage;
    if (setjmp(state.jump)) {
        jpeg_destroy_decompress(&state.info);
        return false;
    }
    jpeg_create_decompress(&state.info);
    state.info.client_data = &state;
    jpeg_mem_src(&state.info, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&state.info, TRUE);
    const bool cmyk = state.info.jpeg_color_space == JCS_CMYK || state.info.jpeg_color_space == JCS_YCCK;
    state.info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&state.info);
    const unsigned width = state.info.output_width;
    const unsigned height = state.info.output_height;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    // JPEG limits each side to 65,535 pixels, so this size cannot overflow.
    out.pixels.assign(static_cast<std::size_t>(width) * height * 3, 0);
    row.assign(static_cast<std::size_t>(width) * 4, 0);
    const bool inverted = cmyk && state.info.saw_Adobe_marker;
    while (state.info.output_scanline < height) {
        std::uint8_t* target =
            out.pixels.data() + static_cast<std::size_t>(state.info.output_scanline) * width * 3;
        JSAMPROW rows[1] = {cmyk ? row.data() : target};
        jpeg_read_scanlines(&state.info, rows, 1);
        if (cmyk)
            cmykRowToRgb(row.data(), target, width, inverted);
    }
    jpeg_finish_decompress(&state.info);
    jpeg_destroy_decompress(&state.info);
    return true;
}

} // namespace

RgbImage decodeJpeg(const std::string& bytes) {
    if (bytes.empty())
        throw PictureError("JPEG error: empty input file");
    DecodeState state;
    RgbImage image;
    std::vector<JSAMPLE> row;
    if (!decodeInto(state, bytes, image, row))
        throw PictureError(std::string("JPEG error: ") + state.message);
    return image;
}

RgbImage loadJpegFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw IoError::fromErrno(errno, "Cannot open file \"" + path + "\"");
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        throw IoError::fromErrno(errno, "Cannot read file \"" + path + "\"");
    return decodeJpeg(content.str());
}

} // namespace sw::liveries
