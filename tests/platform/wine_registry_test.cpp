#include "platform/wine_paths.h"
#include "platform/wine_registry.h"
#include "support/temp_dir.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace sw;
using sw::test::TempDir;
using sw::test::writeFile;

namespace {

const std::string kText = "WINE REGISTRY Version 2\n"
                          ";; All keys relative to \\\\Machine\n"
                          "\n"
                          "#arch=win64\n"
                          "\n"
                          "[Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\9.0] 1700000000\n"
                          "#time=1da0c0e0f0a0b0c\n"
                          "@=\"default text\"\n"
                          "\"EXE Path\"=\"C:\\\\Program Files\\\\FS9\\\\\"\n"
                          "\"Quoted\"=\"say \\\"hi\\\"\\n\"\n"
                          "\"Accents\"=\"Caf\\xe9 \\x20ac\"\n"
                          "\"Number\"=dword:00000001\n"
                          "\"Expand\"=str(2):\"%ProgramFiles%\\\\FS\"\n"
                          "\"Wide\"=hex(2):43,00,3a,00,5c,00,\\\n"
                          "  46,00,53,00,00,00\n"
                          "\n"
                          "[Software\\\\Wow6432Node\\\\Vendor\\\\App] 1700000000\n"
                          "\"Where\"=\"32-bit view\"\n"
                          "\n"
                          "[Software\\\\Vendor\\\\App] 1700000000\n"
                          "\"Where\"=\"64-bit view\"\n"
                          "\"Only64\"=\"here\"\n";

} // namespace

TEST(WineRegistry, KeysAndValueNamesCompareCaseInsensitively) {
    WineRegistry registry = WineRegistry::parse(kText);
    auto key = registry.openKey("software\\microsoft\\microsoft games\\flight simulator\\9.0");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->stringValue("exe path"), "C:\\Program Files\\FS9\\");
    EXPECT_EQ(key->stringValue("EXE PATH"), "C:\\Program Files\\FS9\\");
    EXPECT_FALSE(key->stringValue("SetupPath"));
    EXPECT_FALSE(registry.openKey("software\\microsoft\\microsoft games\\flight simulator\\10.0"));
}

TEST(WineRegistry, StringValuesAreUnescaped) {
    WineRegistry registry = WineRegistry::parse(kText);
    auto key = registry.openKey("Software\\Microsoft\\Microsoft Games\\Flight Simulator\\9.0");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->stringValue("Quoted"), "say \"hi\"\n");
    EXPECT_EQ(key->stringValue("Accents"), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(key->stringValue("Expand"), "%ProgramFiles%\\FS");
    EXPECT_EQ(key->stringValue("Wide"), "C:\\FS");
    EXPECT_EQ(key->stringValue("@"), "default text");
    // Values that are not strings are not string values.
    EXPECT_FALSE(key->stringValue("Number"));
}

TEST(WineRegistry, The32BitViewIsTriedFirst) {
    WineRegistry registry = WineRegistry::parse(kText);
    auto key = registry.openKey("SOFTWARE\\Vendor\\App");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->stringValue("Where"), "32-bit view");
    // The 32-bit key is a key of its own: a value only the plain key holds is not there.
    EXPECT_FALSE(key->stringValue("Only64"));
    EXPECT_EQ(registry.openKeyExact("Software\\Vendor\\App")->stringValue("Only64"), "here");
}

TEST(WineRegistry, BrokenLinesAreSkippedWithoutLosingTheRest) {
    WineRegistry registry = WineRegistry::parse("[Software\\\\A] 1\n"
                                                "\"unterminated=\"x\n"
                                                "garbage line\n"
                                                "\"Good\"=\"yes\"\n"
                                                "[Software\\\\B\n"
                                                "\"Lost\"=\"in a broken key\"\n");
    auto key = registry.openKey("Software\\A");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->stringValue("Good"), "yes");
    EXPECT_FALSE(registry.openKey("Software\\B"));
}

