#include "app/artwork.h"
#include "app/main_window.h"
#include "app/picture_box.h"
#include "app/picture_button.h"
#include "app/window_download_overlay.h"
#include "core/site_addresses.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "wine_prefix_fixture.h"

#include <QApplication>
#include <QFontInfo>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

using namespace sw;
using namespace sw::test;

namespace {

class MainWindow : public ::testing::Test {
protected:
    WinePrefixFixture prefix;
    TempDir workspace;
    ScopedCurrentFolder inWorkspace{workspace.path()};
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
    std::vector<QString> opened;
    std::vector<std::pair<QString, QString>> browsed;
    QString browseAnswer;

    std::unique_ptr<TForm1> makeWindow() {
        WindowServices services;
        services.messages = sink;
        services.winePrefix = prefix.path();
        services.openUrl = [this](const QString& url) {
            opened.push_back(url);
            return true;
        };
        services.browseForFolder = [this](const QString& title, const QString& start) {
            browsed.emplace_back(title, start);
            return browseAnswer;
        };
        return std::make_unique<TForm1>(services);
    }
    std::string log() { return readFile(workspace / "debug.log"); }

    static void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
};

std::string visibleViews(TForm1& form) {
    std::string views;
    for (QWidget* view :
         {static_cast<QWidget*>(form.p1), static_cast<QWidget*>(form.p2), static_cast<QWidget*>(form.p4)})
        if (view->isVisibleTo(&form))
            views += view->objectName().toStdString();
    return views;
}

} // namespace

TEST_F(MainWindow, ControlsStandWhereTheLayoutPutsThem) {
    auto form = makeWindow();
    EXPECT_EQ(form->size(), QSize(700, 500));
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form->pos(), QPoint(192, 114));
    EXPECT_EQ(form->windowTitle(), "Skinwright");

    const std::map<std::string, QRect> sized = {
        {"Image3", {0, 0, 699, 121}},      {"Image1", {62, 99, 239, 18}},
        {"p1", {29, 145, 639, 332}},       {"cb3", {64, 64, 257, 25}},
        {"cb4", {64, 160, 257, 25}},       {"BitBtn6", {456, 264, 145, 50}},
        {"BitBtn13", {418, 275, 30, 29}},  {"p2", {29, 145, 639, 332}},
        {"i3", {381, 1, 256, 128}},        {"cb5", {32, 56, 273, 25}},
        {"cb6", {32, 136, 273, 25}},       {"BitBtn8", {456, 264, 145, 50}},
        {"p4", {29, 145, 639, 332}},       {"i2", {382, 0, 256, 128}},
        {"cb1", {144, 8, 145, 25}},        {"sl1", {7, 41, 169, 25}},
        {"BitBtn3", {456, 264, 145, 50}},  {"m1", {8, 96, 345, 97}},
        {"BitBtn4", {672, 1, 27, 26}},     {"BitBtn5", {638, 1, 27, 26}},
        {"BitBtn10", {176, 122, 161, 18}}, {"BitBtn11", {344, 122, 161, 18}},
        {"BitBtn12", {512, 122, 161, 18}}, {"p5", {33, 338, 552, 57}},
        {"cb2", {112, 3, 145, 25}},        {"e1", {112, 29, 400, 25}},
        {"BitBtn1", {516, 25, 30, 29}},    {"p3", {46, 192, 579, 185}},
        {"Label8", {76, 6, 435, 40}},      {"AbMeter1", {0, 72, 577, 49}},
        {"ProgressBar", {1, 71, 577, 50}}, {"mb1", {0, 72, 576, 49}},
    };
    for (const auto& [name, rect] : sized) {
        auto* widget = form->findChild<QWidget*>(QString::fromStdString(name));
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_EQ(widget->geometry(), rect) << name;
    }
    const std::map<std::string, QPoint> placed = {
        {"Label4", {64, 24}},    {"Label5", {64, 120}},   {"Label6", {32, 24}},    {"Label7", {32, 104}},
        {"Label1", {8, 8}},      {"Label2", {8, 6}},      {"Label3", {8, 30}},     {"Label10", {80, 52}},
        {"Label14", {16, 128}},  {"Label11", {128, 128}}, {"Label15", {16, 152}},  {"Label12", {128, 152}},
        {"Label16", {344, 128}}, {"Label13", {432, 128}}, {"Label17", {344, 152}}, {"Label9", {432, 152}},
    };
    for (const auto& [name, point] : placed) {
        auto* widget = form->findChild<QWidget*>(QString::fromStdString(name));
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_EQ(widget->pos(), point) << name;
    }
    EXPECT_EQ(form->p3->parentWidget(), form.get());
    EXPECT_EQ(form->cb2->parentWidget(), form->p5);
    EXPECT_EQ(form->Label8->parentWidget(), form->p3);
}

