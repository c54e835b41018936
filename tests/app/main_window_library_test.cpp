// The local library in the window: the add button, dropped packages and the watched folder.
#include "app/artwork.h"
#include "app/main_window.h"
#include "app/picture_box.h"
#include "app/picture_button.h"
#include "demo/stored_zip_writer.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "wine_prefix_fixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

using namespace sw;
using namespace sw::test;
namespace stdfs = std::filesystem;

namespace {

std::string descriptor(const std::string& title, const std::string& variation) {
    return "[fltsim.xx]\r\ntitle=" + title + "\r\nui_variation=" + variation +
           "\r\nproductfolder=A320-200\r\ntexture=t\r\ndescription=x\r\n";
}

// Runs the event loop until `done` holds or five seconds have passed.
bool waitUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < end)
        QTest::qWait(20);
    return done();
}

QStringList items(const TALComboBox* box) {
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list.push_back(box->itemText(i));
    return list;
}

class WindowLibrary : public ::testing::Test {
protected:
    WinePrefixFixture prefix;
    TempDir workspace;
    TempDir outside;
    ScopedCurrentFolder inWorkspace{workspace.path()};
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
    QStringList chosen;
    int dialogs = 0;

    void SetUp() override {
        ASSERT_TRUE(
            artwork::writeDefaultThumbnail(QString::fromStdString((workspace / "thumbnail.jpg").string())));
        makePackage(workspace / "downloads" / "BlueAir", "Blue Air", "Blue");
        makePackage(workspace / "downloads" / "RedAir", "Red Air", "Red");
    }

    static void makePackage(const stdfs::path& folder, const std::string& title,
                            const std::string& variation) {
        stdfs::create_directories(folder / "texture.t");
        writeFile(folder / "installerinfo.txt", descriptor(title, variation));
        writeFile(folder / "texture.t" / "wing.bmp", "BM" + variation);
    }

    std::string zipOf(const std::string& name, const std::string& title, const std::string& variation) {
        demo::StoredZipWriter zip;
        zip.add("installerinfo.txt", descriptor(title, variation));
        zip.add("texture.t/wing.bmp", "BM" + variation);
        const auto path = outside / name;
        writeFile(path, zip.finish());
        return path.string();
    }

    std::unique_ptr<TForm1> makeWindow() {
        WindowServices services;
        services.messages = sink;
        services.winePrefix = prefix.path();
        services.choosePackages = [this](const QString&, const QString&) {
            ++dialogs;
            return chosen;
        };
        return std::make_unique<TForm1>(services);
    }

    // Drags the paths over `target` and drops them there; true when the drop was taken.
    static bool drop(QWidget* target, const QStringList& paths, bool* entered = nullptr) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls.push_back(QUrl::fromLocalFile(path));
        data.setUrls(urls);
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        if (entered)
            *entered = enter.isAccepted();
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
        return dropped.isAccepted();
    }

    std::string log() { return readFile(workspace / "debug.log"); }
};

} // namespace

TEST_F(WindowLibrary, AddButtonSitsBesideCb1DrawnLikeTheBrowseButton) {
    auto form = makeWindow();
    EXPECT_EQ(form->BitBtn14->parentWidget(), form->p4);
    EXPECT_EQ(form->BitBtn14->geometry(), QRect(295, 6, 30, 29));
    EXPECT_EQ(form->BitBtn14->stateImage(0).toImage(), form->BitBtn1->stateImage(0).toImage());
    EXPECT_EQ(form->BitBtn14->stateImage(2).toImage(), form->BitBtn1->stateImage(2).toImage());
    // The view's own controls keep their places and stay uncovered.
    for (QWidget* control : std::initializer_list<QWidget*>{form->Label1, form->i2, form->cb1, form->sl1,
                                                            form->BitBtn3, form->m1})
        EXPECT_FALSE(form->BitBtn14->geometry().intersects(control->geometry()))
            << control->objectName().toStdString();
    EXPECT_EQ(form->cb1->geometry(), QRect(144, 8, 145, 25));
    EXPECT_EQ(form->i2->geometry(), QRect(382, 0, 256, 128));
}

