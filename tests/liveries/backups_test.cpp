#include "liveries/change_backups.h"
#include "liveries/undo_change.h"

#include "platform/io_error.h"
#include "platform/sha256.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace {

using namespace sw::liveries;
using sw::test::readFile;
using sw::test::snapshotTree;
using sw::test::writeFile;
namespace stdfs = std::filesystem;
using Result = UndoOutcome::Result;

const std::string kOld = "[fltsim.0]\r\ntexture=a\r\nui_variation=A\r\ndescription=x\r\n\r\n[General]\r\n";
const std::string kNew =
    "[fltsim.0]\r\ntexture=a\r\nui_variation=A\r\ndescription=x\r\n\r\n\r\n\r\n"
    "[fltsim.1]\r\ntexture=blue\r\nui_variation=Blue\r\ndescription=y\r\n\r\n[General]\r\n";

ChangeRecord sample() {
    ChangeRecord r;
    r.time = "2026-12-08T03:12:45Z";
    r.simulator = sw::Simulator::FSX;
    r.simulatorFolder = "/games/FSX";
    r.product = "ZEV_A320";
    r.action = ChangeAction::Removal;
    r.variation = "Blue 100% = new\tline\nnext";
    r.configBefore = sw::sha256Hex("a");
    r.configAfter = sw::sha256Hex("b");
    r.textureFolder = "texture.blue";
    r.folderKept = true;
    r.files = {"texture.blue/a.bmp", "texture.blue/sub/b.bmp"};
    return r;
}

TEST(BackupManifest, RoundTripsEveryField) {
    const ChangeRecord r = sample();
    const std::string text = formatManifest(r);
    EXPECT_EQ(text.find('\t'), std::string::npos);
    EXPECT_NE(text.find("variation=Blue 100%25 = new%09line%0Anext\n"), std::string::npos) << text;
    const auto back = parseManifest(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->time, r.time);
    EXPECT_EQ(back->simulator, r.simulator);
    EXPECT_EQ(back->simulatorFolder, r.simulatorFolder);
    EXPECT_EQ(back->product, r.product);
    EXPECT_EQ(back->action, r.action);
    EXPECT_EQ(back->variation, r.variation);
    EXPECT_EQ(back->configBefore, r.configBefore);
    EXPECT_EQ(back->configAfter, r.configAfter);
    EXPECT_EQ(back->textureFolder, r.textureFolder);
    EXPECT_EQ(back->folderKept, true);
    EXPECT_EQ(back->folderCreated, false);
    EXPECT_EQ(back->files, r.files);
}

TEST(BackupManifest, RefusesIncompleteOrUnsafeManifests) {
    const std::string good = formatManifest(sample());
    EXPECT_FALSE(parseManifest(good.substr(0, good.size() - 1)));  // last line cut
    EXPECT_FALSE(parseManifest(good.substr(good.find('\n') + 1))); // no format line
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return parseManifest(text);
    };
    EXPECT_FALSE(replaced("product=ZEV_A320", "product=../ZEV_A320"));
    EXPECT_FALSE(replaced("product=ZEV_A320", "product=a/b"));
    EXPECT_FALSE(replaced("folder=texture.blue", "folder=.."));
    EXPECT_FALSE(replaced("file=texture.blue/a.bmp", "file=texture.blue/../../x"));
    EXPECT_FALSE(replaced("file=texture.blue/a.bmp", "file=texture.red/a.bmp"));
    EXPECT_FALSE(replaced("simulator-folder=/games", "simulator-folder=games"));
    EXPECT_FALSE(replaced("action=removal", "action=rename"));
    EXPECT_FALSE(replaced("aircraft.cfg-after=", "aircraft.cfg-after=00"));
    EXPECT_FALSE(replaced("time=", "colour=red\ntime="));
    EXPECT_FALSE(replaced("time=", "time=x\ntime="));
    EXPECT_FALSE(replaced("variation=Blue 100%25", "variation=Blue 100%2"));
    EXPECT_TRUE(replaced("folder-kept=yes", "folder-kept=no"));
}

