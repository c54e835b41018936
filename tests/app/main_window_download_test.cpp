// The catalogue and the download-and-install road, driven through the window's controls.
#include "../archive/zip_fixture.h"
#include "app/artwork.h"
#include "app/main_window.h"
#include "app/picture_box.h"
#include "app/picture_button.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "wine_prefix_fixture.h"

#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

using namespace sw;
using namespace sw::test;

namespace {

std::string descriptor(const std::string& name) {
    return "[fltsim.xx]\r\ntitle=ZEV A320 " + name + "\r\nui_variation=" + name +
           "\r\nproductfolder=A320-200\r\ntexture=" + name + "\r\ndescription=" + name + "\r\n";
}

const std::string kConfig = "[fltsim.0]\r\ntitle=House\r\nui_variation=House\r\ntexture=house\r\n"
                            "description=House\r\n\r\n[General]\r\natc_type=AIRBUS\r\n";

// What the overlay showed at one moment.
struct OverlayState {
    bool overlay, progressBar, figures, meter, marquee, loadEnabled, navigationEnabled;
    QString phase, caption;
};

OverlayState stateOf(TForm1& form) {
    // The overlay's own controls as set, whether or not the overlay is shown.
    QWidget* p3 = form.p3;
    return {form.p3->isVisible(),
            form.ProgressBar->isVisibleTo(p3),
            form.Label11->isVisibleTo(p3),
            form.AbMeter1->isVisibleTo(p3),
            form.mb1->isVisibleTo(p3),
            form.BitBtn8->isEnabled(),
            form.BitBtn10->isEnabled(),
            form.Label8->text(),
            form.windowTitle()};
}

class WindowDownload : public ::testing::Test {
protected:
    TestHttpServer server;
    WinePrefixFixture prefix;
    TempDir workspace, sim;
    ScopedCurrentFolder inWorkspace{workspace.path()};
    std::unique_ptr<ScopedEnv> catalogueUrl;
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
    std::unique_ptr<TForm1> form;

    void SetUp() override {
        ASSERT_TRUE(
            artwork::writeDefaultThumbnail(QString::fromStdString((workspace / "thumbnail.jpg").string())));
        auto product = sim / "SimObjects" / "Airplanes" / "ZEV_A320_200";
        std::filesystem::create_directories(product);
        writeFile(product / "aircraft.cfg", kConfig);
        const std::string zip =
            buildZip({storedEntry("Blue/installerinfo.txt", descriptor("Blue")),
                      storedEntry("Blue/texture.Blue/fuselage.bmp", std::string(300000, 'b')),
                      storedEntry("Red/installerinfo.txt", descriptor("Red")),
                      deflatedEntry("Red/texture.Red/fuselage.bmp", "red")});
        server.addFile("/skinwright/prod.txt", "ZEV A320&&a320.txt;;\r\n");
        server.addFile("/skinwright/a320.txt", "Pair&&" + server.url("/p/pair.zip") + ";;!!\r\n");
        server.addFile("/p/pair.zip", zip);
        catalogueUrl =
            std::make_unique<ScopedEnv>("SKINWRIGHT_CATALOGUE_URL", server.url("/skinwright/").c_str());

        WindowServices services;
        services.messages = sink;
        services.winePrefix = prefix.path();
        form = std::make_unique<TForm1>(services);
        form->cb2->setCurrentIndex(2);
        form->e1->setText(QString::fromStdString(sim.str()));
        form->show();
    }

    std::string config() {
        return readFile(sim / "SimObjects" / "Airplanes" / "ZEV_A320_200" / "aircraft.cfg");
    }
};

} // namespace

TEST_F(WindowDownload, ALiveryGoesFromTheCatalogueIntoTheSimulator) {
    QTest::mouseClick(form->BitBtn11, Qt::LeftButton);
    ASSERT_TRUE(form->p2->isVisible());
    ASSERT_EQ(form->cb6->currentText(), "Pair");

    // The download pumps the window's messages: a zero timer sees the overlay mid-download.
    std::vector<OverlayState> seen;
    QTimer::singleShot(0, form.get(), [&] { seen.push_back(stateOf(*form)); });
    QTest::mouseClick(form->BitBtn8, Qt::LeftButton);

    ASSERT_FALSE(seen.empty());
    const OverlayState& during = seen.front();
    EXPECT_TRUE(during.overlay);
    EXPECT_TRUE(during.progressBar);
    EXPECT_TRUE(during.figures);
    EXPECT_FALSE(during.marquee);
    EXPECT_FALSE(during.loadEnabled);
    EXPECT_FALSE(during.navigationEnabled);
    EXPECT_TRUE(during.phase.startsWith("Downloading livery, please note this can take several\n"));

    EXPECT_EQ(sink->messages, std::vector<std::string>{"Downloading and Installing completed"});
    EXPECT_NE(config().find("[fltsim.1]\r\ntitle=ZEV A320 Blue"), std::string::npos);
    EXPECT_NE(config().find("[fltsim.2]\r\ntitle=ZEV A320 Red"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(workspace / "tempzip"));
    EXPECT_TRUE(std::filesystem::is_empty(workspace / "templiv"));

    const OverlayState after = stateOf(*form);
    EXPECT_FALSE(after.overlay);
    EXPECT_TRUE(after.loadEnabled);
    EXPECT_TRUE(after.navigationEnabled);
    EXPECT_FALSE(after.meter);
    EXPECT_TRUE(after.marquee);
    EXPECT_FALSE(after.progressBar);
    EXPECT_EQ(after.caption, "Skinwright");
    EXPECT_EQ(form->taskbarTitle(), "ZEV SW");
    EXPECT_TRUE(after.phase.startsWith("Installing livery"));
    // The downloader wrote its figures into the overlay's labels.
    EXPECT_FALSE(form->Label13->text().isEmpty());
}

TEST_F(WindowDownload, ClosingTheWindowDuringTheDownloadStopsIt) {
    TestHttpResponse slow;
    slow.body = std::string(400000, 'z');
    slow.slowPiece = 20000;
    slow.slowDelay = std::chrono::milliseconds(20);
    server.setResponse("/p/pair.zip", slow);
    QTest::mouseClick(form->BitBtn11, Qt::LeftButton);

    // The close button is pressed once the first bytes are on disk (however slow the machine).
    auto partial = workspace / "tempzip" / "pair.zip";
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, form.get(), [&] {
        std::error_code error;
        if (std::filesystem::file_size(partial, error) > 0 && !error) {
            poll.stop();
            QTest::mouseClick(form->BitBtn4, Qt::LeftButton);
        }
    });
    poll.start(5);
    QTest::mouseClick(form->BitBtn8, Qt::LeftButton);
    poll.stop();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->httpget.MBaixando);
    EXPECT_TRUE(sink->messages.empty()); // the user stopped it: nothing to tell
    // The part that arrived stays for a later resume; nothing was installed.
    EXPECT_EQ(config(), kConfig);
    ASSERT_TRUE(std::filesystem::exists(partial));
    EXPECT_LT(std::filesystem::file_size(partial), 400000u);
}

