// skinwright-cli install from zip files and URLs, --skip-installed, and the aircraft folder check.
#include "cli_runner.h"

#include "demo/stored_zip_writer.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"

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

std::string descriptor(const std::string& texture, const std::string& variation) {
    return "[fltsim.xx]\ntitle=A320 " + variation + "\ntexture=" + texture + "\nui_variation=" + variation +
           "\nproductfolder=A320\ndescription=x\n";
}

// A package's files under `prefix` ("" for the top of the zip, "Blue/" for a folder).
void addPackage(sw::demo::StoredZipWriter& zip, const std::string& prefix, const std::string& texture,
                const std::string& variation) {
    zip.add(prefix + "installerinfo.txt", descriptor(texture, variation));
    zip.add(prefix + "texture." + texture + "/wing.bmp", "wing " + texture);
}

class InstallSources : public ::testing::Test {
protected:
    sw::test::TempDir m_dir;
    stdfs::path m_root = m_dir / "FSX";
    stdfs::path m_product = m_root / "SimObjects" / "Airplanes" / "ZEV_A320";
    stdfs::path m_temp = m_dir / "tmp";
    sw::test::ScopedEnv m_tmpdir{"TMPDIR", (m_dir / "tmp").c_str()};

    void SetUp() override {
        stdfs::create_directories(m_product);
        stdfs::create_directories(m_temp);
        writeFile(m_product / "aircraft.cfg", kConfig);
    }

    sw::test::CliResult install(std::vector<std::string> rest) {
        std::vector<std::string> args = {"install", "--sim", "fsx", "--root", m_root.string()};
        args.insert(args.end(), rest.begin(), rest.end());
        return runTool(args);
    }
    std::string config() const { return readFile(m_product / "aircraft.cfg"); }
    std::string writeZip(const std::string& name, const sw::demo::StoredZipWriter& zip) const {
        writeFile(m_dir / name, zip.finish());
        return (m_dir / name).string();
    }
    bool temporariesGone() const { return stdfs::is_empty(m_temp); }
};

TEST_F(InstallSources, ZipsInstallEveryPackageInOrderAndLeaveNothingBehind) {
    sw::demo::StoredZipWriter two;
    addPackage(two, "Blue/", "blue", "Blue Sky");
    addPackage(two, "Red/", "red", "Red");
    two.add("readme.txt", "not a package");
    sw::demo::StoredZipWriter solo; // installerinfo.txt at the top: the zip is the package
    addPackage(solo, "", "solo", "Solo Flight");
    const auto result = install({writeZip("two.zip", two), writeZip("Solo.v2.zip", solo)});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Installation completed\n");
    const std::string cfg = config();
    const auto blue = cfg.find("[fltsim.1]\r\ntitle=A320 Blue Sky");
    const auto red = cfg.find("[fltsim.2]\r\ntitle=A320 Red");
    const auto soloAt = cfg.find("[fltsim.3]\r\ntitle=A320 Solo Flight");
    EXPECT_NE(blue, std::string::npos) << cfg;
    EXPECT_NE(red, std::string::npos) << cfg;
    EXPECT_NE(soloAt, std::string::npos) << cfg;
    EXPECT_EQ(readFile(m_product / "texture.solo" / "wing.bmp"), "wing solo");
    EXPECT_EQ(readFile(m_product / "texture.red" / "wing.bmp"), "wing red");
    EXPECT_TRUE(temporariesGone());
}

