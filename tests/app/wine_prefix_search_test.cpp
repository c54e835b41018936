// Finding the Wine prefix that registers a simulator: $WINEPREFIX, ~/.wine, then the Proton
// prefixes of FSX: Steam Edition under the Steam libraries.
#include "app/core/steam_libraries.h"
#include "app/core/wine_prefix_search.h"
#include "support/temp_dir.h"
#include "wine_prefix_fixture.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace sw;
using namespace sw::test;
namespace stdfs = std::filesystem;

namespace {

using Folders = std::vector<std::string>;

const char* kFs9Key = "Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\9.0";
const char* kFsxKey = "Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\10.0";

// A prefix at `path` whose system.reg registers the simulators named.
void makePrefix(const stdfs::path& path, bool fs9, bool fsx) {
    stdfs::create_directories(path / "drive_c");
    std::string text = registryHeader(false);
    if (fs9)
        text += registryKey(kFs9Key, "\"EXE Path\"=\"C:\\\\FS9\"");
    if (fsx)
        text += registryKey(kFsxKey, "\"SetupPath\"=\"C:\\\\FSX\"");
    writeFile(path / "system.reg", text);
}

stdfs::path protonPrefix(const stdfs::path& library) {
    return library / "steamapps" / "compatdata" / "314160" / "pfx";
}

} // namespace

TEST(LibraryFolders, BothLayoutsOfTheVdfFileAreRead) {
    const std::string current =
        "\"libraryfolders\"\n{\n"
        "\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/pilot/.local/share/Steam\"\n"
        "\t\t\"label\"\t\t\"\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"314160\"\t\t\"15000000\"\n\t\t}\n\t}\n"
        "\t\"1\"\n\t{\n\t\t\"path\"\t\t\"/mnt/games/Steam \\\"Library\\\"\"\n\t}\n}\n";
    EXPECT_EQ(parseLibraryFolders(current),
              (Folders{"/home/pilot/.local/share/Steam", "/mnt/games/Steam \"Library\""}));

    const std::string older =
        "\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\t\"1700000000\"\n"
        "\t\"ContentStatsID\"\t\t\"-4\"\n\t\"1\"\t\t\"/mnt/games\\\\SteamLibrary\"\n}\n";
    EXPECT_EQ(parseLibraryFolders(older), (Folders{"/mnt/games\\SteamLibrary"}));
}

TEST(LibraryFolders, ABrokenFileGivesWhatCameBeforeTheFault) {
    EXPECT_EQ(parseLibraryFolders(""), Folders{});
    EXPECT_EQ(parseLibraryFolders("\"libraryfolders\" { \"0\" { \"path\" \"/a\" } \"1\" { \"path\" \"/b"),
              (Folders{"/a"}));
    EXPECT_EQ(parseLibraryFolders("}}}} \"libraryfolders\" { \"0\" { \"path\" \"/a\" } }"), Folders{});
    EXPECT_EQ(parseLibraryFolders(std::string(100000, '{') + "\"path\" \"/deep\""), Folders{});
}

class WinePrefixSearch : public ::testing::Test {
protected:
    TempDir home;
};

TEST_F(WinePrefixSearch, ProtonPrefixesComeFromEveryInstallationAndItsListedLibraries) {
    const stdfs::path native = home / ".local" / "share" / "Steam";
    const stdfs::path flatpak =
        home / ".var" / "app" / "com.valvesoftware.Steam" / ".local" / "share" / "Steam";
    TempDir extra;
    stdfs::create_directories(protonPrefix(native));
    stdfs::create_directories(protonPrefix(flatpak));
    stdfs::create_directories(protonPrefix(extra.path()));
    // ~/.steam/root links to the native installation: its prefix is given once.
    stdfs::create_directories(home / ".steam");
    stdfs::create_directory_symlink(native, home / ".steam" / "root");
    writeFile(flatpak / "steamapps" / "libraryfolders.vdf",
              "\"libraryfolders\" { \"0\" { \"path\" \"" + flatpak.string() + "\" } \"1\" { \"path\" \"" +
                  extra.str() + "\" } \"2\" { \"path\" \"/nowhere/at/all\" } }");

    EXPECT_EQ(fsxProtonPrefixes(home.str()),
              (Folders{protonPrefix(home / ".steam" / "root").string(), protonPrefix(flatpak).string(),
                       protonPrefix(extra.path()).string()}));
}

