#include "cli_runner.h"

#include "cli/workspace.h"
#include "liveries/change_backups.h"
#include "liveries/undo_change.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using sw::test::readFile;
using sw::test::runTool;
using sw::test::writeFile;
namespace stdfs = std::filesystem;
using namespace sw::liveries;

const std::string kOld =
    "[fltsim.0]\r\ntexture=\r\nui_variation=Base\r\ndescription=Base\r\n\r\n[General]\r\n";

TEST(CliWorkspace, FromTheEnvironmentAsTheLauncherHasIt) {
    sw::test::ScopedEnv home("HOME", "/home/pilot");
    {
        sw::test::ScopedEnv workspace("SKINWRIGHT_WORKSPACE", "/data/sw");
        sw::test::ScopedEnv data("XDG_DATA_HOME", "/data/xdg");
        EXPECT_EQ(sw::cli::cliWorkspace(), "/data/sw");
    }
    {
        sw::test::ScopedEnv workspace("SKINWRIGHT_WORKSPACE", nullptr);
        sw::test::ScopedEnv data("XDG_DATA_HOME", "/data/xdg");
        EXPECT_EQ(sw::cli::cliWorkspace(), "/data/xdg/skinwright");
    }
    sw::test::ScopedEnv workspace("SKINWRIGHT_WORKSPACE", nullptr);
    sw::test::ScopedEnv data("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(sw::cli::cliWorkspace(), "/home/pilot/.local/share/skinwright");
}

// An FS9 tree with two products, and the command line's workspace in the same folder.
class BackupCommands : public ::testing::Test {
protected:
    sw::test::TempDir m_dir;
    stdfs::path m_root = m_dir / "FS9";
    stdfs::path m_workspace = m_dir / "work";
    sw::test::ScopedEnv m_env{"SKINWRIGHT_WORKSPACE", m_workspace.c_str()};
    BackupStore m_store{m_workspace.string()};

    void SetUp() override {
        for (const char* product : {"ZEV_A320", "ZEV_B737"}) {
            stdfs::create_directories(m_root / "Aircraft" / product);
            writeFile(m_root / "Aircraft" / product / "aircraft.cfg", kOld);
        }
    }

    // A change of `product`'s aircraft.cfg, kept as the installer keeps one.
    std::string change(const std::string& product, ChangeAction action, const std::string& variation) {
        const auto config = m_root / "Aircraft" / product / "aircraft.cfg";
        ChangeRecord r;
        r.simulator = sw::Simulator::FS9;
        r.simulatorFolder = m_root.string();
        r.product = product;
        r.action = action;
        r.variation = variation;
        const std::string before = readFile(config);
        PendingBackup backup(m_store, r, before);
        const std::string after = before + "; " + variation + "\r\n";
        writeFile(config, after);
        backup.configChanged(after);
        backup.commit();
        return backup.record().id;
    }

    std::vector<std::string> fs9(const std::string& name, std::vector<std::string> rest) {
        std::vector<std::string> args = {name, "--sim", "fs9", "--root", m_root.string()};
        args.insert(args.end(), rest.begin(), rest.end());
        return args;
    }
};

TEST_F(BackupCommands, ListsNewestFirstAsTabSeparatedLines) {
    EXPECT_EQ(runTool(fs9("backups", {})).out, "");
    const std::string a = change("ZEV_A320", ChangeAction::Install, "Blue Sky");
    const std::string b = change("ZEV_B737", ChangeAction::Removal, "Red\tTail");
    const std::string c = change("ZEV_A320", ChangeAction::Removal, "Blue Sky");
    const auto records = m_store.list();
    ASSERT_EQ(records.size(), 3u);

    const auto all = runTool(fs9("backups", {}));
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.err, "");
    EXPECT_EQ(all.out, c + "\t" + records[0].time + "\tZEV_A320\tremoval\tBlue Sky\n" + b + "\t" +
                           records[1].time + "\tZEV_B737\tremoval\tRed Tail\n" + a + "\t" + records[2].time +
                           "\tZEV_A320\tinstall\tBlue Sky\n");
    EXPECT_EQ(records[0].time.size(), 20u); // 2026-12-08T03:12:45Z
    const auto one = runTool(fs9("backups", {"zev_b737"}));
    EXPECT_EQ(one.out, b + "\t" + records[1].time + "\tZEV_B737\tremoval\tRed Tail\n");
    // Another simulator or folder has no changes kept.
    EXPECT_EQ(runTool({"backups", "--sim", "fsx", "--root", m_root.string()}).out, "");
    EXPECT_EQ(runTool({"backups", "--sim", "fs9", "--root", m_dir.str()}).out, "");
}

