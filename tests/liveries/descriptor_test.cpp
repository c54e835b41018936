#include "liveries/descriptor.h"
#include "liveries/text_file.h"

#include "platform/io_error.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace sw::liveries;
using sw::test::TempDir;
using sw::test::writeFile;

TEST(TextLines, EveryLineEndsInCrLf) {
    EXPECT_EQ(toCrLfLines("a\nb\r\nc"), "a\r\nb\r\nc\r\n"); // mixed ends, last line without one
    EXPECT_EQ(toCrLfLines("a\rb\n"), "a\rb\r\n");           // a lone CR stays inside the line
    EXPECT_EQ(toCrLfLines("\n\n"), "\r\n\r\n");
    EXPECT_EQ(toCrLfLines(""), "");
    EXPECT_EQ(toCrLfLines("x\r"), "x\r\r\n");
}

TEST(TextLines, ReadDescriptorResolvesAndFailsWithIoError) {
    TempDir dir;
    writeFile(dir / "InstallerInfo.TXT", "[fltsim.xx]\ntitle=A\n");
    EXPECT_EQ(ReadDescriptor((dir / "installerinfo.txt").string()), "[fltsim.xx]\r\ntitle=A\r\n");
    EXPECT_THROW(ReadDescriptor((dir / "missing.txt").string()), sw::IoError);
}

TEST(DescriptorValue, TakesTextAfterFirstOccurrenceUpToCr) {
    const std::string text = "[fltsim.xx]\r\ntitle=Boeing 737\r\nui_variation= Blue \r\nsubtitle=x\r\n";
    EXPECT_EQ(DescriptorValue(text, "title="), "Boeing 737"); // first occurrence, not "subtitle="
    EXPECT_EQ(DescriptorValue(text, "ui_variation="), " Blue ");
    EXPECT_EQ(DescriptorValue("key=abc", "key="), ""); // no CR: empty
}

TEST(DescriptorValue, AbsentKeyReturnsRestOfFirstLine) {
    const std::string text = "[fltsim.xx]\r\nui_variation=A\r\n";
    EXPECT_EQ(DescriptorValue(text, "title="), "im.xx]");
    EXPECT_EQ(DescriptorValue("ab", "title="), "");
}

TEST(DescriptorValue, ProductFolderTurnsDashesIntoUnderscores) {
    EXPECT_EQ(productFolderFor("[fltsim.xx]\r\nproductfolder=A320-200\r\n"), "ZEV_A320_200");
    EXPECT_EQ(productFolderFor("[fltsim.xx]\r\nproductfolder=B-7-3\r\n"), "ZEV_B_7_3");
}

TEST(TextureFolderSearch, LastEntryOtherThanDescriptorWins) {
    TempDir dir;
    writeFile(dir / "installerinfo.txt", "");
    std::filesystem::create_directory(dir / "texture.blue");
    EXPECT_EQ(findTextureFolder(dir.str(), "previous"), "texture.blue");
    std::filesystem::create_directory(dir / "Texture.red");
    EXPECT_EQ(findTextureFolder(dir.str(), "previous"), "Texture.red");
    std::vector<std::string> seen;
    findTextureFolder(dir.str(), "", [&](const std::string& name) { seen.push_back(name); });
    EXPECT_EQ(seen,
              (std::vector<std::string>{".", "..", "installerinfo.txt", "texture.blue", "Texture.red"}));
}

TEST(TextureFolderSearch, KeepsPreviousValueWhenNothingQualifies) {
    TempDir dir;
    writeFile(dir / "installerinfo.txt", "");
    EXPECT_EQ(findTextureFolder(dir.str(), "texture.old"), "texture.old");
    EXPECT_EQ(findTextureFolder((dir / "missing").string(), "texture.old"), "texture.old");
}

TEST(NumberDescriptor, ReplacesPlaceholderOfAnyLength) {
    std::string text = "[fltsim.xx]\r\ntitle=A\r\n";
    ASSERT_TRUE(numberDescriptor(text, 12));
    EXPECT_EQ(text, "[fltsim.12]\r\ntitle=A\r\n");
    std::string longer = "[fltsim.abcd] note\r\n";
    ASSERT_TRUE(numberDescriptor(longer, 3));
    EXPECT_EQ(longer, "[fltsim.3] note\r\n");
}

TEST(NumberDescriptor, AcceptsHeaderInAnyCaseAfterBlanksAndDropsByteOrderMark) {
    std::string upper = " [FLTSIM.xx]\r\ntitle=A\r\n";
    ASSERT_TRUE(numberDescriptor(upper, 4));
    EXPECT_EQ(upper, " [FLTSIM.4]\r\ntitle=A\r\n");
    std::string marked = "\xEF\xBB\xBF[fltsim.xx]\r\ntitle=A\r\n";
    ASSERT_TRUE(numberDescriptor(marked, 0));
    EXPECT_EQ(marked, "[fltsim.0]\r\ntitle=A\r\n");
}

TEST(TextLines, ReadDescriptorDropsByteOrderMark) {
    TempDir dir;
    writeFile(dir / "installerinfo.txt", "\xEF\xBB\xBF[fltsim.xx]\ntitle=A\n");
    EXPECT_EQ(ReadDescriptor((dir / "installerinfo.txt").string()), "[fltsim.xx]\r\ntitle=A\r\n");
    EXPECT_EQ(DescriptorValue(ReadDescriptor((dir / "installerinfo.txt").string()), "absent"), "im.xx]");
}

TEST(NumberDescriptor, RefusesTextWithoutHeader) {
    for (std::string text : {"title=A\r\n[fltsim.xx]\r\n", "x[FLTSIM.xx]\r\n", "[fltsim.xx\r\n]\r\n", ""}) {
        const std::string before = text;
        EXPECT_FALSE(numberDescriptor(text, 1)) << before;
        EXPECT_EQ(text, before);
    }
}

TEST(UnsafeNames, SeparatorsAndDotsAreRefused) {
    for (const char* name : {"", ".", "..", "a/b", "a\\b"})
        EXPECT_TRUE(isUnsafeName(name)) << name;
    EXPECT_FALSE(isUnsafeName("ZEV_A320"));
    EXPECT_FALSE(isUnsafeName("texture.blue sky"));
}

} // namespace
