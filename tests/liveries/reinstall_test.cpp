// Installing a livery that is installed already asks first, in the one-package and the
// all-packages pass.
#include "liveries/installer.h"

#include "livery_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace sw::liveries;
using namespace sw::liveries::test;
using sw::test::readFile;
namespace stdfs = std::filesystem;

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class Reinstall : public ::testing::Test {
protected:
    LiveryWorld w;
    stdfs::path m_product;
    std::string m_config;

    void SetUp() override {
        // Section 1 is the Red livery, installed earlier (its texture folder is gone).
        m_config = configWithSections(1);
        m_config.insert(m_config.find("[General]"),
                        "[fltsim.1]\r\ntitle=Zev B737 Red\r\ntexture=red\r\nui_variation=Red\r\n"
                        "description=Livery Red\r\n\r\n");
        m_product = w.addProduct("ZEV_B737", m_config);
    }
    stdfs::path package(const std::string& name, const std::string& texture, const std::string& variation) {
        return w.addPackage(w.workspace / "downloads", name, descriptorText("B737", texture, variation),
                            texture, {{"a.bmp", variation}});
    }
    std::string config() const { return readFile(m_product / "aircraft.cfg"); }
};

TEST_F(Reinstall, OnePackageAsksWhenItsVariationOrTextureFolderIsThere) {
    const auto red = package("Red", "red", "Red");
    PackageValues selected{"", "ZEV_B737", "texture.red"};
    w.sink.answers = {false};
    installOnePackage(w.context, selected, red.string());
    EXPECT_EQ(w.sink.messages,
              std::vector<std::string>{"question: Red is already installed in ZEV_B737. Install it again?"});
    EXPECT_EQ(config(), m_config);
    EXPECT_FALSE(stdfs::exists(m_product / "texture.red"));
    EXPECT_EQ(w.traces.back(), "739 Procedure end");

    w.sink.messages.clear();
    w.sink.answers = {true};
    installOnePackage(w.context, selected, red.string());
    EXPECT_EQ(w.sink.messages.back(), "Installation completed");
    EXPECT_EQ(count(config(), "ui_variation=Red"), 2);

    // Only the texture folder of an earlier installation is left: still asked.
    const auto blue = package("Blue", "blue", "Blue");
    stdfs::create_directories(m_product / "TEXTURE.BLUE");
    PackageValues blueValues{"", "ZEV_B737", "texture.blue"};
    w.sink.messages.clear();
    w.sink.answers = {false};
    const std::string before = config();
    installOnePackage(w.context, blueValues, blue.string());
    EXPECT_EQ(w.sink.messages,
              std::vector<std::string>{"question: Blue is already installed in ZEV_B737. Install it again?"});
    EXPECT_EQ(config(), before);

    // Neither: no question.
    const auto green = package("Green", "green", "Green");
    PackageValues greenValues{"", "ZEV_B737", "texture.green"};
    w.sink.messages.clear();
    installOnePackage(w.context, greenValues, green.string());
    EXPECT_EQ(w.sink.messages, std::vector<std::string>{"Installation completed"});
}

TEST_F(Reinstall, AllPackagesAsksOnceWithTheListAndNoInstallsTheOthers) {
    const auto red = package("Red", "red", "Red");
    const auto green = package("Green", "green", "Green");
    const auto blue = package("Blue", "blue", "Blue");
    stdfs::create_directories(m_product / "texture.blue");
    const std::vector<std::string> all = {red.string(), green.string(), blue.string()};
    const std::string question = "question: These liveries are already installed:\n"
                                 "Red in ZEV_B737\n"
                                 "Blue in ZEV_B737\n"
                                 "Install them again? (No installs only the others.)";
    PackageValues last;
    w.sink.answers = {false};
    ASSERT_TRUE(installAllPackages(w.context, last, all));
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>{question, "Installation completed"}));
    EXPECT_EQ(count(config(), "ui_variation=Red"), 1);
    EXPECT_EQ(count(config(), "ui_variation=Blue"), 0);
    EXPECT_EQ(count(config(), "ui_variation=Green"), 1);

    w.sink.messages.clear();
    w.sink.answers = {true};
    ASSERT_TRUE(installAllPackages(w.context, last, all));
    EXPECT_EQ(w.sink.messages.size(), 2u);
    EXPECT_EQ(count(config(), "ui_variation=Red"), 2);
    EXPECT_EQ(count(config(), "ui_variation=Green"), 2); // installed by the first pass: listed now
    EXPECT_EQ(count(config(), "ui_variation=Blue"), 1);

    // Without a simulator nothing is installed, so nothing is asked.
    w.view.sim = Simulator::None;
    w.sink.messages.clear();
    ASSERT_TRUE(installAllPackages(w.context, last, all));
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>{"Please select FS", "Please select FS",
                                                         "Please select FS", "Installation completed"}));
}

} // namespace
