// The unzipper component as the download sequence drives it: FileName, BaseDirectory,
// ExtractMatching("*.*"), CloseArchiveFile, with archives made in memory.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "archive/inflate.h"
#include "archive/item_failure.h"
#include "archive/item_mask.h"
#include "archive/unzipper.h"
#include "archive/zip_crypto.h"
#include "archive/zip_fixture.h"
#include "support/temp_dir.h"

namespace sw {
namespace {

namespace fs = std::filesystem;
using test::buildZip;
using test::readFile;
using test::storedEntry;
using test::TempDir;
using test::writeFile;
using test::ZipEntry;

using Failure = test::ItemFailure;

class RecordingMeter : public TAbMeterLink {
public:
    void DoProgress(std::uint8_t progress) override { events.push_back(std::to_string(progress)); }
    void Reset() override { events.push_back("reset"); }
    std::vector<std::string> events;
};

class UnzipperTest : public ::testing::Test {
protected:
    UnzipperTest() {
        fs::create_directory(m_dir / "base");
        m_uzip.ExtractOptions = eoCreateDirs | eoRestorePath;
        m_uzip.OnProcessItemFailure = [this](TAbBaseBrowser&, TAbZipItem& item, TAbProcessType type,
                                             TAbErrorClass errorClass, int code) {
            EXPECT_EQ(type, ptExtract);
            m_failures.push_back({std::string(item.FileName), errorClass, code});
        };
    }

    std::string base() const { return (m_dir / "base").string(); }

    std::string write(const std::string& bytes, const std::string& name = "package.zip") {
        const auto path = m_dir / name;
        writeFile(path, bytes);
        return path.string();
    }

    // The download sequence's four calls.
    void unpack(const std::string& archivePath, const std::string& mask = "*.*") {
        m_uzip.SetFileName(archivePath);
        m_uzip.SetBaseDirectory(base());
        m_uzip.ExtractMatching(mask);
        m_uzip.CloseArchiveFile();
    }

    // Every path under the temporary folder, relative to it.
    std::vector<std::string> tree() const {
        std::vector<std::string> out;
        for (auto& e : fs::recursive_directory_iterator(m_dir.path()))
            out.push_back(fs::relative(e.path(), m_dir.path()).string());
        std::sort(out.begin(), out.end());
        return out;
    }

    TempDir m_dir;
    TAbUnZipper m_uzip;
    std::vector<Failure> m_failures;
};

TEST_F(UnzipperTest, NestedPathsAreKeptOrDroppedByRestorePath) {
    const std::string zip = write(buildZip({storedEntry("Livery/texture.dds", "DDS data"),
                                            storedEntry("Livery/installerinfo.txt", "[fltsim]")}));
    unpack(zip);
    EXPECT_EQ(readFile(m_dir / "base/Livery/texture.dds"), "DDS data");
    EXPECT_EQ(readFile(m_dir / "base/Livery/installerinfo.txt"), "[fltsim]");

    fs::remove_all(m_dir / "base/Livery");
    m_uzip.ExtractOptions = eoCreateDirs;
    unpack(zip);
    EXPECT_EQ(readFile(m_dir / "base/texture.dds"), "DDS data");
    EXPECT_EQ(readFile(m_dir / "base/installerinfo.txt"), "[fltsim]");
    EXPECT_FALSE(fs::exists(m_dir / "base/Livery"));
    EXPECT_TRUE(m_failures.empty());
}

TEST_F(UnzipperTest, MissingFoldersNeedCreateDirs) {
    m_uzip.ExtractOptions = eoRestorePath;
    unpack(write(buildZip({storedEntry("Livery/a.txt", "a"), storedEntry("b.txt", "b")})));
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"Livery/a.txt", ecArchive, kAbNoSuchDirectory}}));
    EXPECT_EQ(readFile(m_dir / "base/b.txt"), "b");
}

