// Archives made to hurt: entries that share data, an archive that must stay as it is, entries
// that would write over the archive, hostile mode bits and names, mismatched headers. Each is
// written by the fixture's small zip writer.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

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

class HostileArchives : public ::testing::Test {
protected:
    HostileArchives() {
        fs::create_directory(m_dir / "base");
        m_uzip.ExtractOptions = eoCreateDirs | eoRestorePath;
        m_uzip.OnProcessItemFailure = [this](TAbBaseBrowser&, TAbZipItem& item, TAbProcessType,
                                             TAbErrorClass errorClass, int code) {
            m_failures.push_back({std::string(item.FileName), errorClass, code});
        };
    }

    fs::path base() const { return m_dir / "base"; }

    std::string write(const std::string& bytes, const fs::path& path) {
        writeFile(path, bytes);
        return path.string();
    }

    void unpack(const std::string& archivePath) {
        m_uzip.SetFileName(archivePath);
        m_uzip.SetBaseDirectory(base().string());
        m_uzip.ExtractMatching("*.*");
        m_uzip.CloseArchiveFile();
    }

    std::vector<std::string> extracted() const {
        std::vector<std::string> out;
        for (auto& e : fs::recursive_directory_iterator(base()))
            out.push_back(fs::relative(e.path(), base()).string());
        std::sort(out.begin(), out.end());
        return out;
    }

    static ZipEntry unixEntry(ZipEntry e, std::uint32_t mode = 0) {
        e.versionMadeBy = (3 << 8) | 30;
        e.externalAttributes = mode << 16;
        return e;
    }

    TempDir m_dir;
    TAbUnZipper m_uzip;
    std::vector<Failure> m_failures;
};

TEST_F(HostileArchives, EntriesThatShareDataAreRefusedAfterTheFirstAndTheRestExtracts) {
    // One deflated stream named by many central entries would write it once per name.
    std::vector<ZipEntry> entries = {deflatedEntry("zeros.bin", std::string(20000, '\0'))};
    std::vector<Failure> expected;
    for (int i = 1; i <= 50; ++i) {
        ZipEntry copy = entries[0];
        copy.name = "copy" + std::to_string(i) + ".bin";
        copy.sameDataAs = 0;
        entries.push_back(copy);
        expected.push_back({copy.name, ecArchive, kAbZipOverlap});
    }
    entries.push_back(storedEntry("after.txt", "after"));
    unpack(write(buildZip(entries), m_dir / "shared.zip"));
    EXPECT_EQ(m_failures, expected);
    EXPECT_EQ(extracted(), (std::vector<std::string>{"after.txt", "zeros.bin"}));
    EXPECT_EQ(readFile(base() / "zeros.bin"), std::string(20000, '\0'));
}

TEST_F(HostileArchives, AnItemWhoseHeaderLiesInsideAnotherItemsDataIsRefused) {
    // The first entry's central size reaches over the second entry's local header and data.
    ZipEntry outer = storedEntry("outer.txt", "outer");
    ZipEntry inner = storedEntry("inner.txt", "inner");
    outer.centralCompressedSize = static_cast<std::uint32_t>(5 + 30 + 9 + 5);
    unpack(write(buildZip({outer, inner, storedEntry("last.txt", "last")}), m_dir / "nested.zip"));
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"inner.txt", ecArchive, kAbZipOverlap}}));
    EXPECT_EQ(readFile(base() / "outer.txt"), "outer");
    EXPECT_EQ(readFile(base() / "last.txt"), "last");
    EXPECT_FALSE(fs::exists(base() / "inner.txt"));

    // Read in the other order (a mask), the inner item comes first and the outer one fails.
    m_failures.clear();
    fs::remove_all(base());
    fs::create_directory(base());
    m_uzip.SetFileName((m_dir / "nested.zip").string());
    m_uzip.SetBaseDirectory(base().string());
    m_uzip.ExtractMatching("inner.txt");
    m_uzip.ExtractMatching("outer.txt");
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"outer.txt", ecArchive, kAbZipOverlap}}));
    EXPECT_EQ(readFile(base() / "inner.txt"), "inner");
}

