#include "../liveries/jpeg_writer.h"
#include "catalogue/catalogue_handlers.h"
#include "http/http_client_exception.h"
#include "http/winhttp_client.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace sw;
using namespace sw::catalogue;
using namespace sw::test;

namespace {

class FakeCatalogueView : public CatalogueView {
public:
    std::vector<std::string> products, liveries;
    int product = -1, livery = -1;
    liveries::RgbImage picture;
    int pictures = 0;
    bool panelShown = false;

    void clearProducts() override { products.clear(), product = -1; }
    void addProduct(const std::string& name) override { products.push_back(name); }
    void selectProduct(int index) override { product = index; }
    int productIndex() const override { return product; }
    void clearLiveries() override { liveries.clear(), livery = -1; }
    void addLivery(const std::string& name) override { liveries.push_back(name); }
    void selectLivery(int index) override { livery = index; }
    int liveryIndex() const override { return livery; }
    void showThumbnail(const liveries::RgbImage& p) override {
        picture = p;
        ++pictures;
    }
    void showCataloguePanel() override { panelShown = true; }
};

TestHttpResponse answer(int status, const std::string& reason, const std::string& body = "") {
    TestHttpResponse response;
    response.status = status;
    response.reason = reason;
    response.body = body;
    return response;
}

// Colour of a solid picture's first pixel, 0xRRGGBB.
unsigned firstPixel(const liveries::RgbImage& p) {
    return p.isNull() ? 0xFFFFFFFFu : (p.pixels[0] << 16) | (p.pixels[1] << 8) | p.pixels[2];
}

class CatalogueHandlersTest : public ::testing::Test {
protected:
    TestHttpServer server;
    TempDir start;
    FakeCatalogueView view;
    TALWinHttpClient http;
    std::vector<std::string> trace;
    std::unique_ptr<CatalogueHandlers> handlers;

    void SetUp() override {
        std::filesystem::create_directory(start / "images");
        writeFile(start / "thumbnail.jpg", liveries::test::solidJpeg(32, 16, 0x0000FF));
        server.addFile("/skinwright/prod.txt", "ZEV A320&&a320.txt;;\r\nZEV B737&&b737.txt;;\r\n");
        server.addFile("/skinwright/a320.txt", "Blue&&" + server.url("/p/blue.zip") + ";;" +
                                                   server.url("/t/blue.jpg") + "!!\r\nRed&&" +
                                                   server.url("/p/red.zip") + ";;" +
                                                   server.url("/t/red.jpg?v=2") + "!!\r\n");
        server.addFile("/skinwright/b737.txt", "Green&&" + server.url("/p/green.zip") + ";;!!\r\n");
        server.addFile("/t/blue.jpg", liveries::test::solidJpeg(64, 32, 0x0000C8));
        server.addFile("/t/red.jpg?v=2", liveries::test::solidJpeg(64, 32, 0xC80000));
        handlers = std::make_unique<CatalogueHandlers>(
            view, [this](const std::string& url) { return http.Get(url); },
            [this](const std::string& point, const std::string& message) {
                trace.push_back(point + " " + message);
            },
            server.url("/skinwright/"), start.str());
    }

    bool imagesEmpty() { return std::filesystem::is_empty(start / "images"); }
};

} // namespace

TEST_F(CatalogueHandlersTest, TheCatalogueButtonFillsBothListsAndShowsTheFirstThumbnail) {
    handlers->BitBtn11Click();
    EXPECT_EQ(view.products, (std::vector<std::string>{"ZEV A320", "ZEV B737"}));
    EXPECT_EQ(view.product, 0);
    EXPECT_EQ(view.liveries, (std::vector<std::string>{"Blue", "Red"}));
    EXPECT_EQ(view.livery, 0);
    EXPECT_EQ(handlers->SelectedPackageUrl(), server.url("/p/blue.zip"));
    EXPECT_TRUE(view.panelShown);
    EXPECT_EQ(view.picture.width, 64);
    EXPECT_NEAR(static_cast<int>(firstPixel(view.picture) & 0xFF), 0xC8, 8);
    EXPECT_TRUE(imagesEmpty());

    const std::string url = server.url("/t/blue.jpg");
    const std::string images = start.str() + "/images/";
    std::vector<std::string> expected = {"1470 BitBtn11Click called",
                                         "1529 Test log",
                                         "1529 Test log",
                                         "1555 Test log",
                                         "1556 Opening url: " + url,
                                         "1557 We are in try block",
                                         "1558 s3 is " + url};
    // The name is cut out one "/" at a time.
    std::string rest = url;
    for (std::size_t slash = rest.find('/'); slash != std::string::npos; slash = rest.find('/')) {
        rest.erase(0, slash + 1);
        expected.push_back("1559 s3 is " + rest);
    }
    for (const std::string& line : std::vector<std::string>{
             "1560 final s3 is blue.jpg", "1561 path is " + start.str(),
             "1562 path to image is " + images + "blue.jpg", std::string("1564 file assigned"),
             std::string("1565 rewrite mode"), std::string("1566 closing file"), std::string("1567 closed"),
             std::string("1568 image exists"), "1570 Checking image: " + images + "blue.jpg",
             std::string("1581 Test log"), std::string("1543 BitBtn11Click end")})
        expected.push_back(line);
    EXPECT_EQ(trace, expected);
}