TEST_F(UnzipperTest, FolderEntriesCreateNothingAndDotlessNamesMatch) {
    unpack(write(buildZip({storedEntry("Empty/", ""), storedEntry("README", "read me"),
                           storedEntry("Livery\\texture.xxx\\file.txt", "backslashes")})));
    EXPECT_EQ(tree(),
              (std::vector<std::string>{"base", "base/Livery", "base/Livery/texture.xxx",
                                        "base/Livery/texture.xxx/file.txt", "base/README", "package.zip"}));
    EXPECT_EQ(readFile(m_dir / "base/README"), "read me");
}

TEST_F(UnzipperTest, NamesDifferingOnlyInCaseShareFoldersAndFilesAsOnWindows) {
    unpack(write(buildZip({storedEntry("Livery/a.txt", "first"), storedEntry("LIVERY/b.txt", "b"),
                           storedEntry("livery/A.TXT", "second")})));
    EXPECT_EQ(tree(), (std::vector<std::string>{"base", "base/Livery", "base/Livery/a.txt",
                                                "base/Livery/b.txt", "package.zip"}));
    EXPECT_EQ(readFile(m_dir / "base/Livery/a.txt"), "second");
}

TEST_F(UnzipperTest, ExistingFilesAreOverwrittenUnlessDeclined) {
    writeFile(m_dir / "base/a.txt", "old old old");
    const std::string zip = write(buildZip({storedEntry("a.txt", "new")}));
    unpack(zip);
    EXPECT_EQ(readFile(m_dir / "base/a.txt"), "new");

    writeFile(m_dir / "base/a.txt", "kept");
    m_uzip.OnConfirmOverwrite = [](std::string&, bool& confirm) { confirm = false; };
    unpack(zip);
    EXPECT_EQ(readFile(m_dir / "base/a.txt"), "kept");
}

TEST_F(UnzipperTest, NewerVersionsAreSkippedButDeflate64MayDeclare21) {
    ZipEntry zip64 = storedEntry("zip64.txt", "needs 4.5");
    zip64.versionNeeded = 45;
    ZipEntry deflate21 = test::deflatedEntry("d21.txt", "deflate declared 2.1");
    deflate21.versionNeeded = 21;
    ZipEntry d64 = test::deflatedEntry("d64.txt", "Deflate64 declared 2.1");
    d64.versionNeeded = 21;
    d64.method = 9;
    unpack(write(buildZip({zip64, deflate21, d64, storedEntry("ok.txt", "fine")})));
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"zip64.txt", ecArchive, kAbZipVersion},
                                                {"d21.txt", ecArchive, kAbZipVersion}}));
    EXPECT_EQ(readFile(m_dir / "base/d64.txt"), "Deflate64 declared 2.1");
    EXPECT_EQ(readFile(m_dir / "base/ok.txt"), "fine");
    EXPECT_FALSE(fs::exists(m_dir / "base/zip64.txt"));
}

TEST_F(UnzipperTest, CrcFailureIsReportedAndTheFileStays) {
    ZipEntry bad = storedEntry("bad.txt", "payload");
    bad.crc ^= 1;
    unpack(write(buildZip({bad})));
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"bad.txt", ecArchive, kAbZipBadCRC}}));
    EXPECT_EQ(readFile(m_dir / "base/bad.txt"), "payload");
}

TEST_F(UnzipperTest, EncryptedItemsNeedTheRightPassword) {
    const std::string zip =
        write(buildZip({test::encrypted(test::deflatedEntry("secret.txt", "hidden text"), "pw"),
                        storedEntry("open.txt", "open")}));
    unpack(zip); // no password, no handler: skipped
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"secret.txt", ecArchive, kAbZipInvalidPassword}}));
    EXPECT_FALSE(fs::exists(m_dir / "base/secret.txt"));
    EXPECT_EQ(readFile(m_dir / "base/open.txt"), "open");

    m_failures.clear();
    m_uzip.Password = "wrong";
    int asked = 0;
    m_uzip.OnNeedPassword = [&](TAbBaseBrowser&, std::string& answer) {
        ++asked;
        answer = "pw";
    };
    unpack(zip);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(m_failures.empty());
    EXPECT_EQ(readFile(m_dir / "base/secret.txt"), "hidden text");

    // An empty answer is the user giving up: the extraction ends there.
    m_uzip.OnNeedPassword = [](TAbBaseBrowser&, std::string& answer) { answer.clear(); };
    m_uzip.SetFileName(zip);
    m_uzip.SetBaseDirectory(base());
    EXPECT_THROW(m_uzip.ExtractMatching("*.*"), EAbUserAbort);
    EXPECT_THROW(m_uzip.ExtractMatching("*.*"), EAbNoArchive);
}

