#include "platform/http_response_head.h"

#include <gtest/gtest.h>

namespace sw {
namespace {

TEST(HttpResponseHeadTest, StatusLinesAreRecognisedStrictly) {
    int status = -1;
    std::string reason;
    EXPECT_TRUE(parseHttpStatusLine("HTTP/1.1 404 Not Found", status, reason));
    EXPECT_EQ(status, 404);
    EXPECT_EQ(reason, "Not Found");
    EXPECT_TRUE(parseHttpStatusLine("HTTP/1.0 200", status, reason));
    EXPECT_EQ(status, 200);
    EXPECT_EQ(reason, "");
    for (const char* bad :
         {"HTTP/1.1 2000 Big", "HTTP/1.1 20", "HTTP/1.1 2x0 OK", "ICY 200 OK", "Content-Type: x"}) {
        status = -1;
        EXPECT_FALSE(parseHttpStatusLine(bad, status, reason)) << bad;
        EXPECT_EQ(status, -1) << bad;
    }
}

TEST(HttpResponseHeadTest, FieldsKeepTheirRawTextAndFoldedLinesJoin) {
    HttpResponseHead head;
    addHttpHeaderLine(head, "Content-Type:  text/plain ");
    addHttpHeaderLine(head, "X-Long: first");
    addHttpHeaderLine(head, "\tsecond");
    addHttpHeaderLine(head, "no colon here");
    addHttpHeaderLine(head, "");
    ASSERT_EQ(head.fields.size(), 2u);
    EXPECT_EQ(findHttpHeader(head.fields, "content-type")->value, "text/plain");
    EXPECT_EQ(findHttpHeader(head.fields, "X-LONG")->value, "first second");
    EXPECT_EQ(findHttpHeader(head.fields, "Location"), nullptr);
    EXPECT_EQ(head.raw, "Content-Type:  text/plain \r\nX-Long: first\r\n\tsecond\r\nno colon here\r\n\r\n");
    EXPECT_TRUE(hasHttpHeaderLine({"Accept: */*", " expect :"}, "Expect"));
    EXPECT_FALSE(hasHttpHeaderLine({"X-Accept: */*"}, "Accept"));
}

TEST(HttpResponseHeadTest, ContentLengthMustBeAPlainNumberThatFits) {
    EXPECT_EQ(parseHttpContentLength("0"), 0);
    EXPECT_EQ(parseHttpContentLength(" 314572800 "), 314572800);
    EXPECT_EQ(parseHttpContentLength("999999999999999999"), 999999999999999999LL);
    for (const char* bad : {"", "-1", "+5", "12abc", "1 2", "0x10", "9999999999999999999"})
        EXPECT_FALSE(parseHttpContentLength(bad)) << bad;
}

} // namespace
} // namespace sw
