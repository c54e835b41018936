#include "liveries/installer.h"

#include "liveries/descriptor.h"
#include "liveries/text_file.h"
#include "livery_fixture.h"
#include "platform/io_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace {

using namespace sw::liveries;
using namespace sw::liveries::test;
using sw::test::readFile;
using sw::test::writeFile;
namespace stdfs = std::filesystem;

class InstallerTest : public ::testing::Test {
protected:
    LiveryWorld w;

    PackageValues valuesFor(const stdfs::path& package, const std::string& product,
                            const std::string& texture) {
        return {sw::test::readFile(package / "installerinfo.txt"), product, "texture." + texture};
    }
};

TEST_F(InstallerTest, OnePackageFs9WholeSequence) {
    const auto product = w.addProduct("ZEV_A320", configWithSections(5));
    const auto package =
        w.addPackage(w.workspace / "downloads", "Blue", descriptorText("A320", "blue", "Blue"), "blue",
                     {{"a.bmp", "A"}, {"thumbnail.jpg", "T"}});
    PackageValues selected{"", "ZEV_A320", "texture.blue"};
    installOnePackage(w.context, selected, package.string());

    const std::string expected =
        configWithSections(5).insert(configWithSections(5).find("[General]") - 2,
                                     "\r\n\r\n[fltsim.5]\r\ntitle=Zev A320 "
                                     "Blue\r\nsim=zev\r\nmodel=\r\ntexture=blue\r\nui_variation=Blue\r\n"
                                     "productfolder=A320\r\ndescription=Livery Blue\r\n");
    EXPECT_EQ(readFile(product / "aircraft.cfg"), expected);
    EXPECT_EQ(readFile(product / "texture.blue" / "a.bmp"), "A");
    EXPECT_EQ(readFile(product / "texture.blue" / "thumbnail.jpg"), "T");
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>{"Installation completed"}));
    EXPECT_EQ(w.traces,
              (std::vector<std::string>{"498 BitBtn3Click called", "506 Reading installerinfo",
                                        "519 Seems like something missed", "541 Test log", "567 Test log",
                                        "567 Test log", "567 Test log", "567 Test log", "567 Test log",
                                        "593 Test log", "598 Installation completed", "739 Procedure end"}));
}

TEST_F(InstallerTest, OnePackageMissingDescriptorAndNoneChoice) {
    PackageValues selected;
    installOnePackage(w.context, selected, (w.workspace / "downloads" / "Nothing").string());
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>{
                                   "Please choose correct livery\n" +
                                   (w.workspace / "downloads" / "Nothing" / "installerinfo.txt").string()}));
    EXPECT_EQ(w.view.progressHidden, 1);
    EXPECT_EQ(w.traces, (std::vector<std::string>{"498 BitBtn3Click called", "515 Test log"}));

    w.sink.messages.clear();
    w.traces.clear();
    w.view.sim = Simulator::None;
    const auto package = w.addPackage(w.workspace / "downloads", "P", descriptorText("A", "x", "X"), "x", {});
    installOnePackage(w.context, selected, package.string());
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>{"Please select FS"}));
    EXPECT_EQ(w.traces, (std::vector<std::string>{"498 BitBtn3Click called", "506 Reading installerinfo",
                                                  "739 Procedure end"}));
}

TEST_F(InstallerTest, RealWorldSpellingsResolve) {
    // Product folder and file spelt differently from what the program builds; e1 with a trailing '/'.
    std::filesystem::create_directories(w.sim / "aircraft");
    const auto product = w.sim / "aircraft" / "zev_a320";
    stdfs::create_directories(product);
    writeFile(product / "Aircraft.cfg",
              "[fltsim.0]\ntexture=\nui_variation=Base\ndescription=x\n\n[General]\n");
    w.view.folder = w.sim.string() + "/";
    const auto package =
        w.addPackage(w.workspace / "downloads", "P", descriptorText("A320", "blue sky.2", "Blue"),
                     "blue sky.2", {{"f.dds", "F"}});
    PackageValues selected{"", "ZEV_A320", "texture.blue sky.2"};
    installOnePackage(w.context, selected, package.string());
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>{"Installation completed"}));
    EXPECT_NE(readFile(product / "Aircraft.cfg").find("[fltsim.1]\r\n"), std::string::npos);
    EXPECT_EQ(readFile(product / "texture.blue sky.2" / "f.dds"), "F");
    EXPECT_EQ(std::distance(stdfs::directory_iterator(product), stdfs::directory_iterator()), 2);
}

