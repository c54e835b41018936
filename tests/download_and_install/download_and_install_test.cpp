#include "../archive/zip_fixture.h"
#include "../liveries/livery_fixture.h"
#include "archive/unzipper.h"
#include "download/mhttp_get_resume.h"
#include "download_and_install/download_and_install.h"
#include "platform/loopback_port.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace sw;
using namespace sw::download_and_install;
using namespace sw::test;

namespace {

// The overlay as a log of what was switched, and its state.
class FakeOverlay : public DownloadOverlay {
public:
    std::vector<std::string> events;
    bool overlay = false, marquee = true, meter = false, first = false, second = false, actions = true;
    std::string phase, caption = "Skinwright", title = "ZEV SW";
    std::vector<std::string> captions;

    void setOverlayVisible(bool v) override { overlay = v, events.push_back(v ? "show p3" : "hide p3"); }
    void setPhaseText(const std::string& t) override {
        phase = t, events.push_back("phase " + t.substr(0, 5));
    }
    void setMarqueeVisible(bool v) override { marquee = v, events.push_back(v ? "show mb1" : "hide mb1"); }
    void setMeterVisible(bool v) override { meter = v, events.push_back(v ? "show meter" : "hide meter"); }
    void setFirstFiguresVisible(bool v) override {
        first = v, events.push_back(v ? "show first" : "hide first");
    }
    void setSecondFiguresVisible(bool v) override {
        second = v, events.push_back(v ? "show second" : "hide second");
    }
    void setTitles(const std::string& c, const std::string& t) override {
        caption = c, title = t;
        captions.push_back(c + " | " + t);
    }
    void setActionsEnabled(bool enabled) override { actions = enabled; }
};

std::string descriptor(const std::string& name, const std::string& texture) {
    return "[fltsim.xx]\r\ntitle=ZEV A320 " + name + "\r\nui_variation=" + name +
           "\r\nproductfolder=A320-200\r\ntexture=" + texture + "\r\ndescription=" + name + "\r\n";
}

const std::string kConfig = "[fltsim.0]\r\ntitle=House\r\nui_variation=House\r\ntexture=house\r\n"
                            "description=House\r\n\r\n[General]\r\natc_type=AIRBUS\r\n";

class DownloadAndInstallTest : public ::testing::Test {
protected:
    TestHttpServer server;
    TempDir start, sim;
    ScopedCurrentFolder inStart{start.path()};
    liveries::test::FakeView view;
    RecordingSink sink;
    FakeOverlay overlay;
    std::vector<std::string> trace;
    TMHttpGetResume httpget;
    TAbUnZipper uzip;
    std::unique_ptr<liveries::LiveryHandlers> handlers;
    Simulator simulatorChoice = Simulator::FSX;

    void SetUp() override {
        for (const char* folder : {"images", "downloads", "tempzip", "templiv"})
            std::filesystem::create_directory(start / folder);
        std::filesystem::create_directories(sim / "SimObjects" / "Airplanes" / "ZEV_A320_200" / "texbase");
        writeFile(cfgPath(), kConfig);
        writeFile(sim / "SimObjects" / "Airplanes" / "ZEV_A320_200" / "texbase" / "base.bmp", "base");
        view.sim = Simulator::FSX;
        view.folder = sim.str();
        auto record = [this](const std::string& point, const std::string& message) {
            trace.push_back(point + " " + message);
        };
        handlers = std::make_unique<liveries::LiveryHandlers>(view, sink, record);
        uzip.ExtractOptions = eoCreateDirs | eoRestorePath; // as the window configures it
        httpget.MOnProgress = [this](TMHttpGetResume& sender) { httpgetMOnProgress(sender, overlay); };
    }

    std::filesystem::path cfgPath() const {
        return sim / "SimObjects" / "Airplanes" / "ZEV_A320_200" / "aircraft.cfg";
    }

    static std::string twoLiveries() {
        return buildZip({storedEntry("Blue/installerinfo.txt", descriptor("Blue", "blue")),
                         storedEntry("Blue/texture.blue/fuselage.bmp", "blue paint"),
                         storedEntry("Red/installerinfo.txt", descriptor("Red", "red")),
                         deflatedEntry("Red/texture.red/fuselage.bmp", "red paint")});
    }