TEST_F(WindowLibrary, AddActionUnpacksAZipSelectsItAndLoadsItAsCb1ChangeDoes) {
    auto form = makeWindow();
    const std::string startUpLog = log();
    chosen = {QString::fromStdString(zipOf("Green.Air.zip", "Green Air", "Green"))};
    QTest::mouseClick(form->BitBtn14, Qt::LeftButton);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(items(form->cb1), QStringList({"BlueAir", "Green_Air", "RedAir"}));
    EXPECT_EQ(form->cb1->currentText(), "Green_Air");
    EXPECT_EQ(form->m1->toPlainText(), "Information:\nGreen Air\nGreen");
    EXPECT_EQ(readFile(workspace / "downloads" / "Green_Air" / "texture.t" / "wing.bmp"), "BMGreen");
    EXPECT_EQ(log(), startUpLog + "Line 408: cb1Change called\r\nLine 418: Showing picture\r\n"
                                  "Line 454: Checking installer info\r\nLine 489: Test log\r\n"
                                  "Line 487: installer info checked\r\n");
    EXPECT_TRUE(sink->messages.empty());

    // A cancelled dialog changes nothing.
    chosen.clear();
    QTest::mouseClick(form->BitBtn14, Qt::LeftButton);
    EXPECT_EQ(form->cb1->currentText(), "Green_Air");
    EXPECT_TRUE(sink->messages.empty());
}

TEST_F(WindowLibrary, ReplacingAPackageAsksFirst) {
    auto form = makeWindow();
    const auto newer = outside / "RedAir";
    makePackage(newer, "Red Air Mk2", "Red Mk2");
    form->cb1->setCurrentIndex(0);

    chosen = {QString::fromStdString(newer.string())};
    sink->answers = {false};
    QTest::mouseClick(form->BitBtn14, Qt::LeftButton);
    EXPECT_EQ(sink->messages,
              std::vector<std::string>{"question: RedAir is already in the library. Replace it?"});
    EXPECT_EQ(readFile(workspace / "downloads" / "RedAir" / "installerinfo.txt"),
              descriptor("Red Air", "Red"));
    EXPECT_EQ(form->cb1->currentText(), "BlueAir");

    sink->answers = {true};
    QTest::mouseClick(form->BitBtn14, Qt::LeftButton);
    EXPECT_EQ(readFile(workspace / "downloads" / "RedAir" / "installerinfo.txt"),
              descriptor("Red Air Mk2", "Red Mk2"));
    EXPECT_EQ(items(form->cb1), QStringList({"BlueAir", "RedAir"}));
    EXPECT_EQ(form->cb1->currentText(), "RedAir");
    EXPECT_EQ(form->m1->toPlainText(), "Information:\nRed Air Mk2\nRed Mk2");
}

