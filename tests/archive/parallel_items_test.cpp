// Extraction with large items decoded on a second thread: the same files, the same failures in
// the same order as one item after another, whatever the two threads' timing.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>

#include "archive/item_failure.h"
#include "archive/unzipper.h"
#include "archive/zip_fixture.h"
#include "support/temp_dir.h"

namespace sw {
namespace {

namespace fs = std::filesystem;
using test::buildZip;
using test::deflatedEntry;
using test::readFile;
using test::storedEntry;
using test::TempDir;
using test::writeFile;
using test::ZipEntry;
using Failure = test::ItemFailure;

// Bytes that deflate's fixed code cannot shrink: an item of this size is handed over.
std::string noise(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

constexpr std::size_t kLarge = 320 * 1024;

// What a file's content is told by in a comparison's message.
std::string digest(const std::string& content) {
    return std::to_string(content.size()) + " bytes, CRC " + std::to_string(test::crcOf(content));
}

struct Outcome {
    std::vector<Failure> failures;
    std::map<std::string, std::string> files; // relative path -> size and CRC-32, or "<folder>"
    std::size_t backgroundItems = 0;
};

Outcome unpack(const std::string& archive, const fs::path& base, bool parallel) {
    fs::remove_all(base);
    fs::create_directory(base);
    Outcome out;
    TAbUnZipper uzip;
    uzip.ExtractOptions = eoCreateDirs | eoRestorePath;
    uzip.ParallelItems = parallel;
    uzip.OnProcessItemFailure = [&](TAbBaseBrowser&, TAbZipItem& item, TAbProcessType, TAbErrorClass cls,
                                    int code) {
        out.failures.push_back({std::string(item.FileName), cls, code});
    };
    uzip.SetFileName(archive);
    uzip.SetBaseDirectory(base.string());
    uzip.ExtractMatching("*.*");
    out.backgroundItems = uzip.BackgroundItemCount();
    uzip.CloseArchiveFile();
    for (auto& e : fs::recursive_directory_iterator(base))
        out.files[fs::relative(e.path(), base).string()] =
            e.is_directory() ? "<folder>" : digest(readFile(e.path()));
    return out;
}

class ParallelItems : public ::testing::Test {
protected:
    TempDir m_dir;
};

TEST_F(ParallelItems, FilesAndFailuresComeOutAsOneItemAfterAnother) {
    const std::string a = noise(kLarge, 1), b = noise(kLarge, 2), c = noise(kLarge, 3), d = noise(kLarge, 4),
                      f = noise(kLarge, 5), g = noise(kLarge, 6);
    ZipEntry badCrc = deflatedEntry("Tex/b.dds", b);
    badCrc.crc ^= 1; // the file is kept, the mismatch reported
    ZipEntry tooLong = deflatedEntry("Tex/c.dds", c);
    tooLong.usize -= 10; // fails at its very end: the file is removed
    ZipEntry lateFailure = deflatedEntry("Tex/f.dds", f);
    lateFailure.usize -= 10;
    ZipEntry otherLateFailure = deflatedEntry("Tex/h.dds", noise(kLarge, 11));
    otherLateFailure.usize -= 10;
    ZipEntry badMethod = storedEntry("bad-method.txt", "method");
    badMethod.method = 99;
    ZipEntry smallBadCrc = storedEntry("small-bad.txt", "small");
    smallBadCrc.crc ^= 1;
    ZipEntry shared = deflatedEntry("Tex/shared.dds", g);
    shared.sameDataAs = 0; // names the first item's data
    const std::vector<ZipEntry> entries = {
        deflatedEntry("Tex/a.dds", a),
        storedEntry("small.txt", "small"),
        badCrc,
        tooLong,
        // A folder where the failed item's file stood: there once that item is removed.
        storedEntry("Tex/c.dds/inner.txt", "inner"),
        deflatedEntry("Tex/d.dds", d),
        // The same file again while the large one may still be written: the last one wins.
        storedEntry("Tex/D.DDS", "replaced"),
        // Each small one fails at once while the large item before it is still decoding, and
        // is reported after it: one raises an error, one only has the wrong CRC.
        lateFailure,
        badMethod,
        otherLateFailure,
        smallBadCrc,
        shared,
        deflatedEntry("Tex/g.dds", g),
        storedEntry("last.txt", "last"),
    };
    const std::string archive = (m_dir / "pkg.zip").string();
    writeFile(archive, buildZip(entries));

    const Outcome serial = unpack(archive, m_dir / "serial", false);
    const std::vector<Failure> expected = {
        {"Tex/b.dds", ecArchive, kAbZipBadCRC},       {"Tex/c.dds", ecArchive, kAbReadError},
        {"Tex/f.dds", ecArchive, kAbReadError},       {"bad-method.txt", ecArchive, kAbZipInvalidMethod},
        {"Tex/h.dds", ecArchive, kAbReadError},       {"small-bad.txt", ecArchive, kAbZipBadCRC},
        {"Tex/shared.dds", ecArchive, kAbZipOverlap},
    };
    ASSERT_EQ(serial.failures, expected);
    EXPECT_EQ(serial.backgroundItems, 0u);
    EXPECT_EQ(serial.files.at("Tex/a.dds"), digest(a));
    EXPECT_EQ(serial.files.at("Tex/b.dds"), digest(b));
    EXPECT_EQ(serial.files.at("Tex/c.dds/inner.txt"), digest("inner"));
    EXPECT_EQ(serial.files.at("Tex/d.dds"), digest("replaced"));
    EXPECT_EQ(serial.files.count("Tex/f.dds"), 0u);
    EXPECT_EQ(serial.files.count("Tex/shared.dds"), 0u);
    EXPECT_EQ(serial.files.at("Tex/g.dds"), digest(g));

    // The threads' timing differs from run to run; the outcome may not.
    std::size_t handedOver = 0;
    for (int round = 0; round < 12; ++round) {
        const Outcome parallel = unpack(archive, m_dir / "parallel", true);
        ASSERT_EQ(parallel.failures, serial.failures) << "round " << round;
        ASSERT_EQ(parallel.files, serial.files) << "round " << round;
        EXPECT_GE(parallel.backgroundItems, 1u);
        handedOver += parallel.backgroundItems;
    }
    EXPECT_GE(handedOver, 12u);
}

TEST_F(ParallelItems, NotTakenWhenSomebodyFollowsTheProgress) {
    const std::string archive = (m_dir / "pkg.zip").string();
    writeFile(archive,
              buildZip({deflatedEntry("a.bin", noise(kLarge, 7)), deflatedEntry("b.bin", noise(kLarge, 8))}));
    fs::create_directory(m_dir / "out");
    TAbUnZipper uzip;
    uzip.ParallelItems = true;
    std::vector<std::pair<std::string, int>> reports;
    uzip.OnArchiveItemProgress = [&](TAbBaseBrowser&, TAbZipItem& item, std::uint8_t progress, bool&) {
        reports.emplace_back(std::string(item.FileName), progress);
    };
    uzip.SetFileName(archive);
    uzip.SetBaseDirectory((m_dir / "out").string());
    uzip.ExtractMatching("*.*");
    EXPECT_EQ(uzip.BackgroundItemCount(), 0u);
    // Every item's progress, in order, from the calling thread.
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), (std::pair<std::string, int>{"b.bin", 100}));
    const auto firstOfB =
        std::find_if(reports.begin(), reports.end(), [](const auto& r) { return r.first == "b.bin"; });
    ASSERT_NE(firstOfB, reports.begin());
    EXPECT_EQ(*std::prev(firstOfB), (std::pair<std::string, int>{"a.bin", 100}));
}

TEST_F(ParallelItems, AnAbortWaitsForTheItemOnTheSecondThread) {
    // A question about the second item comes after the first item has ended, and stopping
    // there leaves the first one complete.
    const std::string a = noise(kLarge, 9);
    const std::string archive = (m_dir / "pkg.zip").string();
    writeFile(archive, buildZip({deflatedEntry("a.bin", a), deflatedEntry("b.bin", noise(kLarge, 10))}));
    fs::create_directory(m_dir / "out");
    TAbUnZipper uzip;
    uzip.ParallelItems = true;
    std::vector<std::string> asked;
    uzip.OnConfirmProcessItem = [&](TAbBaseBrowser&, TAbZipItem& item, TAbProcessType, bool& confirm) {
        asked.emplace_back(item.FileName);
        if (asked.size() == 2) {
            EXPECT_EQ(readFile(m_dir / "out" / "a.bin"), a); // done before the question
            throw EAbUserAbort();
        }
        confirm = true;
    };
    uzip.SetFileName(archive);
    uzip.SetBaseDirectory((m_dir / "out").string());
    EXPECT_THROW(uzip.ExtractMatching("*.*"), EAbUserAbort);
    EXPECT_EQ(asked, (std::vector<std::string>{"a.bin", "b.bin"}));
    EXPECT_EQ(readFile(m_dir / "out" / "a.bin"), a);
    EXPECT_FALSE(fs::exists(m_dir / "out" / "b.bin"));
}

} // namespace
} // namespace sw
