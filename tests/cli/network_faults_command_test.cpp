// skinwright-cli get and download against servers that misbehave: each ends with the right
// error, none hangs, neither sends the credentials written in an address.
#include "cli_runner.h"

#include "platform/http_session.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"
#include "support/test_http_server.h"

#include <gtest/gtest.h>

#include <chrono>

namespace sw::test {
namespace {

using namespace std::chrono_literals;

std::string bytesOf(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 13) & 0xFF);
    return bytes;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

const std::string kRedirectFailed =
    "<<< 12156 - ERROR_HTTP_REDIRECT_FAILED - The redirection failed because either the scheme changed or "
    "all attempts made to redirect failed. >>>\n";

class NetworkFaultsCommand : public ::testing::Test {
protected:
    TempDir dir;
    TestHttpServer server;
    std::string file = (dir / "p.zip").string();
    std::string body = bytesOf(60000);
    std::string part = body.substr(0, 20000);

    void SetUp() override { writeFile(dir / "p.zip", part); }
    std::string fileBytes() const { return readFile(dir / "p.zip"); }
};

TEST_F(NetworkFaultsCommand, DownloadEndsWithTheRightErrorForEachFault) {
    server.setRedirectWithoutLocation("/nowhere.zip", 302);
    CliResult r = runTool({"download", server.url("/nowhere.zip"), file});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(endsWith(r.err, "<<< 302 - HTTP Found >>>\n")) << r.err;
    EXPECT_EQ(fileBytes(), part);

    server.setRedirect("/loop.zip", 302, "/loop.zip");
    r = runTool({"download", server.url("/loop.zip"), file});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Verificando tamanho do download...\n" + kRedirectFailed);
    EXPECT_EQ(fileBytes(), part);

    TestHttpResponse cut;
    cut.body = body;
    cut.ignoreRange = true;
    cut.cutAfter = 10000;
    server.setResponse("/cut.zip", cut);
    r = runTool({"download", server.url("/cut.zip"), file});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(endsWith(r.err, "<<< 12030 - ERROR_INTERNET_CONNECTION_ABORTED - The connection with the "
                                "server has been terminated. >>>\n"))
        << r.err;
    EXPECT_EQ(fileBytes(), part);

    TestHttpResponse garbage;
    garbage.rawAnswer = "garbage\r\n\r\n";
    server.setResponse("/garbage.zip", garbage);
    r = runTool({"download", server.url("/garbage.zip"), file});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(endsWith(r.err, "<<< 12152 - ERROR_HTTP_INVALID_SERVER_RESPONSE - The server response could "
                                "not be parsed. >>>\n"))
        << r.err;
    EXPECT_EQ(fileBytes(), part);

    TestHttpResponse silent;
    silent.body = body;
    silent.answerDelay = 30s; // bounded by the server's stop()
    server.setResponse("/silent.zip", silent);
    const auto start = std::chrono::steady_clock::now();
    r = runTool({"download", "--timeout", "0.4", server.url("/silent.zip"), file});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(endsWith(r.err, "<<< 12002 - ERROR_INTERNET_TIMEOUT - The request has timed out. >>>\n"))
        << r.err;
    EXPECT_EQ(fileBytes(), part);
}

TEST_F(NetworkFaultsCommand, DownloadEscapesSpacesAndNeverSendsCredentials) {
    server.addFile("/liveries/B738%20blue.zip", body);
    CliResult r = runTool({"download", server.url("/liveries/B738 blue.zip"), file});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fileBytes(), body);

    writeFile(dir / "p.zip", part);
    std::string url = server.url("/liveries/B738 blue.zip");
    url.insert(7, "pilot:secret@");
    r = runTool({"download", url, file});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fileBytes(), body);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    for (const auto& request : requests) {
        EXPECT_EQ(request.target, "/liveries/B738%20blue.zip");
        EXPECT_FALSE(request.header("Authorization"));
    }
}

