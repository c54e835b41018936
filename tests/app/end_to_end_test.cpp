// The program on its demo, in a real X window (Xvfb, xcb platform), driven through its
// controls: install a local package, open the catalogue, download and install a livery,
// remove one, add a zip to the library with the button beside the list and install it. After
// every step the aircraft.cfg bytes and texture folders are checked, and the screen is read
// back at the controls' positions.
#include "app/demo_artwork.h"
#include "app/main_window.h"
#include "app/picture_box.h"
#include "app/picture_button.h"
#include "demo/demo_content.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "xvfb_main.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <set>

using namespace sw;
using namespace sw::test;
namespace stdfs = std::filesystem;

namespace {

class RecordingSink : public MessageSink {
public:
    std::vector<std::string> messages;
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void showError(const std::string&, const std::string& text) override {
        messages.push_back("error: " + text);
    }
    bool askYesNo(const std::string& text) override {
        messages.push_back("question: " + text);
        return true;
    }
};

const QColor kLight(210, 227, 238);
const QColor kDark(62, 113, 148);

// Colours within `tolerance` per channel (JPEG pictures and gradients are not exact).
::testing::AssertionResult near(const QColor& seen, const QColor& expected, int tolerance) {
    if (std::abs(seen.red() - expected.red()) <= tolerance &&
        std::abs(seen.green() - expected.green()) <= tolerance &&
        std::abs(seen.blue() - expected.blue()) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "seen " << seen.name().toStdString() << ", expected " << expected.name().toStdString();
}

class EndToEnd : public ::testing::Test {
protected:
    TestHttpServer server;
    TempDir root;
    demo::DemoLayout demo;
    std::unique_ptr<ScopedCurrentFolder> inWorkspace;
    std::unique_ptr<ScopedEnv> catalogueUrl;
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
    std::unique_ptr<TForm1> form;

    void SetUp() override {
        if (!xDisplayMissing().empty())
            GTEST_SKIP() << "no X server for the end-to-end test: " << xDisplayMissing();
        demo = demo::writeDemo(root.str(), server.port(), artwork::liveryThumbnailJpeg);
        ASSERT_TRUE(QImage(256, 128, QImage::Format_RGB888)
                        .save(QString::fromStdString(demo.workspace + "/thumbnail.jpg"), "JPEG"));
        // The test server stands in for nginx: the same files at the same paths.
        for (const auto& entry : stdfs::recursive_directory_iterator(demo.site))
            if (entry.is_regular_file())
                server.addFile("/" + stdfs::relative(entry.path(), demo.site).generic_string(),
                               readFile(entry.path()));
        catalogueUrl = std::make_unique<ScopedEnv>("SKINWRIGHT_CATALOGUE_URL", demo.catalogueUrl.c_str());
        inWorkspace = std::make_unique<ScopedCurrentFolder>(demo.workspace);

        WindowServices services;
        services.messages = sink;
        services.winePrefix = demo.winePrefix; // the real registry of the demo's prefix
        form = std::make_unique<TForm1>(services);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    void TearDown() override {
        form.reset();
        inWorkspace.reset();
    }

    stdfs::path product(const std::string& name) const {
        return stdfs::path(demo.simulator) / "SimObjects" / "Airplanes" / name;
    }
    std::string config(const std::string& name = "ZEV_A320_200") const {
        return readFile(product(name) / "aircraft.cfg");
    }

    // The window as the X server shows it. The window's pictures reach the server after the
    // paint, in pieces: read the screen until two readings agree (a bounded number of times).
    QImage screen() {
        QImage previous;
        for (int reading = 0; reading < 20; ++reading) {
            form->repaint();
            QCoreApplication::processEvents();
            QImage now = QGuiApplication::primaryScreen()
                             ->grabWindow(0, form->x(), form->y(), form->width(), form->height())
                             .toImage();
            if (now == previous)
                return now;
            previous = std::move(now);
        }
        return previous;
    }
    // The colour at a point of a control (in the control's own coordinates).
    QColor at(const QImage& image, QWidget* control, QPoint point) {
        const QPoint inWindow = control->mapTo(form.get(), point);
        return image.pixelColor(inWindow);
    }

    // Picks an item as a user does: focus on the list, then the arrow keys.
    void choose(QComboBox* box, const QString& text) {
        ASSERT_NE(box->findText(text), -1) << text.toStdString();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Home);
        for (int i = 0; i < box->count() && box->currentText() != text; ++i)
            QTest::keyClick(box, Qt::Key_Down);
        ASSERT_EQ(box->currentText(), text);
    }

    // The section a package's descriptor becomes, inserted before [General]'s blank line.
    static std::string withSection(std::string text, const std::string& descriptor, int number) {
        std::string section = descriptor;
        section.replace(8, 2, std::to_string(number));
        text.insert(text.find("[General]") - 2, "\r\n\r\n" + section);
        return text;
    }

    static std::set<std::string> files(const stdfs::path& folder) {
        std::set<std::string> names;
        if (stdfs::is_directory(folder))
            for (const auto& entry : stdfs::directory_iterator(folder))
                names.insert(entry.path().filename().string());
        return names;
    }
};

// A point of the fuselage in a livery thumbnail, clear of the windows and the cheat line.
const QPoint kFuselage(180, 73);

const std::set<std::string> kInstalledTextures = {"fuselage.bmp", "tail.bmp", "thumbnail.jpg", "wing.bmp"};

} // namespace

TEST_F(EndToEnd, TheDemoInstallsDownloadsAndRemovesLiveriesThroughTheWindow) {
    // Start-up found the demo's FSX through the prefix's registry.
    ASSERT_EQ(form->cb2->currentText(), "FSX");
    ASSERT_EQ(form->e1->text().toStdString(), demo.simulator);
    EXPECT_EQ(form->size(), QSize(700, 500));

    // The local install view, as the screen shows it.
    QImage shot = screen();
    ASSERT_EQ(shot.size(), QSize(700, 500));
    EXPECT_TRUE(near(shot.pixelColor(10, 490), kLight, 0));          // the window's background
    EXPECT_TRUE(near(at(shot, form->p4, {200, 300}), kLight, 0));    // the panel
    EXPECT_TRUE(near(at(shot, form->BitBtn10, {4, 9}), kDark, 0));   // a navigation button
    EXPECT_TRUE(near(at(shot, form->BitBtn3, {12, 25}), kDark, 40)); // the INSTALL plate
    EXPECT_TRUE(near(at(shot, form->e1, {200, 2}), kLight, 0));      // the edit box

    // 1. Install the local package A320_Ocean.
    const std::string a320Before = config();
    const std::string b737Before = config("ZEV_B737_800");
    choose(form->cb1, "A320_Ocean");
    shot = screen();
    // Its thumbnail: the Ocean fuselage (0x1E5A96) in the picture box.
    EXPECT_TRUE(near(at(shot, form->i2, kFuselage), QColor(0x1E, 0x5A, 0x96), 40));
    QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    const std::string ocean =
        readFile(stdfs::path(demo.workspace) / "downloads/A320_Ocean/installerinfo.txt");
    const std::string afterLocal = withSection(a320Before, ocean, 2);
    ASSERT_EQ(config(), afterLocal);
    EXPECT_EQ(config("ZEV_B737_800"), b737Before);
    EXPECT_EQ(files(product("ZEV_A320_200") / "texture.Ocean"), kInstalledTextures);

    // 2. The catalogue: products, liveries, the first thumbnail.
    QTest::mouseClick(form->BitBtn11, Qt::LeftButton);
    ASSERT_TRUE(form->p2->isVisible());
    EXPECT_FALSE(form->p4->isVisible());
    EXPECT_EQ(form->cb5->currentText(), "ZEV A320-200");
    EXPECT_EQ(form->cb6->currentText(), "Sunrise");
    shot = screen();
    EXPECT_TRUE(near(at(shot, form->p2, {200, 300}), kLight, 0));
    EXPECT_TRUE(near(at(shot, form->i3, kFuselage), QColor(0xF5, 0xA0, 0x3C), 40)); // Sunrise
    EXPECT_TRUE(near(at(shot, form->BitBtn8, {12, 25}), kDark, 40));
    choose(form->cb6, "Forest");
    shot = screen();
    EXPECT_TRUE(near(at(shot, form->i3, kFuselage), QColor(0x2E, 0x7D, 0x32), 40)); // Forest

    // 3. Download and install it. The download pumps the window's messages: a zero timer sees
    // the progress overlay on screen, dark over the catalogue.
    QImage during;
    QTimer::singleShot(0, form.get(), [&] { during = screen(); });
    QTest::mouseClick(form->BitBtn8, Qt::LeftButton);
    ASSERT_FALSE(during.isNull());
    EXPECT_TRUE(near(at(during, form->p3, {5, 40}), kDark, 0));
    EXPECT_TRUE(near(at(during, form->p2, {5, 5}), kLight, 0));
    ASSERT_FALSE(sink->messages.empty());
    ASSERT_EQ(sink->messages.back(), "Downloading and Installing completed");
    for (const TestHttpRequest& request : server.requests())
        EXPECT_NE(request.target, "/packages/A320_Sunrise.zip");
    // The package of the catalogue holds the same descriptor as the local one, in Forest colours.
    std::string forest = ocean;
    for (std::size_t at = forest.find("Ocean"); at != std::string::npos; at = forest.find("Ocean", at))
        forest.replace(at, 5, "Forest");
    ASSERT_EQ(config(), withSection(afterLocal, forest, 3));
    EXPECT_EQ(files(product("ZEV_A320_200") / "texture.Forest"), kInstalledTextures);
    EXPECT_TRUE(stdfs::is_empty(stdfs::path(demo.workspace) / "tempzip"));
    EXPECT_TRUE(stdfs::is_empty(stdfs::path(demo.workspace) / "templiv"));
    shot = screen();
    EXPECT_FALSE(form->p3->isVisible());
    EXPECT_TRUE(near(at(shot, form->p2, {200, 300}), kLight, 0)); // the overlay is gone

    // 4. Remove the Classic livery of the A320.
    QTest::mouseClick(form->BitBtn12, Qt::LeftButton);
    ASSERT_TRUE(form->p1->isVisible());
    choose(form->cb3, "ZEV_A320_200");
    choose(form->cb4, "Classic");
    shot = screen();
    EXPECT_TRUE(near(at(shot, form->p1, {200, 300}), kLight, 0));
    EXPECT_TRUE(near(at(shot, form->BitBtn6, {12, 25}), kDark, 40));
    QTest::mouseClick(form->BitBtn6, Qt::LeftButton);
    const std::string afterRemoval = config();
    EXPECT_EQ(afterRemoval.find("ui_variation=Classic"), std::string::npos);
    EXPECT_EQ(afterRemoval.find("[fltsim.3]"), std::string::npos);
    EXPECT_NE(afterRemoval.find("[fltsim.1]\r\ntitle=ZEV A320-200 Ocean"), std::string::npos);
    EXPECT_NE(afterRemoval.find("[fltsim.2]\r\ntitle=ZEV A320-200 Forest"), std::string::npos);
    EXPECT_NE(afterRemoval.find("[fltsim.0]\r\ntitle=ZEV A320-200 House colours"), std::string::npos);
    EXPECT_FALSE(stdfs::exists(product("ZEV_A320_200") / "texture.Classic"));
    EXPECT_EQ(files(product("ZEV_A320_200") / "texture.Ocean"), kInstalledTextures);
    EXPECT_EQ(files(product("ZEV_A320_200") / "texture"),
              (std::set<std::string>{"fuselage.bmp", "tail.bmp"}));
    EXPECT_EQ(config("ZEV_B737_800"), b737Before);
    EXPECT_EQ(form->cb4->findText("Classic"), -1);
    EXPECT_NE(form->cb4->findText("Forest"), -1);

    // 5. Add the catalogue's Sunrise zip to the library with the button beside the list, in
    // the real file dialog, and install it.
    QTest::mouseClick(form->BitBtn10, Qt::LeftButton);
    ASSERT_TRUE(form->p4->isVisible());
    const std::string sunriseZip = demo.site + "/packages/A320_Sunrise.zip";
    bool dialogSeen = false;
    std::function<void(int)> answerDialog = [&](int attempt) {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (attempt < 100)
                QTimer::singleShot(20, form.get(), [&, attempt] { answerDialog(attempt + 1); });
            return;
        }
        dialogSeen = true;
        dialog->selectFile(QString::fromStdString(sunriseZip));
        static_cast<QDialog*>(dialog)->accept(); // the Add button
    };
    QTimer::singleShot(0, form.get(), [&] { answerDialog(0); });
    QTest::mouseClick(form->BitBtn14, Qt::LeftButton);
    ASSERT_TRUE(dialogSeen);
    ASSERT_EQ(form->cb1->currentText(), "A320_Sunrise");
    EXPECT_EQ(form->m1->toPlainText(), "Information:\nZEV A320-200 Sunrise\nSunrise");
    shot = screen();
    EXPECT_TRUE(near(at(shot, form->i2, kFuselage), QColor(0xF5, 0xA0, 0x3C), 40)); // Sunrise
    QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    EXPECT_EQ(sink->messages.back(), "Installation completed");
    EXPECT_NE(config().find("title=ZEV A320-200 Sunrise"), std::string::npos);
    EXPECT_EQ(files(product("ZEV_A320_200") / "texture.Sunrise"), kInstalledTextures);
    for (const std::string& message : sink->messages)
        EXPECT_NE(message.rfind("error: ", 0), 0u) << message;
}