// A LOAD installs its own packages and leaves the package shown in `cb1` selected: an INSTALL
// afterwards puts that package into its own product.
TEST(WindowDownloadThenInstall, ALoadLeavesTheShownPackageSelected) {
    TestHttpServer server;
    WinePrefixFixture prefix;
    TempDir workspace, sim;
    ScopedCurrentFolder inWorkspace{workspace.path()};
    ASSERT_TRUE(
        artwork::writeDefaultThumbnail(QString::fromStdString((workspace / "thumbnail.jpg").string())));
    for (const char* product : {"ZEV_A320_200", "ZEV_B737_800"}) {
        std::filesystem::create_directories(sim / "SimObjects" / "Airplanes" / product);
        writeFile(sim / "SimObjects" / "Airplanes" / product / "aircraft.cfg", kConfig);
    }
    auto local = workspace / "downloads" / "Zulu";
    std::filesystem::create_directories(local / "texture.zulu");
    writeFile(local / "installerinfo.txt", "[fltsim.xx]\r\ntitle=ZEV B737 Zulu\r\nui_variation=Zulu\r\n"
                                           "productfolder=B737-800\r\ntexture=zulu\r\ndescription=Zulu\r\n");
    writeFile(local / "texture.zulu" / "fuselage.bmp", "zulu");
    server.addFile("/skinwright/prod.txt", "ZEV A320&&a320.txt;;\r\n");
    server.addFile("/skinwright/a320.txt", "Pair&&" + server.url("/p/pair.zip") + ";;!!\r\n");
    server.addFile("/p/pair.zip", buildZip({storedEntry("Blue/installerinfo.txt", descriptor("Blue")),
                                            storedEntry("Blue/texture.Blue/fuselage.bmp", "blue")}));
    ScopedEnv catalogueUrl("SKINWRIGHT_CATALOGUE_URL", server.url("/skinwright/").c_str());
    auto sink = std::make_shared<RecordingSink>();
    WindowServices services;
    services.messages = sink;
    services.winePrefix = prefix.path();
    TForm1 form(services);
    form.cb2->setCurrentIndex(2);
    form.e1->setText(QString::fromStdString(sim.str()));
    ASSERT_EQ(form.cb1->currentText(), "Zulu");

    form.BitBtn11Click();
    form.BitBtn8Click();
    ASSERT_EQ(sink->messages, std::vector<std::string>{"Downloading and Installing completed"});
    form.BitBtn3Click();
    EXPECT_EQ(sink->messages.back(), "Installation completed");
    const auto airplanes = sim / "SimObjects" / "Airplanes";
    EXPECT_NE(readFile(airplanes / "ZEV_B737_800" / "aircraft.cfg").find("title=ZEV B737 Zulu"),
              std::string::npos);
    EXPECT_EQ(readFile(airplanes / "ZEV_A320_200" / "aircraft.cfg").find("Zulu"), std::string::npos);
    EXPECT_EQ(readFile(airplanes / "ZEV_B737_800" / "texture.zulu" / "fuselage.bmp"), "zulu");
    EXPECT_TRUE(sink->errors.empty());
}

// A LOAD whose download fails: an error box with the downloader's text, the overlay gone and
// every button back.
TEST_F(WindowDownload, AFailedLoadShowsWhyAndGivesTheWindowBack) {
    TestHttpResponse missing;
    missing.status = 404;
    missing.reason = "Not Found";
    server.setResponse("/p/pair.zip", missing);
    QTest::mouseClick(form->BitBtn11, Qt::LeftButton);
    QTest::mouseClick(form->BitBtn8, Qt::LeftButton);
    ASSERT_EQ(sink->errors.size(), 1u);
    EXPECT_EQ(sink->errors[0], std::make_pair(std::string("ZEV SW"),
                                              "<<< 404 - HTTP Not Found >>>\n" + server.url("/p/pair.zip")));
    const OverlayState after = stateOf(*form);
    EXPECT_FALSE(after.overlay);
    EXPECT_TRUE(after.loadEnabled);
    EXPECT_TRUE(after.navigationEnabled);
    EXPECT_EQ(config(), kConfig);
}
