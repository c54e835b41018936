#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <string>

namespace sw::artwork {

// A livery's preview, 256 x 128: the house airliner painted in the livery's colours
// (0xRRGGBB) with its caption beneath.
QImage liveryThumbnail(const QString& caption, std::uint32_t colour, std::uint32_t stripe);

// The same picture as JPEG bytes, as the catalogue and the packages carry it.
std::string liveryThumbnailJpeg(const std::string& caption, std::uint32_t colour, std::uint32_t stripe);

} // namespace sw::artwork
