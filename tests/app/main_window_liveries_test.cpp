// The window's liveries handlers, driven through the real controls.
#include "app/artwork.h"
#include "app/main_window.h"
#include "app/picture_box.h"
#include "app/picture_button.h"
#include "liveries/change_backups.h"
#include "liveries/undo_change.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"
#include "wine_prefix_fixture.h"

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

using namespace sw;
using namespace sw::test;

namespace {

const std::string kConfig = "[fltsim.0]\r\n"
                            "title=ZEV A320 House\r\n"
                            "ui_variation=House colours\r\n"
                            "texture=house\r\n"
                            "description=The house livery\r\n"
                            "\r\n"
                            "[General]\r\n"
                            "atc_type=AIRBUS\r\n";

class WindowLiveries : public ::testing::Test {
protected:
    WinePrefixFixture prefix; // empty: nothing registered
    TempDir workspace;
    TempDir sim;
    ScopedCurrentFolder inWorkspace{workspace.path()};
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();

    void SetUp() override {
        ASSERT_TRUE(
            artwork::writeDefaultThumbnail(QString::fromStdString((workspace / "thumbnail.jpg").string())));
        std::filesystem::create_directories(sim / "Aircraft" / "ZEV_A320_200");
        writeFile(sim / "Aircraft" / "ZEV_A320_200" / "aircraft.cfg", kConfig);
        makePackage("BlueAir", "Blue Air \xE9t\xE9", "blue", true);
        makePackage("RedAir", "Red Air", "red", false);
    }

    void makePackage(const std::string& name, const std::string& variation, const std::string& texture,
                     bool withThumbnail) {
        auto folder = workspace / "downloads" / name;
        std::filesystem::create_directories(folder / ("texture." + texture));
        writeFile(folder / "installerinfo.txt", "[fltsim.xx]\r\ntitle=ZEV A320 " + name +
                                                    "\r\nui_variation=" + variation +
                                                    "\r\nproductfolder=A320-200\r\ntexture=" + texture +
                                                    "\r\ndescription=" + name + "\r\n");
        writeFile(folder / ("texture." + texture) / "fuselage.bmp", "BM" + name);
        if (withThumbnail) {
            QImage red(64, 32, QImage::Format_RGB888);
            red.fill(QColor(200, 0, 0));
            red.save(QString::fromStdString((folder / ("texture." + texture) / "thumbnail.jpg").string()),
                     "JPEG");
        }
    }

    std::unique_ptr<TForm1> makeWindow() {
        WindowServices services;
        services.messages = sink;
        services.winePrefix = prefix.path();
        auto form = std::make_unique<TForm1>(services);
        form->cb2->setCurrentIndex(1);
        form->e1->setText(QString::fromStdString(sim.str()));
        return form;
    }
    std::string log() { return readFile(workspace / "debug.log"); }
    std::string config(const std::string& product = "ZEV_A320_200") {
        return readFile(sim / "Aircraft" / product / "aircraft.cfg");
    }

    // A second product, and a package for it that sorts after the others in `cb1`.
    void addBoeing(const std::string& thumbnailBytes = "") {
        std::filesystem::create_directories(sim / "Aircraft" / "ZEV_B737_800");
        writeFile(sim / "Aircraft" / "ZEV_B737_800" / "aircraft.cfg", kConfig);
        auto folder = workspace / "downloads" / "Zulu";
        std::filesystem::create_directories(folder / "texture.zulu");
        writeFile(folder / "installerinfo.txt", "[fltsim.xx]\r\ntitle=ZEV B737 Zulu\r\nui_variation=Zulu\r\n"
                                                "productfolder=B737-800\r\ntexture=zulu\r\n"
                                                "description=Zulu\r\n");
        writeFile(folder / "texture.zulu" / "fuselage.bmp", "BMZulu");
        if (!thumbnailBytes.empty())
            writeFile(folder / "texture.zulu" / "thumbnail.jpg", thumbnailBytes);
    }
    static int count(const std::string& text, const std::string& part) {
        int n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }
};

} // namespace