    // Thrown from the trace at this point, when set: an error the sequence does not expect.
    std::string failAt;

    void run(const std::string& url) {
        DownloadAndInstallParts parts{httpget,
                                      uzip,
                                      *handlers,
                                      overlay,
                                      sink,
                                      [this](const std::string& point, const std::string& message) {
                                          trace.push_back(point + " " + message);
                                          if (point == failAt)
                                              throw std::runtime_error("unexpected at " + point);
                                      },
                                      [this] { return simulatorChoice; },
                                      [this] { return view.folder; },
                                      nullptr};
        DownloadAndInstall(parts, url, start.str());
    }

    // Leftovers of an earlier attempt in templiv, which every failure empties.
    void leaveLeftovers() {
        std::filesystem::create_directories(start / "templiv" / "Old" / "texture.old");
        writeFile(start / "templiv" / "Old" / "texture.old" / "a.bmp", "old");
    }

    // After a failure: the overlay is gone, the actions are back, templiv is empty.
    void expectCleanFailure() {
        EXPECT_FALSE(overlay.overlay);
        EXPECT_TRUE(overlay.actions);
        EXPECT_TRUE(empty("templiv"));
        EXPECT_TRUE(std::filesystem::is_directory(start / "templiv"));
        EXPECT_EQ(readFile(cfgPath()), kConfig);
    }

    bool empty(const char* folder) { return std::filesystem::is_empty(start / folder); }
};

} // namespace

TEST_F(DownloadAndInstallTest, APackageOfTwoLiveriesIsDownloadedUnpackedInstalledAndCleanedUp) {
    server.addFile("/p/pack.zip", twoLiveries());
    run(server.url("/p/pack.zip"));

    EXPECT_EQ(sink.messages, std::vector<std::string>{"Downloading and Installing completed"});
    const std::string config = readFile(cfgPath());
    EXPECT_NE(config.find("[fltsim.1]\r\ntitle=ZEV A320 Blue"), std::string::npos);
    EXPECT_NE(config.find("[fltsim.2]\r\ntitle=ZEV A320 Red"), std::string::npos);
    auto product = sim / "SimObjects" / "Airplanes" / "ZEV_A320_200";
    EXPECT_EQ(readFile(product / "texture.red" / "fuselage.bmp"), "red paint");
    EXPECT_EQ(readFile(product / "texture.blue" / "base.bmp"), "base");
    EXPECT_TRUE(empty("tempzip"));
    EXPECT_TRUE(empty("templiv"));
    EXPECT_TRUE(std::filesystem::is_directory(start / "templiv"));

    // The overlay went through its phases, and every action came back.
    EXPECT_EQ(overlay.events,
              (std::vector<std::string>{"hide mb1", "show p3", "phase Downl", "show first", "show second",
                                        "hide first", "hide second", "phase Unzip", "show meter",
                                        "hide meter", "phase Insta", "show mb1", "hide p3"}));
    EXPECT_TRUE(overlay.actions);
    EXPECT_EQ(overlay.caption, "Skinwright");
    EXPECT_EQ(overlay.title, "ZEV SW");
    ASSERT_GE(overlay.captions.size(), 2u);
    EXPECT_EQ(overlay.captions[overlay.captions.size() - 2], "ZEV Skinwright - 100% | ZEV SW - 100%");

    ASSERT_GE(trace.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(trace.begin(), trace.begin() + 3),
              (std::vector<std::string>{"988 BitBtn8Click called", "1061 Test log", "1113 Test log"}));
    EXPECT_NE(std::find(trace.begin(), trace.end(), "1139 Test log"), trace.end());
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "1160 Select FS passed"), 2);
    EXPECT_EQ(trace.back(), "1247 BitBtn8Click end");
}