// The undo button of the removal view covers no other control: not in its view, not in the
// settings row or the overlay above the views, not in the header.
TEST_F(MainWindow, TheUndoButtonCoversNoControl) {
    auto form = makeWindow();
    EXPECT_EQ(form->BitBtn13->parentWidget(), form->p1);
    EXPECT_EQ(form->BitBtn13->toolTip(), "Undo last change");
    const QRect undo(form->BitBtn13->mapTo(form.get(), QPoint(0, 0)), form->BitBtn13->size());
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        if (name.isEmpty() || name.startsWith("qt_") || widget == form->BitBtn13 || widget == form->p1 ||
            widget == form->p2 || widget == form->p4 || form->p2->isAncestorOf(widget) ||
            form->p4->isAncestorOf(widget) || widget->isWindow())
            continue; // the views share one rectangle and are never shown together
        const QRect rect(widget->mapTo(form.get(), QPoint(0, 0)), widget->size());
        EXPECT_FALSE(rect.intersects(undo)) << name.toStdString();
    }
    // Its face is the window's: steel-blue plate on the light background.
    const QImage face = form->BitBtn13->grab().toImage();
    EXPECT_EQ(QColor(face.pixel(15, 3)), QColor(62, 113, 148));
    EXPECT_EQ(QColor(face.pixel(0, 0)), QColor(210, 227, 238));
}

TEST_F(MainWindow, StartsOnTheLocalViewWithTheOverlayHidden) {
    auto form = makeWindow();
    form->show();
    EXPECT_EQ(visibleViews(*form), "p4");
    EXPECT_TRUE(form->p5->isVisible());
    EXPECT_FALSE(form->p3->isVisible());
    // Inside the hidden overlay the marquee is ready; the meter and the progress bar are not.
    EXPECT_TRUE(form->mb1->isVisibleTo(form->p3));
    EXPECT_FALSE(form->AbMeter1->isVisibleTo(form->p3));
    EXPECT_FALSE(form->ProgressBar->isVisibleTo(form->p3));
    EXPECT_EQ(form->m1->toPlainText(), "Information:");
    EXPECT_EQ(form->cb2->count(), 3);
    EXPECT_EQ(form->cb2->currentText(), "None");
    EXPECT_EQ(form->taskbarTitle(), "ZEV SW");
    EXPECT_EQ(form->windowIconText(), "ZEV SW");
    EXPECT_EQ(form->Label10->text(), "This bar does not always reflect the real progress, please be patient");
}

TEST_F(MainWindow, StackingPutsPicturesBeneathAndTheOverlayOnTop) {
    auto form = makeWindow();
    QObjectList children = form->children();
    auto index = [&](QWidget* w) { return children.indexOf(w); };
    EXPECT_LT(index(form->Image3), index(form->BitBtn4));
    EXPECT_LT(index(form->Image1), index(form->p1));
    EXPECT_LT(index(form->p1), index(form->p2));
    EXPECT_LT(index(form->p4), index(form->p5));
    EXPECT_LT(index(form->p5), index(form->p3));
    EXPECT_EQ(form->childAt(60, 150), form->p4); // over the header? no: inside the view
    EXPECT_EQ(form->childAt(300, 20), form->Image3);
}