TEST_F(InstallSources, UrlIsDownloadedWithItsStatusTextsThenInstalled) {
    sw::test::TestHttpServer server;
    sw::demo::StoredZipWriter zip;
    addPackage(zip, "", "blue", "Blue Sky");
    server.addFile("/packages/Blue.zip", zip.finish());
    const auto result = install({server.url("/packages/Blue.zip")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "Verificando tamanho do download...\n"
                          "Enviando requisição ao servidor...\n"
                          "Iniciando download...\n"
                          "Download concluído com sucesso!\n");
    EXPECT_EQ(result.out, "Installation completed\n");
    EXPECT_NE(config().find("ui_variation=Blue Sky"), std::string::npos);
    EXPECT_EQ(readFile(m_product / "texture.blue" / "wing.bmp"), "wing blue");
    EXPECT_TRUE(temporariesGone());
}

TEST_F(InstallSources, FailedDownloadInstallsNothingAndLeavesNothing) {
    sw::test::TestHttpServer server;
    sw::demo::StoredZipWriter zip;
    addPackage(zip, "Blue/", "blue", "Blue Sky");
    // The zip comes first and is fine; the URL after it fails: nothing at all is installed.
    const auto result = install({writeZip("blue.zip", zip), server.url("/packages/Missing.zip")});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("<<< 404 - HTTP Not Found >>>\n"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("skinwright-cli: cannot download " + server.url("/packages/Missing.zip")),
              std::string::npos);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(config(), kConfig);
    EXPECT_FALSE(stdfs::exists(m_product / "texture.blue"));
    EXPECT_TRUE(temporariesGone());

    // A transfer cut short by a server error is no package either.
    sw::test::TestHttpResponse head;
    head.body = zip.finish();
    sw::test::TestHttpResponse cut = head;
    cut.cutAfter = 40;
    sw::test::TestHttpResponse refused;
    refused.status = 500;
    refused.reason = "Internal Server Error";
    server.setResponseSequence("/packages/Cut.zip", {head, cut, refused});
    const auto partial = install({server.url("/packages/Cut.zip")});
    EXPECT_EQ(partial.status, 1);
    EXPECT_EQ(config(), kConfig);
    EXPECT_TRUE(temporariesGone());
}

TEST_F(InstallSources, BadZipsAreReportedAndInstallNothing) {
    writeFile(m_dir / "broken.zip", "PK\x03\x04 this is no archive");
    auto result = install({(m_dir / "broken.zip").string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(
        result.err.rfind("Cannot unpack the livery package\n" + (m_dir / "broken.zip").string() + "\n", 0),
        0u)
        << result.err;

    sw::demo::StoredZipWriter empty;
    empty.add("docs/readme.txt", "no package here");
    empty.add("A320.blue/installerinfo.txt", descriptor("blue", "Blue")); // dotted: not a package folder
    result = install({writeZip("docs.zip", empty)});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "No livery package found\n" + (m_dir / "docs.zip").string() +
                  "\nA livery package is a folder holding installerinfo.txt, or a .zip file of such "
                  "folders.\n");
    EXPECT_EQ(config(), kConfig);
    EXPECT_TRUE(temporariesGone());
}

TEST_F(InstallSources, SkipInstalledLeavesOutWhatIsThereByVariationOrTextureFolder) {
    sw::demo::StoredZipWriter blue;
    addPackage(blue, "", "blue", "Blue Sky");
    sw::demo::StoredZipWriter red;
    addPackage(red, "", "red", "Red");
    const std::string blueZip = writeZip("Blue.zip", blue);
    const std::string redZip = writeZip("Red.zip", red);
    ASSERT_EQ(install({blueZip}).status, 0);

    auto result = install({"--skip-installed", blueZip, redZip});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "Blue Sky is already installed in ZEV_A320, skipped\n");
    EXPECT_EQ(result.out, "Installation completed\n");
    std::string cfg = config();
    EXPECT_EQ(cfg.find("ui_variation=Blue Sky", cfg.find("ui_variation=Blue Sky") + 1), std::string::npos);
    EXPECT_NE(cfg.find("ui_variation=Red"), std::string::npos);

    // Only the texture folder is left of an earlier installation: still installed.
    writeFile(m_product / "aircraft.cfg", kConfig);
    stdfs::remove_all(m_product / "texture.red");
    result = install({redZip, "--skip-installed", blueZip});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "Blue Sky is already installed in ZEV_A320, skipped\n");
    EXPECT_EQ(config().find("Blue Sky"), std::string::npos);

    // Without the option the livery is installed again, as before.
    result = install({blueZip});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_NE(config().find("ui_variation=Blue Sky"), std::string::npos);
    EXPECT_TRUE(temporariesGone());

    // The option belongs to install alone, and is given once.
    EXPECT_EQ(runTool({"list", "--sim", "fsx", "--root", m_root.string(), "--skip-installed"}).status, 2);
    EXPECT_EQ(install({"--skip-installed", "--skip-installed", blueZip}).status, 2);
}

TEST_F(InstallSources, RootWithoutAircraftFolderIsAnError) {
    const std::string wrong = (m_dir / "Typo").string();
    stdfs::create_directories(wrong);
    for (const auto& [sim, folder] :
         {std::pair{"fsx", "/SimObjects/Airplanes"}, std::pair{"fs9", "/Aircraft"}}) {
        for (const std::vector<std::string>& rest :
             {std::vector<std::string>{"list"}, std::vector<std::string>{"list", "ZEV_A320"},
              std::vector<std::string>{"install", (m_dir / "nowhere").string()},
              std::vector<std::string>{"remove", "ZEV_A320", "0"}}) {
            std::vector<std::string> args = {rest[0], "--sim", sim, "--root", wrong};
            args.insert(args.end(), rest.begin() + 1, rest.end());
            const auto result = runTool(args);
            EXPECT_EQ(result.status, 1) << rest[0];
            EXPECT_EQ(result.err, "skinwright-cli: cannot find the aircraft folder " + wrong + folder + "\n");
            EXPECT_EQ(result.out, "");
        }
    }
    // The folder is found in any case, as the simulator's names are.
    stdfs::create_directories(m_dir / "Typo" / "aircraft");
    EXPECT_EQ(runTool({"list", "--sim", "fs9", "--root", wrong}).status, 0);
}

} // namespace