TEST_F(DownloadAndInstallTest, NoSimulatorChosenChangesNothing) {
    simulatorChoice = Simulator::None;
    server.addFile("/p/pack.zip", twoLiveries());
    run(server.url("/p/pack.zip"));
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Please select FS"});
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(overlay.events.empty());
    EXPECT_EQ(trace, std::vector<std::string>{"988 BitBtn8Click called"});
}

// A download that ends without the whole file shows the downloader's last status text and
// the address in an error box.
TEST_F(DownloadAndInstallTest, AFailedDownloadShowsTheDownloadersLastStatus) {
    leaveLeftovers();
    const std::string url = server.url("/p/missing.zip");
    run(url);
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0], std::make_pair(std::string("ZEV SW"), "<<< 404 - HTTP Not Found >>>\n" + url));
    EXPECT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(empty("tempzip"));
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back(), "1247 BitBtn8Click end");
    expectCleanFailure();
}

TEST_F(DownloadAndInstallTest, ARefusedConnectionOrAServerErrorIsShownAndThePartialFileKept) {
    const std::string url = "http://127.0.0.1:" + std::to_string(findFreeLoopbackPort()) + "/p/pack.zip";
    run(url);
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0].second,
              "<<< 12029 - ERROR_INTERNET_CANNOT_CONNECT - The attempt to connect to the "
              "server failed. >>>\n" +
                  url);
    expectCleanFailure();

    // A resume that the server answers with 500: the part already here stays as it was.
    const std::string zip = twoLiveries();
    const std::string part = zip.substr(0, zip.size() / 2);
    writeFile(start / "tempzip" / "pack.zip", part);
    TestHttpResponse failing;
    failing.status = 500;
    failing.reason = "Internal Server Error";
    failing.body = "oops";
    server.setResponse("/p/pack.zip", failing);
    sink.errors.clear();
    run(server.url("/p/pack.zip"));
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0].second.substr(0, sink.errors[0].second.find('\n')),
              "<<< 500 - HTTP Internal Server Error >>>");
    EXPECT_EQ(readFile(start / "tempzip" / "pack.zip"), part);
    expectCleanFailure();
}

// The simulator's aircraft folder is checked before anything is downloaded.
TEST_F(DownloadAndInstallTest, AWrongSimulatorFolderStopsBeforeTheDownload) {
    server.addFile("/p/pack.zip", twoLiveries());
    TempDir elsewhere;
    view.folder = elsewhere.str();
    run(server.url("/p/pack.zip"));
    EXPECT_EQ(sink.messages,
              std::vector<std::string>{"Cannot find aircraft.cfg file, please recheck pathes\n" +
                                       elsewhere.str() + "/SimObjects/Airplanes"});
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(overlay.events.empty());
    EXPECT_TRUE(overlay.actions);
}

TEST_F(DownloadAndInstallTest, APackageUrlIsStoredWithoutItsQuery) {
    server.addFile("/p/pack.zip?token=1/2", twoLiveries());
    run(server.url("/p/pack.zip?token=1/2"));
    EXPECT_EQ(httpget.MArquivoLocal, start.str() + "/tempzip/pack.zip");
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Downloading and Installing completed"});
}

TEST_F(DownloadAndInstallTest, AnUrlEndingInASlashDownloadsNothingAndSaysSo) {
    const std::string url = server.url("/p/");
    run(url);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(overlay.overlay);
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0].second, std::string(kMsgNoPackageFileName) + "\n" + url);
}

TEST_F(DownloadAndInstallTest, ACutTransferResumesFromThePartialFile) {
    const std::string zip = twoLiveries();
    writeFile(start / "tempzip" / "pack.zip", zip.substr(0, zip.size() / 2));
    server.addFile("/p/pack.zip", zip);
    run(server.url("/p/pack.zip"));
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Downloading and Installing completed"});
    bool ranged = false;
    for (const auto& request : server.requests())
        if (request.header("Range") == "bytes=" + std::to_string(zip.size() / 2) + "-")
            ranged = true;
    EXPECT_TRUE(ranged);
}

