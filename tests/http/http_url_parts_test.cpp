#include "http/http_url_parts.h"

#include <gtest/gtest.h>

namespace sw {
namespace {

TEST(HttpUrlPartsTest, CrackingRejectsWhatCannotBeRequested) {
    for (const char* bad :
         {"", "ftp://host/x", "file:///etc/passwd", "host/x", "http://", "http:///path", "http://host:0/",
          "http://host:65536/", "http://host:-1/", "http://[::1/x", "http://[::1]x/"})
        EXPECT_FALSE(crackHttpUrl(bad)) << bad;
}

// Found by fuzz_http_urls: the transport reads "000...080" as port 80, the client refused it.
TEST(HttpUrlPartsTest, APortMayHaveLeadingZeros) {
    const auto parts = crackHttpUrl("http://host:0000000000000000000000000000000000080/x");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->port, 80);
    EXPECT_FALSE(crackHttpUrl("http://host:0000/x"));
    EXPECT_FALSE(crackHttpUrl("http://host:000065536/x"));
}

TEST(HttpUrlPartsTest, CrackingKeepsTheQueryAndDropsUserAndFragment) {
    const auto parts = crackHttpUrl("http://me:pw@[::1]:8080/a/b.txt?x=1&y=2#frag");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->host, "[::1]");
    EXPECT_EQ(parts->port, 8080);
    EXPECT_EQ(parts->path, "/a/b.txt?x=1&y=2");
    const auto bare = crackHttpUrl("Http://zev.example?list");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->scheme, HttpScheme::Http);
    EXPECT_EQ(bare->port, 80);
    EXPECT_EQ(bare->path, "?list");
    EXPECT_EQ(joinHttpUrl(*bare, false, {}), "http://zev.example:80/?list");
    EXPECT_EQ(joinHttpUrl(*bare, true, {}), "https://zev.example:80/?list");
}

TEST(HttpUrlPartsTest, EscapingFollowsTheRequestFlags) {
    const std::string path = "/Liveries/B738 \xE9t\xE9/100%.zip?q=a b";
    EXPECT_EQ(escapeHttpPath(path, {}), "/Liveries/B738%20%E9t%E9/100%.zip?q=a%20b");
    EXPECT_EQ(escapeHttpPath(path, {.percent = true}), "/Liveries/B738%20%E9t%E9/100%25.zip?q=a%20b");
    EXPECT_EQ(escapeHttpPath(path, {.disableQuery = true}), "/Liveries/B738%20%E9t%E9/100%.zip?q=a b");
    EXPECT_EQ(escapeHttpPath(path, {.disable = true}), path);
    EXPECT_EQ(escapeHttpPath("/a\"<>\x7F\x01", {}), "/a%22%3C%3E%7F%01");
}

} // namespace
} // namespace sw