TEST_F(UnzipperTest, PasswordAttemptsStopAtPasswordRetries) {
    const std::string zip = write(buildZip({test::encrypted(storedEntry("s.txt", "secret"), "right")}));
    m_uzip.Password = "wrong";
    int asked = 0;
    m_uzip.OnNeedPassword = [&](TAbBaseBrowser&, std::string& answer) {
        ++asked;
        answer = "still wrong " + std::to_string(asked);
    };
    unpack(zip);
    EXPECT_EQ(asked, 2); // three attempts in all
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"s.txt", ecArchive, kAbZipInvalidPassword}}));
    EXPECT_FALSE(fs::exists(m_dir / "base/s.txt"));
}

TEST_F(UnzipperTest, AWrongPasswordThatPassesTheCheckByteIsNamedInDeflatedData) {
    // One password in about 256 passes the one-byte check; find one and let the deflate decoder
    // meet the garbage it decrypts to.
    const ZipEntry entry = test::encrypted(test::deflatedEntry("s.txt", std::string(200, 's')), "right");
    std::string lucky;
    for (int i = 0; i < 100000 && lucky.empty(); ++i) {
        std::string header = entry.payload.substr(0, 12);
        ZipCrypto crypto("guess" + std::to_string(i));
        if (crypto.checkHeader(reinterpret_cast<std::uint8_t*>(header.data()),
                               static_cast<std::uint8_t>(entry.crc >> 24))) {
            std::string body = entry.payload.substr(12);
            crypto.decrypt(reinterpret_cast<std::uint8_t*>(body.data()), body.size());
            StringSink sink;
            try {
                inflateBuffer(reinterpret_cast<const std::uint8_t*>(body.data()), body.size(), false, sink);
            } catch (const EAbInflateError&) {
                lucky = "guess" + std::to_string(i);
            }
        }
    }
    ASSERT_FALSE(lucky.empty());
    m_uzip.Password = lucky;
    unpack(write(buildZip({entry})));
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"s.txt", ecArchive, kAbInflatePasswordError}}));
}

TEST_F(UnzipperTest, EventsConfirmEachItemAndTellOfLoadingAndChanges) {
    std::vector<std::string> events;
    m_uzip.OnChange = [&](TAbBaseBrowser&) { events.push_back("change"); };
    m_uzip.OnLoad = [&](TAbBaseBrowser&) { events.push_back("load"); };
    m_uzip.OnConfirmProcessItem = [&](TAbBaseBrowser&, TAbZipItem& item, TAbProcessType type, bool& confirm) {
        EXPECT_EQ(type, ptExtract);
        events.push_back("confirm " + std::string(item.FileName));
        confirm = item.FileName != "skip.txt";
    };
    RecordingMeter itemMeter;
    m_uzip.ItemProgressMeter = &itemMeter;
    unpack(write(buildZip({storedEntry("keep.txt", "k"), storedEntry("skip.txt", "s")})));
    EXPECT_EQ(events,
              (std::vector<std::string>{"load", "change", "confirm keep.txt", "confirm skip.txt", "change"}));
    EXPECT_EQ(readFile(m_dir / "base/keep.txt"), "k");
    EXPECT_FALSE(fs::exists(m_dir / "base/skip.txt"));
    // Reset when the archive opens, then per item: reset and its percentages.
    EXPECT_EQ(itemMeter.events, (std::vector<std::string>{"reset", "reset", "100", "reset"}));
}

