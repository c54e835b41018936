// The downloader against servers that misbehave the way real ones do. Every case checks the
// local file's bytes afterwards: a failed download leaves it as it was (or with the bytes
// that arrived in their place), never shorter and never with foreign bytes in it.
#include "download_fixture.h"

#include "platform/http_session.h"
#include "support/test_certificates.h"

namespace sw::test {
namespace {

using namespace std::chrono_literals;

const char* const kComplete = "Download concluído com sucesso!";
const std::string kRedirectFailed =
    "<<< 12156 - ERROR_HTTP_REDIRECT_FAILED - The redirection failed because either the scheme changed or "
    "all attempts made to redirect failed. >>>";
const std::string kInvalidResponse =
    "<<< 12152 - ERROR_HTTP_INVALID_SERVER_RESPONSE - The server response could not be parsed. >>>";

class ServerFaults : public DownloadTest {
protected:
    // Stops a download that would otherwise go on for ever (the fault under test), so that a
    // regression fails instead of hanging.
    void limitRestarts(int most) {
        get.MOnStatus = [this, most](TMHttpGetResume& sender, const std::string& text) {
            statuses.push_back(text);
            if (text.starts_with("Download reiniciado") && ++restarts >= most)
                sender.MBaixando = false;
        };
    }
    int count(const std::string& text) const {
        return static_cast<int>(std::count(statuses.begin(), statuses.end(), text));
    }
    int restarts = 0;
};

TEST_F(ServerFaults, ARedirectWithoutLocationIsNoFileAndLeavesThePartAlone) {
    const std::string body = patternBytes(20000);
    writeFile(dir / "package.zip", body.substr(0, 9000));
    server.setRedirectWithoutLocation("/a.zip", 302);
    get.MURL = server.url("/a.zip");
    get.StartDownload();
    EXPECT_TRUE(get.MErro());
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), "<<< 302 - HTTP Found >>>");
    EXPECT_TRUE(requestsOf("GET").empty());
    EXPECT_EQ(localBytes(), body.substr(0, 9000));
    EXPECT_FALSE(hasStatus(kComplete));
    EXPECT_EQ(concluded, 1);

    // The size probe succeeds, the GET is answered with the redirect: the same.
    TestHttpResponse head;
    head.body = body;
    TestHttpResponse moved;
    moved.status = 302;
    moved.reason = "Found";
    moved.body = "moved";
    server.setResponseSequence("/b.zip", {head, moved});
    statuses.clear();
    get.MURL = server.url("/b.zip");
    get.StartDownload();
    EXPECT_TRUE(get.MErro());
    EXPECT_EQ(statuses.back(), "<<< 302 - HTTP Found >>>");
    EXPECT_EQ(requestsOf("GET").size(), 1u);
    EXPECT_EQ(localBytes(), body.substr(0, 9000));
    EXPECT_FALSE(hasStatus(kComplete));
}

TEST_F(ServerFaults, ARedirectLoopEndsWithRedirectFailedAndNeverTouchesTheFile) {
    const std::string part = patternBytes(30000);
    writeFile(dir / "package.zip", part);
    server.setRedirect("/loop.zip", 302, "/loop.zip"); // "moved" (5 bytes) each time
    get.MURL = server.url("/loop.zip");
    get.StartDownload();
    EXPECT_TRUE(get.MErro());
    EXPECT_EQ(count(kRedirectFailed), 1);
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), kRedirectFailed);
    EXPECT_EQ(get.MTamanhoArquivo(), 0);
    EXPECT_EQ(requestsOf("HEAD").size(), 11u);
    EXPECT_TRUE(requestsOf("GET").empty());
    EXPECT_EQ(localBytes(), part);
    EXPECT_EQ(concluded, 1);
}

TEST_F(ServerFaults, ARangeIgnoredAndEveryAnswerCutEndsAndKeepsThePart) {
    const std::string body = patternBytes(50000);
    TestHttpResponse cut;
    cut.body = body;
    cut.ignoreRange = true;
    cut.cutAfter = 12000;
    server.setResponse("/a.zip", cut);
    limitRestarts(30);
    get.MURL = server.url("/a.zip");
    get.StartDownload();
    EXPECT_TRUE(get.MErro());
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), "<<< 12030 - ERROR_INTERNET_CONNECTION_ABORTED - The connection with the "
                               "server has been terminated. >>>");
    // The first pass took the file to 12000 bytes; three more could not take it further.
    EXPECT_EQ(requestsOf("GET").size(), 4u);
    EXPECT_EQ(restarts, 3);
    EXPECT_EQ(localBytes(), body.substr(0, 12000));
    EXPECT_EQ(concluded, 1);
    EXPECT_FALSE(hasStatus(kComplete));

    // A part larger than what the server gives before it cuts stays whole.
    writeFile(dir / "package.zip", body.substr(0, 30000));
    statuses.clear();
    restarts = 0;
    get.StartDownload();
    EXPECT_TRUE(get.MErro());
    EXPECT_EQ(restarts, 2);
    EXPECT_EQ(localBytes(), body.substr(0, 30000));
}

TEST_F(ServerFaults, AServerThatIgnoresRangeButCutsLaterEachTimeStillFinishes) {
    const std::string body = patternBytes(40000);
    std::vector<TestHttpResponse> answers;
    TestHttpResponse head;
    head.body = body;
    answers.push_back(head);
    for (std::size_t cutAt : {10000u, 25000u, 40000u}) {
        TestHttpResponse whole;
        whole.body = body;
        whole.ignoreRange = true;
        if (cutAt < body.size())
            whole.cutAfter = cutAt;
        answers.push_back(whole);
    }
    server.setResponseSequence("/a.zip", answers);
    writeFile(dir / "package.zip", body.substr(0, 5000));
    limitRestarts(30);
    get.MURL = server.url("/a.zip");
    get.StartDownload();
    EXPECT_FALSE(get.MErro());
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), kComplete);
    EXPECT_EQ(localBytes(), body);
}

