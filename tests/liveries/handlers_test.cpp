#include "liveries/livery_handlers.h"

#include "jpeg_writer.h"
#include "livery_fixture.h"
#include "platform/io_error.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace sw::liveries;
using namespace sw::liveries::test;
using sw::test::readFile;
using sw::test::writeFile;
namespace stdfs = std::filesystem;

class HandlersTest : public ::testing::Test {
protected:
    LiveryWorld w;
    sw::test::ScopedCurrentFolder m_cwd{w.workspace};
    LiveryHandlers m_handlers{w.view, w.sink, w.context.trace};

    void SetUp() override { writeFile(w.workspace / "thumbnail.jpg", solidJpeg(4, 3, 0x0000FF)); }
};

TEST_F(HandlersTest, StartUpListsPackagesWithoutExtensionAndLoadsFirst) {
    w.addPackage(w.workspace / "downloads", "B737", descriptorText("B737-800", "b", "Blue"), "b",
                 {{"thumbnail.jpg", solidJpeg(8, 6, 0xFF0000)}});
    w.addPackage(w.workspace / "downloads", "a320", descriptorText("A320", "a", "Air"), "a", {});
    stdfs::create_directories(w.workspace / "downloads" / "A320.blue");
    writeFile(w.workspace / "downloads" / "loose", "a file without extension is listed too");
    m_handlers.listLocalLibrary();
    EXPECT_EQ(w.view.cb1, (std::vector<std::string>{"a320", "B737", "loose"}));
    EXPECT_EQ(w.view.cb1Index, 0);
    EXPECT_EQ(w.view.m1, "Information:\r\nZev A320 Air\r\nAir");
    EXPECT_EQ(w.view.i2.width, 4); // no thumbnail of its own: the default picture
    EXPECT_EQ(m_handlers.selectedPackage().productFolder, "ZEV_A320");
    EXPECT_EQ(m_handlers.selectedPackage().textureFolder, "texture.a");
    EXPECT_EQ(w.traces, (std::vector<std::string>{"333 Test log", "330 Resources checked", "385 Test log"}));
}

TEST_F(HandlersTest, StartUpWithEmptyLibraryLoadsNothing) {
    m_handlers.listLocalLibrary();
    EXPECT_TRUE(w.view.cb1.empty());
    EXPECT_EQ(w.view.m1, "Information:");
    EXPECT_EQ(w.view.pictures, 0);
    EXPECT_TRUE(w.traces.empty());
}

TEST_F(HandlersTest, Cb1ChangeShowsOwnThumbnailAndTraces) {
    w.addPackage(w.workspace / "downloads", "B737", descriptorText("B737-800", "b", "Blue"), "b",
                 {{"thumbnail.jpg", solidJpeg(8, 6, 0xFF0000)}});
    w.view.cb1 = {"B737"};
    w.view.cb1Index = 0;
    m_handlers.cb1Change();
    EXPECT_EQ(w.view.i2.width, 8);
    EXPECT_EQ(w.view.m1, "Information:\r\nZev B737-800 Blue\r\nBlue");
    EXPECT_EQ(m_handlers.selectedPackage().productFolder, "ZEV_B737_800");
    EXPECT_EQ(w.traces, (std::vector<std::string>{"408 cb1Change called", "418 Showing picture",
                                                  "454 Checking installer info", "489 Test log",
                                                  "487 installer info checked"}));
}

TEST_F(HandlersTest, Cb1ChangeErrorsEndTheHandler) {
    stdfs::create_directories(w.workspace / "downloads" / "Broken" / "texture.x");
    w.view.cb1 = {"Broken"};
    w.view.cb1Index = 0;
    EXPECT_THROW(m_handlers.cb1Change(), sw::IoError); // no installerinfo.txt, after the picture
    EXPECT_EQ(w.view.pictures, 1);
    stdfs::remove(w.workspace / "thumbnail.jpg");
    w.traces.clear();
    EXPECT_THROW(m_handlers.cb1Change(), sw::IoError); // no default picture either
    EXPECT_EQ(w.traces, (std::vector<std::string>{"408 cb1Change called", "418 Showing picture"}));
    writeFile(w.workspace / "thumbnail.jpg", "not a picture");
    EXPECT_THROW(m_handlers.cb1Change(), PictureError);
}

TEST_F(HandlersTest, WholeInstallThroughButtonThenRemoval) {
    const auto product = w.addProduct("ZEV_A320", configWithSections(2));
    w.addPackage(w.workspace / "downloads", "Air", descriptorText("A320", "air", "Air"), "air",
                 {{"a.bmp", "a"}});
    m_handlers.listLocalLibrary();
    w.traces.clear();
    m_handlers.BitBtn3Click();
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>{"Installation completed"}));
    EXPECT_EQ(readFile(product / "texture.air" / "a.bmp"), "a");

    ASSERT_TRUE(m_handlers.BitBtn12Click());
    EXPECT_EQ(w.view.cb3, (std::vector<std::string>{"ZEV_A320"}));
    w.view.cb3Index = 0;
    m_handlers.cb3Change();
    EXPECT_EQ(w.view.cb4, (std::vector<std::string>{"V0", "V1", "Air"}));
    w.view.cb4Index = 2;
    m_handlers.BitBtn6Click();
    ASSERT_FALSE(w.sink.messages.empty());
    EXPECT_EQ(w.sink.messages.back(), "Removed succesfully");
    EXPECT_EQ(w.view.cb4, (std::vector<std::string>{"V0", "V1"}));
    EXPECT_FALSE(stdfs::exists(product / "texture.air"));
}

TEST_F(HandlersTest, AllLiveriesCheckedWithEmptyLibrary) {
    w.view.sl1 = true;
    m_handlers.BitBtn3Click();
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>{"Installation completed"}));
    EXPECT_EQ(w.traces, (std::vector<std::string>{"498 BitBtn3Click called", "739 Procedure end"}));
}

TEST_F(HandlersTest, DebugLogTraceWritesLinesToCurrentFolder) {
    debugLogTrace()("498", "BitBtn3Click called");
    EXPECT_EQ(readFile(w.workspace / "debug.log"), "Line 498: BitBtn3Click called\r\n");
}

} // namespace
