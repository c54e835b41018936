// The transport against servers that misbehave: redirect chains that never end, answers that
// are not HTTP, credentials in addresses, proxies in the environment, and TLS.
#include "platform/http_request.h"
#include "platform/http_session.h"
#include "platform/http_transport_error.h"
#include "platform/http_url.h"

#include "support/temp_dir.h"
#include "support/test_certificates.h"
#include "support/test_http_server.h"

#include <gtest/gtest.h>

#include <functional>

namespace sw {
namespace {

using sw::test::ScopedEnv;
using sw::test::TestCertificates;
using sw::test::TestHttpResponse;
using sw::test::TestHttpServer;

std::string readAll(HttpRequest& request) {
    std::string body;
    char buffer[8192];
    while (std::size_t n = request.read(buffer, sizeof buffer))
        body.append(buffer, n);
    return body;
}

HttpFailure failureOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const HttpTransportError& e) {
        return e.failure();
    }
    ADD_FAILURE() << "no transport error";
    return HttpFailure::Other;
}

class HttpFaultsTest : public ::testing::Test {
protected:
    TestHttpServer server;
    HttpSession session;
};

TEST_F(HttpFaultsTest, ARedirectLoopFailsAfterTenRedirects) {
    server.setRedirect("/loop", 302, "/loop");
    for (const char* method : {"HEAD", "GET"}) {
        const std::size_t before = server.requests().size();
        HttpRequest request(session, {.method = method, .url = server.url("/loop")});
        EXPECT_EQ(failureOf([&] { request.receiveResponse(); }), HttpFailure::RedirectFailed) << method;
        EXPECT_EQ(server.requests().size() - before, 11u) << "the first request and ten redirects";
    }
    // Ten redirects are fine.
    for (int i = 0; i < 10; ++i)
        server.setRedirect("/hop" + std::to_string(i), 302, i == 9 ? "/end" : "/hop" + std::to_string(i + 1));
    server.addFile("/end", "arrived");
    HttpRequest tenHops(session, {.url = server.url("/hop0")});
    EXPECT_EQ(readAll(tenHops), "arrived");
}

TEST_F(HttpFaultsTest, RedirectsToOtherSchemesOrWithCredentialsFail) {
    server.setRedirect("/ftp", 302, "ftp://127.0.0.1/file");
    server.setRedirect("/credentials", 302, server.url("/end").insert(7, "pilot:secret@"));
    server.addFile("/end", "arrived");
    HttpRequest ftp(session, {.url = server.url("/ftp")});
    EXPECT_EQ(failureOf([&] { ftp.receiveResponse(); }), HttpFailure::RedirectFailed);
    HttpRequest credentials(session, {.url = server.url("/credentials")});
    EXPECT_EQ(failureOf([&] { credentials.receiveResponse(); }), HttpFailure::RedirectFailed);
    for (const auto& request : server.requests())
        EXPECT_FALSE(request.header("Authorization")) << request.target;
}

TEST_F(HttpFaultsTest, ARedirectWithoutLocationIsTheFinalAnswer) {
    server.setRedirectWithoutLocation("/nowhere", 302);
    HttpRequest request(session, {.url = server.url("/nowhere")});
    request.receiveResponse();
    EXPECT_EQ(request.statusCode(), 302);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpFaultsTest, CredentialsInTheAddressAreNeverSent) {
    server.addFile("/file", "body");
    std::string url = server.url("/file");
    url.insert(7, "pilot:secret@");
    ASSERT_EQ(url.substr(0, 20), "http://pilot:secret@");
    HttpRequest request(session, {.url = url});
    EXPECT_EQ(readAll(request), "body");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_FALSE(server.requests()[0].header("Authorization"));

    EXPECT_EQ(withoutUrlCredentials("http://a:b@host:8080/p@q?x=@"), "http://host:8080/p@q?x=@");
    EXPECT_EQ(withoutUrlCredentials("http://host/p@q"), "http://host/p@q");
    EXPECT_TRUE(urlHasCredentials("https://user@host/"));
    EXPECT_FALSE(urlHasCredentials("https://host/user@"));
}

// The transport takes an address only when it names its host right after "://", as the
// catalogue's client reads it, and that host holds no control byte, escaped or not (a NUL
// would cut the address short for the parser). What it sends is what the address says.
TEST(HttpUrlTest, AddressesTheClientWouldReadOtherwiseAreRefused) {
    using namespace std::string_literals;
    for (const std::string& url :
         {std::string("http:///host/x"), std::string("http:/host/x"), std::string("https:///host"),
          std::string("http://a%7Fb/x"), std::string("http://a%01b/x"), std::string("http://host:0/x"),
          "http://a\0b/x"s, "http://host/x\0y"s})
        EXPECT_FALSE(isHttpUrl(url)) << url;
    EXPECT_TRUE(isHttpUrl("http://host/a://b"));

    const auto target = httpRequestTarget("http://me:pw@Zev.Example:8080/a/../b%20c?x=1#frag");
    ASSERT_TRUE(target);
    EXPECT_EQ(target->host, "Zev.Example");
    EXPECT_EQ(target->port, 8080u);
    EXPECT_EQ(target->target, "/b%20c?x=1");
    const auto bare = httpRequestTarget("https://zev.example");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->port, 443u);
    EXPECT_EQ(bare->target, "/");
    EXPECT_FALSE(httpRequestTarget("http:///zev.example/x"));
}