TEST_F(HostileArchives, AnItemWhoseDataReachesIntoTheCentralDirectoryIsRefused) {
    ZipEntry first = storedEntry("first.txt", "first");
    ZipEntry last = storedEntry("last.txt", "last");
    last.centralCompressedSize = 4 + 10; // ten bytes of the directory
    unpack(write(buildZip({first, last}), m_dir / "intocd.zip"));
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"last.txt", ecArchive, kAbZipOverlap}}));
    EXPECT_EQ(extracted(), (std::vector<std::string>{"first.txt"}));
}

TEST_F(HostileArchives, TheArchiveIsNeverWrittenWhenClosed) {
    // A zero-byte .zip stays zero bytes.
    const std::string empty = write("", m_dir / "empty.zip");
    unpack(empty);
    EXPECT_EQ(fs::file_size(empty), 0u);

    // An empty archive behind a program stub keeps the stub, whether its offsets count the
    // stub or not.
    for (const bool adjusted : {true, false}) {
        test::ZipLayout layout;
        layout.prefix = "MZ" + std::string(1000, '\x90');
        layout.comment = "stub";
        layout.adjustOffsets = adjusted;
        const std::string exeBytes = buildZip({}, layout);
        const std::string exe = write(exeBytes, m_dir / "setup.exe");
        unpack(exe);
        EXPECT_EQ(m_uzip.Count(), 0u);
        EXPECT_EQ(readFile(exe), exeBytes);
    }

    // An empty archive with a comment and no stub.
    test::ZipLayout commented;
    commented.comment = "nothing here";
    const std::string zipBytes = buildZip({}, commented);
    const std::string zip = write(zipBytes, m_dir / "commented.zip");
    unpack(zip);
    EXPECT_EQ(readFile(zip), zipBytes);
    EXPECT_TRUE(m_failures.empty());
}

TEST_F(HostileArchives, AnEntryNamedLikeTheArchiveNeverWritesOverIt) {
    // The archive sits in the folder it is extracted into, and an entry carries its name in
    // other letters; a hard link to the archive is no way around it either.
    const fs::path archive = base() / "pkg.zip";
    const std::string bytes = buildZip({storedEntry("PKG.ZIP", "not the archive"),
                                        storedEntry("link.zip", "x"), storedEntry("other.txt", "other")});
    write(bytes, archive);
    fs::create_hard_link(archive, base() / "link.zip");
    unpack(archive.string());
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"PKG.ZIP", ecArchive, kAbItemIsArchive},
                                                {"link.zip", ecArchive, kAbItemIsArchive}}));
    EXPECT_EQ(readFile(archive), bytes);
    EXPECT_EQ(readFile(base() / "other.txt"), "other");

    // A read-only archive is recognised before anything is opened for writing.
    m_failures.clear();
    fs::permissions(archive, fs::perms::owner_read);
    unpack(archive.string());
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"PKG.ZIP", ecArchive, kAbItemIsArchive},
                                                {"link.zip", ecArchive, kAbItemIsArchive}}));
    fs::permissions(archive, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readFile(archive), bytes);
}

TEST_F(HostileArchives, TheOwnerCanAlwaysReadAndWriteWhatWasExtracted) {
    ZipEntry readOnly = storedEntry("readonly.txt", "ro");
    readOnly.externalAttributes = 0x01;
    unpack(write(buildZip({unixEntry(storedEntry("noowner.dds", "n"), 0100044),
                           unixEntry(storedEntry("none.dds", "z"), 0100000),
                           unixEntry(storedEntry("exec.sh", "x"), 0100500), readOnly}),
                 m_dir / "modes.zip"));
    EXPECT_TRUE(m_failures.empty());
    auto mode = [&](const char* name) {
        struct stat st {};
        EXPECT_EQ(::stat((base() / name).c_str(), &st), 0) << name;
        return st.st_mode & 07777;
    };
    EXPECT_EQ(mode("noowner.dds") & 0700, 0600u);
    EXPECT_EQ(mode("noowner.dds") & 0044, 0044u & mode("noowner.dds")); // group/other as made
    EXPECT_EQ(mode("none.dds") & 0700, 0600u);
    EXPECT_EQ(mode("exec.sh") & 0700, 0700u);
    EXPECT_EQ(mode("readonly.txt") & 0600, 0600u);
    EXPECT_EQ(mode("readonly.txt") & 0022, 0u);
    EXPECT_EQ(readFile(base() / "noowner.dds"), "n");
}