TEST_F(InstallerTest, MixedLineEndsComeBackAsCrLfWithFinalLineEnd) {
    const auto product =
        w.addProduct("ZEV_A", "[fltsim.0]\ntexture=a\r\nui_variation=A\ndescription=d\r\n\n[General]\natc=x");
    const auto package = w.addPackage(w.workspace / "downloads", "P",
                                      "[fltsim.xx]\r\ntexture=b\nui_variation=B\ndescription=e", "b", {});
    PackageValues selected{"", "ZEV_A", "texture.b"};
    installOnePackage(w.context, selected, package.string());
    EXPECT_EQ(readFile(product / "aircraft.cfg"),
              "[fltsim.0]\r\ntexture=a\r\nui_variation=A\r\ndescription=d\r\n\r\n\r\n"
              "[fltsim.1]\r\ntexture=b\r\nui_variation=B\r\ndescription=e\r\n\r\n[General]\r\natc=x\r\n");
}

TEST_F(InstallerTest, InstallingTwiceAddsSectionAndKeepsTextures) {
    const auto product = w.addProduct("ZEV_B737", configWithSections(1));
    const auto package = w.addPackage(w.workspace / "downloads", "P", descriptorText("B737", "red", "Red"),
                                      "red", {{"a.bmp", "new"}});
    stdfs::create_directories(product / "texture.red");
    writeFile(product / "texture.red" / "a.bmp", "kept");
    PackageValues selected{"", "ZEV_B737", "texture.red"};
    installOnePackage(w.context, selected, package.string());
    installOnePackage(w.context, selected, package.string());
    const std::string config = readFile(product / "aircraft.cfg");
    EXPECT_NE(config.find("[fltsim.1]\r\ntitle=Zev B737 Red"), std::string::npos);
    EXPECT_NE(config.find("[fltsim.2]\r\ntitle=Zev B737 Red"), std::string::npos);
    EXPECT_EQ(readFile(product / "texture.red" / "a.bmp"), "kept");
}

TEST_F(InstallerTest, FsxCopiesBaseTexturesWithoutOverwritingLiveryFiles) {
    w.view.sim = Simulator::FSX;
    const auto product = w.addProduct("ZEV_A320", configWithSections(2));
    stdfs::create_directories(product / "TexBase");
    writeFile(product / "TexBase" / "wing.bmp", "base wing");
    writeFile(product / "TexBase" / "Body.BMP", "base body");
    writeFile(product / "TexBase" / "notes.txt", "not a texture");
    const auto package = w.addPackage(w.workspace / "downloads", "P", descriptorText("A320", "g", "Green"),
                                      "g", {{"wing.bmp", "livery wing"}});
    PackageValues last;
    ASSERT_TRUE(installAllPackages(w.context, last, {package.string()}));
    EXPECT_EQ(readFile(product / "texture.g" / "wing.bmp"), "livery wing");
    EXPECT_EQ(readFile(product / "texture.g" / "Body.BMP"), "base body");
    EXPECT_FALSE(stdfs::exists(product / "texture.g" / "notes.txt"));
    EXPECT_EQ(w.traces, (std::vector<std::string>{"498 BitBtn3Click called", "645 Test log", "749 Test log",
                                                  "749 Test log", "739 Procedure end"}));
}

TEST_F(InstallerTest, AllPackagesNumbersInListOrder) {
    const auto product = w.addProduct("ZEV_A320_200", configWithSections(3));
    const auto first =
        w.addPackage(w.workspace / "downloads", "A", descriptorText("A320-200", "a", "A"), "a", {});
    const auto second =
        w.addPackage(w.workspace / "downloads", "B", descriptorText("A320-200", "b", "B"), "b", {});
    PackageValues last;
    ASSERT_TRUE(installAllPackages(w.context, last, {first.string(), second.string()}));
    const std::string config = readFile(product / "aircraft.cfg");
    EXPECT_LT(config.find("[fltsim.3]\r\ntitle=Zev A320-200 A"),
              config.find("[fltsim.4]\r\ntitle=Zev A320-200 B"));
    EXPECT_EQ(last.productFolder, "ZEV_A320_200");
    EXPECT_EQ(last.textureFolder, "texture.b");
    EXPECT_EQ(w.traces, (std::vector<std::string>{"498 BitBtn3Click called", "645 Test log", "697 Test log",
                                                  "723 Test log", "645 Test log", "697 Test log",
                                                  "723 Test log", "739 Procedure end"}));
}