TEST_F(WindowLibrary, DroppedPackagesAreAddedAnywhereOnTheWindow) {
    auto form = makeWindow();
    const auto folder = outside / "SilverAir";
    makePackage(folder, "Silver Air", "Silver");
    bool entered = false;
    EXPECT_TRUE(drop(form.get(), {QString::fromStdString(folder.string())}, &entered));
    EXPECT_TRUE(entered);
    EXPECT_EQ(form->cb1->currentText(), "SilverAir");
    EXPECT_EQ(form->m1->toPlainText(), "Information:\nSilver Air\nSilver");

    // On the path box, which takes dropped text itself, a package is a package all the same;
    // several at once are all added, and the first one is chosen.
    const QString before = form->e1->text();
    EXPECT_TRUE(drop(form->e1, {QString::fromStdString(zipOf("Gold.zip", "Gold Air", "Gold")),
                                QString::fromStdString(zipOf("Jade.zip", "Jade Air", "Jade"))}));
    EXPECT_EQ(form->e1->text(), before);
    EXPECT_EQ(items(form->cb1), QStringList({"BlueAir", "Gold", "Jade", "RedAir", "SilverAir"}));
    EXPECT_EQ(form->cb1->currentText(), "Gold");
    EXPECT_TRUE(sink->messages.empty());

    // Something that holds no package says so and adds nothing.
    writeFile(outside / "notes.txt", "hello");
    EXPECT_TRUE(drop(form->m1->viewport(), {QString::fromStdString((outside / "notes.txt").string())}));
    ASSERT_EQ(sink->messages.size(), 1u);
    EXPECT_EQ(sink->messages[0],
              "No livery package found\n" + (outside / "notes.txt").string() +
                  "\nA livery package is a folder holding installerinfo.txt, or a .zip file "
                  "of such folders.");
    EXPECT_EQ(form->cb1->count(), 5);

    // A drag of plain text is not taken.
    QMimeData text;
    text.setText("hello");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(WindowLibrary, WatcherKeepsTheListCurrentWhileTheViewIsShown) {
    auto form = makeWindow();
    form->show();
    const std::string startUpLog = log();
    ASSERT_TRUE(form->watchingLibrary());
    form->cb1->setCurrentIndex(1);
    emit form->cb1->activated(1);
    const std::string chosenLog = log();

    makePackage(workspace / "downloads" / "AmberAir", "Amber Air", "Amber");
    EXPECT_TRUE(waitUntil([&] { return form->cb1->count() == 3; }));
    EXPECT_EQ(items(form->cb1), QStringList({"AmberAir", "BlueAir", "RedAir"}));
    EXPECT_EQ(form->cb1->currentText(), "RedAir"); // the chosen package stays chosen
    EXPECT_EQ(form->m1->toPlainText(), "Information:\nRed Air\nRed");

    // The chosen package replaced by another of the same name: its new details are shown.
    stdfs::remove_all(workspace / "downloads" / "RedAir");
    makePackage(workspace / "downloads" / "RedAir", "Red Air Mk2", "Red Mk2");
    EXPECT_TRUE(waitUntil([&] { return form->m1->toPlainText() == "Information:\nRed Air Mk2\nRed Mk2"; }));
    EXPECT_EQ(form->cb1->currentText(), "RedAir");

    // The chosen package gone: the first one is chosen and shown.
    stdfs::remove_all(workspace / "downloads" / "RedAir");
    EXPECT_TRUE(waitUntil([&] { return form->cb1->count() == 2; }));
    EXPECT_EQ(form->cb1->currentText(), "AmberAir");
    EXPECT_EQ(form->m1->toPlainText(), "Information:\nAmber Air\nAmber");
    EXPECT_EQ(log(), chosenLog); // the listing's trace lines belong to the start-up alone
    EXPECT_NE(chosenLog, startUpLog);
    EXPECT_TRUE(sink->messages.empty());
}

TEST_F(WindowLibrary, LibraryIsReadAgainWhenTheLocalViewOpens) {
    auto form = makeWindow();
    form->show();
    form->cb2->setCurrentIndex(1);
    form->e1->setText(QString::fromStdString(outside.str()));
    stdfs::create_directories(outside / "Aircraft");
    QTest::mouseClick(form->BitBtn12, Qt::LeftButton);
    ASSERT_TRUE(form->p1->isVisible());
    EXPECT_FALSE(form->watchingLibrary());

    const std::string before = log();
    makePackage(workspace / "downloads" / "AmberAir", "Amber Air", "Amber");
    QTest::qWait(2 * TForm1::kLibraryRefreshDelayMs);
    EXPECT_EQ(form->cb1->count(), 2); // not watched while hidden

    QTest::mouseClick(form->BitBtn10, Qt::LeftButton);
    EXPECT_TRUE(form->p4->isVisible());
    EXPECT_TRUE(form->watchingLibrary());
    EXPECT_EQ(items(form->cb1), QStringList({"AmberAir", "BlueAir", "RedAir"}));
    EXPECT_EQ(form->cb1->currentText(), "BlueAir");
    // Only the removal view's own lines were written: opening the local view writes none.
    const std::string after = log().substr(before.size());
    EXPECT_EQ(after.find("Line 333"), std::string::npos) << after;
    EXPECT_EQ(after.find("Line 408"), std::string::npos) << after;
}