TEST(WineRegistry, AMissingFileIsAnEmptyRegistry) {
    TempDir dir;
    WineRegistry registry = WineRegistry::loadPrefix(dir.str());
    EXPECT_TRUE(registry.empty());
    EXPECT_FALSE(registry.openKey("Software\\Microsoft"));
}

// A broken prefix: whatever stands where system.reg should be, loading it neither throws nor
// waits, and anything but a readable regular file is an empty registry.
TEST(WineRegistry, AFolderInPlaceOfSystemRegIsAnEmptyRegistry) {
    TempDir dir;
    std::filesystem::create_directory(dir / "system.reg");
    WineRegistry registry;
    EXPECT_NO_THROW(registry = WineRegistry::loadPrefix(dir.str()));
    EXPECT_TRUE(registry.empty());
}

TEST(WineRegistry, AFifoInPlaceOfSystemRegIsAnEmptyRegistryAtOnce) {
    TempDir dir;
    const std::string fifo = (dir / "system.reg").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto loading = std::async(std::launch::async, [&] { return WineRegistry::loadPrefix(dir.str()); });
    const bool finished = loading.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!finished) {
        // A reader waiting for a writer is let go, so that the test ends either way.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    ASSERT_TRUE(finished) << "loading a FIFO waited for a writer";
    EXPECT_TRUE(loading.get().empty());
}

TEST(WineRegistry, AnUnreadableOrLinkedSystemRegIsHandledLikeAnyFile) {
    TempDir dir;
    writeFile(dir / "real.reg", kText);
    std::filesystem::create_symlink("real.reg", dir / "system.reg");
    EXPECT_TRUE(WineRegistry::loadPrefix(dir.str()).openKey("Software\\Vendor\\App")); // a link is followed
    std::filesystem::remove(dir / "system.reg");
    writeFile(dir / "system.reg", kText);
    std::filesystem::permissions(dir / "system.reg", std::filesystem::perms::none);
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root: every file is readable";
    EXPECT_TRUE(WineRegistry::loadPrefix(dir.str()).empty());
}

TEST(WineRegistry, DefaultPrefixFollowsWinePrefix) {
    {
        sw::test::ScopedEnv prefix("WINEPREFIX", "/games/prefix");
        EXPECT_EQ(WineRegistry::defaultPrefix(), "/games/prefix");
    }
    sw::test::ScopedEnv prefix("WINEPREFIX", "");
    sw::test::ScopedEnv home("HOME", "/home/pilot");
    EXPECT_EQ(WineRegistry::defaultPrefix(), "/home/pilot/.wine");
}

TEST(WinePaths, DrivePathsResolveThroughDosdevicesCaseInsensitively) {
    TempDir prefix;
    std::filesystem::create_directories(prefix / "drive_c" / "Program Files" / "Microsoft Games" / "FS9");
    std::filesystem::create_directories(prefix / "dosdevices");
    std::filesystem::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
    std::string driveC = std::filesystem::canonical(prefix / "drive_c").string();

    EXPECT_EQ(wineDriveFolder(prefix.str(), 'C'), driveC);
    EXPECT_EQ(nativePathFromWindows(prefix.str(), "c:\\PROGRAM FILES\\microsoft games\\fs9\\"),
              driveC + "/Program Files/Microsoft Games/FS9/");
    EXPECT_EQ(nativePathFromWindows(prefix.str(), "C:\\Program Files\\Microsoft Games\\FS9"),
              driveC + "/Program Files/Microsoft Games/FS9");
    // What does not exist keeps the spelling given.
    EXPECT_EQ(nativePathFromWindows(prefix.str(), "C:\\program files\\New Folder\\X"),
              driveC + "/Program Files/New Folder/X");
    EXPECT_EQ(nativePathFromWindows(prefix.str(), "C:\\"), driveC + "/");
    EXPECT_FALSE(nativePathFromWindows(prefix.str(), "D:\\games"));
    EXPECT_FALSE(nativePathFromWindows(prefix.str(), "\\\\server\\share"));
    EXPECT_FALSE(nativePathFromWindows(prefix.str(), "relative\\path"));
}