TEST_F(InstallerTest, AllPackagesWithNoneChangesNothing) {
    w.view.sim = Simulator::None;
    const auto product = w.addProduct("ZEV_A", configWithSections(1));
    std::vector<std::string> folders;
    for (const char* name : {"1", "2", "3"})
        folders.push_back(
            w.addPackage(w.workspace / "downloads", name, descriptorText("A", name, name), name, {})
                .string());
    PackageValues last;
    ASSERT_TRUE(installAllPackages(w.context, last, folders));
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>{"Please select FS", "Please select FS",
                                                         "Please select FS", "Installation completed"}));
    EXPECT_EQ(readFile(product / "aircraft.cfg"), configWithSections(1));
    EXPECT_FALSE(stdfs::exists(product / "texture.1"));
}

TEST_F(InstallerTest, AllPackagesStopsAtMissingConfigKeepingEarlierOnes) {
    const auto product = w.addProduct("ZEV_A", configWithSections(1));
    const auto first =
        w.addPackage(w.workspace / "downloads", "1", descriptorText("A", "one", "One"), "one", {});
    const auto second =
        w.addPackage(w.workspace / "downloads", "2", descriptorText("Gone", "two", "Two"), "two", {});
    const auto third =
        w.addPackage(w.workspace / "downloads", "3", descriptorText("A", "three", "Three"), "three", {});
    PackageValues last;
    EXPECT_FALSE(installAllPackages(w.context, last, {first.string(), second.string(), third.string()}));
    EXPECT_EQ(w.sink.messages,
              (std::vector<std::string>{"Cannot find aircraft.cfg file, please recheck pathes\n" +
                                        (w.aircraftRoot() / "ZEV_Gone" / "aircraft.cfg").string()}));
    EXPECT_EQ(w.view.progressHidden, 1);
    const std::string config = readFile(product / "aircraft.cfg");
    EXPECT_NE(config.find("ui_variation=One"), std::string::npos);
    EXPECT_EQ(config.find("ui_variation=Three"), std::string::npos);
}

TEST_F(InstallerTest, MalformedDescriptorIsRefusedWithoutWriting) {
    const auto product = w.addProduct("ZEV_A", configWithSections(2));
    const auto package =
        w.addPackage(w.workspace / "downloads", "P",
                     "title=x\nproductfolder=A\ntexture=t\nui_variation=V\ndescription=d\n", "t", {});
    PackageValues selected{"", "ZEV_A", "texture.t"};
    installOnePackage(w.context, selected, package.string());
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>{"Please choose correct livery\n" +
                                                         (package / "installerinfo.txt").string()}));
    EXPECT_EQ(readFile(product / "aircraft.cfg"), configWithSections(2));
    EXPECT_FALSE(stdfs::exists(product / "texture.t"));
}

TEST_F(InstallerTest, LongPlaceholderIsReplacedWhole) {
    const auto product = w.addProduct("ZEV_A", configWithSections(10));
    std::string descriptor = descriptorText("A", "t", "V");
    descriptor.replace(0, 11, "[fltsim.N]");
    const auto package = w.addPackage(w.workspace / "downloads", "P", descriptor, "t", {});
    PackageValues selected{"", "ZEV_A", "texture.t"};
    installOnePackage(w.context, selected, package.string());
    EXPECT_NE(readFile(product / "aircraft.cfg").find("\r\n[fltsim.10]\r\ntitle=Zev A V"), std::string::npos);
}

TEST_F(InstallerTest, ProductNameLeavingAircraftRootIsRefused) {
    // A cfg that "ZEV_../.." would reach: it must stay untouched.
    w.addProduct("ZEV_A", configWithSections(1));
    writeFile(w.sim / "aircraft.cfg", "outside");
    stdfs::create_directories(w.sim / "Aircraft" / "ZEV_");
    const auto package =
        w.addPackage(w.workspace / "downloads", "P", descriptorText("/../..", "t", "V"), "t", {});
    PackageValues last;
    EXPECT_FALSE(installAllPackages(w.context, last, {package.string()}));
    EXPECT_EQ(readFile(w.sim / "aircraft.cfg"), "outside");
    // The descriptor that names the product is at fault.
    EXPECT_EQ(w.sink.messages,
              (std::vector<std::string>{"Cannot find aircraft.cfg file, please recheck pathes\n" +
                                        (package / "installerinfo.txt").string()}));
}

TEST_F(InstallerTest, SymbolicLinksInPackageAreNotFollowed) {
    const auto product = w.addProduct("ZEV_A", configWithSections(1));
    writeFile(w.dir / "secret", "private");
    const auto package =
        w.addPackage(w.workspace / "downloads", "P", descriptorText("A", "t", "V"), "t", {{"ok.bmp", "ok"}});
    stdfs::create_symlink(w.dir / "secret", package / "texture.t" / "link.bmp");
    PackageValues selected{"", "ZEV_A", "texture.t"};
    installOnePackage(w.context, selected, package.string());
    EXPECT_EQ(readFile(product / "texture.t" / "ok.bmp"), "ok");
    EXPECT_FALSE(stdfs::exists(product / "texture.t" / "link.bmp"));
}

