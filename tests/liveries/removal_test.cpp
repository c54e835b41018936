#include "liveries/installed_liveries.h"
#include "liveries/installer.h"
#include "liveries/remove_tree.h"

#include "livery_fixture.h"
#include "platform/file_system.h"
#include "platform/io_error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

using namespace sw::liveries;
using namespace sw::liveries::test;
using sw::test::readFile;
using sw::test::writeFile;
namespace stdfs = std::filesystem;

// configWithSections(n) without section `gone`, the rest renumbered.
std::string withoutSection(int count, int gone) {
    std::string text;
    int number = 0;
    for (int i = 0; i < count; ++i) {
        if (i == gone)
            continue;
        const std::string n = std::to_string(i);
        text += "[fltsim." + std::to_string(number++) + "]\r\ntitle=T" + n + "\r\ntexture=t" + n +
                "\r\nui_variation=V" + n + "\r\ndescription=D" + n + "\r\n\r\n";
    }
    return text + "[General]\r\natc_type=ZEV\r\n";
}

class RemovalTest : public ::testing::Test {
protected:
    LiveryWorld w;

    stdfs::path productWithTextures(int count) {
        const auto product = w.addProduct("ZEV_A320", configWithSections(count));
        for (int i = 0; i < count; ++i) {
            stdfs::create_directories(product / ("texture.t" + std::to_string(i)));
            writeFile(product / ("texture.t" + std::to_string(i)) / "a.bmp", "x");
        }
        return product;
    }

    void choose(int index) {
        w.view.chooseProduct("ZEV_A320");
        ListInstalledLiveries(w.context);
        w.view.cb4Index = index;
    }
};

TEST_F(RemovalTest, ListsProductsWithPrefixAndNoExtension) {
    for (const char* name : {"ZEV_B737", "zev_a320", "ZEV_A320.old", "Other", "ZEV"})
        stdfs::create_directories(w.aircraftRoot() / name);
    EXPECT_TRUE(ListInstalledProducts(w.context));
    EXPECT_EQ(w.view.cb3, (std::vector<std::string>{"zev_a320", "ZEV_B737"}));
    EXPECT_EQ(w.view.cb3Index, -1);
    EXPECT_EQ(w.traces, (std::vector<std::string>{"1434 BitBtn12Click called", "1503 Test log",
                                                  "1452 BitBtn12Click end"}));
    w.view.sim = Simulator::None;
    EXPECT_FALSE(ListInstalledProducts(w.context));
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>{"Please select FS"}));
}

TEST_F(RemovalTest, ListsVariationsAndFailsWithoutConfig) {
    productWithTextures(3);
    choose(0);
    EXPECT_EQ(w.view.cb4, (std::vector<std::string>{"V0", "V1", "V2"}));
    EXPECT_EQ(w.view.cb4Index, 0);
    EXPECT_EQ(w.traces, (std::vector<std::string>{"780 cb3Change called", "827 Test log", "827 Test log",
                                                  "827 Test log", "806 cb3Change end"}));
    stdfs::create_directories(w.aircraftRoot() / "ZEV_EMPTY");
    w.view.chooseProduct("ZEV_EMPTY");
    EXPECT_THROW(ListInstalledLiveries(w.context), sw::IoError);
    EXPECT_TRUE(w.view.cb4.empty());
}

TEST_F(RemovalTest, RemovesFirstMiddleAndLastSection) {
    for (int gone : {0, 2, 4}) {
        SCOPED_TRACE(gone);
        const auto product = productWithTextures(5);
        choose(gone);
        RemoveLivery(w.context);
        EXPECT_EQ(readFile(product / "aircraft.cfg"), withoutSection(5, gone));
        EXPECT_FALSE(stdfs::exists(product / ("texture.t" + std::to_string(gone))));
        EXPECT_TRUE(stdfs::exists(product / ("texture.t" + std::to_string(gone == 0 ? 1 : 0))));
        EXPECT_EQ(w.view.cb4.size(), 4u);
        EXPECT_EQ(w.view.cb4Index, 0);
        ASSERT_FALSE(w.sink.messages.empty());
        EXPECT_EQ(w.sink.messages.back(), "Removed succesfully");
        stdfs::remove_all(product);
    }
}

TEST_F(RemovalTest, RenumbersAcrossDigitCounts) {
    const auto product = productWithTextures(12);
    choose(10);
    RemoveLivery(w.context);
    EXPECT_EQ(readFile(product / "aircraft.cfg"), withoutSection(12, 10));
    stdfs::remove_all(product);
    const auto again = productWithTextures(11);
    choose(3);
    RemoveLivery(w.context);
    EXPECT_EQ(readFile(again / "aircraft.cfg"), withoutSection(11, 3));
}

