#include "cli_runner.h"

#include "support/test_http_server.h"

#include <gtest/gtest.h>

namespace sw {
namespace {

using sw::test::runTool;
using sw::test::TestHttpServer;

TEST(GetCommandTest, WritesTheBodyByteExactToStdout) {
    TestHttpServer server;
    std::string zip(300000, '\0');
    for (std::size_t i = 0; i < zip.size(); ++i)
        zip[i] = static_cast<char>((i * 13 + (i >> 9)) & 0xFF); // every byte value, NULs and CRs included
    zip.replace(1000, 4, "\r\n\x1a\n");
    server.addFile("/packages/ZEV_B738.zip", zip);

    const auto result = runTool({"get", server.url("/packages/ZEV_B738.zip")});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.size(), zip.size());
    EXPECT_TRUE(result.out == zip);
}

TEST(GetCommandTest, ClientErrorsGoToStderrWithStatusOne) {
    TestHttpServer server;
    const std::string missing = server.url("/prod.txt");
    auto result = runTool({"get", missing});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Not Found (404) - '" + missing + "'\n");

    result = runTool({"get", "ftp://127.0.0.1/prod.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "Invalid url 'ftp://127.0.0.1/prod.txt' - only supports 'http' and 'https' schemes\n");

    result = runTool({"get", ""});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Empty URL\n");

    result = runTool({"get"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "usage: skinwright-cli get [--timeout SECONDS] URL\n");
}

} // namespace
} // namespace sw