TEST_F(NetworkFaultsCommand, GetEndsWithTheRightErrorForEachFault) {
    server.setRedirectWithoutLocation("/nowhere.txt", 302);
    CliResult r = runTool({"get", server.url("/nowhere.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Found (302) - '" + server.url("/nowhere.txt") + "'\n");

    server.setRedirect("/loop.txt", 302, "/loop.txt");
    r = runTool({"get", server.url("/loop.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "The redirection failed because either the scheme changed or all attempts made to redirect "
              "failed - URL:" +
                  server.url("/loop.txt") + "\n");

    for (const char* raw : {"garbage\r\n\r\n", "HTTP/1.1 OK\r\n\r\n", "just a body"}) {
        TestHttpResponse bad;
        bad.rawAnswer = raw;
        server.setResponse("/bad.txt", bad);
        r = runTool({"get", server.url("/bad.txt")});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "The server returned an invalid or unrecognized response - URL:" +
                             server.url("/bad.txt") + "\n")
            << raw;
    }

    TestHttpResponse silent;
    silent.body = "late";
    silent.answerDelay = 30s;
    server.setResponse("/silent.txt", silent);
    const auto start = std::chrono::steady_clock::now();
    r = runTool({"get", "--timeout", "0.3", server.url("/silent.txt")});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "The operation timed out - URL:" + server.url("/silent.txt") + "\n");

    server.addFile("/prod.txt", "products");
    std::string url = server.url("/prod.txt");
    url.insert(7, "pilot:secret@");
    r = runTool({"get", url});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "products");
    EXPECT_FALSE(server.lastRequest().header("Authorization"));

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"get", "--timeout", server.url("/prod.txt")},
          std::vector<std::string>{"get", "--timeout", "0", server.url("/prod.txt")},
          std::vector<std::string>{"get", "--timeout", "x", server.url("/prod.txt")},
          std::vector<std::string>{"get", "--timeout", "1", "--timeout", "1", server.url("/prod.txt")},
          std::vector<std::string>{"download", "--timeout", "-1", server.url("/p.zip"), file}}) {
        r = runTool(bad);
        ASSERT_GT(bad.size(), 2u);
        EXPECT_EQ(r.status, 2) << bad[2];
        EXPECT_EQ(r.err.rfind("usage: skinwright-cli ", 0), 0u);
    }
}

class HttpsCommands : public NetworkFaultsCommand {
protected:
    void SetUp() override {
        NetworkFaultsCommand::SetUp();
        if (!TestCertificates::get().available())
            GTEST_SKIP() << TestCertificates::get().problem;
        tls = std::make_unique<TestHttpServer>(
            TestTlsIdentity{TestCertificates::get().serverCert, TestCertificates::get().serverKey});
    }
    void TearDown() override { setTrustedCertificatesFile(""); }
    std::unique_ptr<TestHttpServer> tls;
};

TEST_F(HttpsCommands, GetCatalogueAndDownloadWorkOverHttps) {
    tls->addFile("/skinwright/prod.txt", "ZEV A320&&a320.txt;;\r\n");
    tls->addFile("/skinwright/a320.txt",
                 "Blue&&" + tls->url("/p/blue.zip") + ";;" + tls->url("/t/blue.jpg") + "!!\r\n");
    TestHttpResponse cut;
    cut.body = body;
    cut.cutAfter = 15000;
    TestHttpResponse whole;
    whole.body = body;
    tls->setResponseSequence("/p/blue.zip", {whole, cut, whole});

    CliResult r = runTool({"get", tls->url("/skinwright/prod.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "The server's security certificate was issued by a certificate authority that is not "
                     "trusted - URL:" +
                         tls->url("/skinwright/prod.txt") + "\n");
    r = runTool({"download", tls->url("/p/blue.zip"), file});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(endsWith(r.err,
                         "<<< 12045 - ERROR_INTERNET_INVALID_CA - The server's certificate was issued by "
                         "an authority that is not trusted. >>>\n"))
        << r.err;
    EXPECT_EQ(fileBytes(), part);
    EXPECT_TRUE(tls->requests().empty());

    setTrustedCertificatesFile(TestCertificates::get().authority);
    r = runTool({"get", tls->url("/skinwright/prod.txt")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "ZEV A320&&a320.txt;;\r\n");
    r = runTool({"catalogue", tls->url("/skinwright/")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "product\tZEV A320\ta320.txt\nlivery\tBlue\t" + tls->url("/p/blue.zip") + "\t" +
                         tls->url("/t/blue.jpg") + "\n");
    r = runTool({"download", tls->url("/p/blue.zip"), file});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Resumindo download...\n"), std::string::npos);
    EXPECT_NE(r.err.find("Download reiniciado automaticamente (1)!\n"), std::string::npos);
    EXPECT_EQ(fileBytes(), body);
}

} // namespace
} // namespace sw::test
