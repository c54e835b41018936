#include "platform/file_system.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace {

using namespace sw::fs;
using sw::test::readFile;
using sw::test::TempDir;
using sw::test::writeFile;
namespace stdfs = std::filesystem;

std::vector<std::string> names(const std::vector<DirEntry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries)
        out.push_back(e.name);
    return out;
}

TEST(WindowsPattern, StarAndStarDotStarMatchEverything) {
    for (const char* name : {"a", "a.b", "a.b.c", ".hidden", "noext", "trailing."}) {
        EXPECT_TRUE(matchesPattern(name, "*")) << name;
        EXPECT_TRUE(matchesPattern(name, "*.*")) << name;
    }
}

TEST(WindowsPattern, TrailingDotMeansNoExtension) {
    EXPECT_TRUE(matchesPattern("Boeing737", "*."));
    EXPECT_FALSE(matchesPattern("texture.abc", "*."));
    EXPECT_FALSE(matchesPattern("a.b.c", "*."));
    EXPECT_TRUE(matchesPattern("ZEV_Boeing", "ZEV_*."));
    EXPECT_TRUE(matchesPattern("zev_", "ZEV_*."));
    EXPECT_FALSE(matchesPattern("ZEV_Boeing.old", "ZEV_*."));
    EXPECT_FALSE(matchesPattern("XZEV_Boeing", "ZEV_*."));
    EXPECT_FALSE(matchesPattern("ZEV", "ZEV_*."));
}

TEST(WindowsPattern, ExtensionPatterns) {
    EXPECT_TRUE(matchesPattern("Plane.BMP", "*.bmp"));
    EXPECT_TRUE(matchesPattern("a.b.bmp", "*.bmp"));
    EXPECT_FALSE(matchesPattern("a.bmp.txt", "*.bmp"));
    EXPECT_FALSE(matchesPattern("abmp", "*.bmp"));
    EXPECT_TRUE(matchesPattern("texture.ABC", "texture.*"));
    EXPECT_TRUE(matchesPattern("texture", "texture.*")); // ".*" also matches nothing, as on Windows
    EXPECT_FALSE(matchesPattern("textures", "texture.*"));
}

TEST(WindowsPattern, QuestionMarkIsOneCharacter) {
    EXPECT_TRUE(matchesPattern("a1.txt", "a?.txt"));
    EXPECT_FALSE(matchesPattern("a12.txt", "a?.txt"));
    // One character even when it is several UTF-8 bytes.
    EXPECT_TRUE(matchesPattern("a\xC3\xA9.txt", "a?.txt"));
}

TEST(WindowsPattern, CaseInsensitiveBeyondAscii) {
    EXPECT_TRUE(matchesPattern("LIVERY", "livery"));
    // UTF-8 É / é
    EXPECT_TRUE(matchesPattern("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"));
    // Windows-1252 É / é and Š / š
    EXPECT_TRUE(matchesPattern("\xC9t\xE9", "\xE9T\xC9"));
    EXPECT_TRUE(matchesPattern("\x8A", "\x9A"));
    // × and ÷ are not a case pair.
    EXPECT_FALSE(matchesPattern("\xC3\x97", "\xC3\xB7"));
    EXPECT_TRUE(namesEqual("Cyrillic \xD0\x90", "cyrillic \xD0\xB0"));
}

TEST(WindowsPattern, NameOrderIgnoresCaseAndIsTotal) {
    EXPECT_TRUE(nameLess("apple", "Banana"));
    EXPECT_TRUE(nameLess("B", "b")); // ties by bytes, so the order never depends on the disk
    EXPECT_FALSE(nameLess("b", "B"));
    EXPECT_FALSE(nameLess("x", "x"));
}

class FileSystemTest : public ::testing::Test {
protected:
    TempDir m_dir;
    std::string path(const std::string& relative) const { return m_dir.str() + "/" + relative; }
};

TEST_F(FileSystemTest, EnumerateSortsCaseInsensitivelyWithDotsFirst) {
    stdfs::create_directory(m_dir / "Beta");
    writeFile(m_dir / "alpha.txt", "a");
    writeFile(m_dir / "GAMMA", "g");
    writeFile(m_dir / "delta.BMP", "d");
    EXPECT_EQ(names(enumerate(m_dir.str(), "*")),
              (std::vector<std::string>{".", "..", "alpha.txt", "Beta", "delta.BMP", "GAMMA"}));
    EXPECT_EQ(names(enumerate(m_dir.str(), "*.")), (std::vector<std::string>{".", "..", "Beta", "GAMMA"}));
    EXPECT_EQ(names(enumerate(m_dir.str(), "*.bmp")), (std::vector<std::string>{"delta.BMP"}));
}

