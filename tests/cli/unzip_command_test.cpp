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

TEST(UnzipCommand, WrongArgumentCountIsAUsageError) {
    const CliRun r = runUnzip({"only-one"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.err, "usage: skinwright-cli unzip ARCHIVE FOLDER\n");
}

} // namespace
} // namespace sw::cli
