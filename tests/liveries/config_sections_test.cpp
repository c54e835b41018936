#include "liveries/config_sections.h"

#include "livery_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace sw::liveries;
using sw::liveries::test::configWithSections;

TEST(SectionNumbering, CountsHeaderLinesInAnyCaseButNeverComments) {
    EXPECT_EQ(countSections(""), 0);
    EXPECT_EQ(countSections(configWithSections(5)), 5);
    EXPECT_EQ(countSections(configWithSections(11)), 11);
    EXPECT_EQ(countSections("// old [fltsim.9]\r\n[fltsim.0]\r\n[FLTSIM.1]\r\n \t[Fltsim.2]\r\n"), 3);
    EXPECT_EQ(countSections("\xEF\xBB\xBF[fltsim.0]\r\ntitle=[fltsim.0]\r\n;[fltsim.1]\r\n"), 1);
    EXPECT_EQ(countSections("[fltsim\r\n[fltsim.\r\n"), 1);
}

TEST(SectionInsertion, BeforeGeneralWithEmptyLine) {
    std::string config = "[fltsim.0]\r\ndescription=D0\r\n\r\n[General]\r\n";
    insertSection(config, "[fltsim.1]\r\ndescription=D1\r\n");
    EXPECT_EQ(config,
              "[fltsim.0]\r\ndescription=D0\r\n\r\n\r\n[fltsim.1]\r\ndescription=D1\r\n\r\n[General]\r\n");
}

TEST(SectionInsertion, BeforeGeneralWithoutEmptyLine) {
    std::string config = "[fltsim.0]\r\ndescription=D0\r\n[General]\r\n";
    insertSection(config, "[fltsim.1]\r\ndescription=D1\r\n");
    // One empty line before the new section and one after it.
    EXPECT_EQ(config,
              "[fltsim.0]\r\ndescription=D0\r\n\r\n[fltsim.1]\r\ndescription=D1\r\n\r\n[General]\r\n");
}

TEST(SectionInsertion, AtStartWithGeneralFirstAtEndWithoutGeneral) {
    std::string first = "[General]\r\n";
    insertSection(first, "[fltsim.0]\r\n");
    EXPECT_EQ(first, "\r\n\r\n[fltsim.0]\r\n[General]\r\n");
    // Without a [General] line the new section follows the last one, as before [General].
    std::string none = "[fltsim.0]\r\n";
    insertSection(none, "[fltsim.1]\r\n");
    EXPECT_EQ(none, "[fltsim.0]\r\n\r\n[fltsim.1]\r\n\r\n");
    std::string empty;
    insertSection(empty, "[fltsim.0]\r\n");
    EXPECT_EQ(empty, "\r\n\r\n[fltsim.0]\r\n");
}

// Found by fuzz_aircraft_cfg (fuzz_corpus/aircraft_cfg/regression-*): each of these lost a
// header, split a line or made other lines part of the new section.
TEST(SectionInsertion, NeverSplitsALineOrTheByteOrderMark) {
    // "[General]" inside a line is no section: the line stays whole.
    std::string inLine = "a=1\r\nx[General]\r\n";
    insertSection(inLine, "S\r\n");
    EXPECT_EQ(inLine, "a=1\r\nx[General]\r\n\r\nS\r\n\r\n");
    std::string header = "[fltsim.[General]\r\n";
    insertSection(header, "[fltsim.1]\r\n");
    EXPECT_EQ(countSections(header), 2);
    EXPECT_EQ(header.rfind("[fltsim.[General]\r\n", 0), 0u);
    // A [General] line after blanks is one.
    std::string indented = "[fltsim.0]\r\n\r\n  [General]\r\n";
    insertSection(indented, "[fltsim.1]\r\n");
    EXPECT_EQ(indented, "[fltsim.0]\r\n\r\n\r\n[fltsim.1]\r\n\r\n  [General]\r\n");
    // The byte-order mark stays in front, so the first header stays a header.
    const std::string bom = "\xEF\xBB\xBF";
    std::string marked = bom + "[General]\r\n";
    insertSection(marked, "[fltsim.0]\r\n");
    EXPECT_EQ(marked, bom + "\r\n\r\n[fltsim.0]\r\n[General]\r\n");
    std::string markedSection = bom + "[fltsim.0]\r\n";
    insertSection(markedSection, "[fltsim.1]\r\n");
    EXPECT_EQ(countSections(markedSection), 2);
    // Lines before the first section stay out of the new one.
    std::string preamble = "// ZEV A320\r\n";
    insertSection(preamble, "[fltsim.0]\r\n");
    EXPECT_EQ(preamble, "// ZEV A320\r\n\r\n[fltsim.0]\r\n\r\n");
}

TEST(Variations, InFileOrder) {
    EXPECT_EQ(variations(configWithSections(3)), (std::vector<std::string>{"V0", "V1", "V2"}));
    EXPECT_TRUE(variations("[General]\r\n").empty());
}

TEST(Renumbering, HandlesNumbersOfDifferentLength) {
    std::string text = "[fltsim.0]\r\n[fltsim.2]\r\n[fltsim.10]\r\n[fltsim.100]x\r\n";
    renumberSections(text);
    EXPECT_EQ(text, "[fltsim.0]\r\n[fltsim.1]\r\n[fltsim.2]\r\n[fltsim.3]x\r\n");
}