TEST_F(HostileArchives, NamesKeepTheirLettersByTheHostThatMadeThem) {
    const std::string utf8 = "texture.Livr\xC3\xA9";
    ZipEntry fromUnix = unixEntry(storedEntry(utf8, "unix"), 0100644);
    // The same bytes from a DOS host are code page 437: "├⌐".
    ZipEntry fromDos = storedEntry(utf8 + ".dos", "dos");
    // A Unicode Path field with the stored name's CRC gives the name...
    ZipEntry withField = storedEntry("Livr\x82.cfg", "field");
    withField.extra = test::unicodePathField("Livr\x82.cfg", "Livr\xC3\xA9.cfg");
    // ...but not one made for another name.
    ZipEntry staleField = storedEntry("Old\x82.txt", "stale");
    staleField.extra = test::unicodePathField("Other.txt", "Wrong.txt");
    unpack(write(buildZip({fromUnix, fromDos, withField, staleField}), m_dir / "names.zip"));
    EXPECT_TRUE(m_failures.empty());
    EXPECT_EQ(extracted(), (std::vector<std::string>{"Livr\xC3\xA9.cfg", "Old\xC3\xA9.txt", utf8,
                                                     "texture.Livr\xE2\x94\x9C\xE2\x8C\x90.dos"}));
    EXPECT_EQ(readFile(base() / utf8), "unix");
    EXPECT_EQ(readFile(base() / "Livr\xC3\xA9.cfg"), "field");
}

TEST_F(HostileArchives, TheLocalHeadersMethodChoosesTheDecoder) {
    ZipEntry deflatedLocally = deflatedEntry("a.txt", "deflated data");
    deflatedLocally.method = 0; // the directory says stored
    deflatedLocally.localMethod = 8;
    ZipEntry storedLocally = storedEntry("b.txt", "stored data");
    storedLocally.method = 8;
    storedLocally.localMethod = 0;
    unpack(write(buildZip({deflatedLocally, storedLocally}), m_dir / "methods.zip"));
    EXPECT_TRUE(m_failures.empty());
    EXPECT_EQ(readFile(base() / "a.txt"), "deflated data");
    EXPECT_EQ(readFile(base() / "b.txt"), "stored data");
}

TEST_F(HostileArchives, AnEncryptedItemShorterThanItsHeaderIsAWrongPassword) {
    ZipEntry tiny = storedEntry("tiny.txt", "tiny");
    tiny.flags |= 1; // encrypted, but only 4 bytes long
    const std::string zip = write(buildZip({tiny}), m_dir / "tiny.zip");
    unpack(zip);
    m_uzip.Password = "secret";
    unpack(zip);
    EXPECT_EQ(m_failures, (std::vector<Failure>{{"tiny.txt", ecArchive, kAbZipInvalidPassword},
                                                {"tiny.txt", ecArchive, kAbZipInvalidPassword}}));
    EXPECT_FALSE(fs::exists(base() / "tiny.txt"));
}

TEST_F(HostileArchives, InvalidArchivesKeepTheFixedMessageAndSayWhatIsWrong) {
    const std::string good = buildZip({storedEntry("a.txt", "a")});
    const std::size_t central = good.find("PK\x01\x02");
    const std::size_t end = good.find("PK\x05\x06");
    struct Case {
        std::string bytes;
        std::string cause;
    };
    std::string badCentral = good;
    badCentral[central + 3] = 9;
    std::string badDisk = good;
    badDisk[end + 4] = 1;
    std::string cutHeader = good;
    cutHeader[central + 28] = 100; // the name runs past the directory
    const std::vector<Case> cases = {
        {badCentral, "wrong central directory header signature at offset " + std::to_string(central)},
        {badDisk, "end record names disk 1 of a spanned set"},
        {cutHeader, "name, extra field and comment of the central directory header at offset " +
                        std::to_string(central) + " run past the directory"},
    };
    for (const Case& c : cases) {
        const std::string zip = write(c.bytes, m_dir / "bad.zip");
        try {
            m_uzip.SetFileName(zip);
            ADD_FAILURE() << "no exception for " << c.cause;
        } catch (const EAbZipInvalid& e) {
            EXPECT_STREQ(e.what(), "Invalid file - not a PKZip file");
            EXPECT_EQ(e.ErrorCode(), kAbZipInvalid);
            EXPECT_EQ(e.cause(), c.cause);
        }
    }
}

} // namespace
} // namespace sw
