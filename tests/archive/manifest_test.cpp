// Every entry of the shared zip material (archives written by PKZIP, Info-ZIP, 7-Zip,
// libarchive, Python and others, see its README.md) must decode to the bytes its
// MANIFEST.tsv records, and the damaged and unsupported ones must fail the way it says.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "archive/byte_stream.h"
#include "archive/crc32.h"
#include "archive/zip_archive.h"
#include "platform/sha256.h"
#include "support/shared_data.h"

namespace sw {
namespace {

struct ManifestRow {
    std::string archive, entry, method, flags, csize, usize, crc32, sha256, oracle;
};

std::vector<ManifestRow> readManifest(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<ManifestRow> rows;
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ss(line);
        std::string field;
        while (std::getline(ss, field, '\t'))
            f.push_back(field);
        f.resize(9);
        rows.push_back({f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]});
    }
    return rows;
}

class ZipManifest : public ::testing::Test {
protected:
    void SetUp() override {
        auto dir = test::sharedDataDir("testdata/zip");
        if (!dir || !std::filesystem::exists(*dir / "MANIFEST.tsv"))
            GTEST_SKIP() << "shared zip material (../shared/testdata/zip) not found; manifest suite skipped";
        m_dir = *dir;
        for (auto& row : readManifest(m_dir / "MANIFEST.tsv"))
            m_byArchive[row.archive].push_back(row);
    }

    std::filesystem::path m_dir;
    std::map<std::string, std::vector<ManifestRow>> m_byArchive;
};

bool isRefusedVersion(const TAbZipItem& item) {
    const unsigned needed = item.VersionNeededToExtract & 0xFF;
    return needed > 20 && !(needed == 21 && item.CompressionMethod == 9);
}

TEST_F(ZipManifest, EveryEntryDecodesToItsRecordedBytesOrFailsAsRecorded) {
    std::size_t decoded = 0;
    std::size_t refused = 0;
    for (auto& [archiveName, rows] : m_byArchive) {
        SCOPED_TRACE(archiveName);
        const std::string path = (m_dir / archiveName).string();
        if (rows.size() == 1 && rows[0].entry.empty()) {
            // Whole-archive failures: no end record, or an empty file (which the component
            // opens as an archive with no items).
            auto input = std::make_unique<FileInput>(path);
            if (input->size() == 0) {
                TAbZipArchive archive(std::move(input), path);
                archive.LoadCentralDirectory();
                EXPECT_EQ(archive.Count(), 0u);
            } else {
                EXPECT_EQ(DetectArchiveType(path), atUnknown);
                TAbZipArchive archive(std::move(input), path);
                EXPECT_THROW(archive.LoadCentralDirectory(), EAbZipInvalid);
            }
            continue;
        }
        TAbZipArchive archive(std::make_unique<FileInput>(path), path);
        ASSERT_NO_THROW(archive.LoadCentralDirectory());
        EXPECT_EQ(archive.Count(), rows.size());
        for (const auto& row : rows) {
            SCOPED_TRACE(row.entry);
            TAbZipItem* item = archive.Find(row.entry);
            ASSERT_NE(item, nullptr) << "entry missing from the directory";
            const unsigned method = static_cast<unsigned>(std::stoul(row.method));
            const unsigned flags = static_cast<unsigned>(std::stoul(row.flags, nullptr, 16));
            archive.Password = (flags & 1) ? "secret" : "";
            std::vector<int> failures;
            archive.Callbacks.itemFailure = [&](TAbZipItem&, TAbProcessType, TAbErrorClass, int code) {
                failures.push_back(code);
            };
            StringSink sink;
            if (method == 12 || method == 14 || method == 99) {
                EXPECT_THROW(archive.UnzipItemToStream(*item, sink), EAbException);
                ++refused;
                continue;
            }
            if (isRefusedVersion(*item)) {
                EXPECT_THROW(archive.UnzipItemToStream(*item, sink), EAbZipVersion);
                ++refused;
                continue;
            }
            if (row.oracle.rfind("fails:", 0) == 0) {
                bool threw = false;
                try {
                    archive.UnzipItemToStream(*item, sink);
                } catch (const EAbException&) {
                    threw = true;
                }
                EXPECT_TRUE(threw || failures == std::vector<int>{kAbZipBadCRC});
                ++refused;
                continue;
            }
            try {
                archive.UnzipItemToStream(*item, sink);
            } catch (const EAbException& e) {
                ADD_FAILURE() << "method " << method << ": " << e.className() << ": " << e.what();
                continue;
            }
            EXPECT_TRUE(failures.empty()) << "method " << method;
            EXPECT_EQ(sink.data().size(), std::stoull(row.usize));
            char crc[9];
            std::snprintf(crc, sizeof crc, "%08x",
                          crc32Update(0, reinterpret_cast<const std::uint8_t*>(sink.data().data()),
                                      sink.data().size()));
            EXPECT_EQ(crc, row.crc32);
            EXPECT_EQ(sw::sha256Hex(sink.data()), row.sha256);
            ++decoded;
        }
    }
    // The material has more than 250 decodable entries; a reader that skipped most would pass otherwise.
    EXPECT_GT(decoded, 250u);
    EXPECT_GE(refused, 7u);
}

TEST(Sha256, KnownVectors) {
    EXPECT_EQ(sw::sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sw::sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sw::sha256Hex(std::string(1000, 'a')),
              "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
}

} // namespace
} // namespace sw