TEST_F(RemovalTest, WholeRemovalTraceSequence) {
    w.view.sim = Simulator::FSX;
    productWithTextures(2);
    choose(1);
    w.traces.clear();
    RemoveLivery(w.context);
    EXPECT_EQ(w.traces, (std::vector<std::string>{"816 BitBtn6Click called", "853 Test log", "879 Test log",
                                                  "905 Test log", "931 Test log", "918 BitBtn6Click end"}));
    EXPECT_EQ(w.view.cb4, (std::vector<std::string>{"V0"}));
}

TEST_F(RemovalTest, InstallThenRemoveRestoresSectionsWithTwoEmptyLines) {
    const std::string original =
        "[fltsim.0]\r\ntexture=a\r\nui_variation=A\r\ndescription=d\r\n\r\n[General]\r\n";
    const auto product = w.addProduct("ZEV_A320", original);
    const auto package = w.addPackage(w.workspace / "downloads", "P", descriptorText("A320", "n", "New"), "n",
                                      {{"x.bmp", "x"}});
    PackageValues selected{"", "ZEV_A320", "texture.n"};
    installOnePackage(w.context, selected, package.string());
    choose(1);
    ASSERT_EQ(w.view.variationSelection(), "New");
    RemoveLivery(w.context);
    EXPECT_EQ(readFile(product / "aircraft.cfg"),
              "[fltsim.0]\r\ntexture=a\r\nui_variation=A\r\ndescription=d\r\n\r\n\r\n[General]\r\n");
    EXPECT_FALSE(stdfs::exists(product / "texture.n"));
    // The next installation numbers after the last remaining section.
    installOnePackage(w.context, selected, package.string());
    EXPECT_NE(readFile(product / "aircraft.cfg").find("[fltsim.1]\r\ntitle=Zev A320 New"), std::string::npos);
}

TEST_F(RemovalTest, RefusalsLeaveFileByteIdentical) {
    const auto product = productWithTextures(3);
    const std::string before = readFile(product / "aircraft.cfg");
    choose(1);
    w.view.cb4[1] = "Stale"; // the list no longer matches the file
    RemoveLivery(w.context);
    w.view.cb4Index = -1; // nothing chosen
    RemoveLivery(w.context);
    w.view.cb4 = {"V0", "V1", "V2", "V3"};
    w.view.cb4Index = 3; // a section that is not there
    RemoveLivery(w.context);
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>(3, std::string(kMsgLiveryNotFound) + "\n" +
                                                                (product / "aircraft.cfg").string())));
    EXPECT_EQ(readFile(product / "aircraft.cfg"), before);
    EXPECT_TRUE(stdfs::exists(product / "texture.t1"));
}

TEST_F(RemovalTest, UnsafeTextureValuesRemoveSectionButNoFolder) {
    const std::string config = "[fltsim.0]\r\ntexture=\r\nui_variation=Base\r\ndescription=d\r\n\r\n"
                               "[fltsim.1]\r\ntexture=../../x\r\nui_variation=Evil\r\ndescription=d\r\n\r\n"
                               "[General]\r\n";
    const auto product = w.addProduct("ZEV_A320", config);
    stdfs::create_directories(product / "texture.");
    writeFile(product / "texture." / "base.bmp", "base");
    stdfs::create_directories(w.sim / "x");
    writeFile(w.sim / "x" / "keep", "keep");
    choose(1);
    RemoveLivery(w.context);
    choose(0);
    RemoveLivery(w.context);
    EXPECT_EQ(readFile(product / "aircraft.cfg"), "[General]\r\n");
    EXPECT_EQ(readFile(product / "texture." / "base.bmp"), "base");
    EXPECT_EQ(readFile(w.sim / "x" / "keep"), "keep");
}

TEST_F(RemovalTest, TextureFolderThatIsALinkKeepsItsTarget) {
    const auto product = w.addProduct("ZEV_A320", configWithSections(1));
    stdfs::create_directories(w.dir / "shared");
    writeFile(w.dir / "shared" / "a.bmp", "shared");
    stdfs::create_directory_symlink(w.dir / "shared", product / "texture.t0");
    choose(0);
    RemoveLivery(w.context);
    ASSERT_FALSE(w.sink.messages.empty());
    EXPECT_EQ(w.sink.messages.back(), "Removed succesfully");
    EXPECT_EQ(readFile(w.dir / "shared" / "a.bmp"), "shared");
}