TEST(Renumbering, NeverReachesAcrossLines) {
    std::string text = "// [fltsim. note\r\n[fltsim.\r\n[fltsim.5]\r\nkey=a]b\r\n";
    renumberSections(text);
    EXPECT_EQ(text, "// [fltsim. note\r\n[fltsim.\r\n[fltsim.1]\r\nkey=a]b\r\n");
}

TEST(Renumbering, TouchesOnlyHeaderLinesAndKeepsTheirCase) {
    std::string text = "; add a [fltsim.x] section per livery\r\n[Fltsim.0]\r\n\t[FLTSIM.2]\r\n"
                       "//[fltsim.7]\r\ntitle=see [fltsim.9]\r\n  [fltsim.5]\r\n";
    renumberSections(text);
    EXPECT_EQ(text, "; add a [fltsim.x] section per livery\r\n[Fltsim.0]\r\n\t[FLTSIM.1]\r\n"
                    "//[fltsim.7]\r\ntitle=see [fltsim.9]\r\n  [fltsim.2]\r\n");
}

TEST(LocateSection, SpansSectionAndFollowingEmptyLine) {
    const std::string config = configWithSections(3);
    const auto span = locateSection(config, 1);
    ASSERT_TRUE(span);
    EXPECT_EQ(config.substr(span->begin, span->end - span->begin),
              "[fltsim.1]\r\ntitle=T1\r\ntexture=t1\r\nui_variation=V1\r\ndescription=D1\r\n\r\n");
    EXPECT_EQ(span->textureName, "t1");
    EXPECT_EQ(span->variation, "V1");
}

TEST(LocateSection, NeverTakesCharactersOfNextLine) {
    const std::string config = "[fltsim.0]\r\ntexture=a\r\nui_variation=A\r\ndescription=d\r\n[General]\r\n";
    const auto span = locateSection(config, 0);
    ASSERT_TRUE(span);
    EXPECT_EQ(config.substr(span->end), "[General]\r\n");
}

TEST(LocateSection, RefusesIncompleteOrMissingSections) {
    const std::string noHeader = configWithSections(2);
    EXPECT_FALSE(locateSection(noHeader, 2));
    EXPECT_FALSE(locateSection(noHeader, -1));
    // Keys found only in the next section must not make the span swallow it.
    const std::string missingTexture = "[fltsim.0]\r\nui_variation=A\r\ndescription=d\r\n\r\n"
                                       "[fltsim.1]\r\ntexture=b\r\nui_variation=B\r\ndescription=e\r\n\r\n";
    EXPECT_FALSE(locateSection(missingTexture, 0));
    const std::string descriptionFirst = "[fltsim.0]\r\ndescription=d\r\ntexture=a\r\nui_variation=A\r\n\r\n";
    EXPECT_FALSE(locateSection(descriptionFirst, 0));
    const std::string noVariation = "[fltsim.0]\r\ntexture=a\r\ndescription=d\r\n\r\n";
    EXPECT_FALSE(locateSection(noVariation, 0));
}

TEST(LocateSection, TakesKeysAfterDescriptionUpToTheNextSection) {
    const std::string config = "[fltsim.0]\r\ntexture=a\r\nui_variation=A\r\ndescription=d\r\n"
                               "atc_id=D-AZEV\r\n\r\nvisual_damage=1\r\n\r\n\r\n"
                               "[fltsim.1]\r\ntexture=b\r\nui_variation=B\r\ndescription=e\r\n";
    const auto span = locateSection(config, 0);
    ASSERT_TRUE(span);
    // Up to the last non-empty line, then one empty line; the second stays.
    EXPECT_EQ(config.substr(span->end), "\r\n[fltsim.1]\r\ntexture=b\r\nui_variation=B\r\ndescription=e\r\n");
    const auto last = locateSection(config, 1);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->end, config.size());
}

TEST(LocateSection, FindsHeaderLinesOnlyAndKeepsByteOrderMark) {
    const std::string config =
        "\xEF\xBB\xBF// copy [fltsim.0] for each livery\r\n"
        "  [FltSim.0]\r\ntexture=a\r\nui_variation=A\r\ndescription=d\r\n\r\n[General]\r\n";
    const auto span = locateSection(config, 0);
    ASSERT_TRUE(span);
    EXPECT_EQ(config.substr(0, span->begin), "\xEF\xBB\xBF// copy [fltsim.0] for each livery\r\n");
    EXPECT_EQ(span->variation, "A");
    const std::string first = "\xEF\xBB\xBF[fltsim.0]\r\ntexture=a\r\nui_variation=A\r\ndescription=d\r\n";
    ASSERT_TRUE(locateSection(first, 0));
    EXPECT_EQ(locateSection(first, 0)->begin, 3u);
}

TEST(SectionTextures, OnePerSectionInFileOrder) {
    const std::string config =
        "; texture=comment\r\n[fltsim.0]\r\ntexture=Blue\r\n\r\n[Fltsim.1]\r\nmodel=\r\n"
        "\r\n[fltsim.2]\r\ntexture=\r\n[General]\r\ntexture=x\r\n";
    EXPECT_EQ(sectionTextures(config), (std::vector<std::string>{"Blue", ""}));
}

} // namespace