TEST_F(WindowLiveries, StartUpListsTheLibraryAndShowsTheFirstPackage) {
    auto form = makeWindow();
    ASSERT_EQ(form->cb1->count(), 2);
    EXPECT_EQ(form->cb1->itemText(0), "BlueAir");
    EXPECT_EQ(form->cb1->currentIndex(), 0);
    // The descriptor's single-byte text is shown as Windows-1252.
    EXPECT_EQ(form->m1->toPlainText(),
              QString::fromUtf8("Information:\nZEV A320 BlueAir\nBlue Air \xC3\xA9t\xC3\xA9"));
    EXPECT_EQ(form->i2->picture().size(), QSize(64, 32));
    EXPECT_GT(qRed(form->i2->picture().pixel(10, 10)), 150);
    EXPECT_EQ(log(), "Line 270: Program start\r\n"
                     "Line 281: Test log\r\n"
                     "Line 284: Checking registry and creating dirs\r\n"
                     "Line 307: Checking registry and creating dirs done\r\n"
                     "Line 333: Test log\r\n"
                     "Line 330: Resources checked\r\n"
                     "Line 385: Test log\r\n"
                     "Line 397: Form creation finished\r\n");
    EXPECT_TRUE(sink->errors.empty());
}

TEST_F(WindowLiveries, ChoosingAPackageWithoutThumbnailShowsTheDefaultPicture) {
    auto form = makeWindow();
    form->cb1->setCurrentIndex(1);
    emit form->cb1->activated(1);
    EXPECT_EQ(form->i2->picture().size(), QSize(256, 128));
    EXPECT_EQ(form->m1->toPlainText(), "Information:\nZEV A320 RedAir\nRed Air");
    EXPECT_NE(log().find("Line 408: cb1Change called\r\nLine 418: Showing picture\r\n"), std::string::npos);
}

TEST_F(WindowLiveries, InstallListAndRemoveThroughTheControls) {
    auto form = makeWindow();
    form->show();
    QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    EXPECT_EQ(sink->messages, std::vector<std::string>{"Installation completed"});
    EXPECT_NE(config().find("[fltsim.1]\r\ntitle=ZEV A320 BlueAir"), std::string::npos);
    EXPECT_EQ(readFile(sim / "Aircraft" / "ZEV_A320_200" / "texture.blue" / "fuselage.bmp"), "BMBlueAir");

    QTest::mouseClick(form->BitBtn12, Qt::LeftButton);
    EXPECT_TRUE(form->p1->isVisible());
    ASSERT_EQ(form->cb3->count(), 1);
    EXPECT_EQ(form->cb3->currentIndex(), -1);
    form->cb3->setCurrentIndex(0);
    emit form->cb3->activated(0);
    ASSERT_EQ(form->cb4->count(), 2);
    EXPECT_EQ(form->cb4->itemText(1), QString::fromUtf8("Blue Air \xC3\xA9t\xC3\xA9"));

    form->cb4->setCurrentIndex(1);
    QTest::mouseClick(form->BitBtn6, Qt::LeftButton);
    ASSERT_FALSE(sink->messages.empty());
    EXPECT_EQ(sink->messages.back(), "Removed succesfully");
    EXPECT_EQ(config(), kConfig.substr(0, kConfig.find("[General]")) + "\r\n" +
                            kConfig.substr(kConfig.find("[General]")));
    EXPECT_FALSE(std::filesystem::exists(sim / "Aircraft" / "ZEV_A320_200" / "texture.blue"));
    EXPECT_EQ(form->cb4->count(), 1);
    EXPECT_TRUE(sink->errors.empty());
}

// After "Select all liveries" + INSTALL, `cb1` and `m1` still show the first package: an
// INSTALL without the check installs that package, into its own product, with its textures.
TEST_F(WindowLiveries, AnAllPackagesPassLeavesTheShownPackageSelected) {
    addBoeing();
    auto form = makeWindow();
    ASSERT_EQ(form->cb1->count(), 3);
    ASSERT_EQ(form->cb1->currentText(), "BlueAir");
    form->sl1->SetChecked(true);
    form->BitBtn3Click();
    EXPECT_EQ(sink->messages, std::vector<std::string>{"Installation completed"});
    EXPECT_EQ(count(config("ZEV_B737_800"), "title=ZEV B737 Zulu"), 1);

    form->sl1->SetChecked(false);
    form->BitBtn3Click(); // installed by the pass already: asked first (the sink answers Yes)
    EXPECT_EQ(sink->messages,
              (std::vector<std::string>{"Installation completed",
                                        "question: Blue Air \xE9t\xE9 is already installed in ZEV_A320_200. "
                                        "Install it again?",
                                        "Installation completed"}));
    EXPECT_EQ(count(config("ZEV_A320_200"), "title=ZEV A320 BlueAir"), 2);
    EXPECT_EQ(count(config("ZEV_B737_800"), "title=ZEV A320 BlueAir"), 0);
    EXPECT_EQ(readFile(sim / "Aircraft" / "ZEV_A320_200" / "texture.blue" / "fuselage.bmp"), "BMBlueAir");
    EXPECT_FALSE(std::filesystem::exists(sim / "Aircraft" / "ZEV_B737_800" / "texture.blue"));
    EXPECT_TRUE(sink->errors.empty());
}