TEST_F(FileSystemTest, EnumerateReportsAttributes) {
    stdfs::create_directory(m_dir / "sub");
    stdfs::create_directory(m_dir / "locked");
    writeFile(m_dir / "file", "x");
    writeFile(m_dir / "ro", "x");
    ::chmod(path("ro").c_str(), 0444);
    ::chmod(path("locked").c_str(), 0555);
    std::map<std::string, std::uint32_t> attrs;
    for (const auto& e : enumerate(m_dir.str(), "*"))
        attrs[e.name] = e.attributes;
    EXPECT_EQ(attrs["sub"], kAttrDirectory);
    EXPECT_EQ(attrs["locked"], kAttrDirectory | kAttrReadOnly);
    EXPECT_EQ(attrs["file"], kAttrArchive);
    EXPECT_EQ(attrs["ro"], kAttrArchive | kAttrReadOnly);
    EXPECT_EQ(attrs["."], kAttrDirectory);
}

TEST_F(FileSystemTest, EnumerateMissingFolderIsEmptyAndFolderIsResolved) {
    EXPECT_TRUE(enumerate(path("nothing"), "*").empty());
    stdfs::create_directories(m_dir / "Liveries" / "Sub");
    EXPECT_EQ(names(enumerate(path("LIVERIES"), "*.")), (std::vector<std::string>{".", "..", "Sub"}));
}

TEST_F(FileSystemTest, ResolveFollowsTheTreeAndKeepsNewNames) {
    stdfs::create_directories(m_dir / "SimObjects" / "Airplanes");
    writeFile(m_dir / "SimObjects" / "Airplanes" / "aircraft.cfg", "");
    EXPECT_EQ(resolve(path("simobjects/AIRPLANES/Aircraft.CFG")), path("SimObjects/Airplanes/aircraft.cfg"));
    EXPECT_EQ(resolve(path("SIMOBJECTS/NewFolder/Child")), path("SimObjects/NewFolder/Child"));
    EXPECT_EQ(resolve(m_dir.str() + "//simobjects///airplanes/"), path("SimObjects/Airplanes/"));
}

TEST_F(FileSystemTest, ResolvePrefersExactThenFirstInOrder) {
    stdfs::create_directory(m_dir / "abc");
    stdfs::create_directory(m_dir / "ABC");
    stdfs::create_directory(m_dir / "Abc");
    EXPECT_EQ(resolve(path("Abc")), path("Abc"));
    EXPECT_EQ(resolve(path("aBC")), path("ABC"));
}

TEST_F(FileSystemTest, ResolveRelativeToCurrentFolder) {
    stdfs::create_directory(m_dir / "Work");
    sw::test::ScopedCurrentFolder cwd(m_dir.path());
    EXPECT_EQ(resolve("WORK/x"), "Work/x");
    EXPECT_TRUE(directoryExists("work"));
    EXPECT_TRUE(directoryExists("./WORK"));
}

TEST_F(FileSystemTest, ExistenceTests) {
    stdfs::create_directory(m_dir / "Dir");
    writeFile(m_dir / "File.txt", "");
    EXPECT_TRUE(fileExists(path("file.TXT")));
    EXPECT_FALSE(fileExists(path("dir")));
    EXPECT_TRUE(directoryExists(path("DIR")));
    EXPECT_TRUE(directoryExists(path("DIR/")));
    EXPECT_FALSE(directoryExists(path("file.txt")));
    EXPECT_TRUE(exists(path("dir")));
    EXPECT_FALSE(exists(path("missing")));
    EXPECT_FALSE(exists(""));
    EXPECT_EQ(getAttributes(path("missing")), kInvalidAttributes);
}

TEST_F(FileSystemTest, CreateAndRemoveDirectory) {
    EXPECT_TRUE(createDirectory(path("New")));
    EXPECT_FALSE(createDirectory(path("NEW")));         // already there (case-insensitively)
    EXPECT_FALSE(createDirectory(path("no/such/dir"))); // parent missing
    writeFile(m_dir / "New" / "f", "");
    EXPECT_FALSE(removeDirectory(path("new"))); // not empty
    std::filesystem::remove(m_dir / "New" / "f");
    EXPECT_TRUE(removeDirectory(path("new")));
    EXPECT_FALSE(stdfs::exists(m_dir / "New"));
    EXPECT_FALSE(removeDirectory(path("new")));
}

