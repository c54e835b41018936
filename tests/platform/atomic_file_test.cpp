#include "platform/atomic_file.h"

#include "platform/io_error.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace {

using sw::AtomicFile;
using sw::IoError;
using sw::test::readFile;
using sw::test::TempDir;
using sw::test::writeFile;

enum class FailAt { Nothing, Write, ShortWrites, Sync, Rename };

// Fails one chosen system call, as a full disk or a dying device would.
class FailingFile : public AtomicFile {
public:
    FailingFile(const std::string& path, FailAt failAt) : AtomicFile(path), m_failAt(failAt) {}

protected:
    long writeSome(int fd, const char* data, unsigned long size) override {
        if (m_failAt == FailAt::Write) {
            errno = ENOSPC;
            return -1;
        }
        if (m_failAt == FailAt::ShortWrites)
            return AtomicFile::writeSome(fd, data, size < 3 ? size : 3);
        return AtomicFile::writeSome(fd, data, size);
    }
    int syncFile(int fd) override {
        if (m_failAt == FailAt::Sync) {
            errno = EIO;
            return -1;
        }
        return AtomicFile::syncFile(fd);
    }
    int renameFile(const char* from, const char* to) override {
        if (m_failAt == FailAt::Rename) {
            errno = EXDEV;
            return -1;
        }
        return AtomicFile::renameFile(from, to);
    }

private:
    FailAt m_failAt;
};

std::size_t entryCount(const std::filesystem::path& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

class AtomicFileFailures : public ::testing::TestWithParam<FailAt> {};

TEST_P(AtomicFileFailures, OldFileStaysWholeAndNoTemporaryIsLeft) {
    TempDir dir;
    const auto target = dir / "aircraft.cfg";
    writeFile(target, "[fltsim.0]\r\nold\r\n");
    FailingFile file(target.string(), GetParam());
    file.open();
    EXPECT_THROW(
        {
            file.write(std::string(100000, 'n'));
            file.commit();
        },
        IoError);
    EXPECT_EQ(readFile(target), "[fltsim.0]\r\nold\r\n");
    EXPECT_EQ(entryCount(dir.path()), 1u);
}

INSTANTIATE_TEST_SUITE_P(EachStep, AtomicFileFailures,
                         ::testing::Values(FailAt::Write, FailAt::Sync, FailAt::Rename),
                         [](const auto& info) {
                             switch (info.param) {
                             case FailAt::Write:
                                 return std::string("DiskFullOnWrite");
                             case FailAt::Sync:
                                 return std::string("IoErrorOnSync");
                             default:
                                 return std::string("RenameRefused");
                             }
                         });

TEST(AtomicFile, ReplacesContentAndKeepsPermissions) {
    TempDir dir;
    const auto target = dir / "aircraft.cfg";
    writeFile(target, "old");
    ::chmod(target.c_str(), 0640);
    FailingFile file(target.string(), FailAt::ShortWrites); // partial writes are continued
    file.open();
    file.write("new ");
    file.write("content");
    EXPECT_EQ(readFile(target), "old"); // nothing visible before commit
    file.commit();
    EXPECT_EQ(readFile(target), "new content");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entryCount(dir.path()), 1u);
}

TEST(AtomicFile, RefusesReadOnlyTargetBeforeWriting) {
    TempDir dir;
    const auto target = dir / "aircraft.cfg";
    writeFile(target, "keep");
    ::chmod(target.c_str(), 0444);
    EXPECT_THROW(sw::writeFileAtomically(target.string(), "lost"), IoError);
    EXPECT_EQ(readFile(target), "keep");
    EXPECT_EQ(entryCount(dir.path()), 1u);
}

TEST(AtomicFile, AbandonedWriteLeavesOldFile) {
    TempDir dir;
    const auto target = dir / "aircraft.cfg";
    writeFile(target, "keep");
    {
        AtomicFile file(target.string());
        file.open();
        file.write("half");
    } // destroyed without commit, as when an exception unwinds
    EXPECT_EQ(readFile(target), "keep");
    EXPECT_EQ(entryCount(dir.path()), 1u);
}

TEST(AtomicFile, CreatesNewFileAndFailsInMissingFolder) {
    TempDir dir;
    sw::writeFileAtomically((dir / "new.cfg").string(), "x");
    EXPECT_EQ(readFile(dir / "new.cfg"), "x");
    EXPECT_THROW(sw::writeFileAtomically((dir / "missing" / "f").string(), "x"), IoError);
}

// The folder is at fault when the temporary file cannot be created: the error's second line
// names it, not the file.
TEST(AtomicFile, FolderRefusingTheTemporaryFileIsNamed) {
    TempDir dir;
    try {
        sw::writeFileAtomically((dir / "missing" / "aircraft.cfg").string(), "x");
        ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create a temporary file in folder: No such file or directory\n" +
                      (dir / "missing").string());
    }
    const auto target = dir / "locked" / "aircraft.cfg";
    std::filesystem::create_directory(dir / "locked");
    writeFile(target, "keep");
    try {
        sw::test::WithoutWriteAccess locked(dir / "locked");
        sw::writeFileAtomically(target.string(), "lost");
        ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(e.code(), EACCES);
        EXPECT_EQ(std::string(e.what()), "Cannot create a temporary file in folder: Permission denied\n" +
                                             (dir / "locked").string());
    }
    EXPECT_EQ(readFile(target), "keep");
}

// A linked file stays a link: the file it leads to gets the new content (through a chain of
// links, relative or absolute), with its permissions, and no temporary file is left anywhere.
TEST(AtomicFile, LinkStaysALinkAndItsTargetIsReplaced) {
    TempDir dir;
    std::filesystem::create_directories(dir / "real");
    std::filesystem::create_directories(dir / "product");
    writeFile(dir / "real" / "a320.cfg", "old");
    ::chmod((dir / "real" / "a320.cfg").c_str(), 0640);
    std::filesystem::create_symlink("a320.cfg", dir / "real" / "current.cfg");
    std::filesystem::create_symlink("../real/current.cfg", dir / "product" / "aircraft.cfg");
    sw::writeFileAtomically((dir / "product" / "aircraft.cfg").string(), "new");
    EXPECT_EQ(std::filesystem::read_symlink(dir / "product" / "aircraft.cfg"), "../real/current.cfg");
    EXPECT_EQ(std::filesystem::read_symlink(dir / "real" / "current.cfg"), "a320.cfg");
    EXPECT_EQ(readFile(dir / "real" / "a320.cfg"), "new");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "real" / "a320.cfg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entryCount(dir / "real"), 2u);
    EXPECT_EQ(entryCount(dir / "product"), 1u);
}

TEST(AtomicFile, DanglingLinkIsRefusedAndKept) {
    TempDir dir;
    std::filesystem::create_symlink("gone.cfg", dir / "aircraft.cfg");
    EXPECT_THROW(sw::writeFileAtomically((dir / "aircraft.cfg").string(), "x"), IoError);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "aircraft.cfg"));
    EXPECT_EQ(entryCount(dir.path()), 1u);
}

} // namespace