TEST_F(InstallerTest, TextureFolderThatIsALinkIsNotCopied) {
    const auto product = w.addProduct("ZEV_A", configWithSections(1));
    stdfs::create_directories(w.dir / "elsewhere");
    writeFile(w.dir / "elsewhere" / "private.bmp", "private");
    const auto package = w.workspace / "downloads" / "P";
    stdfs::create_directories(package);
    writeFile(package / "installerinfo.txt", descriptorText("A", "t", "V"));
    stdfs::create_directory_symlink(w.dir / "elsewhere", package / "texture.t");
    PackageValues selected{"", "ZEV_A", "texture.t"};
    installOnePackage(w.context, selected, package.string());
    EXPECT_TRUE(stdfs::is_empty(product / "texture.t"));
}

TEST_F(InstallerTest, ReadOnlyConfigEndsWithIoErrorAndKeepsFile) {
    const auto product = w.addProduct("ZEV_A", configWithSections(1));
    ::chmod((product / "aircraft.cfg").c_str(), 0444);
    const auto package = w.addPackage(w.workspace / "downloads", "P", descriptorText("A", "t", "V"), "t", {});
    PackageValues selected{"", "ZEV_A", "texture.t"};
    EXPECT_THROW(installOnePackage(w.context, selected, package.string()), sw::IoError);
    EXPECT_EQ(readFile(product / "aircraft.cfg"), configWithSections(1));
    EXPECT_FALSE(stdfs::exists(product / "texture.t"));
}

TEST_F(InstallerTest, DownloadPassTracesAndSkipsArchive) {
    w.view.sim = Simulator::FSX;
    const auto product = w.addProduct("ZEV_A", configWithSections(1));
    const auto templiv = w.workspace / "templiv";
    w.addPackage(templiv, "Pkg", descriptorText("A", "t", "V"), "t", {});
    writeFile(templiv / "livery", "the archive, also without extension");
    PackageValues last;
    ASSERT_TRUE(installDownloadedPackages(w.context, last, templiv.string(), "livery"));
    const std::string path = (w.sim / "SimObjects" / "Airplanes").string() + "/ZEV_A/aircraft.cfg";
    EXPECT_EQ(w.traces,
              (std::vector<std::string>{
                  "1191 Test log", "1191 Test log", "1191 Test log", "1191 Test log", "1157 Critical section",
                  "1160 Select FS passed", "1173 FSX chosen", "1174 Path: " + path, "1180 aircraft.cfg found",
                  "1183 aircraft.cfg read", "1217 Test log", "1243 Test log", "1269 Test log"}));
    EXPECT_NE(readFile(product / "aircraft.cfg").find("[fltsim.1]"), std::string::npos);
}

TEST_F(InstallerTest, DownloadPassMissingDescriptorEndsHandler) {
    const auto templiv = w.workspace / "templiv";
    stdfs::create_directories(templiv / "Empty");
    PackageValues last;
    EXPECT_FALSE(installDownloadedPackages(w.context, last, templiv.string(), "x.zip"));
    EXPECT_EQ(w.sink.messages,
              (std::vector<std::string>{"Cannot find installerinfo.txt file, please recheck pathes\n" +
                                        (templiv / "Empty" / "installerinfo.txt").string()}));
    EXPECT_EQ(w.view.progressHidden, 1);
}

TEST_F(InstallerTest, NumbersAfterHeaderLinesOfAnyCaseNotAfterComments) {
    const auto product =
        w.addProduct("ZEV_A320", realWorldConfig({blueSection("[fltsim.0]"), redSection("[Fltsim.1]"),
                                                  blueTailSection("[FLTSIM.2]")}));
    const auto package = w.addPackage(w.workspace / "downloads", "Green",
                                      descriptorText("A320", "green", "Green"), "green", {});
    PackageValues selected{"", "ZEV_A320", "texture.green"};
    installOnePackage(w.context, selected, package.string());
    EXPECT_EQ(
        readFile(product / "aircraft.cfg"),
        realWorldConfig({blueSection("[fltsim.0]"), redSection("[Fltsim.1]"),
                         blueTailSection("[FLTSIM.2]") + "\r\n\r\n[fltsim.3]\r\ntitle=Zev A320 Green\r\n"
                                                         "sim=zev\r\nmodel=\r\ntexture=green\r\n"
                                                         "ui_variation=Green\r\nproductfolder=A320\r\n"
                                                         "description=Livery Green\r\n"}));
}