// A `cb1Change` that stops at a damaged thumbnail names the picture, and leaves nothing of the
// package shown before for INSTALL: the package now in `cb1` goes into its own product.
TEST_F(WindowLiveries, AChangeStoppedByADamagedThumbnailNeverInstallsIntoTheOtherProduct) {
    addBoeing("\xFF\xD8 not really a picture");
    auto form = makeWindow();
    form->cb1->setCurrentIndex(2);
    emit form->cb1->activated(2);
    ASSERT_EQ(sink->errors.size(), 1u);
    const std::string picture = (std::filesystem::canonical(workspace.path()) / "downloads" / "Zulu" /
                                 "texture.zulu" / "thumbnail.jpg")
                                    .string();
    const std::string& text = sink->errors[0].second;
    EXPECT_EQ(text.substr(0, text.find('\n')).rfind("JPEG error", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.find('\n') + 1), picture);

    form->BitBtn3Click();
    EXPECT_EQ(sink->messages.back(), "Installation completed");
    EXPECT_EQ(count(config("ZEV_B737_800"), "title=ZEV B737 Zulu"), 1);
    EXPECT_EQ(count(config("ZEV_A320_200"), "Zulu"), 0);
    EXPECT_EQ(readFile(sim / "Aircraft" / "ZEV_B737_800" / "texture.zulu" / "fuselage.bmp"), "BMZulu");
}

// REMOVE asks first; No leaves the file, the textures and the list as they were.
TEST_F(WindowLiveries, RemoveAsksFirstAndNoLeavesEverything) {
    auto form = makeWindow();
    form->BitBtn3Click();
    const std::string installed = config();
    form->BitBtn12Click();
    form->cb3->setCurrentIndex(0);
    emit form->cb3->activated(0);
    form->cb4->setCurrentIndex(1);
    sink->messages.clear();

    sink->answers = {false};
    QTest::mouseClick(form->BitBtn6, Qt::LeftButton);
    EXPECT_EQ(sink->messages, std::vector<std::string>{
                                  "question: Remove livery Blue Air \xC3\xA9t\xC3\xA9 from ZEV_A320_200?"});
    EXPECT_EQ(config(), installed);
    EXPECT_TRUE(std::filesystem::exists(sim / "Aircraft" / "ZEV_A320_200" / "texture.blue" / "fuselage.bmp"));
    EXPECT_EQ(form->cb4->count(), 2);
    EXPECT_EQ(form->cb4->currentIndex(), 1);

    sink->answers = {true};
    QTest::mouseClick(form->BitBtn6, Qt::LeftButton);
    EXPECT_EQ(sink->messages.back(), "Removed succesfully");
    EXPECT_EQ(config(), kConfig.substr(0, kConfig.find("[General]")) + "\r\n" +
                            kConfig.substr(kConfig.find("[General]")));

    // Nothing to remove: no question, the removal's own message.
    form->cb2->setCurrentIndex(0);
    sink->messages.clear();
    QTest::mouseClick(form->BitBtn6, Qt::LeftButton);
    EXPECT_EQ(sink->messages, std::vector<std::string>{"Please select FS"});
}