TEST_F(CatalogueHandlersTest, PickingALiveryShowsItsThumbnailWithoutFetchingTheList) {
    handlers->BitBtn11Click();
    trace.clear();
    const auto before = server.requests().size();
    view.livery = 1;
    handlers->cb6Change();
    // Only the thumbnail was fetched; its query is not part of the file name.
    ASSERT_EQ(server.requests().size(), before + 1);
    EXPECT_EQ(server.lastRequest().target, "/t/red.jpg?v=2");
    EXPECT_NEAR(static_cast<int>(firstPixel(view.picture) >> 16), 0xC8, 8);
    EXPECT_EQ(handlers->SelectedPackageUrl(), server.url("/p/red.zip"));
    EXPECT_EQ(trace, (std::vector<std::string>{"1348 cb6Change called", "1399 Test log", "1425 Test log",
                                               "1391 cb6Change end"}));
    EXPECT_TRUE(imagesEmpty());
}

TEST_F(CatalogueHandlersTest, PickingAProductUsesTheCatalogueFetchedLast) {
    handlers->BitBtn11Click();
    // The server's catalogue changes; the window still reads record 1 of what it fetched.
    server.addFile("/skinwright/prod.txt", "Other&&other.txt;;\r\n");
    trace.clear();
    view.product = 1;
    handlers->cb5Change();
    EXPECT_EQ(view.liveries, std::vector<std::string>{"Green"});
    EXPECT_EQ(handlers->SelectedPackageUrl(), server.url("/p/green.zip"));
    // An empty thumbnail URL fetches nothing and shows the default picture.
    EXPECT_NEAR(static_cast<int>(firstPixel(view.picture) & 0xFF), 0xFF, 8);
    EXPECT_EQ(trace, (std::vector<std::string>{"1266 cb5Change called", "1321 Test log", "1373 Test log",
                                               "1329 cb5Change end"}));
}

TEST_F(CatalogueHandlersTest, AFailedCatalogueFetchChangesNothing) {
    handlers->BitBtn11Click();
    const std::string catalogue = handlers->CatalogueText();
    server.setResponse("/skinwright/prod.txt", answer(404, "Not Found", "gone"));
    view.panelShown = false;
    try {
        handlers->BitBtn11Click();
        FAIL() << "no error";
    } catch (const EALHTTPClientException& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Not Found (404) - '" + server.url("/skinwright/prod.txt") + "'");
    }
    EXPECT_EQ(handlers->CatalogueText(), catalogue);
    EXPECT_EQ(view.products.size(), 2u);
    EXPECT_FALSE(view.panelShown);
}

TEST_F(CatalogueHandlersTest, AFailedListFetchKeepsTheLiveriesButRefillsTheProducts) {
    server.setResponse("/skinwright/a320.txt", answer(500, "Internal Server Error"));
    view.liveries = {"kept"};
    EXPECT_THROW(handlers->BitBtn11Click(), EALHTTPClientException);
    EXPECT_EQ(view.products.size(), 2u);
    EXPECT_NE(handlers->CatalogueText(), "");
    EXPECT_EQ(view.liveries, std::vector<std::string>{"kept"});
    EXPECT_EQ(handlers->LiveryListText(), "");
    EXPECT_EQ(handlers->SelectedPackageUrl(), "");
    EXPECT_FALSE(view.panelShown);
}

TEST_F(CatalogueHandlersTest, AListWithoutRecordsEmptiesTheLiveriesAndKeepsThePicture) {
    server.addFile("/skinwright/prod.txt", "Empty&&empty.txt;;\r\n");
    server.addFile("/skinwright/empty.txt", "");
    handlers->BitBtn11Click();
    EXPECT_TRUE(view.liveries.empty());
    EXPECT_EQ(view.pictures, 0);
    EXPECT_EQ(handlers->SelectedPackageUrl(), "");
}

TEST_F(CatalogueHandlersTest, AThumbnailThatIsNoPictureShowsTheDefault) {
    server.setResponse("/t/blue.jpg", answer(404, "Not Found", "<html>404</html>"));
    handlers->BitBtn11Click();
    EXPECT_EQ(view.picture.width, 32); // the default picture
    EXPECT_TRUE(std::find(trace.begin(), trace.end(), "1568 image exists") != trace.end());
    EXPECT_TRUE(imagesEmpty());
}

TEST_F(CatalogueHandlersTest, AnUnreachableThumbnailShowsTheDefault) {
    server.addFile("/skinwright/a320.txt", "Far&&http://127.0.0.1:1/p.zip;;http://127.0.0.1:1/far.jpg!!\r\n");
    handlers->BitBtn11Click();
    EXPECT_EQ(view.picture.width, 32);
    EXPECT_TRUE(imagesEmpty());
}

TEST(ThumbnailName, NeverNamesAFileOutsideImages) {
    EXPECT_EQ(urlFileName("http://h/a/b/pic.jpg"), "pic.jpg");
    EXPECT_EQ(urlFileName("http://h/pic.jpg?size=2/3#x"), "pic.jpg");
    EXPECT_EQ(urlFileName("pic.jpg"), "pic.jpg");
    EXPECT_EQ(urlFileName("http://h/a/"), "");
    EXPECT_EQ(urlFileName("http://h/a/.."), "");
    EXPECT_EQ(urlFileName("http://h/a/."), "");
}
