// Installs and removals through the installer and the removal, each backed up, and undone.
#include "liveries/installed_liveries.h"
#include "liveries/installer.h"
#include "liveries/undo_change.h"

#include "livery_fixture.h"
#include "platform/io_error.h"
#include "platform/sha256.h"
#include "support/tree_snapshot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace {

using namespace sw::liveries;
using namespace sw::liveries::test;
using sw::test::readFile;
using sw::test::snapshotTree;
using sw::test::writeFile;
namespace stdfs = std::filesystem;
using Result = UndoOutcome::Result;

// Real-world bytes: LF line ends, no line end at the very end, a section with keys after
// description= and read-only textures.
const std::string kConfig = "[fltsim.0]\ntitle=House\ntexture=house\nui_variation=House\ndescription=x\n\n"
                            "[fltsim.1]\ntitle=Old\ntexture=old\nui_variation=Old\ndescription=y\n\n"
                            "[General]\natc_type=ZEV";

class UndoRoundTrip : public ::testing::Test {
protected:
    LiveryWorld w;
    stdfs::path product;
    stdfs::path package;

    void SetUp() override {
        w.view.sim = Simulator::FSX;
        product = w.addProduct("ZEV_A320", kConfig);
        for (const char* folder : {"texture.house", "texture.old", "texbase"})
            stdfs::create_directories(product / folder);
        writeFile(product / "texture.house" / "h.bmp", "house");
        writeFile(product / "texture.old" / "o.bmp", "old");
        writeFile(product / "texbase" / "body.bmp", "base body");
        writeFile(product / "texbase" / "wing.bmp", "base wing");
        package = w.addPackage(w.workspace / "downloads", "Blue", descriptorText("A320", "blue", "Blue Sky"),
                               "blue", {{"wing.bmp", "blue wing"}, {"thumbnail.jpg", "T"}});
    }

    void install() {
        PackageValues selected{"", "ZEV_A320", "texture.blue"};
        installOnePackage(w.context, selected, package.string());
    }

    void remove(const std::string& variation) {
        w.view.chooseProduct("ZEV_A320");
        ListInstalledLiveries(w.context);
        for (std::size_t i = 0; i < w.view.cb4.size(); ++i) {
            if (w.view.cb4[i] == variation)
                w.view.cb4Index = static_cast<int>(i);
        }
        RemoveLivery(w.context);
    }

    UndoOutcome undo(const UndoCheckpoint& at = {}) {
        return undoChange(*w.context.backups, Simulator::FSX, w.view.folder, "ZEV_A320", {}, at);
    }
};

TEST_F(UndoRoundTrip, InstallRemoveThenUndoTwiceGivesBackEachTree) {
    const auto s0 = snapshotTree(w.sim);
    install();
    const auto s1 = snapshotTree(w.sim);
    ASSERT_NE(s1, s0);
    EXPECT_EQ(readFile(product / "texture.blue" / "body.bmp"), "base body");
    remove("Old");
    EXPECT_FALSE(stdfs::exists(product / "texture.old"));

    const auto changes = w.backups.list();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].action, ChangeAction::Removal);
    EXPECT_EQ(changes[0].variation, "Old");
    EXPECT_EQ(changes[0].files, std::vector<std::string>{"texture.old/o.bmp"});
    EXPECT_EQ(changes[1].action, ChangeAction::Install);
    EXPECT_EQ(changes[1].variation, "Blue Sky");
    EXPECT_EQ(changes[1].files, (std::vector<std::string>{"texture.blue/thumbnail.jpg",
                                                          "texture.blue/wing.bmp", "texture.blue/body.bmp"}));
    // The SHA-256 recorded is that of the file on disk.
    EXPECT_EQ(changes[0].configAfter, sw::sha256OfFile((product / "aircraft.cfg").string()));

    UndoOutcome outcome = undo();
    EXPECT_EQ(outcome.result, Result::Done) << outcome.message;
    EXPECT_EQ(snapshotTree(w.sim), s1);
    outcome = undo();
    EXPECT_EQ(outcome.result, Result::Done) << outcome.message;
    EXPECT_EQ(snapshotTree(w.sim), s0);
    EXPECT_EQ(readFile(product / "aircraft.cfg"), kConfig); // its LF line ends and all
    EXPECT_TRUE(w.backups.list().empty());
}

TEST_F(UndoRoundTrip, ALinkedAircraftCfgStaysALink) {
    stdfs::rename(product / "aircraft.cfg", product / "real.cfg");
    stdfs::create_symlink("real.cfg", product / "aircraft.cfg");
    const auto s0 = snapshotTree(w.sim);
    install();
    remove("Old");
    EXPECT_TRUE(stdfs::is_symlink(product / "aircraft.cfg"));
    EXPECT_EQ(undo().result, Result::Done);
    EXPECT_EQ(undo().result, Result::Done);
    EXPECT_EQ(snapshotTree(w.sim), s0); // the link itself included
    EXPECT_EQ(readFile(product / "real.cfg"), kConfig);
}

TEST_F(UndoRoundTrip, RemovalOfReadOnlyTexturesIsKeptAndPutBack) {
    stdfs::create_directories(product / "texture.old" / "panel");
    writeFile(product / "texture.old" / "panel" / "p.bmp", "panel");
    ::chmod((product / "texture.old" / "o.bmp").c_str(), 0444);
    ::chmod((product / "texture.old" / "panel" / "p.bmp").c_str(), 0444);
    const auto before = snapshotTree(w.sim);
    remove("Old");
    EXPECT_EQ(w.sink.messages.back(), "Removed succesfully");
    EXPECT_FALSE(stdfs::exists(product / "texture.old"));
    EXPECT_EQ(undo().result, Result::Done);
    EXPECT_EQ(snapshotTree(w.sim), before);
}

