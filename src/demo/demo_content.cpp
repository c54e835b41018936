#include "demo/demo_content.h"

#include "demo/bmp_writer.h"
#include "demo/stored_zip_writer.h"
#include "platform/io_error.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace sw::demo {

namespace stdfs = std::filesystem;

namespace {

// One livery of the demo: its package folder, texture name and colours.
struct Livery {
    std::string package; // folder name inside the package (no extension)
    std::string texture; // the texture.<name> suffix
    std::string variation;
    std::uint32_t colour;
    std::uint32_t stripe;
};

struct Product {
    std::string folder;  // ZEV_A320_200
    std::string id;      // productfolder= value
    std::string name;    // shown in the catalogue
    std::string list;    // livery list file
    std::string atcType; // [General] atc_type=
    std::vector<Livery> installed;
    std::vector<Livery> local;   // unpacked in downloads/
    std::vector<Livery> offered; // in the catalogue
};

const std::vector<Product>& products() {
    static const std::vector<Product> kProducts = {
        {"ZEV_A320_200",
         "A320-200",
         "ZEV A320-200",
         "a320.txt",
         "AIRBUS",
         {{"", "", "House colours", 0xD2E3EE, 0x3E7194}, {"", "Classic", "Classic", 0xF0F0F0, 0xB02020}},
         {{"A320_Ocean", "Ocean", "Ocean", 0x1E5A96, 0x9BD2F0}},
         {{"A320_Sunrise", "Sunrise", "Sunrise", 0xF5A03C, 0xFFE6AA},
          {"A320_Forest", "Forest", "Forest", 0x2E7D32, 0xC8E6C9}}},
        {"ZEV_B737_800",
         "B737-800",
         "ZEV B737-800",
         "b737.txt",
         "BOEING",
         {{"", "", "House colours", 0xD2E3EE, 0x3E7194}, {"", "Charter", "Charter", 0xFFFFFF, 0x2040A0}},
         {{"B737_Glacier", "Glacier", "Glacier", 0xE8F4FA, 0x5A8CB4}},
         {{"B737_Crimson", "Crimson", "Crimson", 0x9E1B32, 0xF2D0D6}}},
    };
    return kProducts;
}

// Text files carry CR LF line ends, as the simulator's own files do.
std::string lines(const std::vector<std::string>& content) {
    std::string text;
    for (const std::string& line : content)
        text += line + "\r\n";
    return text;
}

// The [fltsim.N] section of a livery; `number` is "xx" in a package's descriptor.
std::string section(const Product& product, const Livery& livery, const std::string& number,
                    bool withProductFolder) {
    std::vector<std::string> content = {"[fltsim." + number + "]",
                                        "title=" + product.name + " " + livery.variation,
                                        "sim=" + product.id,
                                        "model=",
                                        "panel=",
                                        "sound=",
                                        "texture=" + livery.texture,
                                        "kb_checklists=",
                                        "ui_manufacturer=ZEV",
                                        "ui_type=" + product.id,
                                        "ui_variation=" + livery.variation};
    if (withProductFolder)
        content.push_back("productfolder=" + product.id);
    content.push_back("description=" + product.name + " in the " + livery.variation + " livery");
    return lines(content);
}

std::string aircraftConfig(const Product& product) {
    std::string text;
    for (std::size_t i = 0; i < product.installed.size(); ++i)
        text += section(product, product.installed[i], std::to_string(i), false) + "\r\n";
    text += lines({"[General]", "atc_type=" + product.atcType, "atc_model=" + product.id, "editable=1",
                   "performance=Demo aircraft made by Skinwright"});
    return text;
}

void writeBytes(const stdfs::path& path, const std::string& bytes) {
    std::error_code error;
    stdfs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw IoError("cannot write " + path.string(), EIO);
}

// The texture files of a livery: a fuselage and a tail sheet in its colours.
std::vector<std::pair<std::string, std::string>> textures(const Livery& livery) {
    return {{"fuselage.bmp", makeStripedBmp(128, 64, livery.colour, livery.stripe)},
            {"tail.bmp", makeStripedBmp(64, 64, livery.stripe, livery.colour)}};
}

std::string textureFolderName(const Livery& livery) {
    return livery.texture.empty() ? "texture" : "texture." + livery.texture;
}

// A package's files, keyed by their path inside the package folder's parent.
std::vector<std::pair<std::string, std::string>> packageFiles(const Product& product, const Livery& livery,
                                                              const ThumbnailMaker& thumbnail) {
    const std::string folder = livery.package + "/" + textureFolderName(livery) + "/";
    std::vector<std::pair<std::string, std::string>> files = {
        {livery.package + "/installerinfo.txt", section(product, livery, "xx", true)}};
    for (auto& [name, bytes] : textures(livery))
        files.emplace_back(folder + name, std::move(bytes));
    files.emplace_back(folder + "thumbnail.jpg",
                       thumbnail(product.name + " " + livery.variation, livery.colour, livery.stripe));
    return files;
}

std::string nginxConfig(const DemoLayout& layout, int port) {
    const std::string base = layout.nginx + "/";
    std::string conf = "daemon off;\nworker_processes 1;\n";
    // Run as root, nginx would hand the requests to "nobody", who cannot read a home folder.
    if (geteuid() == 0)
        conf += "user root;\n";
    conf += "pid " + base + "nginx.pid;\nerror_log " + base + "error.log;\n" +
            "events { worker_connections 64; }\nhttp {\n" + "  access_log " + base + "access.log;\n" +
            "  client_body_temp_path " + base + "tmp;\n  proxy_temp_path " + base + "tmp;\n" +
            "  fastcgi_temp_path " + base + "tmp;\n" +
            "  types { text/plain txt; image/jpeg jpg; application/zip zip; }\n" +
            "  default_type application/octet-stream;\n" +
            "  server {\n    listen 127.0.0.1:" + std::to_string(port) + ";\n    root " + layout.site +
            ";\n  }\n}\n";
    return conf;
}

} // namespace

