#include "cli_runner.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"

#include <gtest/gtest.h>

using sw::test::runTool;
using sw::test::TestHttpServer;

TEST(CatalogueCommand, ListsEveryProductWithItsLiveriesInCatalogueOrder) {
    TestHttpServer server;
    server.addFile("/cat/prod.txt", "ZEV A320 &&a320.txt;;\r\nZEV B737&&b737.txt;;\r\n");
    server.addFile("/cat/a320.txt",
                   "Blue \xE9&&http://h/blue.zip;;http://h/blue.jpg!!\r\nRed&&http://h/red.zip;;!!\r\n");
    server.addFile("/cat/b737.txt", "");
    auto result = runTool({"catalogue", server.url("/cat")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "product\tZEV A320 \ta320.txt\n"
                          "livery\tBlue \xE9\thttp://h/blue.zip\thttp://h/blue.jpg\n"
                          "livery\tRed\thttp://h/red.zip\t\n"
                          "product\tZEV B737\tb737.txt\n");
    EXPECT_EQ(result.err, "");
}

TEST(CatalogueCommand, UsesTheProgramsAddressWhenNoneIsGiven) {
    TestHttpServer server;
    server.addFile("/skinwright/prod.txt", "Only&&only.txt;;");
    server.addFile("/skinwright/only.txt", "One&&u;;t!!");
    sw::test::ScopedEnv url("SKINWRIGHT_CATALOGUE_URL", server.url("/skinwright/").c_str());
    auto result = runTool({"catalogue"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "product\tOnly\tonly.txt\nlivery\tOne\tu\tt\n");
}

TEST(CatalogueCommand, AFailedFetchEndsWithTheClientsMessage) {
    TestHttpServer server;
    server.addFile("/cat/prod.txt", "A&&a.txt;;\r\nB&&b.txt;;\r\n");
    server.addFile("/cat/a.txt", "");
    auto result = runTool({"catalogue", server.url("/cat/")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "product\tA\ta.txt\nproduct\tB\tb.txt\n");
    EXPECT_EQ(result.err, "Not Found (404) - '" + server.url("/cat/b.txt") + "'\n");
    EXPECT_EQ(runTool({"catalogue", "a", "b"}).status, 2);
}