TEST_F(MainWindow, ColoursAndFontsOfTheViews) {
    auto form = makeWindow();
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(210, 227, 238));
    EXPECT_EQ(form->p3->palette().color(QPalette::Window), QColor(62, 113, 148));
    EXPECT_EQ(form->Label1->palette().color(QPalette::WindowText), QColor(62, 113, 148));
    EXPECT_EQ(form->Label14->palette().color(QPalette::WindowText), QColor(210, 227, 238));
    for (QComboBox* box : {form->cb1, form->cb2, form->cb3, form->cb4, form->cb5, form->cb6})
        EXPECT_EQ(box->palette().color(QPalette::Text), QColor(62, 113, 148))
            << box->objectName().toStdString();
    EXPECT_EQ(form->ProgressBar->palette().color(QPalette::Highlight), QColor(62, 113, 148));
    EXPECT_EQ(form->ProgressBar->palette().color(QPalette::Base), QColor(210, 227, 238));

    EXPECT_TRUE(QFontInfo(form->Label1->font()).family().startsWith("URW Bookman"))
        << QFontInfo(form->Label1->font()).family().toStdString();
    EXPECT_TRUE(form->Label1->font().bold());
    EXPECT_EQ(form->Label1->font().pixelSize(), 16);
    EXPECT_EQ(form->cb1->font().pixelSize(), 15);
    EXPECT_EQ(form->cb3->font().pixelSize(), 14);
    EXPECT_EQ(form->e1->font().pixelSize(), 15);
    EXPECT_FALSE(form->e1->font().bold());
    EXPECT_EQ(form->Label10->font().pixelSize(), 12);
}

TEST_F(MainWindow, TabOrderFollowsTheWindowsList) {
    auto form = makeWindow();
    std::vector<QWidget*> expected = {form->BitBtn4, form->BitBtn5,  form->cb3,      form->cb4,
                                      form->BitBtn6, form->BitBtn13, form->cb5,      form->cb6,
                                      form->BitBtn8, form->BitBtn10, form->BitBtn11, form->BitBtn12,
                                      form->cb1,     form->sl1,      form->BitBtn3,  form->m1,
                                      form->cb2,     form->e1,       form->BitBtn1};
    std::vector<QWidget*> chain;
    QWidget* w = form->BitBtn4;
    do {
        if (std::find(expected.begin(), expected.end(), w) != expected.end())
            chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != form->BitBtn4 && chain.size() < expected.size());
    EXPECT_EQ(chain, expected);
}

TEST_F(MainWindow, NavigationSwitchesViewsAndKeepsTheSettingsRow) {
    TestHttpServer server;
    server.addFile("/skinwright/prod.txt", "ZEV A320&&a320.txt;;\r\n");
    server.addFile("/skinwright/a320.txt", "House&&" + server.url("/p/house.zip") + ";;!!\r\n");
    ScopedEnv catalogue("SKINWRIGHT_CATALOGUE_URL", server.url("/skinwright/").c_str());
    artwork::writeDefaultThumbnail(QString::fromStdString((workspace / "thumbnail.jpg").string()));
    auto form = makeWindow();
    form->show();
    form->e1->setText("/games/fs9");

    click(form->BitBtn11);
    EXPECT_EQ(visibleViews(*form), "p2");
    EXPECT_EQ(form->cb5->currentText(), "ZEV A320");
    EXPECT_EQ(form->cb6->currentText(), "House");
    EXPECT_EQ(form->i3->picture().size(), QSize(256, 128)); // no thumbnail: the default picture

    // No simulator chosen: the message, and the view stays.
    click(form->BitBtn12);
    EXPECT_EQ(visibleViews(*form), "p2");
    EXPECT_EQ(sink->messages, std::vector<std::string>{"Please select FS"});

    form->cb2->setCurrentIndex(1);
    click(form->BitBtn12);
    EXPECT_EQ(visibleViews(*form), "p1");

    click(form->BitBtn10);
    EXPECT_EQ(visibleViews(*form), "p4");
    EXPECT_TRUE(form->p5->isVisible());
    EXPECT_EQ(form->cb2->currentText(), "FS9");
    EXPECT_EQ(form->e1->text(), "/games/fs9");

    std::string trace = log();
    std::string navigation = trace.substr(trace.find("Line 1470"));
    EXPECT_EQ(navigation.substr(0, 33), "Line 1470: BitBtn11Click called\r\n");
    navigation = navigation.substr(navigation.find("Line 1543"));
    EXPECT_EQ(navigation, "Line 1543: BitBtn11Click end\r\n"
                          "Line 1434: BitBtn12Click called\r\n"
                          "Line 1503: Test log\r\n"
                          "Line 1452: BitBtn12Click end\r\n"
                          "Line 1434: BitBtn12Click called\r\n"
                          "Line 1503: Test log\r\n"
                          "Line 1452: BitBtn12Click end\r\n");
}