TEST_F(HttpFaultsTest, AnswersThatAreNotHttpAreBadResponses) {
    TestHttpResponse garbage;
    garbage.rawAnswer = "garbage garbage\r\n\r\n";
    server.setResponse("/garbage", garbage);
    TestHttpResponse badStatus;
    badStatus.rawAnswer = "HTTP/1.1 2x0 OK\r\nContent-Length: 2\r\n\r\nok";
    server.setResponse("/bad-status", badStatus);
    TestHttpResponse http09;
    http09.rawAnswer = "<html>no status line at all</html>";
    server.setResponse("/http09", http09);
    TestHttpResponse hugeLine; // one header line longer than any buffer
    hugeLine.headers.emplace_back("X-Filler", std::string(200 * 1024, 'x'));
    server.setResponse("/huge-line", hugeLine);
    TestHttpResponse hugeHead; // many ordinary lines, 80 KiB in all
    for (int i = 0; i < 1000; ++i)
        hugeHead.headers.emplace_back("X-Filler-" + std::to_string(i), std::string(70, 'y'));
    server.setResponse("/huge-head", hugeHead);

    for (const char* path : {"/garbage", "/bad-status", "/http09", "/huge-line", "/huge-head"}) {
        HttpRequest request(session, {.url = server.url(path)});
        EXPECT_EQ(failureOf([&] { request.receiveResponse(); }), HttpFailure::BadResponse) << path;
    }
}

TEST(HttpProxyEnvironment, LoopbackAddressesNeverGoThroughTheEnvironmentsProxy) {
    TestHttpServer origin;
    origin.addFile("/file", "direct");
    TestHttpServer proxy;
    proxy.addFile("/file", "via the proxy");
    const std::string proxyUrl = proxy.url("");
    ScopedEnv http("http_proxy", proxyUrl.c_str());
    ScopedEnv all("ALL_PROXY", proxyUrl.c_str());
    ScopedEnv none("no_proxy", nullptr);
    ScopedEnv noneUpper("NO_PROXY", nullptr);
    HttpSession system({.proxyMode = HttpProxyMode::System});
    for (const std::string& url :
         {origin.url("/file"), "http://localhost:" + std::to_string(origin.port()) + "/file"}) {
        HttpRequest request(system, {.url = url});
        EXPECT_EQ(readAll(request), "direct") << url;
    }
    EXPECT_TRUE(proxy.requests().empty());

    // Other hosts still go through it, and a no_proxy list of the environment is kept.
    const std::string remote = "http://" + std::string(70, 'c') + ".invalid/file";
    HttpRequest viaProxy(system, {.url = remote});
    EXPECT_EQ(readAll(viaProxy), "via the proxy");
    ScopedEnv bypass("no_proxy", (std::string(70, 'c') + ".invalid").c_str());
    HttpRequest bypassed(system, {.url = remote});
    EXPECT_EQ(failureOf([&] { bypassed.receiveResponse(); }), HttpFailure::Resolve);
    EXPECT_EQ(proxy.requests().size(), 1u);
}

class HttpTlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!TestCertificates::get().available())
            GTEST_SKIP() << TestCertificates::get().problem;
    }
    void TearDown() override { setTrustedCertificatesFile(""); }
    const TestCertificates& certificates = TestCertificates::get();
};

TEST_F(HttpTlsTest, HttpsWorksWithATrustedAuthorityAndFailsClearlyWithout) {
    TestHttpServer server({certificates.serverCert, certificates.serverKey});
    ASSERT_EQ(server.url("/").substr(0, 8), "https://");
    server.addFile("/file", "secret catalogue");
    HttpSession session;

    // The system's store does not know the tests' authority.
    HttpRequest untrusted(session, {.url = server.url("/file")});
    EXPECT_EQ(failureOf([&] { untrusted.receiveResponse(); }), HttpFailure::CertificateAuthority);

    setTrustedCertificatesFile(certificates.authority);
    HttpRequest trusted(session, {.url = server.url("/file")});
    EXPECT_EQ(readAll(trusted), "secret catalogue");
    HttpRequest byName(session, {.url = "https://localhost:" + std::to_string(server.port()) + "/file"});
    EXPECT_EQ(readAll(byName), "secret catalogue");

    TestHttpServer otherName({certificates.otherNameCert, certificates.otherNameKey});
    otherName.addFile("/file", "x");
    HttpRequest mismatch(session, {.url = otherName.url("/file")});
    EXPECT_EQ(failureOf([&] { mismatch.receiveResponse(); }), HttpFailure::CertificateName);
    EXPECT_TRUE(otherName.requests().empty());
}

} // namespace
} // namespace sw
