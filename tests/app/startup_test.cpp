#include "app/core/startup.h"
#include "core/site_addresses.h"
#include "support/temp_dir.h"
#include "wine_prefix_fixture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

using namespace sw;
using namespace sw::test;

namespace {

const char* kFs9Key = "Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\9.0";
const char* kFsxKey = "Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\10.0";
const char* kFsxKey32 = "Software\\\\Wow6432Node\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\10.0";

const std::string kStartLines = "Line 270: Program start\r\n"
                                "Line 281: Test log\r\n"
                                "Line 284: Checking registry and creating dirs\r\n";
const std::string kEndLines = "Line 307: Checking registry and creating dirs done\r\n"
                              "Line 397: Form creation finished\r\n";

// The window as the start-up sees it, recording what was asked of it.
class FakeStartupView : public StartupView {
public:
    Simulator choice = Simulator::None;
    std::string folder;
    std::vector<std::string> calls;
    std::string logWhenListing;

    Simulator simulatorChoice() const override { return choice; }
    void setSimulatorChoice(Simulator s) override {
        choice = s;
        calls.push_back("choice");
    }
    std::string simulatorFolder() const override { return folder; }
    void setSimulatorFolder(const std::string& f) override {
        folder = f;
        calls.push_back("folder");
    }
    void setTaskbarTitle(const std::string& title) override { calls.push_back("title " + title); }
    void colourProgressBar(unsigned background, unsigned bar) override {
        calls.push_back("progress " + std::to_string(background) + " " + std::to_string(bar));
    }
    void colourComboBoxes(unsigned colour) override { calls.push_back("combos " + std::to_string(colour)); }
    void listLocalLibrary() override {
        calls.push_back("library");
        logWhenListing = readFile("debug.log");
    }
};

class Startup : public ::testing::Test {
protected:
    WinePrefixFixture prefix;
    TempDir workspace;
    ScopedCurrentFolder inWorkspace{workspace.path()};
    FakeStartupView view;

    std::string start() {
        WinePrefixRegistry registry(prefix.path());
        return FormCreate(view, registry);
    }
    std::string log() { return readFile(workspace / "debug.log"); }
};

} // namespace

TEST_F(Startup, WithoutAPrefixNothingIsDetectedAndTheWorkspaceIsMade) {
    WinePrefixRegistry registry(prefix.path() + "/missing");
    EXPECT_EQ(FormCreate(view, registry), workspace.str());
    EXPECT_EQ(log(), kStartLines + kEndLines);
    EXPECT_EQ(view.choice, Simulator::None);
    EXPECT_EQ(view.folder, "");
    for (const char* folder : {"images", "downloads", "tempzip", "templiv"})
        EXPECT_TRUE(std::filesystem::is_directory(workspace / folder)) << folder;
    // The look is applied in order, and the library is listed after the detection's last line.
    std::vector<std::string> expected = {"title ZEV SW", "progress 15655890 9728318", "combos 9728318",
                                         "library"};
    EXPECT_EQ(view.calls, expected);
    EXPECT_EQ(view.logWhenListing, kStartLines + "Line 307: Checking registry and creating dirs done\r\n");
}

TEST_F(Startup, Fs9OnlySetsTheFs9FolderAsANativePath) {
    std::string fs9 = prefix.makeFolder("Program Files/Microsoft Games/Flight Simulator 9");
    // Different case in the registry than on disk, as Windows allows.
    prefix.writeSystemReg(registryHeader(false) +
                          registryKey(kFs9Key, "\"EXE Path\"=\"C:\\\\PROGRAM FILES\\\\microsoft games\\\\"
                                               "Flight Simulator 9\\\\\""));
    start();
    EXPECT_EQ(log(), kStartLines + kEndLines);
    EXPECT_EQ(view.choice, Simulator::FS9);
    EXPECT_EQ(view.folder, fs9 + "/");
}

TEST_F(Startup, FsxOnlyWritesItsTraceLineAndSetsFsx) {
    std::string fsx = prefix.makeFolder("Program Files/Microsoft Games/Microsoft Flight Simulator X");
    prefix.writeSystemReg(registryHeader(false) +
                          registryKey(kFsxKey, "\"SetupPath\"=\"C:\\\\Program Files\\\\Microsoft Games\\\\"
                                               "Microsoft Flight Simulator X\""));
    start();
    EXPECT_EQ(log(), kStartLines + "Line 307: Test log\r\n" + kEndLines);
    EXPECT_EQ(view.choice, Simulator::FSX);
    EXPECT_EQ(view.folder, fsx);
}