TEST_F(UnzipperTest, WhatIsNoZipIsRefusedWhenOpened) {
    EXPECT_THROW(m_uzip.SetFileName(write("<html><body>404 Not Found</body></html>", "page.zip")),
                 EAbUnhandledType);
    EXPECT_THROW(m_uzip.SetFileName(write(buildZip({storedEntry("a", "a")}), "package.rar")),
                 EAbUnhandledType);
    // A damaged directory: the archive stays invalid and extraction says so.
    std::string damaged = buildZip({storedEntry("a.txt", "a")});
    damaged[damaged.find("PK\x01\x02", 0)] = 'X';
    EXPECT_THROW(m_uzip.SetFileName(write(damaged)), EAbZipInvalid);
    EXPECT_THROW(m_uzip.ExtractMatching("*.*"), EAbNoArchive);
    // A file that does not exist opens nothing.
    m_uzip.SetFileName((m_dir / "missing.zip").string());
    EXPECT_EQ(m_uzip.Archive(), nullptr);
    EXPECT_THROW(m_uzip.ExtractMatching("*.*"), EAbNoArchive);
}

TEST_F(UnzipperTest, BaseDirectoryMustExist) {
    const std::string zip = write(buildZip({storedEntry("a.txt", "a")}));
    m_uzip.SetFileName(zip);
    EXPECT_THROW(m_uzip.SetBaseDirectory((m_dir / "nowhere").string()), EAbNoSuchDirectory);
    EXPECT_THROW(m_uzip.ExtractMatching("*.*"), EAbNoSuchDirectory);
    m_uzip.SetBaseDirectory(base() + "/");
    EXPECT_EQ(m_uzip.BaseDirectory(), base());
    m_uzip.ExtractMatching("*.*");
    EXPECT_EQ(readFile(m_dir / "base/a.txt"), "a");
    // A stored base directory that has gone by the time an archive opens.
    m_uzip.CloseArchiveFile();
    m_uzip.SetBaseDirectory((m_dir / "gone").string());
    EXPECT_THROW(m_uzip.SetFileName(zip), EAbNoSuchDirectory);
}

TEST_F(UnzipperTest, MeterSeesResetsThenLoadingThenExtraction) {
    RecordingMeter meter;
    m_uzip.ArchiveProgressMeter = &meter;
    unpack(
        write(buildZip({storedEntry("1.txt", "1"), storedEntry("2.txt", "2"), storedEntry("3.txt", "3")})));
    EXPECT_EQ(meter.events,
              (std::vector<std::string>{"reset", "33", "66", "100", "100", "33", "66", "100", "100"}));
}

TEST_F(UnzipperTest, ZeroByteZipOpensEmptyAndStaysAsItIs) {
    RecordingMeter meter;
    m_uzip.ArchiveProgressMeter = &meter;
    const std::string zip = write("");
    m_uzip.SetFileName(zip);
    EXPECT_EQ(m_uzip.Count(), 0u);
    m_uzip.SetBaseDirectory(base());
    meter.events.clear();
    m_uzip.ExtractMatching("*.*");
    EXPECT_TRUE(meter.events.empty());
    m_uzip.CloseArchiveFile();
    EXPECT_EQ(readFile(zip), ""); // the unzipper never writes its archive
}

