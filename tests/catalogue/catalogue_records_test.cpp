#include "catalogue/catalogue_records.h"

#include <gtest/gtest.h>

using namespace sw::catalogue;

TEST(CatalogueRecords, ProductsAreScannedInOrderWithUntrimmedNames) {
    auto products = scanProducts("ZEV A320 &&a320.txt;;\r\n ZEV B737&&b737.txt;;\r\n");
    ASSERT_EQ(products.size(), 2u);
    EXPECT_EQ(products[0].name, "ZEV A320 ");
    EXPECT_EQ(products[0].listFile, "a320.txt");
    EXPECT_EQ(products[1].name, " ZEV B737");
    EXPECT_EQ(products[1].listFile, "b737.txt");
}

TEST(CatalogueRecords, LiveriesCarryPackageAndThumbnail) {
    auto liveries = scanLiveries("Blue&&http://h/p/blue.zip;;http://h/t/blue.jpg!!\r\n"
                                 "Red&&http://h/p/red.zip;;!!\r\n");
    ASSERT_EQ(liveries.size(), 2u);
    EXPECT_EQ(liveries[0].name, "Blue");
    EXPECT_EQ(liveries[0].packageUrl, "http://h/p/blue.zip");
    EXPECT_EQ(liveries[0].thumbnailUrl, "http://h/t/blue.jpg");
    EXPECT_EQ(liveries[1].name, "Red");
    EXPECT_EQ(liveries[1].thumbnailUrl, "");
}

TEST(CatalogueRecords, TextWithoutSeparatorHasNoRecords) {
    EXPECT_TRUE(scanProducts("").empty());
    EXPECT_TRUE(scanProducts("just a line;;\r\n").empty());
    EXPECT_TRUE(scanLiveries("<html>Not Found</html>").empty());
    EXPECT_EQ(firstProduct("nothing here").listFile, "");
    EXPECT_EQ(firstLivery("").packageUrl, "");
}

TEST(CatalogueRecords, TwoCharactersAfterATerminatorAreDroppedWhateverTheyAre) {
    // One-character line breaks: every record after the first loses its first character.
    auto products = scanProducts("A320&&a.txt;;\nB737&&b.txt;;\nMD11&&m.txt;;\n");
    ASSERT_EQ(products.size(), 3u);
    EXPECT_EQ(products[0].name, "A320");
    EXPECT_EQ(products[1].name, "737");
    EXPECT_EQ(products[2].name, "D11");
}

TEST(CatalogueRecords, TheLastRecordNeedsNoLineBreak) {
    auto liveries = scanLiveries("One&&u1;;t1!!\r\nTwo&&u2;;t2!!");
    ASSERT_EQ(liveries.size(), 2u);
    EXPECT_EQ(liveries[1].name, "Two");
    EXPECT_EQ(liveries[1].thumbnailUrl, "t2");
}

TEST(CatalogueRecords, FieldsEndAtTheFirstSeparatorOfTheRest) {
    // The package URL cannot hold ";;": it ends at the first one.
    auto liveries = scanLiveries("Odd&&http://h/a;;b.zip;;thumb!!\r\n");
    ASSERT_EQ(liveries.size(), 1u);
    EXPECT_EQ(liveries[0].packageUrl, "http://h/a");
    EXPECT_EQ(liveries[0].thumbnailUrl, "b.zip;;thumb");
    // A separator before its record's "&&" leaves the field empty rather than garbage.
    EXPECT_EQ(fieldBetween("a;;b&&c", "&&", ";;"), "");
}

TEST(CatalogueRecords, SkippingReachesRecordK) {
    const std::string text = "A&&a;;\r\nB&&b;;\r\nC&&c;;\r\n";
    EXPECT_EQ(firstProduct(skipRecords(text, kProductTerminator, 2)).listFile, "c");
    EXPECT_EQ(skipRecords(text, kProductTerminator, 5), "");
}

TEST(CatalogueRecords, ADamagedFileStillEnds) {
    // "&&" without a terminator: the rest is the last record.
    auto products = scanProducts("A&&B&&C");
    EXPECT_LE(products.size(), 3u);
    EXPECT_FALSE(products.empty());
}

// Found by fuzz_catalogue_records (fuzz_corpus/catalogue_records/regression-*).
TEST(CatalogueRecords, ARecordNeverReachesIntoTheRecordsAfterIt) {
    // Lines without "&&" used to make every record's name run on to the next "&&" of the
    // file: 2,000 such lines gave names of 8 MB in all from 8 KB of text.
    std::string lines;
    for (int i = 0; i < 2000; ++i)
        lines += "bad line;;\r\n";
    const auto products = scanProducts(lines + "A320&&a.txt;;\r\n");
    std::size_t total = 0;
    for (const ProductRecord& product : products)
        total += product.name.size() + product.listFile.size();
    EXPECT_LE(total, lines.size() + 20);
    ASSERT_EQ(products.size(), 2001u);
    EXPECT_EQ(products[0].name, "bad line");
    EXPECT_EQ(products[2000].name, "A320");
    EXPECT_EQ(products[2000].listFile, "a.txt");

    // A thumbnail field cannot start before its record's "&&" and overlap the name.
    const auto odd = scanLiveries("a;;b&&c!!\r\n");
    ASSERT_EQ(odd.size(), 1u);
    EXPECT_EQ(odd[0].name, "a;;b");
    EXPECT_EQ(odd[0].packageUrl, "");
    EXPECT_EQ(odd[0].thumbnailUrl, "");
}

TEST(CatalogueRecords, TextWithoutATerminatorIsOneLastRecord) {
    // prod.txt fetched as a livery list: no "!!", one record, not one per three characters.
    const auto liveries = scanLiveries("Only&&only.txt;;");
    ASSERT_EQ(liveries.size(), 1u);
    EXPECT_EQ(liveries[0].name, "Only");
    EXPECT_EQ(liveries[0].packageUrl, "only.txt");
    EXPECT_EQ(liveries[0].thumbnailUrl, "");
    const auto products = scanProducts("x&&y&&z&&w");
    ASSERT_EQ(products.size(), 1u);
    EXPECT_EQ(products[0].name, "x");
    EXPECT_EQ(products[0].listFile, "");
    EXPECT_EQ(skipRecords("x&&y&&z&&w", kProductTerminator, 1), "");
}