// "Undo last change" and Ctrl+Z in the removal view: the change is named, No changes nothing,
// Yes undoes it and `cb4` shows the file as it is then.
TEST_F(WindowLiveries, UndoLastChangeAsksThenPutsTheProductBack) {
    auto form = makeWindow();
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const auto s0 = snapshotTree(sim.path());
    form->BitBtn3Click();
    const auto s1 = snapshotTree(sim.path());
    QTest::mouseClick(form->BitBtn12, Qt::LeftButton);
    form->cb3->setCurrentIndex(0);
    emit form->cb3->activated(0);
    form->cb4->setCurrentIndex(1);
    QTest::mouseClick(form->BitBtn6, Qt::LeftButton);
    ASSERT_EQ(sink->messages.back(), "Removed succesfully");
    const auto s2 = snapshotTree(sim.path());
    ASSERT_EQ(form->cb4->count(), 1);

    // The window's backups are in its workspace.
    const liveries::BackupStore store(workspace.str());
    const auto changes = store.list();
    ASSERT_EQ(changes.size(), 2u);
    const std::string removal = "question: Undo: removal of Blue Air \xC3\xA9t\xC3\xA9 from ZEV_A320_200, " +
                                liveries::localTimeText(changes[0].time) + "?";
    sink->messages.clear();
    sink->answers = {false};
    QTest::mouseClick(form->BitBtn13, Qt::LeftButton);
    EXPECT_EQ(sink->messages, std::vector<std::string>{removal});
    EXPECT_EQ(snapshotTree(sim.path()), s2);
    EXPECT_EQ(store.list().size(), 2u);

    sink->messages.clear();
    sink->answers = {true};
    QTest::mouseClick(form->BitBtn13, Qt::LeftButton);
    EXPECT_EQ(sink->messages, (std::vector<std::string>{removal, "Undo completed"}));
    EXPECT_EQ(snapshotTree(sim.path()), s1);
    ASSERT_EQ(form->cb4->count(), 2);
    EXPECT_EQ(form->cb4->itemText(1), QString::fromUtf8("Blue Air \xC3\xA9t\xC3\xA9"));

    // Ctrl+Z does the same: now the install.
    sink->messages.clear();
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(sink->messages,
              (std::vector<std::string>{"question: Undo: installation of Blue Air \xC3\xA9t\xC3\xA9 into "
                                        "ZEV_A320_200, " +
                                            liveries::localTimeText(changes[1].time) + "?",
                                        "Undo completed"}));
    EXPECT_EQ(snapshotTree(sim.path()), s0);
    EXPECT_EQ(form->cb4->count(), 1);
    EXPECT_NE(
        log().find("Line 1601: BitBtn13Click called\r\nLine 1602: Undo done\r\nLine 1609: BitBtn13Click end"),
        std::string::npos);

    sink->messages.clear();
    QTest::mouseClick(form->BitBtn13, Qt::LeftButton);
    EXPECT_EQ(sink->messages, std::vector<std::string>{"There is no change to undo\nZEV_A320_200"});
    // Outside the removal view Ctrl+Z does nothing.
    QTest::mouseClick(form->BitBtn10, Qt::LeftButton);
    sink->messages.clear();
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(sink->messages.empty());
    EXPECT_TRUE(sink->errors.empty());
}

// An undo refused after a hand edit says so, changes nothing and keeps the backup.
TEST_F(WindowLiveries, UndoAfterAHandEditIsRefusedInTheWindow) {
    auto form = makeWindow();
    form->BitBtn3Click();
    const auto cfg = sim / "Aircraft" / "ZEV_A320_200" / "aircraft.cfg";
    writeFile(cfg, config() + "; edited by hand\r\n");
    const auto edited = snapshotTree(sim.path());
    form->BitBtn12Click();
    form->cb3->setCurrentIndex(0);
    emit form->cb3->activated(0);
    sink->messages.clear();
    form->BitBtn13Click();
    ASSERT_EQ(sink->messages.size(), 2u);
    EXPECT_EQ(sink->messages[1], std::string(liveries::kMsgConfigChanged) + "\n" + cfg.string());
    EXPECT_EQ(snapshotTree(sim.path()), edited);
    EXPECT_EQ(liveries::BackupStore(workspace.str()).list().size(), 1u);
    EXPECT_EQ(form->cb4->count(), 2);
}

// A Wine prefix whose system.reg is a folder: the window starts, finds no simulator and lists
// the library as usual.
TEST_F(WindowLiveries, StartUpOnAPrefixWhoseSystemRegIsAFolder) {
    std::filesystem::create_directories(prefix.path() + "/system.reg");
    WindowServices services;
    services.messages = sink;
    services.winePrefix = prefix.path();
    TForm1 form(services);
    EXPECT_TRUE(sink->errors.empty()) << sink->errors.front().second;
    EXPECT_EQ(form.cb2->currentIndex(), 0);
    EXPECT_EQ(form.cb1->count(), 2);
}
