// The demo's own writers: stored zips that our unzipper and Info-ZIP read back byte for byte,
// BMP files with consistent headers, and the demo's files as the program expects them.
#include "archive/unzipper.h"
#include "demo/bmp_writer.h"
#include "demo/demo_content.h"
#include "demo/stored_zip_writer.h"
#include "platform/loopback_port.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

using namespace sw;
using namespace sw::test;
namespace stdfs = std::filesystem;

namespace {

std::uint32_t le32(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint8_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 24;
}

std::string binary(std::size_t size) {
    std::string data(size, '\0');
    std::uint32_t x = 12345;
    for (char& c : data) {
        x = x * 1103515245 + 12345;
        c = static_cast<char>(x >> 24);
    }
    return data;
}

std::string zipWith(const std::string& texture) {
    demo::StoredZipWriter zip;
    zip.add("Pack/", "");
    zip.add("Pack/installerinfo.txt", "[fltsim.xx]\r\ntexture=Blue\r\n");
    zip.add("Pack/texture.Blue/fuselage.bmp", texture);
    zip.add("Pack/texture.Blue/empty.bmp", "");
    return zip.finish();
}

} // namespace

TEST(StoredZipWriter, OurUnzipperReadsBackEveryByte) {
    TempDir dir;
    const std::string texture = binary(70000);
    writeFile(dir / "pack.zip", zipWith(texture));
    stdfs::create_directories(dir / "out");
    TAbUnZipper uzip;
    uzip.ExtractOptions = eoCreateDirs | eoRestorePath;
    int failures = 0;
    uzip.OnProcessItemFailure = [&](TAbBaseBrowser&, TAbZipItem&, TAbProcessType, TAbErrorClass, int) {
        ++failures;
    };
    uzip.SetFileName((dir / "pack.zip").string());
    uzip.SetBaseDirectory((dir / "out").string());
    uzip.ExtractMatching("*.*");
    uzip.CloseArchiveFile();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(readFile(dir / "out/Pack/installerinfo.txt"), "[fltsim.xx]\r\ntexture=Blue\r\n");
    EXPECT_EQ(readFile(dir / "out/Pack/texture.Blue/fuselage.bmp"), texture);
    EXPECT_EQ(readFile(dir / "out/Pack/texture.Blue/empty.bmp"), "");
}

TEST(StoredZipWriter, InfoZipTestsTheArchiveClean) {
    if (std::system("command -v unzip >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Info-ZIP unzip is not installed (apt install unzip)";
    TempDir dir;
    writeFile(dir / "pack.zip", zipWith(binary(5000)));
    const std::string command = "unzip -tqq '" + (dir / "pack.zip").string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

TEST(StoredZipWriter, TheEndRecordCountsTheEntriesAndPointsAtTheDirectory) {
    const std::string zip = zipWith("abc");
    const std::size_t end = zip.size() - 22;
    ASSERT_EQ(le32(zip, end), 0x06054b50u);
    EXPECT_EQ(static_cast<std::uint8_t>(zip[end + 10]), 4); // entries in total
    const std::uint32_t directorySize = le32(zip, end + 12);
    const std::uint32_t directoryOffset = le32(zip, end + 16);
    EXPECT_EQ(directoryOffset + directorySize, end);
    EXPECT_EQ(le32(zip, directoryOffset), 0x02014b50u);
    EXPECT_THROW(demo::StoredZipWriter().add("", "x"), std::length_error);
}

TEST(BmpWriter, HeadersMatchThePaddedRows) {
    // 5 pixels of 3 bytes are 15 bytes, padded to 16 per row.
    const std::string bmp = demo::makeStripedBmp(5, 3, 0x102030, 0x405060);
    ASSERT_EQ(bmp.size(), 54u + 16 * 3);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(le32(bmp, 2), bmp.size());
    EXPECT_EQ(le32(bmp, 10), 54u);
    EXPECT_EQ(le32(bmp, 18), 5u);
    EXPECT_EQ(le32(bmp, 22), 3u);
    // The first pixel is blue, green, red of the main colour.
    EXPECT_EQ(bmp.substr(54, 3), "\x30\x20\x10");
    EXPECT_EQ(bmp.substr(54 + 15, 1), std::string(1, '\0'));
    EXPECT_THROW(demo::makeStripedBmp(0, 3, 0, 0), std::invalid_argument);
    EXPECT_THROW(demo::makeStripedBmp(3, 5000, 0, 0), std::invalid_argument);
}

TEST(DemoContent, TheCatalogueNamesThePackagesItServes) {
    TempDir dir;
    const auto layout = demo::writeDemo(
        dir.str(), 8123, [](const std::string& caption, auto, auto) { return "JPEG of " + caption; });
    EXPECT_EQ(layout.catalogueUrl, "http://127.0.0.1:8123/skinwright/");
    const std::string products = readFile(stdfs::path(layout.site) / "skinwright/prod.txt");
    EXPECT_EQ(products, "ZEV A320-200&&a320.txt;;\r\nZEV B737-800&&b737.txt;;\r\n");
    const std::string list = readFile(stdfs::path(layout.site) / "skinwright/b737.txt");
    EXPECT_EQ(list, "Crimson&&http://127.0.0.1:8123/packages/B737_Crimson.zip;;"
                    "http://127.0.0.1:8123/thumbs/B737_Crimson.jpg!!\r\n");
    EXPECT_TRUE(stdfs::is_regular_file(stdfs::path(layout.site) / "packages/B737_Crimson.zip"));
    EXPECT_EQ(readFile(stdfs::path(layout.site) / "thumbs/B737_Crimson.jpg"), "JPEG of ZEV B737-800 Crimson");
    // The registry names the FSX folder through drive C.
    EXPECT_NE(
        readFile(stdfs::path(layout.winePrefix) / "system.reg")
            .find("\"SetupPath\"=\"C:\\\\Program Files\\\\Microsoft Games\\\\Microsoft Flight Simulator X\""),
        std::string::npos);
    EXPECT_TRUE(stdfs::is_regular_file(stdfs::path(layout.simulator) /
                                       "SimObjects/Airplanes/ZEV_B737_800/aircraft.cfg"));
    const std::string conf = readFile(stdfs::path(layout.nginx) / "nginx.conf");
    EXPECT_NE(conf.find("listen 127.0.0.1:8123;"), std::string::npos);
    EXPECT_NE(conf.find("root " + layout.site + ";"), std::string::npos);
}

TEST(DemoContent, AFreePortIsOneNothingListensOn) {
    const int port = sw::findFreeLoopbackPort();
    ASSERT_GT(port, 0);
    // Binding it ourselves succeeds: nothing holds it.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
}
