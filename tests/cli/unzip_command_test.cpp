// skinwright-cli unzip ARCHIVE FOLDER through runCli with swapped streams.
#include <gtest/gtest.h>

#include <sstream>

#include "archive/zip_fixture.h"
#include "cli/cli.h"
#include "support/temp_dir.h"

namespace sw::cli {
namespace {

using test::buildZip;
using test::storedEntry;

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun runUnzip(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    std::vector<std::string> argv = {"skinwright-cli", "unzip"};
    argv.insert(argv.end(), args.begin(), args.end());
    const int status = runCli(argv, out, err);
    return {status, out.str(), err.str()};
}

TEST(UnzipCommand, ExtractsWithStoredPathsAndListsFailedItems) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "out");
    test::ZipEntry old = storedEntry("Livery/new.cfg", "needs 4.5");
    old.versionNeeded = 45;
    test::ZipEntry bad = storedEntry("Livery/bad.dds", "crc");
    bad.crc ^= 0xFF;
    test::writeFile(dir / "p.zip", buildZip({storedEntry("Livery/aircraft.cfg", "[fltsim.0]"), old, bad,
                                             storedEntry("../escape.txt", "no")}));
    const CliRun r = runUnzip({(dir / "p.zip").string(), (dir / "out").string()});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "failed\tLivery/new.cfg\tecArchive\t1\n"
                     "failed\tLivery/bad.dds\tecArchive\t23\n"
                     "failed\t../escape.txt\tecArchive\t100\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(test::readFile(dir / "out/Livery/aircraft.cfg"), "[fltsim.0]");
    EXPECT_EQ(test::readFile(dir / "out/Livery/bad.dds"), "crc"); // kept after a CRC failure
    EXPECT_FALSE(std::filesystem::exists(dir / "escape.txt"));
}

TEST(UnzipCommand, ArchiveErrorsEndWithTheClassAndMessage) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "out");
    test::writeFile(dir / "page.zip", "<html>Not Found</html>");
    CliRun r = runUnzip({(dir / "page.zip").string(), (dir / "out").string()});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err, "EAbUnhandledType: Unhandled Archive Type\n");
    EXPECT_EQ(r.out, "");

    test::writeFile(dir / "ok.zip", buildZip({storedEntry("a", "a")}));
    r = runUnzip({(dir / "ok.zip").string(), (dir / "missing").string()});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err, "EAbNoSuchDirectory: Directory does not exist\n");

    r = runUnzip({(dir / "absent.zip").string(), (dir / "out").string()});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err, "EAbNoArchive: Archive does not exist - FileName is blank\n");
}

TEST(UnzipCommand, NamesCannotForgeFailureLines) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "out");
    // Every name fails (version 4.5) and is printed; none may start a line of its own.
    std::vector<test::ZipEntry> entries;
    for (const std::string& name : {std::string("a\tb\\c"), std::string("x\nfailed\tforged\tecArchive\t0"),
                                    std::string("cr\r\x01\x1b\x7f.dds")}) {
        test::ZipEntry e = storedEntry(name, "x");
        e.versionNeeded = 45;
        entries.push_back(e);
    }
    test::writeFile(dir / "names.zip", buildZip(entries));
    const CliRun r = runUnzip({(dir / "names.zip").string(), (dir / "out").string()});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "failed\ta\\tb\\\\c\tecArchive\t1\n"
                     "failed\tx\\nfailed\\tforged\\tecArchive\\t0\tecArchive\t1\n"
                     "failed\tcr\\r\\x01\\x1b\\x7f.dds\tecArchive\t1\n");

    std::ostringstream help, err;
    runCli({"skinwright-cli", "--help"}, help, err);
    EXPECT_NE(help.str().find("failed<TAB>NAME<TAB>CLASS<TAB>CODE"), std::string::npos);
    EXPECT_NE(help.str().find("(\\\\, \\t, \\r, \\n, \\xNN)"), std::string::npos);
}

TEST(UnzipCommand, EveryHostileArchiveFaultIsHandled) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "out");
    // Shared data, an entry named like the archive, a Unix name, an owner-less mode, a short
    // encrypted item and a local/central method mismatch, in one archive inside the output folder.
    test::ZipEntry zeros = test::deflatedEntry("zeros.bin", std::string(4096, '\0'));
    test::ZipEntry copy = zeros;
    copy.name = "copy.bin";
    copy.sameDataAs = 0;
    test::ZipEntry self = storedEntry("PKG.ZIP", "over the archive");
    test::ZipEntry unixName = storedEntry("texture.Livr\xC3\xA9", "unix");
    unixName.versionMadeBy = (3 << 8) | 30;
    unixName.externalAttributes = 0100044u << 16;
    test::ZipEntry tiny = storedEntry("tiny.txt", "tiny");
    tiny.flags |= 1;
    test::ZipEntry mismatch = test::deflatedEntry("mismatch.txt", "local says deflate");
    mismatch.method = 0;
    mismatch.localMethod = 8;
    const std::string bytes = buildZip({zeros, copy, self, unixName, tiny, mismatch});
    const auto archive = dir / "out" / "pkg.zip";
    test::writeFile(archive, bytes);
    const CliRun r = runUnzip({archive.string(), (dir / "out").string()});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "failed\tcopy.bin\tecArchive\t105\n"
                     "failed\tPKG.ZIP\tecArchive\t106\n"
                     "failed\ttiny.txt\tecArchive\t4\n");
    EXPECT_EQ(test::readFile(archive), bytes);
    EXPECT_EQ(test::readFile(dir / "out" / "texture.Livr\xC3\xA9"), "unix");
    EXPECT_EQ(test::readFile(dir / "out" / "mismatch.txt"), "local says deflate");
    EXPECT_EQ(std::filesystem::status(dir / "out" / "texture.Livr\xC3\xA9").permissions() &
                  std::filesystem::perms::owner_all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // A damaged archive names the cause after the fixed message; an empty one stays as it is.
    std::string damaged = bytes;
    const std::size_t central = damaged.find("PK\x01\x02");
    damaged[central + 2] = 7;
    test::writeFile(dir / "damaged.zip", damaged);
    CliRun bad = runUnzip({(dir / "damaged.zip").string(), (dir / "out").string()});
    EXPECT_EQ(bad.status, kExitFailure);
    EXPECT_EQ(bad.err, "EAbZipInvalid: Invalid file - not a PKZip file: wrong central directory header "
                       "signature at offset " +
                           std::to_string(central) + "\n");
    test::writeFile(dir / "empty.zip", "");
    EXPECT_EQ(runUnzip({(dir / "empty.zip").string(), (dir / "out").string()}).status, kExitOk);
    EXPECT_EQ(std::filesystem::file_size(dir / "empty.zip"), 0u);
}

TEST(UnzipCommand, WrongArgumentCountIsAUsageError) {
    const CliRun r = runUnzip({"only-one"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.err, "usage: skinwright-cli unzip ARCHIVE FOLDER\n");
}

} // namespace
} // namespace sw::cli