TEST_F(Startup, BothRegisteredPicksFs9) {
    std::string fs9 = prefix.makeFolder("FS9");
    prefix.makeFolder("FSX");
    prefix.writeSystemReg(registryHeader(false) + registryKey(kFsxKey, "\"SetupPath\"=\"C:\\\\FSX\"") +
                          registryKey(kFs9Key, "\"exe path\"=\"C:\\\\FS9\""));
    start();
    EXPECT_EQ(log(), kStartLines + kEndLines);
    EXPECT_EQ(view.choice, Simulator::FS9);
    EXPECT_EQ(view.folder, fs9);
}

TEST_F(Startup, Fs9KeyWithoutItsValueHidesFsx) {
    prefix.makeFolder("FSX");
    prefix.writeSystemReg(registryHeader(false) + registryKey(kFs9Key, "\"Version\"=\"9.1\"") +
                          registryKey(kFsxKey, "\"SetupPath\"=\"C:\\\\FSX\""));
    start();
    EXPECT_EQ(log(), kStartLines + kEndLines);
    EXPECT_EQ(view.choice, Simulator::None);
    EXPECT_EQ(view.folder, "");
}

TEST_F(Startup, A64BitPrefixIsReadThroughItsWow6432NodeKeys) {
    std::string fsx = prefix.makeFolder("Program Files (x86)/Microsoft Games/Microsoft Flight Simulator X");
    // The 32-bit view wins over a plain key that a 64-bit installer left behind.
    prefix.writeSystemReg(registryHeader(true) + registryKey(kFsxKey, "\"SetupPath\"=\"C:\\\\elsewhere\"") +
                          registryKey(kFsxKey32, "\"SetupPath\"=str(2):\"C:\\\\Program Files (x86)\\\\"
                                                 "Microsoft Games\\\\Microsoft Flight Simulator X\\\\\""));
    start();
    EXPECT_EQ(log(), kStartLines + "Line 307: Test log\r\n" + kEndLines);
    EXPECT_EQ(view.choice, Simulator::FSX);
    EXPECT_EQ(view.folder, fsx + "/");
}

TEST_F(Startup, ASecondStartAppendsToTheLogAndKeepsTheWorkspace) {
    start();
    writeFile(workspace / "downloads" / "keep.txt", "user's file");
    FakeStartupView second;
    WinePrefixRegistry registry(prefix.path());
    FormCreate(second, registry);
    EXPECT_EQ(log(), kStartLines + kEndLines + kStartLines + kEndLines);
    EXPECT_EQ(readFile(workspace / "downloads" / "keep.txt"), "user's file");
}

TEST_F(Startup, AValueNamingNoDriveOfThePrefixIsShownAsItStands) {
    prefix.writeSystemReg(registryHeader(false) +
                          registryKey(kFs9Key, "\"exe path\"=\"Z:\\\\games\\\\fs9\""));
    start();
    EXPECT_EQ(view.choice, Simulator::FS9);
    EXPECT_EQ(view.folder, "Z:\\games\\fs9");
}

TEST_F(Startup, AnUnwritableLogEndsTheStartBeforeAnythingElse) {
    std::filesystem::create_directory(workspace / "debug.log");
    WinePrefixRegistry registry(prefix.path());
    EXPECT_ANY_THROW(FormCreate(view, registry));
    EXPECT_TRUE(view.calls.empty());
    EXPECT_FALSE(std::filesystem::exists(workspace / "images"));
}

// --- cb2Change ----------------------------------------------------------------------------------

class SimulatorChange : public Startup {
protected:
    void registerBoth() {
        prefix.makeFolder("FS9");
        prefix.makeFolder("FSX");
        prefix.writeSystemReg(registryHeader(false) + registryKey(kFs9Key, "\"exe path\"=\"C:\\\\FS9\"") +
                              registryKey(kFsxKey, "\"SetupPath\"=\"C:\\\\FSX\""));
    }
    void change(Simulator to) {
        view.choice = to;
        WinePrefixRegistry registry(prefix.path());
        cb2Change(view, registry);
    }
};

TEST_F(SimulatorChange, PickingASimulatorFillsItsFolderBetweenTheTraceLines) {
    registerBoth();
    change(Simulator::FSX);
    EXPECT_EQ(view.folder, prefix.driveC() + "/FSX");
    change(Simulator::FS9);
    EXPECT_EQ(view.folder, prefix.driveC() + "/FS9");
    EXPECT_EQ(log(), "Line 1406: cb2Change called\r\nLine 1425: cb2Change end\r\n"
                     "Line 1406: cb2Change called\r\nLine 1425: cb2Change end\r\n");
}