TEST_F(WinePrefixSearch, TheFirstPrefixThatRegistersASimulatorIsTaken) {
    const stdfs::path proton = protonPrefix(home / ".local" / "share" / "Steam");
    TempDir variable;
    makePrefix(variable.path(), false, false);
    makePrefix(home / ".wine", false, false);
    makePrefix(proton, false, true);

    const Folders candidates = candidateWinePrefixes(variable.str().c_str(), home.str());
    ASSERT_EQ(candidates, (Folders{variable.str(), (home / ".wine").string(), proton.string()}));
    EXPECT_EQ(chooseWinePrefix(candidates), proton.string());

    // ~/.wine with FS9 comes before Proton's FSX; $WINEPREFIX with FSX before both.
    makePrefix(home / ".wine", true, false);
    EXPECT_EQ(chooseWinePrefix(candidates), (home / ".wine").string());
    makePrefix(variable.path(), false, true);
    EXPECT_EQ(chooseWinePrefix(candidates), variable.str());
}

TEST_F(WinePrefixSearch, WithoutAnyRegistrationTheUsersOwnPrefixStays) {
    makePrefix(protonPrefix(home / ".local" / "share" / "Steam"), false, false);
    EXPECT_EQ(chooseWinePrefix(candidateWinePrefixes(nullptr, home.str())), (home / ".wine").string());
    EXPECT_EQ(chooseWinePrefix(candidateWinePrefixes("/opt/prefix/", home.str())), "/opt/prefix");
    EXPECT_EQ(
        candidateWinePrefixes((home / ".wine").string().c_str(), home.str()),
        (Folders{(home / ".wine").string(), protonPrefix(home / ".local" / "share" / "Steam").string()}));
}

TEST_F(WinePrefixSearch, DetectionReadsHomeAndWinePrefixFromTheEnvironment) {
    const stdfs::path proton = protonPrefix(home / ".local" / "share" / "Steam");
    makePrefix(proton, true, true);
    ScopedEnv homeVariable("HOME", home.str().c_str());
    ScopedEnv noPrefix("WINEPREFIX", "");
    EXPECT_EQ(DetectWinePrefix(), proton.string());
}

// Broken prefixes on the way: a folder or a FIFO where system.reg should be, a folder where a
// Steam library list should be. The search neither stops nor waits, and goes on to the
// prefix that registers a simulator.
TEST_F(WinePrefixSearch, BrokenPrefixesArePassedOverWithoutCrashingOrWaiting) {
    const stdfs::path steam = home / ".local" / "share" / "Steam";
    const stdfs::path proton = protonPrefix(steam);
    TempDir variable;
    stdfs::create_directories(variable / "system.reg");
    stdfs::create_directories(home / ".wine");
    const std::string fifo = (home / ".wine" / "system.reg").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    makePrefix(proton, false, true);
    stdfs::create_directories(steam / "steamapps" / "libraryfolders.vdf");

    auto search = std::async(std::launch::async, [&] {
        return chooseWinePrefix(candidateWinePrefixes(variable.str().c_str(), home.str()));
    });
    const bool finished = search.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!finished) {
        // A reader waiting for a writer is let go, so that the test ends either way.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    ASSERT_TRUE(finished) << "the search waited on a FIFO";
    std::string chosen;
    EXPECT_NO_THROW(chosen = search.get());
    EXPECT_EQ(chosen, proton.string());
}

// The registry of the chosen prefix is handed on: the start-up reads system.reg once.
TEST_F(WinePrefixSearch, TheChosenPrefixComesWithItsRegistryAlreadyRead) {
    makePrefix(home / ".wine", false, true); // FSX only: both simulators are looked up
    const auto registry = chooseWinePrefixRegistry(candidateWinePrefixes(nullptr, home.str()));
    ASSERT_TRUE(registry);
    EXPECT_EQ(registry->prefix(), (home / ".wine").string());
    EXPECT_EQ(registry->loads(), 1);
    EXPECT_FALSE(registry->lookup(Simulator::FS9).keyOpens);
    EXPECT_TRUE(registry->lookup(Simulator::FSX).keyOpens);
    EXPECT_EQ(registry->loads(), 1);
}