TEST_F(DownloadAndInstallTest, ACompleteButCorruptPackageIsDroppedSoTheNextAttemptFetchesItAgain) {
    leaveLeftovers();
    server.addFile("/p/pack.zip", std::string(4000, 'x'));
    run(server.url("/p/pack.zip"));
    // The archive's own error text, and the file.
    ASSERT_EQ(sink.errors.size(), 1u);
    const std::string& text = sink.errors[0].second;
    ASSERT_NE(text.find('\n'), std::string::npos) << text;
    EXPECT_FALSE(text.substr(0, text.find('\n')).empty());
    EXPECT_EQ(text.substr(text.find('\n') + 1), start.str() + "/tempzip/pack.zip");
    expectCleanFailure();
    EXPECT_FALSE(std::filesystem::exists(start / "tempzip" / "pack.zip"));
    EXPECT_EQ(readFile(cfgPath()), kConfig);
    EXPECT_EQ(std::find(trace.begin(), trace.end(), "1139 Test log"), trace.end());
}

TEST_F(DownloadAndInstallTest, APackageFolderWithoutDescriptorEndsWithItsMessageAndKeepsTheFiles) {
    server.addFile("/p/pack.zip", buildZip({storedEntry("Blue/installerinfo.txt", descriptor("Blue", "blue")),
                                            storedEntry("Blue/texture.blue/a.bmp", "a"),
                                            storedEntry("Broken/texture.x/a.bmp", "a")}));
    run(server.url("/p/pack.zip"));
    EXPECT_EQ(sink.messages,
              std::vector<std::string>{"Cannot find installerinfo.txt file, please recheck pathes\n" +
                                       (start / "templiv" / "Broken" / "installerinfo.txt").string()});
    EXPECT_NE(readFile(cfgPath()).find("[fltsim.1]"), std::string::npos); // Blue was installed first
    EXPECT_TRUE(std::filesystem::exists(start / "tempzip" / "pack.zip"));
    EXPECT_TRUE(empty("templiv"));
    EXPECT_GE(view.progressHidden, 1);
    EXPECT_FALSE(overlay.overlay);
    EXPECT_TRUE(overlay.actions);
}

TEST_F(DownloadAndInstallTest, AMissingAircraftCfgEndsWithItsMessage) {
    std::filesystem::remove(cfgPath());
    server.addFile("/p/pack.zip", twoLiveries());
    run(server.url("/p/pack.zip"));
    EXPECT_EQ(sink.messages,
              std::vector<std::string>{"Cannot find aircraft.cfg file, please recheck pathes\n" +
                                       cfgPath().string()});
    EXPECT_TRUE(std::filesystem::exists(start / "tempzip" / "pack.zip"));
}

TEST_F(DownloadAndInstallTest, NoneChosenDuringTheDownloadSkipsEveryPackage) {
    server.addFile("/p/pack.zip", twoLiveries());
    view.sim = Simulator::None; // the user changed cb2 while the package came in
    run(server.url("/p/pack.zip"));
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"Please select FS", "Please select FS",
                                                       "No livery installed, please select FS"}));
    expectCleanFailure();
}

// Nothing installed is never "completed": an archive without a package folder says what it
// lacks, and names the downloaded file, which stays.
TEST_F(DownloadAndInstallTest, AZipWithoutPackageFoldersSaysNothingWasInstalled) {
    const std::string noFolder =
        std::string(kMsgNoPackageInDownload) + "\n" + start.str() + "/tempzip/pack.zip";
    server.addFile("/p/pack.zip",
                   buildZip({storedEntry("readme.txt", "hi"), storedEntry("A320.blue/x.bmp", "x")}));
    run(server.url("/p/pack.zip"));
    EXPECT_EQ(sink.messages, std::vector<std::string>{noFolder});
    expectCleanFailure();
    EXPECT_TRUE(std::filesystem::exists(start / "tempzip" / "pack.zip"));
}