TEST_F(UnzipperTest, NamesThatLeaveTheBaseDirectoryAreRefusedInBothSeparatorStyles) {
    std::vector<ZipEntry> entries;
    const std::vector<std::string> hostile = {
        "../evil.txt", "/abs.txt",   "sub/../../evil2.txt",    "..\\evil3.txt",           "C:\\evil4.txt",
        "C:evil5.txt", "\\abs6.txt", "sub\\..\\..\\evil7.txt", "\\\\server\\share\\x.txt"};
    for (const auto& name : hostile)
        entries.push_back(storedEntry(name, "evil"));
    entries.push_back(storedEntry("good.txt", "good"));
    for (TAbExtractOptions options :
         {TAbExtractOptions(eoCreateDirs | eoRestorePath), TAbExtractOptions(eoCreateDirs)}) {
        m_failures.clear();
        m_uzip.ExtractOptions = options;
        unpack(write(buildZip(entries)));
        std::vector<Failure> expected;
        for (const auto& name : hostile)
            expected.push_back({name, ecArchive, kAbUnsafePath});
        EXPECT_EQ(m_failures, expected);
        EXPECT_EQ(tree(), (std::vector<std::string>{"base", "base/good.txt", "package.zip"}));
    }
}

TEST_F(UnzipperTest, ExistingSymbolicLinksAreNeverFollowed) {
    fs::create_directory(m_dir / "outside");
    fs::create_directory_symlink(m_dir / "outside", m_dir / "base/link");
    fs::create_symlink(m_dir / "outside/target.txt", m_dir / "base/file.txt");
    unpack(write(buildZip({storedEntry("link/x.txt", "x"), storedEntry("file.txt", "y")})));
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"link/x.txt", ecArchive, kAbUnsafePath},
                                                {"file.txt", ecArchive, kAbUnsafePath}}));
    EXPECT_TRUE(fs::is_empty(m_dir / "outside"));
}