TEST_F(MainWindow, StartUpDetectsTheSimulatorAndTraces) {
    std::string fsx = prefix.makeFolder("FSX");
    prefix.writeSystemReg(registryHeader(false) +
                          registryKey("Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\10.0",
                                      "\"SetupPath\"=\"C:\\\\FSX\""));
    auto form = makeWindow();
    EXPECT_EQ(form->cb2->currentText(), "FSX");
    EXPECT_EQ(form->e1->text().toStdString(), fsx);
    EXPECT_EQ(log(), "Line 270: Program start\r\n"
                     "Line 281: Test log\r\n"
                     "Line 284: Checking registry and creating dirs\r\n"
                     "Line 307: Test log\r\n"
                     "Line 307: Checking registry and creating dirs done\r\n"
                     "Line 397: Form creation finished\r\n");
    EXPECT_EQ(form->startFolder(), workspace.str());
}

TEST_F(MainWindow, UserChangeOfTheSimulatorRunsItsHandler) {
    std::string fs9 = prefix.makeFolder("FS9");
    prefix.writeSystemReg(registryHeader(false) +
                          registryKey("Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\9.0",
                                      "\"exe path\"=\"C:\\\\FS9\""));
    auto form = makeWindow();
    form->e1->clear();
    form->cb2->setCurrentIndex(1);
    emit form->cb2->activated(1);
    EXPECT_EQ(form->e1->text().toStdString(), fs9);
    EXPECT_NE(log().find("Line 1406: cb2Change called\r\nLine 1425: cb2Change end\r\n"), std::string::npos);
}

TEST_F(MainWindow, AnErrorInAHandlerIsShownAndTheProgramGoesOn) {
    std::filesystem::create_directory(workspace / "debug.log");
    auto form = makeWindow();
    ASSERT_EQ(sink->errors.size(), 1u);
    EXPECT_EQ(sink->errors[0].first, "Skinwright");
    EXPECT_NE(sink->errors[0].second.find("debug.log"), std::string::npos);
    // The next handler meets the same error, and still the window stays usable.
    click(form->BitBtn11);
    EXPECT_EQ(sink->errors.size(), 2u);
    click(form->BitBtn10);
    EXPECT_EQ(visibleViews(*form), "p4");
}

TEST_F(MainWindow, LinksOpenTheMakersPagesAndTheHeaderDrags) {
    ScopedEnv maker("SKINWRIGHT_MAKER_URL", "http://127.0.0.1:9/home/");
    auto form = makeWindow();
    form->show();
    QTest::mouseClick(form->Image1, Qt::LeftButton);
    click(form->BitBtn5);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], "http://127.0.0.1:9/home/");
    EXPECT_EQ(opened[1], "http://127.0.0.1:9/home/FAQ");
    EXPECT_EQ(form->Image1->toolTip(), "Go to http://127.0.0.1:9/home/");
    EXPECT_EQ(form->dragCount(), 0); // the link lies above the header: no move

    QTest::mousePress(form->Image3, Qt::RightButton, Qt::ShiftModifier, {300, 40});
    QTest::mouseRelease(form->Image3, Qt::RightButton, Qt::ShiftModifier, {300, 40});
    EXPECT_EQ(form->dragCount(), 1);
}