TEST_F(ServerFaults, AnAddressWithASpaceIsEscapedAsTheCatalogueClientDoesIt) {
    const std::string body = patternBytes(70000);
    server.addFile("/liveries/B738%20blue%20sky.zip", body);
    get.MURL = server.url("/liveries/B738 blue sky.zip");
    get.StartDownload();
    EXPECT_FALSE(get.MErro());
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), kComplete);
    EXPECT_EQ(localBytes(), body);
    for (const auto& request : server.requests())
        EXPECT_EQ(request.target, "/liveries/B738%20blue%20sky.zip");
    EXPECT_EQ(get.MURL, server.url("/liveries/B738 blue sky.zip")) << "MURL keeps what was given";
}

TEST_F(ServerFaults, CredentialsInTheAddressAreNeverSent) {
    const std::string body = patternBytes(30000);
    TestHttpResponse whole;
    whole.body = body;
    TestHttpResponse cut = whole;
    cut.cutAfter = 10000;
    server.setResponseSequence("/a.zip", {whole, cut, cut, whole}); // HEAD, three GETs
    std::string url = server.url("/a.zip");
    url.insert(7, "pilot:secret@");
    get.MURL = url;
    get.StartDownload();
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), kComplete);
    EXPECT_EQ(localBytes(), body);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    for (const auto& request : requests)
        EXPECT_FALSE(request.header("Authorization")) << request.method;
}

TEST_F(ServerFaults, AnswersThatCannotBeParsedAreInvalidServerResponses) {
    const std::string part = patternBytes(1000);
    writeFile(dir / "package.zip", part);
    TestHttpResponse garbage;
    garbage.rawAnswer = "garbage\r\n\r\n";
    TestHttpResponse http09;
    http09.rawAnswer = "PK\x03\x04 a zip without any head";
    TestHttpResponse hugeHead;
    hugeHead.headers.emplace_back("X-Filler", std::string(200 * 1024, 'x'));
    for (const TestHttpResponse& answer : {garbage, http09, hugeHead}) {
        server.setResponse("/a.zip", answer);
        statuses.clear();
        get.MURL = server.url("/a.zip");
        get.StartDownload();
        EXPECT_TRUE(get.MErro());
        ASSERT_FALSE(statuses.empty());
        EXPECT_EQ(statuses.back(), kInvalidResponse);
        EXPECT_EQ(localBytes(), part);
    }
}

TEST_F(ServerFaults, ASilentServerEndsWithATimeOut) {
    const std::string part = patternBytes(4000);
    writeFile(dir / "package.zip", part);
    TestHttpResponse silent;
    silent.body = patternBytes(8000);
    silent.answerDelay = 20s; // bounded by the server's stop()
    server.setResponse("/a.zip", silent);
    clock.steadyStep = 50ms; // every reading of the clock is 50 ms later
    get.setStallLimit(2s);
    get.MURL = server.url("/a.zip");
    const auto start = std::chrono::steady_clock::now();
    get.StartDownload();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_TRUE(get.MErro());
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), "<<< 12002 - ERROR_INTERNET_TIMEOUT - The request has timed out. >>>");
    EXPECT_EQ(localBytes(), part);
}

class HttpsDownload : public DownloadTest {
protected:
    void SetUp() override {
        if (!TestCertificates::get().available())
            GTEST_SKIP() << TestCertificates::get().problem;
        tls = std::make_unique<TestHttpServer>(
            TestTlsIdentity{TestCertificates::get().serverCert, TestCertificates::get().serverKey});
    }
    void TearDown() override { setTrustedCertificatesFile(""); }
    std::unique_ptr<TestHttpServer> tls;
};

TEST_F(HttpsDownload, ResumesOverHttpsAndRefusesAnUntrustedCertificate) {
    const std::string body = patternBytes(300000);
    TestHttpResponse cut;
    cut.body = body;
    cut.cutAfter = 100000;
    TestHttpResponse whole;
    whole.body = body;
    tls->setResponseSequence("/a.zip", {whole, cut, whole});
    writeFile(dir / "package.zip", body.substr(0, 50000));
    get.MURL = tls->url("/a.zip");

    get.StartDownload();
    EXPECT_TRUE(get.MErro());
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), "<<< 12045 - ERROR_INTERNET_INVALID_CA - The server's certificate was issued "
                               "by an authority that is not trusted. >>>");
    EXPECT_TRUE(tls->requests().empty());
    EXPECT_EQ(localBytes(), body.substr(0, 50000));

    setTrustedCertificatesFile(TestCertificates::get().authority);
    statuses.clear();
    get.StartDownload();
    EXPECT_FALSE(get.MErro());
    EXPECT_EQ(statuses.back(), kComplete);
    EXPECT_EQ(localBytes(), body);
    std::vector<TestHttpRequest> gets;
    for (const TestHttpRequest& r : tls->requests())
        if (r.method == "GET")
            gets.push_back(r);
    ASSERT_EQ(gets.size(), 2u);
    EXPECT_EQ(gets[0].header("Range"), "bytes=50000-");
    EXPECT_EQ(gets[1].header("Range"), "bytes=150000-");
}

} // namespace
} // namespace sw::test
