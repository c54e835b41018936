#include "cli_runner.h"

#include "liveries/livery_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using sw::test::readFile;
using sw::test::runTool;
using sw::test::writeFile;
namespace stdfs = std::filesystem;

const std::string kConfig =
    "[fltsim.0]\r\ntitle=Base\r\ntexture=\r\nui_variation=Base\r\ndescription=Base\r\n\r\n"
    "[General]\r\natc_type=ZEV\r\n";

// A generated FSX tree with one product and two package folders beside it.
class LiveryCommands : public ::testing::Test {
protected:
    sw::test::TempDir m_dir;
    // The command line's backups go to the test's own workspace.
    sw::test::ScopedEnv m_workspace{"SKINWRIGHT_WORKSPACE", (m_dir / "work").c_str()};
    stdfs::path m_root = m_dir / "FSX";
    stdfs::path m_product = m_root / "SimObjects" / "Airplanes" / "ZEV_A320";

    void SetUp() override {
        stdfs::create_directories(m_product / "texbase");
        writeFile(m_product / "aircraft.cfg", kConfig);
        writeFile(m_product / "texbase" / "body.bmp", "base body");
        addPackage("Blue", "blue", "Blue Sky");
        addPackage("Red", "red", "Red");
    }

    stdfs::path addPackage(const std::string& name, const std::string& texture,
                           const std::string& variation) {
        const auto package = m_dir / name;
        stdfs::create_directories(package / ("texture." + texture));
        writeFile(package / "installerinfo.txt", "[fltsim.xx]\ntitle=A320 " + variation +
                                                     "\ntexture=" + texture + "\nui_variation=" + variation +
                                                     "\nproductfolder=A320\ndescription=x\n");
        writeFile(package / ("texture." + texture) / "wing.bmp", texture);
        return package;
    }

    std::vector<std::string> fsx(std::vector<std::string> rest) {
        std::vector<std::string> args = {"--sim", "fsx", "--root", m_root.string()};
        args.insert(args.end(), rest.begin(), rest.end());
        return args;
    }

    std::vector<std::string> command(const std::string& name, std::vector<std::string> rest) {
        auto args = fsx(std::move(rest));
        args.insert(args.begin(), name);
        return args;
    }
};

TEST_F(LiveryCommands, InstallListRemoveRoundTrip) {
    stdfs::create_directory(m_dir / "cwd");
    sw::test::ScopedCurrentFolder cwd(m_dir / "cwd");
    const auto install = runTool(command("install", {(m_dir / "Blue").string(), (m_dir / "Red").string()}));
    EXPECT_EQ(install.status, 0) << install.err;
    EXPECT_EQ(install.out, "Installation completed\n");
    EXPECT_EQ(readFile(m_product / "texture.blue" / "body.bmp"), "base body");

    const auto products = runTool(command("list", {}));
    EXPECT_EQ(products.out, "ZEV_A320\n");
    const auto liveries = runTool(command("list", {"ZEV_A320"}));
    EXPECT_EQ(liveries.out, "Base\nBlue Sky\nRed\n");

    const auto removeRed = runTool(command("remove", {"ZEV_A320", "2"}));
    EXPECT_EQ(removeRed.status, 0) << removeRed.err;
    EXPECT_EQ(removeRed.out, "Removed succesfully\n");
    const auto removeBlue = runTool(command("remove", {"ZEV_A320", "1"}));
    EXPECT_EQ(removeBlue.status, 0) << removeBlue.err;
    // Back to the original sections; each install-and-remove cycle leaves one more empty line
    // (the insertion adds two, the removal takes one).
    EXPECT_EQ(readFile(m_product / "aircraft.cfg"),
              "[fltsim.0]\r\ntitle=Base\r\ntexture=\r\nui_variation=Base\r\ndescription=Base\r\n\r\n\r\n\r\n"
              "[General]\r\natc_type=ZEV\r\n");
    EXPECT_FALSE(stdfs::exists(m_product / "texture.blue"));
    EXPECT_FALSE(stdfs::exists(m_product / "texture.red"));
    EXPECT_TRUE(stdfs::is_empty(m_dir / "cwd")); // no debug.log
}

TEST_F(LiveryCommands, InstallStopsAtFirstFailingPackage) {
    const auto broken = m_dir / "Broken";
    stdfs::create_directories(broken);
    const auto result =
        runTool(command("install", {(m_dir / "Blue").string(), broken.string(), (m_dir / "Red").string()}));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Please choose correct livery\n" + (broken / "installerinfo.txt").string() + "\n");
    EXPECT_EQ(result.out, "");
    const std::string config = readFile(m_product / "aircraft.cfg");
    EXPECT_NE(config.find("ui_variation=Blue Sky"), std::string::npos);
    EXPECT_EQ(config.find("ui_variation=Red"), std::string::npos);
}