TEST_F(BackupCommands, UndoesTheNewestChangeOfAProduct) {
    const std::string a = change("ZEV_A320", ChangeAction::Install, "Blue");
    const std::string b = change("ZEV_A320", ChangeAction::Install, "Red");
    auto result = runTool(fs9("undo", {"ZEV_A320", a}));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "Change " + a + " is not the newest change of ZEV_A320: undo change " + b + " first\n");

    result = runTool(fs9("undo", {"ZEV_A320", b}));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Undo completed\n");
    result = runTool(fs9("undo", {"ZEV_A320"}));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(readFile(m_root / "Aircraft" / "ZEV_A320" / "aircraft.cfg"), kOld);
    result = runTool(fs9("undo", {"ZEV_A320"}));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, std::string(kMsgNothingToUndo) + "\nZEV_A320\n");
}

TEST_F(BackupCommands, UndoAfterAHandEditIsRefused) {
    change("ZEV_B737", ChangeAction::Install, "Blue");
    const auto config = m_root / "Aircraft" / "ZEV_B737" / "aircraft.cfg";
    const std::string edited = readFile(config) + "; edited\r\n";
    writeFile(config, edited);
    const auto result = runTool(fs9("undo", {"ZEV_B737"}));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind(kMsgConfigChanged, 0), 0u) << result.err;
    EXPECT_EQ(readFile(config), edited);
    EXPECT_EQ(m_store.list().size(), 1u);
}

TEST_F(BackupCommands, InstallRemoveAndUndoTwice) {
    const auto package = m_dir / "Blue";
    stdfs::create_directories(package / "texture.blue");
    writeFile(package / "installerinfo.txt",
              "[fltsim.xx]\ntitle=A320 Blue\ntexture=blue\nui_variation=Blue Sky\nproductfolder=A320\n"
              "description=x\n");
    writeFile(package / "texture.blue" / "wing.bmp", "blue");
    const auto s0 = sw::test::snapshotTree(m_root);
    auto result = runTool(fs9("install", {package.string()}));
    ASSERT_EQ(result.status, 0) << result.err;
    const auto s1 = sw::test::snapshotTree(m_root);
    result = runTool(fs9("remove", {"ZEV_A320", "1"}));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(stdfs::exists(m_root / "Aircraft" / "ZEV_A320" / "texture.blue"));

    const auto records = m_store.list();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(runTool(fs9("backups", {"ZEV_A320"})).out,
              records[0].id + "\t" + records[0].time + "\tZEV_A320\tremoval\tBlue Sky\n" + records[1].id +
                  "\t" + records[1].time + "\tZEV_A320\tinstall\tBlue Sky\n");
    result = runTool(fs9("undo", {"ZEV_A320", records[0].id}));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(sw::test::snapshotTree(m_root), s1);
    result = runTool(fs9("undo", {"ZEV_A320"}));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(sw::test::snapshotTree(m_root), s0);
    EXPECT_EQ(runTool(fs9("backups", {})).out, "");
}

TEST_F(BackupCommands, WrongArgumentsAreUsageErrors) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"backups", "--root", "x"},
          std::vector<std::string>{"backups", "--sim", "fs9"},
          std::vector<std::string>{"backups", "--sim", "fs9", "--root", "x", "A", "B"},
          std::vector<std::string>{"undo", "--sim", "fs9", "--root", "x"},
          std::vector<std::string>{"undo", "--sim", "fs9", "--root", "x", "P", "1", "2"},
          std::vector<std::string>{"undo", "--sim", "fs9", "--root", "x", "--id", "1"}}) {
        const auto result = runTool(args);
        EXPECT_EQ(result.status, 2) << args[0];
        EXPECT_EQ(result.err.rfind("usage: skinwright-cli " + args[0], 0), 0u) << result.err;
    }
    const auto help = runTool({"--help"});
    EXPECT_NE(help.out.find("backups --sim fs9|fsx --root SIMFOLDER [PRODUCT]"), std::string::npos);
    EXPECT_NE(help.out.find("undo --sim fs9|fsx --root SIMFOLDER PRODUCT [ID]"), std::string::npos);
    EXPECT_NE(help.out.find("The newest 50 changes are kept"), std::string::npos);
}

} // namespace