TEST_F(UndoRoundTrip, BackupsOnAnotherFileSystem) {
    sw::test::ShmDir shm;
    if (shm.path().empty() || !sw::test::onDifferentFileSystems(shm.path(), w.sim))
        GTEST_SKIP() << "no tmpfs at /dev/shm apart from " << w.dir.str();
    BackupStore store(shm.path().string());
    w.context.backups = &store;
    ::chmod((product / "texture.old" / "o.bmp").c_str(), 0444);
    const auto s0 = snapshotTree(w.sim);
    install();
    const auto s1 = snapshotTree(w.sim);
    remove("Old");
    EXPECT_FALSE(stdfs::exists(product / "texture.old"));
    ASSERT_EQ(store.list().size(), 2u);
    EXPECT_EQ(readFile(shm.path() / "backups" / store.list()[0].id / "texture.old" / "o.bmp"), "old");
    EXPECT_EQ(undo().result, Result::Done);
    EXPECT_EQ(snapshotTree(w.sim), s1);
    EXPECT_EQ(undo().result, Result::Done);
    EXPECT_EQ(snapshotTree(w.sim), s0);
}

TEST_F(UndoRoundTrip, HandEditAfterAnInstallRefusesTheUndo) {
    install();
    const std::string edited = readFile(product / "aircraft.cfg") + "\r\n// my note\r\n";
    writeFile(product / "aircraft.cfg", edited);
    const auto sim0 = snapshotTree(w.sim);
    const auto work0 = snapshotTree(w.workspace / "backups");
    const UndoOutcome outcome = undo();
    EXPECT_EQ(outcome.result, Result::Refused);
    EXPECT_EQ(outcome.message, std::string(kMsgConfigChanged) + "\n" + (product / "aircraft.cfg").string());
    EXPECT_EQ(snapshotTree(w.sim), sim0);
    EXPECT_EQ(snapshotTree(w.workspace / "backups"), work0);
}

// Moving the texture folder back fails half-way through its copy.
class FailingStore : public BackupStore {
public:
    using BackupStore::BackupStore;
    struct Mover : sw::FolderMover {
        bool fail = false;
        int renameFolder(const char*, const char*) override {
            errno = EXDEV;
            return -1;
        }
        void beforeCopy(const std::string& source) override {
            if (fail && source.find("o.bmp") != std::string::npos)
                throw sw::IoError("Cannot read file \"" + source + "\": injected", EIO);
        }
    };
    mutable Mover m;
    sw::FolderMover& mover() const override { return m; }
};

TEST_F(UndoRoundTrip, FailureInTheMiddleOfAnUndoKeepsBackupAndFile) {
    FailingStore store(w.workspace.string());
    w.context.backups = &store;
    stdfs::create_directories(product / "texture.old" / "a");
    writeFile(product / "texture.old" / "a" / "first.bmp", "1");
    const auto before = snapshotTree(w.sim);
    remove("Old");
    const auto after = snapshotTree(w.sim);
    const std::string config = readFile(product / "aircraft.cfg");

    store.m.fail = true;
    UndoOutcome outcome = undo();
    EXPECT_EQ(outcome.result, Result::Failed);
    EXPECT_NE(outcome.message.find("injected"), std::string::npos) << outcome.message;
    EXPECT_EQ(readFile(product / "aircraft.cfg"), config);
    EXPECT_EQ(snapshotTree(w.sim), after); // the partial copy was taken away again
    ASSERT_EQ(store.list().size(), 1u);
    EXPECT_EQ(readFile(w.workspace / "backups" / store.list()[0].id / "texture.old" / "o.bmp"), "old");

    store.m.fail = false;
    outcome = undo();
    EXPECT_EQ(outcome.result, Result::Done) << outcome.message;
    EXPECT_EQ(snapshotTree(w.sim), before);
}

TEST_F(UndoRoundTrip, EveryRoadKeepsABackupAndAFailedWriteKeepsNone) {
    const auto templiv = w.workspace / "templiv";
    w.addPackage(templiv, "Pkg", descriptorText("A320", "red", "Red"), "red", {{"r.bmp", "R"}});
    PackageValues last;
    ASSERT_TRUE(installDownloadedPackages(w.context, last, templiv.string(), "x.zip"));
    ASSERT_TRUE(installAllPackages(w.context, last, {package.string()}));
    const auto changes = w.backups.list();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].variation, "Blue Sky");
    EXPECT_EQ(changes[1].variation, "Red");
    EXPECT_EQ(changes[1].simulator, Simulator::FSX);

    ::chmod((product / "aircraft.cfg").c_str(), 0444);
    EXPECT_THROW(install(), sw::IoError);
    EXPECT_EQ(w.backups.list().size(), 2u);
    EXPECT_EQ(std::distance(stdfs::directory_iterator(w.workspace / "backups"), stdfs::directory_iterator()),
              2);
}

TEST_F(UndoRoundTrip, NoChangeWithoutABackup) {
    writeFile(w.dir / "blocked", "a file where the workspace should be");
    BackupStore nowhere((w.dir / "blocked").string());
    w.context.backups = &nowhere;
    const auto before = snapshotTree(w.sim);
    EXPECT_THROW(install(), sw::IoError);
    EXPECT_THROW(remove("Old"), sw::IoError);
    EXPECT_EQ(snapshotTree(w.sim), before);
}

} // namespace