TEST_F(UnzipperTest, UnixLinksDevicesAndPipesFailAndPermissionsAreTamed) {
    auto unixEntry = [](const std::string& name, std::uint32_t mode) {
        ZipEntry e = storedEntry(name, "content");
        e.versionMadeBy = (3 << 8) | 30;
        e.externalAttributes = mode << 16;
        return e;
    };
    ZipEntry readOnly = storedEntry("readonly.txt", "ro");
    readOnly.externalAttributes = 0x01;
    unpack(write(buildZip({unixEntry("link", 0120777), unixEntry("fifo", 0010644), unixEntry("dev", 0020644),
                           unixEntry("tool.sh", 0106775), unixEntry("private.txt", 0100600), readOnly})));
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"link", ecArchive, kAbUnsupportedEntryType},
                                                {"fifo", ecArchive, kAbUnsupportedEntryType},
                                                {"dev", ecArchive, kAbUnsupportedEntryType}}));
    EXPECT_FALSE(fs::exists(fs::symlink_status(m_dir / "base/link")));
    struct stat st {};
    ASSERT_EQ(::stat((m_dir / "base/tool.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07700, 0700u); // owner rwx from the archive, never setuid/setgid
    ASSERT_EQ(::stat((m_dir / "base/private.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0700, 0600u);
    ASSERT_EQ(::stat((m_dir / "base/readonly.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0200u); // only the owner may write
}

TEST_F(UnzipperTest, ModificationTimeComesFromTheDosFields) {
    ZipEntry e = storedEntry("dated.txt", "d");
    e.date = static_cast<std::uint16_t>(((2020 - 1980) << 9) | (1 << 5) | 2); // 2020-01-02
    e.time = static_cast<std::uint16_t>((3 << 11) | (4 << 5) | 3);            // 03:04:06
    unpack(write(buildZip({e})));
    struct stat st {};
    ASSERT_EQ(::stat((m_dir / "base/dated.txt").c_str(), &st), 0);
    std::tm local{};
    localtime_r(&st.st_mtime, &local);
    EXPECT_EQ(local.tm_year, 120);
    EXPECT_EQ(local.tm_mday, 2);
    EXPECT_EQ(local.tm_hour, 3);
    EXPECT_EQ(local.tm_min, 4);
    EXPECT_EQ(local.tm_sec, 6);
}

TEST_F(UnzipperTest, StoredNamesOf264BytesFail) {
    std::string name263;
    while (name263.size() < 263)
        name263 += "d123456789/";
    name263.resize(263);
    name263.back() = 'x';
    const std::string name264 = name263 + "y";
    unpack(write(buildZip({storedEntry(name264, "long"), storedEntry(name263, "fits")})));
    EXPECT_EQ(m_failures, (std::vector<Failure>{{name264, ecArchive, kAbNameTooLong}}));
    EXPECT_EQ(readFile(m_dir / "base" / name263), "fits");
}

TEST_F(UnzipperTest, AnEntryCountOfZeroStillReadsEveryHeader) {
    test::ZipLayout layout;
    layout.countField = 0;
    unpack(write(buildZip({storedEntry("a.txt", "a"), storedEntry("b.txt", "b")}, layout)));
    EXPECT_EQ(readFile(m_dir / "base/a.txt"), "a");
    EXPECT_EQ(readFile(m_dir / "base/b.txt"), "b");
}

TEST_F(UnzipperTest, SelfExtractingArchivesWithAndWithoutAdjustedOffsets) {
    test::ZipLayout layout;
    layout.prefix = "MZ" + std::string(4094, '\x90');
    layout.comment = "made for the test";
    // buildZip writes offsets relative to the zip part, as an unadjusted stub leaves them.
    const std::string exe = write(buildZip({storedEntry("a.txt", "from sfx")}, layout), "setup.exe");
    EXPECT_EQ(DetectArchiveType(exe), atSelfExtZip);
    unpack(exe);
    EXPECT_EQ(readFile(m_dir / "base/a.txt"), "from sfx");
    m_uzip.SetFileName(exe);
    EXPECT_EQ(m_uzip.Archive()->StubSize(), 4096u);
    EXPECT_EQ(m_uzip.Archive()->ArchiveComment(), "made for the test");
}

TEST_F(UnzipperTest, DataLongerThanItsStatedSizeFailsAndLeavesNoFile) {
    ZipEntry bomb = test::deflatedEntry("bomb.bin", std::string(5000, 'z'));
    bomb.usize = 100;
    ZipEntry shortOne = test::deflatedEntry("short.bin", "12345");
    shortOne.usize = 9;
    unpack(write(buildZip({bomb, shortOne, storedEntry("next.txt", "next")})));
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"bomb.bin", ecArchive, kAbReadError},
                                                {"short.bin", ecArchive, kAbReadError}}));
    EXPECT_FALSE(fs::exists(m_dir / "base/bomb.bin"));
    EXPECT_FALSE(fs::exists(m_dir / "base/short.bin"));
    EXPECT_EQ(readFile(m_dir / "base/next.txt"), "next");
}

TEST_F(UnzipperTest, ProgressEventsReportWholePercentagesAndCanAbort) {
    std::vector<int> itemProgress;
    m_uzip.OnArchiveItemProgress = [&](TAbBaseBrowser&, TAbZipItem&, std::uint8_t p, bool&) {
        itemProgress.push_back(p);
    };
    unpack(write(buildZip({storedEntry("big.bin", std::string(10240, 'b'))})));
    ASSERT_FALSE(itemProgress.empty());
    EXPECT_TRUE(std::is_sorted(itemProgress.begin(), itemProgress.end()));
    EXPECT_EQ(std::adjacent_find(itemProgress.begin(), itemProgress.end()), itemProgress.end());
    EXPECT_EQ(itemProgress.back(), 100);
    EXPECT_EQ(itemProgress.front(), 10); // 1024 of 10240 bytes

    const std::string four = write(buildZip(
        {storedEntry("1", "1"), storedEntry("2", "2"), storedEntry("3", "3"), storedEntry("4", "4")}));
    // Loading reports progress too; an abort there leaves no archive to extract from.
    m_uzip.OnArchiveProgress = [](TAbBaseBrowser&, std::uint8_t p, bool& abort) { abort = p == 50; };
    EXPECT_THROW(m_uzip.SetFileName(four), EAbUserAbort);
    EXPECT_THROW(m_uzip.ExtractMatching("*.*"), EAbNoArchive);

    m_uzip.OnArchiveProgress = nullptr;
    m_uzip.SetFileName(four);
    m_uzip.SetBaseDirectory(base());
    m_uzip.OnArchiveProgress = [](TAbBaseBrowser&, std::uint8_t p, bool& abort) { abort = p == 50; };
    EXPECT_THROW(m_uzip.ExtractMatching("*.*"), EAbUserAbort);
    EXPECT_TRUE(fs::exists(m_dir / "base/2"));
    EXPECT_FALSE(fs::exists(m_dir / "base/3"));
}

TEST(ItemNames, OemNamesBecomeUtf8AndUtf8NamesStay) {
    TempDir dir;
    ZipEntry oem = storedEntry(std::string("\x80\x81\xE2\xA5\xE1\xE2.txt"), "o");
    ZipEntry utf8 = storedEntry("\xC3\x9C"
                                "ber.txt",
                                "u");
    utf8.flags |= 0x0800;
    writeFile(dir / "n.zip", buildZip({oem, utf8}));
    TAbUnZipper uzip;
    uzip.SetFileName((dir / "n.zip").string());
    ASSERT_EQ(uzip.Count(), 2u);
    EXPECT_EQ(uzip.Archive()->Item(0).FileName,
              "\xC3\x87\xC3\xBC\xCE\x93\xC3\x91\xC3\x9F\xCE\x93.txt"); // ÇüΓÑßΓ.txt
    EXPECT_EQ(uzip.Archive()->Item(1).FileName, "\xC3\x9C"
                                                "ber.txt");
}

TEST(ItemMasks, MatchingFollowsTheMaskRules) {
    struct Row {
        const char* name;
        const char* mask;
        bool matches;
    };
    const Row rows[] = {
        {"README", "*.*", true},
        {"Livery/", "*.*", false},
        {"", "*.*", false},
        {"Livery/texture.DDS", "*.*", true},
        {"a.txt", "*.cfg; *.txt", true},
        {"a.txt", "*.cfg", false},
        {"Livery/T.dds", "livery\\*.dds", true},
        {"Other/T.dds", "livery/*.dds", false},
        {"abc.txt", "a?c.*", true},
        {"ac.txt", "a?c.*", false},
        {"a.txt", "", false},
        {"a.txt", " ; ", false},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*c", false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(nameMatchesMask(r.name, r.mask), r.matches) << r.name << " / " << r.mask;
}

TEST(Progress, PercentagesAreSafeForAnyTotals) {
    EXPECT_EQ(ProgressPercent(0, 0), 0);
    EXPECT_EQ(ProgressPercent(5, -1), 0);
    EXPECT_EQ(ProgressPercent(1, 3), 33);
    EXPECT_EQ(ProgressPercent(2, 3), 66);
    EXPECT_EQ(ProgressPercent(3, 3), 100);
    EXPECT_EQ(ProgressPercent(4, 3), 100);
    EXPECT_EQ(ProgressPercent(8192000, 16384001), 50);
    EXPECT_EQ(ProgressPercent(1000000000LL, 4000000000LL), 25);
}

TEST(EndRecord, FoundBehindCommentsAndNotInOtherBytes) {
    test::ZipLayout layout;
    layout.comment = std::string(70000 > 65535 ? 65535 : 70000, 'c');
    std::string zip = buildZip({storedEntry("a", "a")}, layout);
    MemoryInput withComment(reinterpret_cast<const std::uint8_t*>(zip.data()), zip.size());
    const auto pos = LocateEndRecord(withComment);
    ASSERT_TRUE(pos.has_value());
    EXPECT_EQ(*pos, zip.size() - 22 - 65535);

    const std::string noise = std::string(100000, 'x') + "PK\x05\x06" + std::string(30, 'y');
    MemoryInput fake(reinterpret_cast<const std::uint8_t*>(noise.data()), noise.size());
    // The fake record's comment length ("yy") claims more bytes than follow it.
    EXPECT_FALSE(LocateEndRecord(fake).has_value());
}

} // namespace
} // namespace sw