TEST_F(SimulatorChange, AMissingSimulatorOrNoneKeepsTheFolderAsItWas) {
    prefix.makeFolder("FS9");
    prefix.writeSystemReg(registryHeader(false) + registryKey(kFs9Key, "\"exe path\"=\"C:\\\\FS9\""));
    change(Simulator::FS9);
    change(Simulator::FSX);
    EXPECT_EQ(view.choice, Simulator::FSX);
    EXPECT_EQ(view.folder, prefix.driveC() + "/FS9");
    view.folder = "/typed/by/the/user";
    change(Simulator::None);
    EXPECT_EQ(view.folder, "/typed/by/the/user");
}

// --- Browsing and addresses ---------------------------------------------------------------------

TEST(BrowseStart, OpensOnAnExistingFolderElseOnDriveCElseHome) {
    WinePrefixFixture prefix;
    std::string fs9 = prefix.makeFolder("FS9");
    EXPECT_EQ(BrowseStartFolder(fs9, prefix.path()), fs9);
    EXPECT_EQ(BrowseStartFolder(fs9 + "/missing", prefix.path()),
              std::filesystem::canonical(prefix.driveC()).string());
    EXPECT_EQ(BrowseStartFolder("", prefix.path()), std::filesystem::canonical(prefix.driveC()).string());
    ScopedEnv home("HOME", "/home/pilot");
    EXPECT_EQ(BrowseStartFolder("", prefix.path() + "/none"), "/home/pilot");
}

TEST(SiteAddresses, EnvironmentOverridesTheProgramsOwnAddresses) {
    {
        ScopedEnv maker("SKINWRIGHT_MAKER_URL", nullptr);
        ScopedEnv catalogue("SKINWRIGHT_CATALOGUE_URL", nullptr);
        EXPECT_EQ(CatalogueBaseUrl().substr(0, 7), "http://");
        EXPECT_EQ(CatalogueBaseUrl().substr(CatalogueBaseUrl().size() - 12), "/skinwright/");
        EXPECT_EQ(MakerFaqUrl(), MakerHomeUrl().substr(0, MakerHomeUrl().size() - 1) + "/FAQ");
    }
    ScopedEnv maker("SKINWRIGHT_MAKER_URL", "http://127.0.0.1:8080");
    ScopedEnv catalogue("SKINWRIGHT_CATALOGUE_URL", "http://127.0.0.1:8080/cat");
    EXPECT_EQ(MakerHomeUrl(), "http://127.0.0.1:8080");
    EXPECT_EQ(MakerFaqUrl(), "http://127.0.0.1:8080/FAQ");
    EXPECT_EQ(CatalogueBaseUrl(), "http://127.0.0.1:8080/cat/");
}

// A start reads and parses system.reg once, however many lookups it makes; a later lookup
// reads it again only when the file has changed.
TEST_F(Startup, SystemRegIsParsedOncePerStartAndAgainOnlyWhenChanged) {
    prefix.makeFolder("FSX");
    prefix.writeSystemReg(registryHeader(false) + registryKey(kFsxKey, "\"SetupPath\"=\"C:\\\\FSX\""));
    WinePrefixRegistry registry(prefix.path());
    FormCreate(view, registry); // FS9 looked up, then FSX
    EXPECT_EQ(view.choice, Simulator::FSX);
    EXPECT_EQ(registry.loads(), 1);
    cb2Change(view, registry);
    EXPECT_EQ(registry.loads(), 1);

    const std::string moved = prefix.makeFolder("Games/FSX");
    prefix.writeSystemReg(registryHeader(false) +
                          registryKey(kFsxKey, "\"SetupPath\"=\"C:\\\\Games\\\\FSX\""));
    cb2Change(view, registry);
    EXPECT_EQ(registry.loads(), 2);
    EXPECT_EQ(view.folder, moved);
}

TEST_F(Startup, ASystemRegThatIsAFolderDetectsNothing) {
    std::filesystem::create_directories(prefix.path() + "/system.reg");
    WinePrefixRegistry registry(prefix.path());
    EXPECT_NO_THROW(FormCreate(view, registry));
    EXPECT_EQ(view.choice, Simulator::None);
    EXPECT_EQ(log(), kStartLines + kEndLines);
}