// The descriptor and its texture folder at the top of the archive: the zip is one package,
// named after the zip file.
TEST_F(DownloadAndInstallTest, AZipWithTheDescriptorAtItsTopIsOnePackage) {
    server.addFile("/p/A320.top.zip", buildZip({storedEntry("installerinfo.txt", descriptor("Top", "top")),
                                                storedEntry("texture.top/fuselage.bmp", "top paint")}));
    run(server.url("/p/A320.top.zip"));
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Downloading and Installing completed"});
    EXPECT_NE(readFile(cfgPath()).find("texture=top"), std::string::npos);
    EXPECT_EQ(readFile(sim / "SimObjects" / "Airplanes" / "ZEV_A320_200" / "texture.top" / "fuselage.bmp"),
              "top paint");
    EXPECT_TRUE(empty("templiv"));
    EXPECT_TRUE(empty("tempzip"));
}

// An error the sequence does not expect still leaves the window usable and templiv empty.
TEST_F(DownloadAndInstallTest, AnUnexpectedErrorStillClosesTheOverlayAndEmptiesTempliv) {
    server.addFile("/p/pack.zip", twoLiveries());
    failAt = "1139"; // after unpacking
    EXPECT_THROW(run(server.url("/p/pack.zip")), std::runtime_error);
    expectCleanFailure();
    EXPECT_TRUE(std::filesystem::exists(start / "tempzip" / "pack.zip"));
}

TEST(DownloadProgress, PercentageInCaptionAndTitleButNotForAnUnknownSize) {
    FakeOverlay overlay;
    TMHttpGetResume idle; // never started: size 0
    httpgetMOnProgress(idle, overlay);
    EXPECT_TRUE(overlay.captions.empty());
}

// A livery installed already is asked about by name once it is unpacked; No keeps the
// product exactly as it was and says nothing more, Yes installs it again.
TEST_F(DownloadAndInstallTest, ALiveryInstalledAlreadyIsInstalledAgainOnlyWhenTheUserSaysSo) {
    server.addFile("/p/house.zip",
                   buildZip({storedEntry("House/installerinfo.txt", descriptor("House", "house")),
                             storedEntry("House/texture.house/fuselage.bmp", "new paint")}));
    const std::string question = "question: House is already installed in ZEV_A320_200. Install it again?";
    sink.answers = {false};
    run(server.url("/p/house.zip"));
    EXPECT_EQ(sink.messages, std::vector<std::string>{question});
    expectCleanFailure(); // nothing changed, nothing left over
    EXPECT_FALSE(
        std::filesystem::exists(sim / "SimObjects" / "Airplanes" / "ZEV_A320_200" / "texture.house"));
    EXPECT_TRUE(empty("tempzip"));
    EXPECT_EQ(trace.back(), "1247 BitBtn8Click end");

    sink.messages.clear();
    sink.answers = {true};
    run(server.url("/p/house.zip"));
    EXPECT_EQ(sink.messages, (std::vector<std::string>{question, "Downloading and Installing completed"}));
    EXPECT_NE(readFile(cfgPath()).find("[fltsim.1]\r\ntitle=ZEV A320 House"), std::string::npos);
}

// Of two liveries, the one installed already is left out on No; the other is installed.
TEST_F(DownloadAndInstallTest, NoToInstallingAgainLeavesOutOnlyTheLiveryThatIsThere) {
    server.addFile("/p/pack.zip", twoLiveries());
    server.addFile("/p/blue.zip", buildZip({storedEntry("Blue/installerinfo.txt", descriptor("Blue", "blue")),
                                            storedEntry("Blue/texture.blue/fuselage.bmp", "blue paint")}));
    run(server.url("/p/blue.zip"));
    const std::string once = readFile(cfgPath());
    sink.messages.clear();
    sink.answers = {false};
    run(server.url("/p/pack.zip"));
    EXPECT_EQ(sink.messages, (std::vector<std::string>{
                                 "question: Blue is already installed in ZEV_A320_200. Install it again?",
                                 "Downloading and Installing completed"}));
    const std::string config = readFile(cfgPath());
    EXPECT_EQ(config.find("ui_variation=Blue"), config.rfind("ui_variation=Blue")); // still once
    EXPECT_NE(config.find("[fltsim.2]\r\ntitle=ZEV A320 Red"), std::string::npos);
    EXPECT_EQ(config.substr(0, once.find("[General]")), once.substr(0, once.find("[General]")));
}
