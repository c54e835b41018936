// Archives written by the peers (Info-ZIP zip, 7-Zip) in the test itself, so stored, deflate,
// Deflate64 and ZipCrypto stay covered without the shared material. Skips without the tools.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "archive/unzipper.h"
#include "support/temp_dir.h"

namespace sw {
namespace {

namespace fs = std::filesystem;

bool haveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

class PeerArchives : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 rng(99);
        std::string random(100000, '\0');
        for (auto& c : random)
            c = static_cast<char>(rng());
        std::string text;
        while (text.size() < 60000)
            text += "Lorem ipsum livery " + std::to_string(text.size() % 977) + "\n";
        m_files = {{"rand.bin", random},
                   {"lorem.txt", text},
                   {"far.bin", random.substr(0, 40000) + random.substr(0, 40000)},
                   {"Livery/texture.abc/empty.dat", ""},
                   {"Livery/aircraft.cfg", "[fltsim.0]\r\ntitle=x\r\n"}};
        fs::create_directories(m_dir / "src/Livery/texture.abc");
        for (auto& [name, bytes] : m_files)
            test::writeFile(m_dir / "src" / name, bytes);
    }

    // Runs `command` in the source folder to make `archive`, extracts it with the password
    // "secret" and compares every file.
    void check(const std::string& archive, const std::string& command) {
        SCOPED_TRACE(command);
        ASSERT_EQ(
            std::system(("cd '" + (m_dir / "src").string() + "' && " + command + " >/dev/null 2>&1").c_str()),
            0);
        const fs::path out = m_dir / ("out-" + archive);
        fs::create_directory(out);
        TAbUnZipper uzip;
        uzip.ExtractOptions = eoCreateDirs | eoRestorePath;
        uzip.Password = "secret";
        std::vector<std::string> failures;
        uzip.OnProcessItemFailure = [&](TAbBaseBrowser&, TAbZipItem& item, TAbProcessType, TAbErrorClass,
                                        int code) {
            failures.push_back(std::string(item.FileName) + " " + std::to_string(code));
        };
        uzip.SetFileName((m_dir / archive).string());
        uzip.SetBaseDirectory(out.string());
        uzip.ExtractMatching("*.*");
        uzip.CloseArchiveFile();
        EXPECT_TRUE(failures.empty()) << failures.front();
        for (auto& [name, bytes] : m_files)
            EXPECT_TRUE(test::readFile(out / name) == bytes) << name;
    }

    std::string target(const std::string& archive) const { return "'" + (m_dir / archive).string() + "'"; }

    test::TempDir m_dir;
    std::vector<std::pair<std::string, std::string>> m_files;
};

TEST_F(PeerArchives, InfoZipStoredDeflateAndZipCrypto) {
    if (!haveTool("zip"))
        GTEST_SKIP() << "Info-ZIP zip not installed";
    check("stored.zip", "zip -q -X -r -0 " + target("stored.zip") + " .");
    check("fast.zip", "zip -q -X -r -1 " + target("fast.zip") + " .");
    check("best.zip", "zip -q -X -r -9 " + target("best.zip") + " .");
    check("crypt.zip", "zip -q -X -r -P secret " + target("crypt.zip") + " .");
    check("crypt0.zip", "zip -q -X -r -0 -P secret " + target("crypt0.zip") + " .");
}

TEST_F(PeerArchives, SevenZipDeflate64AndZipCrypto) {
    if (!haveTool("7zz"))
        GTEST_SKIP() << "7-Zip (7zz) not installed";
    check("d64.zip", "7zz a -bd -tzip -mm=Deflate64 -mx=9 " + target("d64.zip") + " .");
    check("d.zip", "7zz a -bd -tzip -mm=Deflate -mx=9 " + target("d.zip") + " .");
    check("zc.zip", "7zz a -bd -tzip -psecret -mem=ZipCrypto -mm=Deflate " + target("zc.zip") + " .");
    check("zc64.zip", "7zz a -bd -tzip -psecret -mem=ZipCrypto -mm=Deflate64 " + target("zc64.zip") + " .");
}

} // namespace
} // namespace sw
