#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sw::demo {

// A 256 x 128 JPEG picture of a livery: its caption in the livery's colours (0xRRGGBB). The
// pictures are drawn by the window's code, which the plain C++ here cannot link.
using ThumbnailMaker =
    std::function<std::string(const std::string& caption, std::uint32_t colour, std::uint32_t stripe)>;

// Where the parts of a demo live, all below one root folder.
struct DemoLayout {
    std::string root;
    std::string winePrefix; // system.reg registers FSX in it
    std::string simulator;  // the FSX folder, as the program finds it through the prefix
    std::string workspace;  // the program's start folder, with two packages in downloads
    std::string site;       // nginx's document root; the catalogue is its /skinwright/
    std::string nginx;      // nginx.conf, its logs, pid and temporary folders
    std::string catalogueUrl;
};

DemoLayout demoLayout(const std::string& root, int port);

// Writes the whole demo below `root` for a catalogue served on 127.0.0.1:`port`:
//   wine-prefix/  system.reg, dosdevices/c: -> ../drive_c, the FSX folder on drive C
//                 with the products ZEV_A320_200 and ZEV_B737_800 (aircraft.cfg with two
//                 liveries each, texture, texture.<name> and texbase folders of BMPs)
//   workspace/    downloads/ with two unpacked packages; the program's start folder
//   site/         skinwright/prod.txt, the livery lists, thumbs/*.jpg, packages/*.zip
//   nginx/        nginx.conf serving site/ on 127.0.0.1:port as the current user
// Existing files are overwritten; the caller starts from an empty root for a fresh demo.
// Throws IoError when a file cannot be written.
DemoLayout writeDemo(const std::string& root, int port, const ThumbnailMaker& thumbnail);

} // namespace sw::demo