TEST_F(FileSystemTest, DeleteFileRefusesFoldersMissingAndReadOnly) {
    stdfs::create_directory(m_dir / "d");
    writeFile(m_dir / "ro", "x");
    writeFile(m_dir / "File", "x");
    EXPECT_TRUE(setAttributes(path("ro"), kAttrReadOnly));
    EXPECT_FALSE(deleteFile(path("d")));
    EXPECT_FALSE(deleteFile(path("missing")));
    EXPECT_FALSE(deleteFile(path("ro")));
    EXPECT_TRUE(stdfs::exists(m_dir / "ro"));
    EXPECT_TRUE(setAttributes(path("RO"), kAttrArchive));
    EXPECT_EQ(getAttributes(path("ro")), kAttrArchive);
    EXPECT_TRUE(deleteFile(path("RO")));
    EXPECT_TRUE(deleteFile(path("file")));
    EXPECT_FALSE(stdfs::exists(m_dir / "File"));
}

TEST_F(FileSystemTest, SetAttributesMapsReadOnlyToWriteBits) {
    stdfs::create_directory(m_dir / "d");
    EXPECT_TRUE(setAttributes(path("d"), kAttrDirectory | kAttrReadOnly));
    struct stat st {};
    ASSERT_EQ(::stat(path("d").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH), 0u);
    EXPECT_EQ(getAttributes(path("d")), kAttrDirectory | kAttrReadOnly);
    EXPECT_TRUE(setAttributes(path("d"), kAttrArchive));
    EXPECT_EQ(getAttributes(path("d")), kAttrDirectory);
    EXPECT_FALSE(setAttributes(path("missing"), kAttrArchive));
}

TEST_F(FileSystemTest, CopyFileHonoursFailIfExists) {
    writeFile(m_dir / "src", "new bytes");
    writeFile(m_dir / "dst", "old");
    EXPECT_FALSE(copyFile(path("src"), path("dst"), true));
    EXPECT_EQ(readFile(m_dir / "dst"), "old");
    EXPECT_TRUE(copyFile(path("SRC"), path("DST"), false));
    EXPECT_EQ(readFile(m_dir / "dst"), "new bytes");
    EXPECT_TRUE(copyFile(path("src"), path("fresh"), true));
    EXPECT_EQ(readFile(m_dir / "fresh"), "new bytes");
}

TEST_F(FileSystemTest, CopyFileKeepsReadOnlyAndTimeAndRefusesOddCases) {
    std::string big(3 << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 131 % 251);
    writeFile(m_dir / "big", big);
    ASSERT_TRUE(setModificationTime(path("big"), 1000000000));
    ASSERT_TRUE(setAttributes(path("big"), kAttrReadOnly));
    ASSERT_TRUE(copyFile(path("big"), path("copy"), true));
    EXPECT_EQ(readFile(m_dir / "copy"), big);
    EXPECT_EQ(getAttributes(path("copy")), kAttrArchive | kAttrReadOnly);
    struct stat st {};
    ASSERT_EQ(::stat(path("copy").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1000000000);
    // A read-only destination is not replaced.
    writeFile(m_dir / "other", "x");
    EXPECT_FALSE(copyFile(path("other"), path("copy"), false));
    EXPECT_EQ(readFile(m_dir / "copy"), big);
    // Nor is a file copied onto itself, a folder copied, or a missing source.
    writeFile(m_dir / "self", "keep");
    EXPECT_FALSE(copyFile(path("self"), path("SELF"), false));
    EXPECT_EQ(readFile(m_dir / "self"), "keep");
    stdfs::create_directory(m_dir / "d");
    EXPECT_FALSE(copyFile(path("d"), path("d2"), false));
    EXPECT_FALSE(copyFile(path("missing"), path("m2"), false));
    EXPECT_FALSE(stdfs::exists(m_dir / "m2"));
    EXPECT_FALSE(copyFile(path("self"), path("no/such/dir/f"), false));
}

TEST(FileSystemPaths, WindowsSeparatorsBecomeNative) {
    EXPECT_EQ(toNative("liveries\\ZEV_a\\texture.x"), "liveries/ZEV_a/texture.x");
}

} // namespace