TEST_F(MainWindow, ClosingStopsTheDownload) {
    auto form = makeWindow();
    form->show();
    form->httpget.MBaixando = true;
    click(form->BitBtn4);
    EXPECT_FALSE(form->httpget.MBaixando);
    EXPECT_FALSE(form->isVisible());

    auto second = makeWindow();
    second->show();
    second->httpget.MBaixando = true;
    second->close(); // the system's close
    EXPECT_FALSE(second->httpget.MBaixando);
}

TEST_F(MainWindow, BrowseOpensOnTheFolderAndTakesTheChoice) {
    std::string fs9 = prefix.makeFolder("FS9");
    auto form = makeWindow();
    form->e1->setText(QString::fromStdString(fs9));
    browseAnswer = "/chosen/folder";
    click(form->BitBtn1);
    ASSERT_EQ(browsed.size(), 1u);
    EXPECT_EQ(browsed[0].first, "Select FS folder");
    EXPECT_EQ(browsed[0].second.toStdString(), fs9);
    EXPECT_EQ(form->e1->text(), "/chosen/folder");

    browseAnswer.clear(); // cancelled
    click(form->BitBtn1);
    ASSERT_EQ(browsed.size(), 2u);
    EXPECT_EQ(browsed[1].second.toStdString(), std::filesystem::canonical(prefix.driveC()).string());
    EXPECT_EQ(form->e1->text(), "/chosen/folder");
}

TEST(Artwork, PicturesHaveTheirSizesAndOneTransparentPixelPerState) {
    struct Case {
        QImage image;
        QSize size;
        int states;
    };
    const std::vector<Case> cases = {
        {artwork::roundButton('X'), {84, 27}, 3},
        {artwork::roundButton('?'), {84, 27}, 3},
        {artwork::navigationButton("Remove liveries"), {165, 21}, 1},
        {artwork::plateButton("INSTALL"), {438, 51}, 3},
        {artwork::browseButton(), {93, 30}, 3},
        {artwork::undoButton(), {93, 30}, 3},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.image.size(), c.size);
        const int w = c.size.width() / c.states;
        int black = 0;
        for (int y = 0; y < c.image.height(); ++y)
            for (int x = 0; x < c.image.width(); ++x)
                if ((c.image.pixel(x, y) & 0xFFFFFF) == 0) {
                    ++black;
                    EXPECT_EQ(y, c.image.height() - 1);
                    EXPECT_EQ(x % w, 0);
                }
        EXPECT_EQ(black, c.states);
    }
    EXPECT_EQ(artwork::header().size(), QSize(700, 120));
    EXPECT_EQ(artwork::makerName().size(), QSize(239, 18));
    EXPECT_EQ(artwork::defaultThumbnail().size(), QSize(256, 128));
}

TEST(PictureButton, ShowsTheStateImageOfItsState) {
    PictureButton button(artwork::plateButton("LOAD"), 3);
    button.setGeometry(0, 0, 145, 50);
    EXPECT_EQ(button.currentState(), 0);
    button.setDown(true);
    EXPECT_EQ(button.currentState(), 2);
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(button.currentState(), 1);
    // The disabled face is what is painted: the centre pixel of the render is the state's.
    QImage shown = button.grab().toImage();
    QImage state = button.stateImage(1).toImage();
    EXPECT_EQ(shown.pixel(72, 25), state.pixel(72, 25));
    EXPECT_NE(button.stateImage(0).toImage().pixel(72, 25), state.pixel(72, 25));
}

