#include "platform/folder_move.h"

#include "platform/io_error.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace {

namespace stdfs = std::filesystem;
using sw::test::snapshotTree;
using sw::test::writeFile;

// Acts as if the two folders lay on different file systems, and fails where told.
class CrossDeviceMover : public sw::FolderMover {
public:
    int failCopyAt = -1;   // the n-th entry copied (from 0) throws
    int failRemoveAt = -1; // the n-th file removed (from 0) fails
    int copies = 0;
    int removals = 0;

protected:
    int renameFolder(const char*, const char*) override {
        errno = EXDEV;
        return -1;
    }
    void beforeCopy(const std::string& source) override {
        if (copies++ == failCopyAt)
            throw sw::IoError("injected copy failure at " + source, EIO);
    }
    int removeFile(const char* path) override {
        if (removals++ == failRemoveAt) {
            errno = EIO;
            return -1;
        }
        return sw::FolderMover::removeFile(path);
    }
};

// A texture folder with read-only files, a sub-folder and a link.
stdfs::path textureFolder(const stdfs::path& parent) {
    const auto folder = parent / "texture.blue";
    stdfs::create_directories(folder / "sub");
    writeFile(folder / "a.bmp", "aaaa");
    writeFile(folder / "b.bmp", std::string(100000, 'b'));
    writeFile(folder / "sub" / "c.dds", "cc");
    stdfs::create_symlink("a.bmp", folder / "link.bmp");
    ::chmod((folder / "a.bmp").c_str(), 0444);
    ::chmod((folder / "sub" / "c.dds").c_str(), 0400);
    ::chmod((folder / "sub").c_str(), 0555);
    return folder;
}

TEST(FolderMove, RenameKeepsEverything) {
    sw::test::TempDir dir;
    const auto folder = textureFolder(dir.path());
    const auto before = snapshotTree(folder);
    stdfs::create_directory(dir / "backup");
    sw::FolderMover mover;
    EXPECT_FALSE(mover.move(folder.string(), (dir / "backup" / "texture.blue").string()));
    EXPECT_FALSE(stdfs::exists(folder));
    EXPECT_EQ(snapshotTree(dir / "backup" / "texture.blue"), before);
}

TEST(FolderMove, ReadOnlyFolderMovesAndKeepsItsBits) {
    sw::test::TempDir dir;
    const auto folder = textureFolder(dir.path());
    ::chmod(folder.c_str(), 0555);
    stdfs::create_directory(dir / "backup");
    sw::FolderMover mover;
    mover.move(folder.string(), (dir / "backup" / "t").string());
    struct stat st {};
    ASSERT_EQ(::stat((dir / "backup" / "t").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0555u);
    EXPECT_FALSE(stdfs::exists(folder));
}

TEST(FolderMove, CopyAcrossFileSystemsThenDelete) {
    sw::test::TempDir dir;
    const auto folder = textureFolder(dir.path());
    const auto before = snapshotTree(folder);
    stdfs::create_directory(dir / "backup");
    CrossDeviceMover mover;
    EXPECT_TRUE(mover.move(folder.string(), (dir / "backup" / "texture.blue").string()));
    EXPECT_FALSE(stdfs::exists(folder));
    EXPECT_EQ(snapshotTree(dir / "backup" / "texture.blue"), before);
}

TEST(FolderMove, FailedCopyLeavesTheOriginalAndNoCopy) {
    sw::test::TempDir dir;
    const auto folder = textureFolder(dir.path());
    const auto before = snapshotTree(folder);
    stdfs::create_directory(dir / "backup");
    CrossDeviceMover mover;
    mover.failCopyAt = 3;
    EXPECT_THROW(mover.move(folder.string(), (dir / "backup" / "texture.blue").string()), sw::IoError);
    EXPECT_EQ(snapshotTree(folder), before);
    EXPECT_TRUE(stdfs::is_empty(dir / "backup"));
}

TEST(FolderMove, FailedDeleteIsPutBack) {
    sw::test::TempDir dir;
    const auto folder = textureFolder(dir.path());
    ::chmod(folder.c_str(), 0755);
    const auto before = snapshotTree(folder);
    stdfs::create_directory(dir / "backup");
    CrossDeviceMover mover;
    mover.failRemoveAt = 2; // two entries are gone by then
    try {
        mover.move(folder.string(), (dir / "backup" / "texture.blue").string());
        ADD_FAILURE() << "the move should fail";
    } catch (const sw::IoError& error) {
        EXPECT_NE(std::string(error.what()).find("Cannot delete file"), std::string::npos) << error.what();
    }
    EXPECT_EQ(snapshotTree(folder), before);
    EXPECT_TRUE(stdfs::is_empty(dir / "backup"));
}

TEST(FolderMove, RefusesAnExistingTargetOrAMissingSource) {
    sw::test::TempDir dir;
    const auto folder = textureFolder(dir.path());
    stdfs::create_directories(dir / "backup" / "texture.blue");
    sw::FolderMover mover;
    EXPECT_THROW(mover.move(folder.string(), (dir / "backup" / "texture.blue").string()), sw::IoError);
    EXPECT_TRUE(stdfs::exists(folder / "a.bmp"));
    EXPECT_THROW(mover.move((dir / "none").string(), (dir / "backup" / "x").string()), sw::IoError);
}

TEST(FolderMove, ToAnotherFileSystem) {
    sw::test::ShmDir shm;
    sw::test::TempDir dir;
    if (shm.path().empty() || !sw::test::onDifferentFileSystems(shm.path(), dir.path()))
        GTEST_SKIP() << "no tmpfs at /dev/shm apart from " << dir.str();
    const auto folder = textureFolder(dir.path());
    const auto before = snapshotTree(folder);
    sw::FolderMover mover;
    EXPECT_TRUE(mover.move(folder.string(), (shm.path() / "texture.blue").string()));
    EXPECT_FALSE(stdfs::exists(folder));
    EXPECT_EQ(snapshotTree(shm.path() / "texture.blue"), before);
    EXPECT_TRUE(mover.move((shm.path() / "texture.blue").string(), folder.string()));
    EXPECT_EQ(snapshotTree(folder), before);
}

TEST(FolderMove, RemoveFolderTree) {
    sw::test::TempDir dir;
    const auto folder = textureFolder(dir.path());
    stdfs::create_directory(dir / "outside");
    writeFile(dir / "outside" / "keep", "k");
    stdfs::create_directory_symlink(dir / "outside", folder / "sub2");
    ::chmod(folder.c_str(), 0555);
    sw::removeFolderTree(folder.string());
    EXPECT_FALSE(stdfs::exists(folder));
    EXPECT_EQ(sw::test::readFile(dir / "outside" / "keep"), "k"); // the link was not followed
    EXPECT_NO_THROW(sw::removeFolderTree(folder.string()));
}

} // namespace
