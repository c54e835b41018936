#include "http/http_request_header.h"
#include "http/winhttp_client.h"

#include <gtest/gtest.h>

#include <vector>

namespace sw {
namespace {

TEST(HttpRequestHeaderTest, ThirtyEightFieldsInTheirOrderWithTheirDefaults) {
    const std::vector<std::string> expected = {"Accept",
                                               "Accept-Charset",
                                               "Accept-Encoding",
                                               "Accept-Language",
                                               "Allow",
                                               "Authorization",
                                               "Cache-Control",
                                               "Connection",
                                               "Content-Encoding",
                                               "Content-Language",
                                               "Content-Length",
                                               "Content-Location",
                                               "Content-MD5",
                                               "Content-Range",
                                               "Content-Type",
                                               "Date",
                                               "Expect",
                                               "Expires",
                                               "From",
                                               "Host",
                                               "If-Match",
                                               "If-Modified-Since",
                                               "If-None-Match",
                                               "If-Range",
                                               "If-Unmodified-Since",
                                               "Last-Modified",
                                               "Max-Forwards",
                                               "Pragma",
                                               "Proxy-Authorization",
                                               "Range",
                                               "Referer",
                                               "TE",
                                               "Trailer",
                                               "Transfer-Encoding",
                                               "Upgrade",
                                               "User-Agent",
                                               "Via",
                                               "Warning"};
    ASSERT_EQ(TALHTTPRequestHeader::kFieldCount, 38);
    for (int i = 0; i < TALHTTPRequestHeader::kFieldCount; ++i)
        EXPECT_EQ(TALHTTPRequestHeader::fieldName(i), expected[i]) << "field " << i;
    EXPECT_THROW(TALHTTPRequestHeader::fieldName(38), std::out_of_range);

    TALHTTPRequestHeader header;
    EXPECT_EQ(header.Accept(), "text/html, */*");
    EXPECT_EQ(header.UserAgent(), "Mozilla/3.0 (compatible; TALHTTPClient)");
    EXPECT_EQ(header.field(TALHTTPRequestHeader::kUserAgent), header.UserAgent());
    for (int i = 1; i < 38; ++i)
        if (i != TALHTTPRequestHeader::kUserAgent) {
            EXPECT_EQ(header.field(i), "") << TALHTTPRequestHeader::fieldName(i);
        }
    EXPECT_EQ(header.rawHeaderText(),
              "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; TALHTTPClient)\r\n");

    TALWinHttpClient client;
    EXPECT_EQ(client.RequestHeader().UserAgent(), "Mozilla/3.0 (compatible; TALWinHttpClient)");
}

TEST(HttpRequestHeaderTest, OnChangeReportsOnlyRealChanges) {
    TALHTTPRequestHeader header;
    std::vector<int> changes;
    header.OnChange = [&](TALHTTPRequestHeader&, int index) { changes.push_back(index); };
    header.setReferer("http://zev.example/");
    header.setReferer("http://zev.example/"); // same value: nothing
    header.setAccept("text/html, */*");       // the default again: nothing
    header.setField(0, "*/*");
    header.setWarning("199 x");
    header.setCustomHeaders({"X-A: 1"});
    header.setCustomHeaders({"X-A: 1"});
    header.setCookies({"a=1"});
    header.clear();
    EXPECT_EQ(changes, (std::vector<int>{30, 0, 37, TALHTTPRequestHeader::kCustomHeadersIndex,
                                         TALHTTPRequestHeader::kCookiesIndex, -1}));
    EXPECT_EQ(header.rawHeaderText(), "");
}

TEST(HttpRequestHeaderTest, RawTextTrimsSkipsEmptiesAndAppendsCustomHeadersAndCookies) {
    TALHTTPRequestHeader header;
    header.setAccept("  */*  ");
    header.setAcceptLanguage("   "); // blank after trimming: not sent
    header.setRange("bytes=10-");
    header.setCustomHeaders({" X-Skin : wright ", "NoValue:", ":novalue", "no colon at all", "X-Two:2"});
    header.setCookies({" a=1 ", "", "b=2"});
    EXPECT_EQ(header.rawHeaderText(), "Accept: */*\r\n"
                                      "Range: bytes=10-\r\n"
                                      "User-Agent: Mozilla/3.0 (compatible; TALHTTPClient)\r\n"
                                      "X-Skin: wright\r\n"
                                      "X-Two: 2\r\n"
                                      "Cookie: a=1; b=2\r\n");
}

TEST(HttpRequestHeaderTest, LineBreaksInsideAValueCannotStartAHeaderOfTheirOwn) {
    TALHTTPRequestHeader header;
    header.setUserAgent("agent\r\nX-Injected: 1");
    header.setCustomHeaders({"X-Name: a\nSet: b"});
    EXPECT_EQ(header.rawHeaderLines(),
              (std::vector<std::string>{"Accept: text/html, */*", "User-Agent: agent  X-Injected: 1",
                                        "X-Name: a Set: b"}));
}

} // namespace
} // namespace sw