TEST_F(RemovalTest, MissingConfigAndNoneChoice) {
    stdfs::create_directories(w.aircraftRoot() / "ZEV_X");
    w.view.chooseProduct("ZEV_X");
    w.view.cb4 = {"V"};
    w.view.cb4Index = 0;
    RemoveLivery(w.context);
    EXPECT_EQ(w.sink.messages,
              (std::vector<std::string>{"Cannot find aircraft.cfg file, please recheck pathes\n" +
                                        (w.aircraftRoot() / "ZEV_X" / "aircraft.cfg").string()}));
    EXPECT_EQ(w.view.progressHidden, 1);
    w.view.sim = Simulator::None;
    w.traces.clear();
    RemoveLivery(w.context);
    ASSERT_FALSE(w.sink.messages.empty());
    EXPECT_EQ(w.sink.messages.back(), "Please select FS");
    EXPECT_EQ(w.traces, (std::vector<std::string>{"816 BitBtn6Click called", "918 BitBtn6Click end"}));
}

TEST_F(RemovalTest, ReadOnlyConfigEndsWithIoErrorBeforeDeletingTextures) {
    const auto product = productWithTextures(2);
    choose(0);
    ::chmod((product / "aircraft.cfg").c_str(), 0444);
    EXPECT_THROW(RemoveLivery(w.context), sw::IoError);
    EXPECT_EQ(readFile(product / "aircraft.cfg"), configWithSections(2));
    EXPECT_TRUE(stdfs::exists(product / "texture.t0" / "a.bmp"));
}

// Real-world files: the whole section goes, headers in any case are found and renumbered in
// their own case, the comment stays as it is, and a shared texture folder stays.
class RealWorldRemovalTest : public RemovalTest {
protected:
    stdfs::path m_product;

    void SetUp() override {
        m_product =
            w.addProduct("ZEV_A320", realWorldConfig({blueSection("[fltsim.0]"), redSection("[Fltsim.1]"),
                                                      blueTailSection("[FLTSIM.2]")}));
        for (const char* texture : {"texture.blue", "texture.red"}) {
            stdfs::create_directories(m_product / texture);
            writeFile(m_product / texture / "fuselage.bmp", texture);
        }
    }
};

TEST_F(RealWorldRemovalTest, RemovesTheWholeSectionAndRenumbersHeaderLinesOnly) {
    choose(1);
    ASSERT_EQ(w.view.cb4, (std::vector<std::string>{"Blue", "Red", "Blue tail"}));
    RemoveLivery(w.context);
    EXPECT_EQ(w.sink.messages.back(), "Removed succesfully");
    EXPECT_EQ(readFile(m_product / "aircraft.cfg"),
              realWorldConfig({blueSection("[fltsim.0]"), blueTailSection("[FLTSIM.1]")}));
    EXPECT_FALSE(stdfs::exists(m_product / "texture.red"));
    EXPECT_EQ(w.view.cb4, (std::vector<std::string>{"Blue", "Blue tail"}));
}

TEST_F(RealWorldRemovalTest, KeepsATextureFolderAnotherSectionStillNames) {
    choose(0); // texture=blue; [FLTSIM.2] has texture=Blue
    RemoveLivery(w.context);
    EXPECT_EQ(readFile(m_product / "aircraft.cfg"),
              realWorldConfig({redSection("[Fltsim.0]"), blueTailSection("[FLTSIM.1]")}));
    EXPECT_EQ(readFile(m_product / "texture.blue" / "fuselage.bmp"), "texture.blue");
    choose(1); // the last one naming it: now the folder goes
    RemoveLivery(w.context);
    EXPECT_EQ(readFile(m_product / "aircraft.cfg"), realWorldConfig({redSection("[Fltsim.0]")}));
    EXPECT_FALSE(stdfs::exists(m_product / "texture.blue"));
    EXPECT_TRUE(stdfs::exists(m_product / "texture.red"));
}

TEST_F(RealWorldRemovalTest, LastSectionBeforeGeneralTakesItsKeysAndOneEmptyLine) {
    choose(2);
    RemoveLivery(w.context);
    EXPECT_EQ(readFile(m_product / "aircraft.cfg"),
              realWorldConfig({blueSection("[fltsim.0]"), redSection("[Fltsim.1]")}));
}