DemoLayout demoLayout(const std::string& root, int port) {
    DemoLayout layout;
    layout.root = root;
    layout.winePrefix = root + "/wine-prefix";
    layout.simulator =
        layout.winePrefix + "/drive_c/Program Files/Microsoft Games/Microsoft Flight Simulator X";
    layout.workspace = root + "/workspace";
    layout.site = root + "/site";
    layout.nginx = root + "/nginx";
    layout.catalogueUrl = "http://127.0.0.1:" + std::to_string(port) + "/skinwright/";
    return layout;
}

DemoLayout writeDemo(const std::string& root, int port, const ThumbnailMaker& thumbnail) {
    const DemoLayout layout = demoLayout(root, port);
    const std::string host = "http://127.0.0.1:" + std::to_string(port);

    // The Wine prefix: a 32-bit registry that names the FSX folder on drive C.
    writeBytes(layout.winePrefix + "/system.reg",
               "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n"
               "[Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\10.0] 1700000000\n"
               "#time=1da0c0e0f0a0b0c\n"
               "\"SetupPath\"=\"C:\\\\Program Files\\\\Microsoft Games\\\\Microsoft Flight Simulator X\"\n");
    const stdfs::path driveLink = layout.winePrefix + "/dosdevices/c:";
    stdfs::create_directories(driveLink.parent_path());
    std::error_code error;
    stdfs::remove(driveLink, error);
    stdfs::create_directory_symlink("../drive_c", driveLink);

    std::string catalogue;
    for (const Product& product : products()) {
        const std::string productFolder = layout.simulator + "/SimObjects/Airplanes/" + product.folder;
        writeBytes(productFolder + "/aircraft.cfg", aircraftConfig(product));
        for (const Livery& livery : product.installed)
            for (const auto& [name, bytes] : textures(livery))
                writeBytes(productFolder + "/" + textureFolderName(livery) + "/" + name, bytes);
        // The shared base textures every livery of the model falls back to.
        writeBytes(productFolder + "/texbase/wing.bmp", makeStripedBmp(64, 32, 0xC0C0C0, 0x808080));

        for (const Livery& livery : product.local)
            for (const auto& [name, bytes] : packageFiles(product, livery, thumbnail))
                writeBytes(layout.workspace + "/downloads/" + name, bytes);

        catalogue += product.name + "&&" + product.list + ";;\r\n";
        std::string list;
        for (const Livery& livery : product.offered) {
            StoredZipWriter zip;
            for (const auto& [name, bytes] : packageFiles(product, livery, thumbnail))
                zip.add(name, bytes);
            const std::string zipName = livery.package + ".zip";
            const std::string thumbName = livery.package + ".jpg";
            writeBytes(layout.site + "/packages/" + zipName, zip.finish());
            writeBytes(layout.site + "/thumbs/" + thumbName,
                       thumbnail(product.name + " " + livery.variation, livery.colour, livery.stripe));
            list += livery.variation + "&&" + host + "/packages/" + zipName + ";;" + host + "/thumbs/" +
                    thumbName + "!!\r\n";
        }
        writeBytes(layout.site + "/skinwright/" + product.list, list);
    }
    writeBytes(layout.site + "/skinwright/prod.txt", catalogue);

    stdfs::create_directories(layout.nginx + "/tmp");
    writeBytes(layout.nginx + "/nginx.conf", nginxConfig(layout, port));
    return layout;
}

} // namespace sw::demo