TEST_F(LiveryCommands, RemoveRefusalsAndErrors) {
    auto result = runTool(command("remove", {"ZEV_A320", "5"}));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Cannot find chosen livery in aircraft.cfg, please recheck\n" +
                              (m_product / "aircraft.cfg").string() + "\n");
    result = runTool(command("remove", {"ZEV_NONE", "0"}));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("skinwright-cli: "), std::string::npos); // listing cannot read the file
    EXPECT_EQ(readFile(m_product / "aircraft.cfg"), kConfig);
}

// A real-world product: its aircraft.cfg is a link to a shared file that holds a comment
// mentioning [fltsim.x], headers in three letter cases, keys after "description=" and two
// variations sharing one texture; the package's descriptor was saved by Notepad (with a
// byte-order mark).
TEST_F(LiveryCommands, RealWorldFilesInstallListAndRemove) {
    using namespace sw::liveries::test;
    const auto shared = m_dir / "configs" / "zev_a320.cfg";
    stdfs::create_directories(shared.parent_path());
    writeFile(shared, realWorldConfig({blueSection("[fltsim.0]"), redSection("[Fltsim.1]"),
                                       blueTailSection("[FLTSIM.2]")}));
    stdfs::remove(m_product / "aircraft.cfg");
    stdfs::create_symlink(shared, m_product / "aircraft.cfg");
    for (const char* texture : {"texture.blue", "texture.red"}) {
        stdfs::create_directories(m_product / texture);
        writeFile(m_product / texture / "fuselage.bmp", texture);
    }
    const auto green = addPackage("Green", "green", "Green");
    writeFile(green / "installerinfo.txt", "\xEF\xBB\xBF" + readFile(green / "installerinfo.txt"));
    const auto section = [](const std::string& header) {
        return header + "\r\ntitle=A320 Green\r\ntexture=green\r\nui_variation=Green\r\n"
                        "productfolder=A320\r\ndescription=x\r\n";
    };

    const auto install = runTool(command("install", {green.string()}));
    EXPECT_EQ(install.status, 0) << install.err;
    EXPECT_EQ(install.out, "Installation completed\n");
    EXPECT_EQ(readFile(shared),
              realWorldConfig({blueSection("[fltsim.0]"), redSection("[Fltsim.1]"),
                               blueTailSection("[FLTSIM.2]") + "\r\n\r\n" + section("[fltsim.3]")}));
    EXPECT_EQ(runTool(command("list", {"ZEV_A320"})).out, "Blue\nRed\nBlue tail\nGreen\n");

    const auto removeRed = runTool(command("remove", {"ZEV_A320", "1"}));
    EXPECT_EQ(removeRed.status, 0) << removeRed.err;
    EXPECT_EQ(readFile(shared),
              realWorldConfig({blueSection("[fltsim.0]"),
                               blueTailSection("[FLTSIM.1]") + "\r\n\r\n" + section("[fltsim.2]")}));
    EXPECT_FALSE(stdfs::exists(m_product / "texture.red"));

    const auto removeBlue = runTool(command("remove", {"ZEV_A320", "0"}));
    EXPECT_EQ(removeBlue.status, 0) << removeBlue.err;
    EXPECT_EQ(readFile(shared),
              realWorldConfig({blueTailSection("[FLTSIM.0]") + "\r\n\r\n" + section("[fltsim.1]")}));
    EXPECT_EQ(readFile(m_product / "texture.blue" / "fuselage.bmp"), "texture.blue"); // "Blue tail" uses it
    EXPECT_EQ(runTool(command("list", {"ZEV_A320"})).out, "Blue tail\nGreen\n");

    EXPECT_TRUE(stdfs::is_symlink(m_product / "aircraft.cfg"));
    EXPECT_EQ(std::distance(stdfs::directory_iterator(shared.parent_path()), stdfs::directory_iterator()), 1);
}

TEST_F(LiveryCommands, WrongArgumentsAreUsageErrors) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"install", "--sim", "fsx", "--root", "x"},
          std::vector<std::string>{"install", "--sim", "fs10", "--root", "x", "p"},
          std::vector<std::string>{"list", "--root", "x"},
          std::vector<std::string>{"list", "--sim", "fs9", "--root", "x", "a", "b"},
          std::vector<std::string>{"remove", "--sim", "fs9", "--root", "x", "P", "-1"},
          std::vector<std::string>{"remove", "--sim", "fs9", "--root", "x", "P", "1x"},
          std::vector<std::string>{"remove", "--sim", "fs9", "--bogus", "--root", "x", "P", "1"}}) {
        const auto result = runTool(args);
        EXPECT_EQ(result.status, 2) << args[0];
        EXPECT_EQ(result.err.rfind("usage: skinwright-cli " + args[0], 0), 0u) << result.err;
    }
}

} // namespace
