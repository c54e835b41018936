// The catalogue's client against servers that misbehave: every failure ends with WinHTTP's
// error and text, nothing waits without limit, and HTTPS works.
#include "http/winhttp_client.h"
#include "http/winhttp_errors.h"
#include "platform/http_session.h"

#include "support/test_certificates.h"
#include "support/test_http_server.h"

#include <gtest/gtest.h>

#include <chrono>

namespace sw {
namespace {

using sw::test::TestCertificates;
using sw::test::TestHttpResponse;
using sw::test::TestHttpServer;
using namespace std::chrono_literals;

EALHTTPClientException raised(const std::function<void()>& step) {
    try {
        step();
    } catch (const EALHTTPClientException& e) {
        return e;
    }
    ADD_FAILURE() << "no EALHTTPClientException";
    return EALHTTPClientException("", -1);
}

// The message of a failed call: WinHTTP's text for `code`, then the URL.
std::string failureText(std::uint32_t code, const std::string& url) {
    return std::string(winHttpErrorText(code)) + " - URL:" + url;
}

class WinHttpFaultsTest : public ::testing::Test {
protected:
    TestHttpServer server;
    TALWinHttpClient http;
};

TEST_F(WinHttpFaultsTest, ARedirectLoopRaisesRedirectFailed) {
    server.setRedirect("/loop.txt", 302, "/loop.txt");
    const std::string url = server.url("/loop.txt");
    const EALHTTPClientException e = raised([&] { http.Get(url); });
    EXPECT_EQ(e.ErrorCode(), 12156u);
    EXPECT_EQ(e.StatusCode(), 0);
    EXPECT_EQ(std::string(e.what()),
              "The redirection failed because either the scheme changed or all attempts made to redirect "
              "failed - URL:" +
                  url);
    EXPECT_EQ(server.requests().size(), 11u) << "the request and at most ten redirects";
}

TEST_F(WinHttpFaultsTest, AnswersThatCannotBeParsedRaiseInvalidServerResponse) {
    TestHttpResponse garbage;
    garbage.rawAnswer = "garbage\r\n\r\n";
    server.setResponse("/garbage", garbage);
    TestHttpResponse http09;
    http09.rawAnswer = "ZEV A320&&a320.txt;;\r\n";
    server.setResponse("/http09", http09);
    TestHttpResponse hugeHead;
    hugeHead.headers.emplace_back("X-Filler", std::string(200 * 1024, 'x'));
    server.setResponse("/huge", hugeHead);
    for (const char* path : {"/garbage", "/http09", "/huge"}) {
        const std::string url = server.url(path);
        const EALHTTPClientException e = raised([&] { http.Get(url); });
        EXPECT_EQ(e.ErrorCode(), 12152u) << path;
        EXPECT_EQ(std::string(e.what()),
                  "The server returned an invalid or unrecognized response - URL:" + url);
        EXPECT_EQ(std::string(e.what()).find("Unsupported protocol"), std::string::npos);
        EXPECT_EQ(std::string(e.what()).find("Out of memory"), std::string::npos);
        EXPECT_FALSE(http.Connected());
    }
}

TEST_F(WinHttpFaultsTest, TimeOutsOfZeroAreWinHttpsDefaults) {
    TALWinHttpClient::Timeouts t = http.AppliedTimeouts();
    EXPECT_EQ(http.ConnectTimeout(), 0);
    EXPECT_EQ(t.connect, 60000ms);
    EXPECT_EQ(t.send, 30000ms);
    EXPECT_EQ(t.receive, 30000ms);
    http.setConnectTimeout(-1);
    http.setSendTimeout(250);
    http.setReceiveTimeout(0);
    t = http.AppliedTimeouts();
    EXPECT_EQ(t.connect, 60000ms);
    EXPECT_EQ(t.send, 250ms);
    EXPECT_EQ(t.receive, 30000ms);
}

TEST_F(WinHttpFaultsTest, ASilentServerEndsWithTheReceiveTimeOut) {
    TestHttpResponse silent;
    silent.body = "late";
    silent.answerDelay = 20s; // bounded by the server's stop()
    server.setResponse("/prod.txt", silent);
    http.setReceiveTimeout(300);
    const std::string url = server.url("/prod.txt");
    const auto start = std::chrono::steady_clock::now();
    const EALHTTPClientException e = raised([&] { http.Get(url); });
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(e.ErrorCode(), 12002u);
    EXPECT_EQ(std::string(e.what()), failureText(12002, url));
}

TEST_F(WinHttpFaultsTest, TheWaitCallbackRunsWhileWaitingAndCanEndTheRequest) {
    TestHttpResponse silent;
    silent.body = "late";
    silent.answerDelay = 20s;
    server.setResponse("/prod.txt", silent);
    int calls = 0;
    http.setWaitCallback([&] { return ++calls < 5; }, 10ms);
    const std::string url = server.url("/prod.txt");
    const EALHTTPClientException e = raised([&] { http.Get(url); });
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(e.ErrorCode(), 12017u);
    EXPECT_EQ(std::string(e.what()), "The operation was canceled - URL:" + url);

    server.addFile("/list.txt", "liveries");
    calls = 0;
    http.setWaitCallback([&] { return ++calls > 0; }, 10ms);
    EXPECT_EQ(http.Get(server.url("/list.txt")), "liveries");
}

TEST_F(WinHttpFaultsTest, CredentialsInTheUrlAreNotSent) {
    server.addFile("/prod.txt", "products");
    std::string url = server.url("/prod.txt");
    url.insert(7, "pilot:secret@");
    EXPECT_EQ(http.Get(url), "products");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_FALSE(server.requests()[0].header("Authorization"));
}

class WinHttpTlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!TestCertificates::get().available())
            GTEST_SKIP() << TestCertificates::get().problem;
        server = std::make_unique<TestHttpServer>(
            sw::test::TestTlsIdentity{TestCertificates::get().serverCert, TestCertificates::get().serverKey});
    }
    void TearDown() override { setTrustedCertificatesFile(""); }
    std::unique_ptr<TestHttpServer> server;
    TALWinHttpClient http;
};

TEST_F(WinHttpTlsTest, GetOverHttpsAndACertificateThatIsNotTrusted) {
    server->addFile("/skinwright/prod.txt", "ZEV A320&&a320.txt;;\r\n");
    const std::string url = server->url("/skinwright/prod.txt");
    ASSERT_EQ(url.substr(0, 8), "https://");

    const EALHTTPClientException e = raised([&] { http.Get(url); });
    EXPECT_EQ(e.ErrorCode(), 12045u);
    EXPECT_EQ(
        std::string(e.what()),
        "The server's security certificate was issued by a certificate authority that is not trusted - URL:" +
            url);
    EXPECT_TRUE(server->requests().empty());

    setTrustedCertificatesFile(TestCertificates::get().authority);
    EXPECT_EQ(http.Get(url), "ZEV A320&&a320.txt;;\r\n");
    EXPECT_EQ(http.RequestFlags(), 0x00800000u);
}

} // namespace
} // namespace sw