TEST_F(MainWindow, TheViewsUseTheFlatControlsInTheWindowsColours) {
    auto form = makeWindow();
    form->show();
    const QRgb dark = qRgb(62, 113, 148), light = qRgb(210, 227, 238);
    auto pixels = [](QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); };

    for (TALComboBox* box : {form->cb1, form->cb2, form->cb3, form->cb4, form->cb5, form->cb6}) {
        const QImage img = pixels(box);
        const int w = img.width(), bl = w - box->ThumbWidth() - 3;
        EXPECT_EQ(img.pixel(0, 0), dark) << box->objectName().toStdString();
        EXPECT_EQ(img.pixel(w - 1, img.height() - 1), dark) << box->objectName().toStdString();
        EXPECT_EQ(img.pixel(bl + 4, 4), dark) << box->objectName().toStdString();  // the separator
        EXPECT_EQ(img.pixel(bl + 6, 4), light) << box->objectName().toStdString(); // the button
    }
    // The path box: a dark frame inside the outer ring, a light fill.
    const QImage edit = pixels(form->e1);
    EXPECT_EQ(edit.pixel(1, 12), dark);
    EXPECT_EQ(edit.pixel(390, 5), light);
    // sl1's square is drawn in the panel's own colour: only the caption shows.
    const QImage check = pixels(form->sl1);
    EXPECT_EQ(check.pixel(2, 2), light);
    EXPECT_FALSE(form->sl1->Checked());
    // The meter and the marquee of the overlay are the segmented meter and the marquee bar.
    form->AbMeter1->DoProgress(10);
    EXPECT_EQ(pixels(form->AbMeter1).pixel(20, 20), dark);
    EXPECT_EQ(pixels(form->AbMeter1).pixel(70, 20), light);
    EXPECT_EQ(form->uzip.ArchiveProgressMeter, &form->AbVCLMeterLink1);
}

// Each phase of the progress overlay as the window shows it. With SKINWRIGHT_SCREENSHOT_DIR set,
// the renders are saved there as overlay-<phase>.png.
TEST_F(MainWindow, TheOverlayShowsEachPhaseInTheFlatLook) {
    auto form = makeWindow();
    form->show();
    WindowDownloadOverlay overlay(*form);
    const QRgb dark = qRgb(62, 113, 148), light = qRgb(210, 227, 238);
    auto shot = [&](const char* phase) {
        QImage image = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (const char* dir = std::getenv("SKINWRIGHT_SCREENSHOT_DIR"))
            image.save(QString("%1/overlay-%2.png").arg(dir, phase));
        return image;
    };

    overlay.setMarqueeVisible(false);
    overlay.setOverlayVisible(true);
    overlay.setPhaseText(download_and_install::kDownloadText);
    overlay.setFirstFiguresVisible(true);
    overlay.setSecondFiguresVisible(true);
    QImage download = shot("download");
    EXPECT_EQ(download.pixel(46 + 2, 192 + 2), dark); // the overlay's own colour
    EXPECT_EQ(download.pixel(20, 200), light);        // the window around it
    EXPECT_TRUE(form->Label8->text().contains('\n')); // two lines

    overlay.setFirstFiguresVisible(false);
    overlay.setSecondFiguresVisible(false);
    overlay.setPhaseText(download_and_install::kUnzipText);
    overlay.setMeterVisible(true);
    form->AbMeter1->DoProgress(47); // four blocks
    QImage unzip = shot("unzip");
    EXPECT_EQ(unzip.pixel(46 + 0 + 20, 192 + 72 + 20), dark);
    EXPECT_EQ(unzip.pixel(46 + 4 * 58 + 20, 192 + 72 + 20), light);

    overlay.setMeterVisible(false);
    overlay.setPhaseText(download_and_install::kInstallText);
    overlay.setMarqueeVisible(true);
    for (int i = 0; i < 12; ++i)
        form->mb1->Step();
    QImage install = shot("install");
    // The marquee's train of graded blocks: something of the bar colour family inside its frame.
    int barPixels = 0;
    for (int x = 46 + 1; x < 46 + 575; ++x)
        barPixels += install.pixel(x, 192 + 72 + 24) != light;
    EXPECT_GT(barPixels, 50);
    EXPECT_EQ(install.pixel(46 + 0, 192 + 72 + 24), dark); // the flat border
}