TEST_F(InstallerTest, DescriptorWithByteOrderMarkInstallsWithoutIt) {
    const auto product = w.addProduct("ZEV_A320", configWithSections(1));
    const auto plain =
        w.addPackage(w.workspace / "downloads", "Plain", descriptorText("A320", "t", "V"), "t", {});
    const auto marked = w.addPackage(w.workspace / "downloads", "Marked",
                                     "\xEF\xBB\xBF" + descriptorText("A320", "t", "V"), "t", {});
    PackageValues last;
    ASSERT_TRUE(installAllPackages(w.context, last, {plain.string()}));
    const std::string once = readFile(product / "aircraft.cfg");
    writeFile(product / "aircraft.cfg", configWithSections(1));
    stdfs::remove_all(product / "texture.t"); // not installed any more
    ASSERT_TRUE(installAllPackages(w.context, last, {marked.string()}));
    EXPECT_EQ(readFile(product / "aircraft.cfg"), once);
    EXPECT_EQ(readFile(product / "aircraft.cfg").find("\xEF\xBB\xBF"), std::string::npos);
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>(2, "Installation completed")));
}

TEST_F(InstallerTest, LinkedConfigStaysALinkAndItsTargetIsRewritten) {
    const auto product = w.addProduct("ZEV_A", configWithSections(1));
    const auto target = w.dir / "cfgs" / "zev_a.cfg";
    stdfs::create_directories(target.parent_path());
    stdfs::rename(product / "aircraft.cfg", target);
    stdfs::create_symlink(target, product / "aircraft.cfg");
    const auto package = w.addPackage(w.workspace / "downloads", "P", descriptorText("A", "t", "V"), "t", {});
    PackageValues selected{"", "ZEV_A", "texture.t"};
    installOnePackage(w.context, selected, package.string());
    EXPECT_EQ(w.sink.messages, (std::vector<std::string>{"Installation completed"}));
    EXPECT_TRUE(stdfs::is_symlink(product / "aircraft.cfg"));
    EXPECT_EQ(stdfs::read_symlink(product / "aircraft.cfg"), target);
    EXPECT_NE(readFile(target).find("[fltsim.1]\r\ntitle=Zev A V"), std::string::npos);
    EXPECT_EQ(std::distance(stdfs::directory_iterator(target.parent_path()), stdfs::directory_iterator()), 1);
}

TEST_F(InstallerTest, FolderRefusingTheTemporaryFileIsNamedNotTheFile) {
    const auto product = w.addProduct("ZEV_A", configWithSections(1));
    const auto package = w.addPackage(w.workspace / "downloads", "P", descriptorText("A", "t", "V"), "t", {});
    PackageValues selected{"", "ZEV_A", "texture.t"};
    std::string error;
    {
        sw::test::WithoutWriteAccess locked(product);
        try {
            installOnePackage(w.context, selected, package.string());
        } catch (const sw::IoError& e) {
            error = e.what();
        }
    }
    EXPECT_EQ(error, "Cannot create a temporary file in folder: Permission denied\n" + product.string());
    EXPECT_EQ(readFile(product / "aircraft.cfg"), configWithSections(1));
}

// Found by fuzz_descriptor (fuzz_corpus/descriptor/regression-*).
TEST_F(InstallerTest, PackageWithoutTextureFolderCopiesNothingLooseIntoTheProduct) {
    w.view.sim = Simulator::FSX;
    const auto product = w.addProduct("ZEV_A320", configWithSections(1));
    stdfs::create_directories(product / "texbase");
    writeFile(product / "texbase" / "wing.bmp", "base");
    const auto package = w.workspace / "downloads" / "Bare";
    stdfs::create_directories(package);
    writeFile(package / "installerinfo.txt", descriptorText("A320", "bare", "Bare"));
    std::string descriptor = ReadDescriptor((package / "installerinfo.txt").string());
    ASSERT_TRUE(InstallLivery(w.context, InstallPass::OnePackage, descriptor, "ZEV_A320",
                              findTextureFolder(package.string(), ""), package.string()));
    EXPECT_NE(readFile(product / "aircraft.cfg").find("ui_variation=Bare"), std::string::npos);
    std::vector<std::string> entries;
    for (const auto& entry : stdfs::directory_iterator(product))
        entries.push_back(entry.path().filename().string());
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"aircraft.cfg", "texbase"}));
}

} // namespace