TEST_F(RealWorldRemovalTest, LinkedConfigStaysALink) {
    const auto shared = w.dir / "shared" / "a320.cfg";
    stdfs::create_directories(shared.parent_path());
    stdfs::rename(m_product / "aircraft.cfg", shared);
    stdfs::create_symlink("../../../shared/a320.cfg", m_product / "aircraft.cfg");
    choose(1);
    RemoveLivery(w.context);
    EXPECT_TRUE(stdfs::is_symlink(m_product / "aircraft.cfg"));
    EXPECT_EQ(readFile(shared), realWorldConfig({blueSection("[fltsim.0]"), blueTailSection("[FLTSIM.1]")}));
    EXPECT_EQ(std::distance(stdfs::directory_iterator(shared.parent_path()), stdfs::directory_iterator()), 1);
}

class RemoveTreeTest : public ::testing::Test {
protected:
    sw::test::TempDir m_dir;
    std::vector<std::string> m_traces;
    Trace m_trace = [this](const std::string& p, const std::string& m) { m_traces.push_back(p + " " + m); };
};

TEST_F(RemoveTreeTest, EmptiesReadOnlyFilesAndSubFoldersKeepingRoot) {
    const auto root = m_dir / "templiv";
    stdfs::create_directories(root / "pkg" / "texture.a");
    writeFile(root / "ro.txt", "x");
    writeFile(root / "pkg" / "texture.a" / "ro.bmp", "x");
    ::chmod((root / "ro.txt").c_str(), 0444);
    ::chmod((root / "pkg" / "texture.a" / "ro.bmp").c_str(), 0444);
    EXPECT_TRUE(RemoveTree(m_trace, root.string(), true, false, false));
    EXPECT_TRUE(stdfs::exists(root));
    EXPECT_TRUE(stdfs::is_empty(root));
    EXPECT_EQ(m_traces, (std::vector<std::string>{"203 Test log", "203 Test log"}));
}

TEST_F(RemoveTreeTest, WithoutClearReadOnlyTheReadOnlyFileStays) {
    const auto root = m_dir / "t";
    stdfs::create_directories(root);
    writeFile(root / "a_ro", "x");
    writeFile(root / "b", "x");
    ::chmod((root / "a_ro").c_str(), 0444);
    // The failure on "a_ro" is forgotten once "b" is deleted: the result is the last step's.
    EXPECT_TRUE(RemoveTree(m_trace, root.string(), false, false, false));
    EXPECT_TRUE(stdfs::exists(root / "a_ro"));
    EXPECT_FALSE(stdfs::exists(root / "b"));
    writeFile(root / "c", "x");
    EXPECT_FALSE(RemoveTree(m_trace, root.string(), false, true, true)); // stops at a_ro
    EXPECT_TRUE(stdfs::exists(root / "c"));
    // Removing the root fails while an entry is left, and that is reported.
    stdfs::remove(root / "c");
    EXPECT_FALSE(RemoveTree(m_trace, root.string(), false, false, true));
    EXPECT_TRUE(stdfs::exists(root));
}

TEST_F(RemoveTreeTest, ReadOnlyFolderIsHandledAsFileAndSkipped) {
    const auto root = m_dir / "t";
    stdfs::create_directories(root / "locked");
    writeFile(root / "locked" / "f", "x");
    writeFile(root / "z", "x");
    ::chmod((root / "locked").c_str(), 0555);
    EXPECT_TRUE(RemoveTree(m_trace, root.string(), false, false, false));
    EXPECT_TRUE(stdfs::exists(root / "locked" / "f"));
    EXPECT_FALSE(stdfs::exists(root / "z"));
    EXPECT_TRUE(m_traces.empty());
}

TEST_F(RemoveTreeTest, NeverFollowsLinksOutOfTheTree) {
    const auto root = m_dir / "t";
    const auto outside = m_dir / "outside";
    stdfs::create_directories(root);
    stdfs::create_directories(outside);
    writeFile(outside / "precious", "keep");
    ::chmod((outside / "precious").c_str(), 0444);
    stdfs::create_directory_symlink(outside, root / "dirlink");
    stdfs::create_symlink(outside / "precious", root / "filelink");
    EXPECT_TRUE(RemoveTree(m_trace, root.string(), true, false, true));
    EXPECT_FALSE(stdfs::exists(root));
    EXPECT_EQ(readFile(outside / "precious"), "keep");
    EXPECT_EQ(sw::fs::getAttributes((outside / "precious").string()),
              sw::fs::kAttrArchive | sw::fs::kAttrReadOnly);
}

TEST_F(RemoveTreeTest, MissingFolderIsFalse) {
    EXPECT_FALSE(RemoveTree(m_trace, (m_dir / "none").string(), true, false, false));
}

} // namespace