TEST(BackupManifest, Times) {
    EXPECT_EQ(formatUtcTime(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(formatUtcTime(1796700765), "2026-12-08T03:32:45Z");
    sw::test::ScopedEnv tz("TZ", "UTC");
    ::tzset();
    EXPECT_EQ(localTimeText("2026-12-08T03:32:45Z"), "2026-12-08 03:32");
    EXPECT_EQ(localTimeText("yesterday"), "yesterday");
}

// A product in a simulator folder and a workspace, with changes made by hand the way the
// installer and the removal make them.
class Backups : public ::testing::Test {
protected:
    sw::test::TempDir dir;
    stdfs::path sim = dir / "FSX";
    stdfs::path product = sim / "SimObjects" / "Airplanes" / "ZEV_A320";
    stdfs::path workspace = dir / "work";

    void SetUp() override {
        stdfs::create_directories(product / "texture.a");
        stdfs::create_directories(workspace);
        writeFile(product / "aircraft.cfg", kOld);
        writeFile(product / "texture.a" / "a.bmp", "a");
    }

    ChangeRecord change(ChangeAction action, const std::string& variation) const {
        ChangeRecord r;
        r.simulator = sw::Simulator::FSX;
        r.simulatorFolder = sim.string();
        r.product = "zev_a320"; // as the user typed it: the backup keeps the name on disk
        r.action = action;
        r.variation = variation;
        return r;
    }

    // An install of texture.<name> with the given files; returns the backup's ID.
    std::string install(const BackupStore& store, const std::string& name,
                        const std::vector<std::string>& files = {"wing.bmp", "body.bmp"}) {
        const std::string before = readFile(product / "aircraft.cfg");
        PendingBackup backup(store, change(ChangeAction::Install, name), before);
        const std::string after = before + "[fltsim.x]\r\ntexture=" + name + "\r\n";
        writeFile(product / "aircraft.cfg", after);
        backup.configChanged(after);
        const bool created = stdfs::create_directory(product / ("texture." + name));
        backup.setTextureFolder("texture." + name, created);
        for (const std::string& file : files) {
            const auto path = product / ("texture." + name) / file;
            if (!stdfs::exists(path)) {
                writeFile(path, name + file);
                backup.fileCreated("texture." + name + "/" + file);
            }
        }
        backup.commit();
        return backup.record().id;
    }

    // A removal of the section naming texture.<name>, its folder taken into the backup.
    std::string remove(const BackupStore& store, const std::string& name) {
        const std::string before = readFile(product / "aircraft.cfg");
        PendingBackup backup(store, change(ChangeAction::Removal, name), before);
        const std::string after = before.substr(0, before.size() / 2);
        writeFile(product / "aircraft.cfg", after);
        backup.configChanged(after);
        std::string error;
        EXPECT_TRUE(backup.takeFolder("texture." + name, &error)) << error;
        backup.commit();
        return backup.record().id;
    }

    UndoOutcome undo(const BackupStore& store, const std::string& id = {}, const UndoCheckpoint& at = {}) {
        return undoChange(store, sw::Simulator::FSX, sim.string(), "ZEV_A320", id, at);
    }
};

TEST_F(Backups, InstallThenUndoLeavesTheTreeAsBefore) {
    BackupStore store(workspace.string());
    const auto before = snapshotTree(sim);
    const std::string id = install(store, "blue");
    ASSERT_EQ(store.list().size(), 1u);
    const ChangeRecord kept = store.list().front();
    EXPECT_EQ(kept.product, "ZEV_A320");
    EXPECT_EQ(kept.simulatorFolder, sw::liveries::canonicalFolder(sim.string()));
    EXPECT_EQ(kept.files, (std::vector<std::string>{"texture.blue/wing.bmp", "texture.blue/body.bmp"}));
    EXPECT_TRUE(kept.folderCreated);
    EXPECT_EQ(readFile(workspace / "backups" / id / "aircraft.cfg"), kOld);

    const UndoOutcome outcome = undo(store, id);
    EXPECT_EQ(outcome.result, Result::Done) << outcome.message;
    EXPECT_EQ(outcome.message, kMsgUndone);
    EXPECT_EQ(snapshotTree(sim), before);
    EXPECT_TRUE(store.list().empty());
    EXPECT_TRUE(stdfs::is_empty(workspace / "backups"));
}

TEST_F(Backups, UndoKeepsFilesTheInstallDidNotCreate) {
    BackupStore store(workspace.string());
    writeFile(product / "texture.a" / "wing.bmp", "the user's own");
    const auto before = snapshotTree(sim);
    install(store, "a", {"wing.bmp", "new.bmp"});
    EXPECT_EQ(store.list().front().files, (std::vector<std::string>{"texture.a/new.bmp"}));
    EXPECT_EQ(undo(store).result, Result::Done);
    EXPECT_EQ(snapshotTree(sim), before);
}

TEST_F(Backups, RemovalWithReadOnlyFilesThenUndo) {
    BackupStore store(workspace.string());
    stdfs::create_directories(product / "texture.blue" / "sub");
    writeFile(product / "texture.blue" / "a.bmp", "AAA");
    writeFile(product / "texture.blue" / "sub" / "b.bmp", "BBB");
    ::chmod((product / "texture.blue" / "a.bmp").c_str(), 0444);
    ::chmod((product / "texture.blue" / "sub" / "b.bmp").c_str(), 0444);
    const auto before = snapshotTree(sim);
    const std::string id = remove(store, "blue");
    EXPECT_FALSE(stdfs::exists(product / "texture.blue"));
    EXPECT_EQ(readFile(workspace / "backups" / id / "texture.blue" / "a.bmp"), "AAA");
    EXPECT_EQ(store.list().front().files,
              (std::vector<std::string>{"texture.blue/a.bmp", "texture.blue/sub/b.bmp"}));

    const UndoOutcome outcome = undo(store);
    EXPECT_EQ(outcome.result, Result::Done) << outcome.message;
    EXPECT_EQ(snapshotTree(sim), before);
    EXPECT_TRUE(store.list().empty());
}

TEST_F(Backups, WorkspaceOnAnotherFileSystem) {
    sw::test::ShmDir shm;
    if (shm.path().empty() || !sw::test::onDifferentFileSystems(shm.path(), sim))
        GTEST_SKIP() << "no tmpfs at /dev/shm apart from " << dir.str();
    BackupStore store(shm.path().string());
    stdfs::create_directories(product / "texture.blue");
    writeFile(product / "texture.blue" / "a.bmp", "AAA");
    ::chmod((product / "texture.blue" / "a.bmp").c_str(), 0444);
    const auto before = snapshotTree(sim);
    const std::string id = remove(store, "blue");
    EXPECT_FALSE(stdfs::exists(product / "texture.blue"));
    EXPECT_EQ(readFile(shm.path() / "backups" / id / "texture.blue" / "a.bmp"), "AAA");
    EXPECT_EQ(undo(store).result, Result::Done);
    EXPECT_EQ(snapshotTree(sim), before);
}

TEST_F(Backups, UndoAfterAHandEditIsRefusedAndChangesNothing) {
    BackupStore store(workspace.string());
    install(store, "blue");
    writeFile(product / "aircraft.cfg", readFile(product / "aircraft.cfg") + "; my own line\r\n");
    const auto sim0 = snapshotTree(sim);
    const auto work0 = snapshotTree(workspace);
    const UndoOutcome outcome = undo(store);
    EXPECT_EQ(outcome.result, Result::Refused);
    EXPECT_EQ(outcome.message.rfind(kMsgConfigChanged, 0), 0u) << outcome.message;
    EXPECT_NE(outcome.message.find("aircraft.cfg"), std::string::npos);
    EXPECT_EQ(snapshotTree(sim), sim0);
    EXPECT_EQ(snapshotTree(workspace), work0);
}

TEST_F(Backups, NewestFirstPerProduct) {
    BackupStore store(workspace.string());
    const auto before = snapshotTree(product);
    const std::string first = install(store, "blue");
    const auto afterFirst = snapshotTree(product);
    const std::string second = remove(store, "a");
    // Another product's change does not stand in the way.
    const auto other = sim / "SimObjects" / "Airplanes" / "ZEV_B737";
    stdfs::create_directories(other);
    writeFile(other / "aircraft.cfg", kOld);
    ChangeRecord foreignChange = change(ChangeAction::Install, "x");
    foreignChange.product = "ZEV_B737";
    PendingBackup foreign(store, foreignChange, kOld);
    writeFile(other / "aircraft.cfg", kNew);
    foreign.configChanged(kNew);
    foreign.commit();

    EXPECT_EQ(store.list(sw::Simulator::FSX, sim.string(), "ZEV_A320").size(), 2u);
    EXPECT_EQ(store.list(sw::Simulator::FSX, sim.string() + "/", "").size(), 3u);
    EXPECT_TRUE(store.list(sw::Simulator::FS9, sim.string(), "").empty());
    EXPECT_TRUE(store.list(sw::Simulator::FSX, (dir / "other").string(), "").empty());

    UndoOutcome outcome = undo(store, first);
    EXPECT_EQ(outcome.result, Result::Refused);
    EXPECT_EQ(outcome.message,
              "Change " + first + " is not the newest change of ZEV_A320: undo change " + second + " first");
    EXPECT_EQ(undo(store, "77").result, Result::Refused);
    EXPECT_EQ(undo(store, second).result, Result::Done);
    EXPECT_EQ(snapshotTree(product), afterFirst);
    EXPECT_EQ(undo(store).result, Result::Done);
    EXPECT_EQ(snapshotTree(product), before);
    outcome = undo(store);
    EXPECT_EQ(outcome.result, Result::Refused);
    EXPECT_EQ(outcome.message, std::string(kMsgNothingToUndo) + "\nZEV_A320");
    EXPECT_EQ(readFile(other / "aircraft.cfg"), kNew);
    EXPECT_EQ(store.list().size(), 1u);
}

TEST_F(Backups, FailureInTheMiddleKeepsTheBackupAndTheFileWhole) {
    BackupStore store(workspace.string());
    stdfs::create_directories(product / "texture.blue");
    writeFile(product / "texture.blue" / "a.bmp", "AAA");
    const auto before = snapshotTree(sim);
    remove(store, "blue");
    const std::string afterRemoval = readFile(product / "aircraft.cfg");

    // The folder is back, then writing aircraft.cfg fails.
    UndoOutcome outcome = undo(store, {}, [](const std::string& step) {
        if (step == "aircraft.cfg")
            throw sw::IoError("Cannot write to file \"aircraft.cfg\": injected", EIO);
    });
    EXPECT_EQ(outcome.result, Result::Failed);
    EXPECT_EQ(outcome.message.rfind(kMsgUndoFailed, 0), 0u);
    EXPECT_NE(outcome.message.find("injected"), std::string::npos);
    EXPECT_NE(outcome.message.find("The backup is kept"), std::string::npos);
    EXPECT_EQ(readFile(product / "aircraft.cfg"), afterRemoval);
    ASSERT_EQ(store.list().size(), 1u);

    // Run again: it goes on from there.
    outcome = undo(store);
    EXPECT_EQ(outcome.result, Result::Done) << outcome.message;
    EXPECT_EQ(snapshotTree(sim), before);
    EXPECT_TRUE(store.list().empty());
}

TEST_F(Backups, FailureWhileDeletingInstalledFiles) {
    BackupStore store(workspace.string());
    const auto before = snapshotTree(sim);
    install(store, "blue");
    int files = 0;
    UndoOutcome outcome = undo(store, {}, [&](const std::string& step) {
        if (step.rfind("file ", 0) == 0 && ++files == 2)
            throw sw::IoError("injected", EIO);
    });
    EXPECT_EQ(outcome.result, Result::Failed);
    EXPECT_EQ(readFile(product / "aircraft.cfg"), kOld); // whole: the old file, put back atomically
    ASSERT_EQ(store.list().size(), 1u);
    EXPECT_EQ(undo(store).result, Result::Done);
    EXPECT_EQ(snapshotTree(sim), before);

    // A failure at the check keeps the backup too.
    install(store, "red");
    outcome = undo(store, {}, [](const std::string& step) {
        if (step == "verify")
            throw sw::IoError("injected", EIO);
    });
    EXPECT_EQ(outcome.result, Result::Failed);
    EXPECT_EQ(store.list().size(), 1u);
}

TEST_F(Backups, ForeignFilesInACreatedFolderFailTheUndo) {
    BackupStore store(workspace.string());
    install(store, "blue");
    writeFile(product / "texture.blue" / "mine.bmp", "the user's");
    const UndoOutcome outcome = undo(store);
    EXPECT_EQ(outcome.result, Result::Failed);
    EXPECT_NE(outcome.message.find("did not create"), std::string::npos) << outcome.message;
    EXPECT_EQ(readFile(product / "texture.blue" / "mine.bmp"), "the user's");
    EXPECT_EQ(store.list().size(), 1u);
}

TEST_F(Backups, DamagedBackupOrFolderBackInPlaceIsRefused) {
    BackupStore store(workspace.string());
    stdfs::create_directories(product / "texture.blue");
    writeFile(product / "texture.blue" / "a.bmp", "AAA");
    const std::string id = remove(store, "blue");
    const auto sim0 = snapshotTree(sim);

    stdfs::create_directories(product / "texture.blue");
    UndoOutcome outcome = undo(store);
    EXPECT_EQ(outcome.result, Result::Refused);
    EXPECT_EQ(outcome.message.rfind(kMsgFolderBack, 0), 0u) << outcome.message;
    stdfs::remove(product / "texture.blue");

    writeFile(workspace / "backups" / id / "aircraft.cfg", "damaged");
    outcome = undo(store);
    EXPECT_EQ(outcome.result, Result::Refused);
    EXPECT_EQ(outcome.message.rfind(kMsgBackupDamaged, 0), 0u) << outcome.message;
    EXPECT_EQ(snapshotTree(sim), sim0);
}

TEST_F(Backups, KeepsTheNewestAndDropsTheOldest) {
    BackupStore store(workspace.string(), 3);
    std::vector<std::string> ids;
    for (int i = 0; i < 5; ++i)
        ids.push_back(install(store, "t" + std::to_string(i), {"f.bmp"}));
    std::vector<std::string> listed;
    for (const ChangeRecord& r : store.list())
        listed.push_back(r.id);
    EXPECT_EQ(listed, (std::vector<std::string>{ids[4], ids[3], ids[2]}));
    EXPECT_FALSE(stdfs::exists(workspace / "backups" / ids[0]));
    EXPECT_FALSE(stdfs::exists(workspace / "backups" / ids[1]));

    // A change that never finished (no manifest) is not listed, and goes with the old ones.
    const std::string broken = store.reserve();
    EXPECT_EQ(store.list().size(), 3u);
    install(store, "t5", {"f.bmp"});
    EXPECT_EQ(store.list().size(), 2u);
    EXPECT_TRUE(stdfs::exists(workspace / "backups" / broken));
    install(store, "t6", {"f.bmp"});
    install(store, "t7", {"f.bmp"});
    EXPECT_FALSE(stdfs::exists(workspace / "backups" / broken));
    EXPECT_EQ(store.list().size(), 3u);
    EXPECT_EQ(std::distance(stdfs::directory_iterator(workspace / "backups"), stdfs::directory_iterator()),
              3);
}

TEST_F(Backups, DefaultLimitIsFifty) {
    EXPECT_EQ(BackupStore::kKeep, 50u);
    BackupStore store(workspace.string());
    for (int i = 0; i < 52; ++i)
        install(store, "a", {});
    const auto listed = store.list();
    ASSERT_EQ(listed.size(), 50u);
    EXPECT_EQ(listed.front().id, "52");
    EXPECT_EQ(listed.back().id, "3");
}

TEST_F(Backups, AChangeThatFailsBeforeTouchingTheSimulatorLeavesNoBackup) {
    BackupStore store(workspace.string());
    {
        PendingBackup backup(store, change(ChangeAction::Install, "x"), kOld);
        EXPECT_TRUE(stdfs::exists(backup.folder()));
    }
    EXPECT_TRUE(stdfs::is_empty(workspace / "backups"));
    // A backup that cannot be made refuses the change.
    writeFile(dir / "file", "");
    BackupStore nowhere((dir / "file").string());
    EXPECT_THROW([&] { PendingBackup backup(nowhere, change(ChangeAction::Install, "x"), kOld); }(),
                 sw::IoError);
}

TEST_F(Backups, AChangeInterruptedAfterTheRewriteIsStillRecorded) {
    BackupStore store(workspace.string());
    try {
        PendingBackup backup(store, change(ChangeAction::Install, "x"), kOld);
        writeFile(product / "aircraft.cfg", kNew);
        backup.configChanged(kNew);
        throw sw::IoError("copying failed", EIO);
    } catch (const sw::IoError&) {
    }
    ASSERT_EQ(store.list().size(), 1u);
    EXPECT_EQ(undo(store).result, Result::Done);
    EXPECT_EQ(readFile(product / "aircraft.cfg"), kOld);
}

} // namespace
