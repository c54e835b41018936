// Adding packages to the local library: zips, package folders, folders of packages, replacing.
#include "liveries/library_import.h"

#include "demo/stored_zip_writer.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

using sw::test::readFile;
using sw::test::writeFile;
namespace stdfs = std::filesystem;
using sw::liveries::addToLibrary;

std::string descriptor(const std::string& variation) {
    return "[fltsim.xx]\ntitle=" + variation + "\ntexture=t\nui_variation=" + variation +
           "\nproductfolder=A320\ndescription=x\n";
}

class LibraryImport : public ::testing::Test {
protected:
    sw::test::TempDir m_dir;
    stdfs::path m_library = m_dir / "downloads";
    sw::test::RecordingSink m_sink;

    void SetUp() override { stdfs::create_directories(m_library); }

    std::vector<std::string> add(const stdfs::path& source) {
        return addToLibrary(source.string(), m_library.string(), m_sink);
    }
    std::set<std::string> library() const {
        std::set<std::string> names;
        for (const auto& entry : stdfs::directory_iterator(m_library))
            names.insert(entry.path().filename().string());
        return names;
    }
    stdfs::path packageFolder(const std::string& name, const std::string& variation) {
        const auto folder = m_dir / "src" / name;
        stdfs::create_directories(folder / "texture.t");
        writeFile(folder / "installerinfo.txt", descriptor(variation));
        writeFile(folder / "texture.t" / "wing.bmp", variation);
        return folder;
    }
};

TEST_F(LibraryImport, ZipOfPackageFoldersAndZipThatIsOnePackage) {
    sw::demo::StoredZipWriter folders;
    folders.add("Blue/installerinfo.txt", descriptor("Blue"));
    folders.add("Blue/texture.t/wing.bmp", "blue wing");
    folders.add("Red/installerinfo.txt", descriptor("Red"));
    folders.add("Docs/readme.txt", "no package");
    writeFile(m_dir / "pack.zip", folders.finish());
    EXPECT_EQ(add(m_dir / "pack.zip"), (std::vector<std::string>{"Blue", "Red"}));
    EXPECT_EQ(readFile(m_library / "Blue" / "texture.t" / "wing.bmp"), "blue wing");

    sw::demo::StoredZipWriter solo;
    solo.add("INSTALLERINFO.TXT", descriptor("Solo"));
    solo.add("texture.t/wing.bmp", "solo wing");
    writeFile(m_dir / "A320.Solo.ZIP", solo.finish());
    EXPECT_EQ(add(m_dir / "A320.Solo.ZIP"), std::vector<std::string>{"A320_Solo"});
    EXPECT_EQ(readFile(m_library / "A320_Solo" / "texture.t" / "wing.bmp"), "solo wing");
    EXPECT_EQ(library(), (std::set<std::string>{"Blue", "Red", "A320_Solo"})); // no working folder left
    EXPECT_TRUE(m_sink.messages.empty());
}

TEST_F(LibraryImport, FoldersAreCopiedWithoutLinks) {
    const auto blue = packageFolder("Blue.v2", "Blue");
    stdfs::create_symlink("/etc/passwd", blue / "texture.t" / "link.bmp");
    stdfs::create_directory_symlink("/etc", blue / "etc");
    EXPECT_EQ(add(blue), std::vector<std::string>{"Blue_v2"});
    EXPECT_EQ(readFile(m_library / "Blue_v2" / "installerinfo.txt"), descriptor("Blue"));
    EXPECT_TRUE(stdfs::exists(m_library / "Blue_v2" / "texture.t" / "wing.bmp"));
    EXPECT_FALSE(stdfs::exists(stdfs::symlink_status(m_library / "Blue_v2" / "texture.t" / "link.bmp")));
    EXPECT_FALSE(stdfs::exists(stdfs::symlink_status(m_library / "Blue_v2" / "etc")));
    EXPECT_TRUE(stdfs::exists(blue / "installerinfo.txt")); // the source stays

    // A folder that holds package folders adds each of them.
    packageFolder("Red", "Red");
    packageFolder("Green", "Green");
    EXPECT_EQ(add(m_dir / "src"), (std::vector<std::string>{"Green", "Red"}));
    EXPECT_EQ(library(), (std::set<std::string>{"Blue_v2", "Green", "Red"}));
}

TEST_F(LibraryImport, ExistingNameIsReplacedOnlyWhenTheUserSaysYes) {
    stdfs::create_directories(m_library / "blue" / "old");
    writeFile(m_library / "blue" / "installerinfo.txt", descriptor("Old"));
    const auto blue = packageFolder("Blue", "New");

    m_sink.answers = {false};
    EXPECT_TRUE(add(blue).empty());
    EXPECT_EQ(m_sink.messages,
              std::vector<std::string>{"question: Blue is already in the library. Replace it?"});
    EXPECT_EQ(readFile(m_library / "blue" / "installerinfo.txt"), descriptor("Old"));
    EXPECT_EQ(library(), std::set<std::string>{"blue"});

    m_sink.answers = {true};
    EXPECT_EQ(add(blue), std::vector<std::string>{"Blue"});
    EXPECT_EQ(library(), std::set<std::string>{"Blue"});
    EXPECT_EQ(readFile(m_library / "Blue" / "installerinfo.txt"), descriptor("New"));
    EXPECT_FALSE(stdfs::exists(m_library / "Blue" / "old"));
}

TEST_F(LibraryImport, WhatHoldsNoPackageSaysSo) {
    const std::string explanation =
        "A livery package is a folder holding installerinfo.txt, or a .zip file of such folders.";
    writeFile(m_dir / "notes.txt", "text");
    stdfs::create_directories(m_dir / "empty");
    sw::demo::StoredZipWriter docs;
    docs.add("docs/readme.txt", "no package");
    writeFile(m_dir / "docs.zip", docs.finish());
    writeFile(m_dir / "broken.zip", "PK\x03\x04 not really");
    for (const char* name : {"notes.txt", "empty", "docs.zip", "missing"}) {
        m_sink.messages.clear();
        EXPECT_TRUE(add(m_dir / name).empty()) << name;
        EXPECT_EQ(m_sink.messages, std::vector<std::string>{"No livery package found\n" +
                                                            (m_dir / name).string() + "\n" + explanation})
            << name;
    }
    m_sink.messages.clear();
    EXPECT_TRUE(add(m_dir / "broken.zip").empty());
    ASSERT_EQ(m_sink.messages.size(), 1u);
    EXPECT_EQ(m_sink.messages[0].rfind(
                  "Cannot unpack the livery package\n" + (m_dir / "broken.zip").string() + "\n", 0),
              0u);
    EXPECT_TRUE(library().empty());
}

} // namespace
