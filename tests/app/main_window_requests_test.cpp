// Catalogue and thumbnail requests run inside the window's handlers: while one waits for the
// server the window keeps handling its messages (painting, moving, closing), the navigation
// and action buttons are off, and closing the window ends the request.
#include "app/artwork.h"
#include "app/main_window.h"
#include "app/picture_button.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "wine_prefix_fixture.h"

#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

using namespace sw;
using namespace sw::test;
using namespace std::chrono_literals;

namespace {

// Which of the window's controls were enabled at one moment.
struct Controls {
    bool navigation, load, localInstall, remove, products, liveries;
};

Controls controlsOf(TForm1& form) {
    return {form.BitBtn10->isEnabled() || form.BitBtn11->isEnabled() || form.BitBtn12->isEnabled(),
            form.BitBtn8->isEnabled(),
            form.BitBtn3->isEnabled(),
            form.BitBtn6->isEnabled(),
            form.cb5->isEnabled(),
            form.cb6->isEnabled()};
}

class WindowRequests : public ::testing::Test {
protected:
    TestHttpServer server;
    WinePrefixFixture prefix;
    TempDir workspace;
    ScopedCurrentFolder inWorkspace{workspace.path()};
    std::unique_ptr<ScopedEnv> catalogueUrl;
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
    std::unique_ptr<TForm1> form;

    void SetUp() override {
        ASSERT_TRUE(
            artwork::writeDefaultThumbnail(QString::fromStdString((workspace / "thumbnail.jpg").string())));
        catalogueUrl =
            std::make_unique<ScopedEnv>("SKINWRIGHT_CATALOGUE_URL", server.url("/skinwright/").c_str());
        WindowServices services;
        services.messages = sink;
        services.winePrefix = prefix.path();
        form = std::make_unique<TForm1>(services);
        form->show();
    }

    // Clicks BitBtn11; `during` runs from a timer 100 ms later, while the handler still runs.
    // Returns how long the click took.
    std::chrono::steady_clock::duration clickCatalogue(const std::function<void()>& during) {
        QTimer::singleShot(100, form.get(), during);
        const auto start = std::chrono::steady_clock::now();
        QTest::mouseClick(form->BitBtn11, Qt::LeftButton);
        return std::chrono::steady_clock::now() - start;
    }

    static TestHttpResponse silent() {
        TestHttpResponse r;
        r.body = "late";
        r.answerDelay = 5s; // bounded by the server's stop()
        return r;
    }
};

TEST_F(WindowRequests, ClosingTheWindowEndsACatalogueRequestThatWaits) {
    server.setResponse("/skinwright/prod.txt", silent());
    std::optional<Controls> seen;
    bool painted = false;
    const auto took = clickCatalogue([&] {
        seen = controlsOf(*form);
        painted = !form->grab().isNull();                 // the window still paints
        QTest::mouseClick(form->BitBtn4, Qt::LeftButton); // the close button
    });
    EXPECT_LT(took, 3s);
    ASSERT_TRUE(seen.has_value()) << "the window handled no message while the request waited";
    EXPECT_TRUE(painted);
    EXPECT_FALSE(seen->navigation);
    EXPECT_FALSE(seen->load);
    EXPECT_FALSE(seen->localInstall);
    EXPECT_FALSE(seen->remove);
    EXPECT_FALSE(seen->products);
    EXPECT_FALSE(seen->liveries);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(sink->messages.empty()) << "a request ended by closing shows no error";
    EXPECT_FALSE(form->p2->isVisibleTo(form.get()));
}

TEST_F(WindowRequests, AThumbnailThatWaitsKeepsTheWindowAliveToo) {
    server.addFile("/skinwright/prod.txt", "ZEV A320&&a320.txt;;\r\n");
    server.addFile("/skinwright/a320.txt",
                   "Blue&&" + server.url("/p/blue.zip") + ";;" + server.url("/t/blue.jpg") + "!!\r\n");
    server.setResponse("/t/blue.jpg", silent());
    std::optional<Controls> seen;
    const auto took = clickCatalogue([&] {
        seen = controlsOf(*form);
        form->close();
    });
    EXPECT_LT(took, 3s);
    ASSERT_TRUE(seen.has_value());
    EXPECT_FALSE(seen->navigation);
    EXPECT_FALSE(seen->load);
    EXPECT_FALSE(seen->liveries);
    EXPECT_TRUE(sink->messages.empty());
}

TEST_F(WindowRequests, ControlsComeBackAsTheyWereAfterTheRequests) {
    server.addFile("/skinwright/prod.txt", "ZEV A320&&a320.txt;;\r\n");
    server.addFile("/skinwright/a320.txt", "Blue&&" + server.url("/p/blue.zip") + ";;!!\r\n");
    form->BitBtn6->setEnabled(false); // as some other handler left it
    QTest::mouseClick(form->BitBtn11, Qt::LeftButton);
    ASSERT_TRUE(form->p2->isVisible());
    const Controls after = controlsOf(*form);
    EXPECT_TRUE(after.navigation);
    EXPECT_TRUE(after.load);
    EXPECT_TRUE(after.localInstall);
    EXPECT_FALSE(after.remove);
    EXPECT_TRUE(after.products);
    EXPECT_TRUE(after.liveries);
    EXPECT_EQ(form->cb6->currentText(), "Blue");

    // A failure still gives them back, and is shown as before.
    server.setResponse("/skinwright/prod.txt", [] {
        TestHttpResponse missing;
        missing.status = 404;
        missing.reason = "Not Found";
        return missing;
    }());
    QTest::mouseClick(form->BitBtn11, Qt::LeftButton);
    EXPECT_TRUE(controlsOf(*form).navigation);
    ASSERT_EQ(sink->errors.size(), 1u);
    EXPECT_EQ(sink->errors[0].second, "Not Found (404) - '" + server.url("/skinwright/prod.txt") + "'");
}

} // namespace
