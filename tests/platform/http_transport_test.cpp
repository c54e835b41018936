#include "platform/http_request.h"
#include "platform/http_session.h"
#include "platform/http_transport_error.h"

#include "support/test_http_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace sw {
namespace {

using sw::test::TestHttpResponse;
using sw::test::TestHttpServer;
using namespace std::chrono_literals;

std::string patternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
    return bytes;
}

std::string readAll(HttpRequest& request, std::size_t block = 8192) {
    std::string body;
    std::string buffer(block, '\0');
    while (std::size_t n = request.read(buffer.data(), buffer.size()))
        body.append(buffer.data(), n);
    return body;
}

HttpFailure failureOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const HttpTransportError& e) {
        EXPECT_FALSE(std::string(e.what()).empty());
        return e.failure();
    }
    ADD_FAILURE() << "no transport error";
    return HttpFailure::Other;
}

class HttpTransportTest : public ::testing::Test {
protected:
    TestHttpServer server;
    HttpSession session;
};

TEST_F(HttpTransportTest, BodiesArriveByteExactWhateverTheirFraming) {
    const std::string big = patternBytes(3 * 1024 * 1024 + 17); // past the reader's high-water mark
    server.addFile("/plain", big);
    TestHttpResponse chunked;
    chunked.body = patternBytes(70000);
    chunked.chunked = true;
    chunked.chunkSize = 4093;
    chunked.trailers = "X-Checksum: 1234\r\n";
    server.setResponse("/chunked", chunked);
    TestHttpResponse closeDelimited;
    closeDelimited.body = patternBytes(50000);
    closeDelimited.sendContentLength = false;
    server.setResponse("/no-length", closeDelimited);

    HttpRequest plain(session, {.url = server.url("/plain")});
    plain.receiveResponse();
    EXPECT_EQ(plain.statusCode(), 200);
    EXPECT_EQ(plain.reasonPhrase(), "OK");
    EXPECT_EQ(plain.contentLength(), static_cast<std::int64_t>(big.size()));
    EXPECT_EQ(readAll(plain), big);

    HttpRequest viaChunks(session, {.url = server.url("/chunked")});
    EXPECT_EQ(readAll(viaChunks, 1000), chunked.body);
    EXPECT_FALSE(viaChunks.contentLength());
    EXPECT_EQ(viaChunks.statusCode(), 200) << "trailers must not replace the header";
    EXPECT_EQ(viaChunks.header("Transfer-Encoding"), "chunked");

    HttpRequest untilClose(session, {.url = server.url("/no-length")});
    EXPECT_EQ(readAll(untilClose), closeDelimited.body);
    EXPECT_FALSE(untilClose.contentLength());
}

TEST_F(HttpTransportTest, SessionReusesItsConnectionUnlessKeepAliveIsOff) {
    server.addFile("/a", "first");
    server.addFile("/b", "second");
    {
        HttpRequest a(session, {.url = server.url("/a")});
        EXPECT_EQ(readAll(a), "first");
    }
    {
        HttpRequest b(session, {.url = server.url("/b")});
        EXPECT_EQ(readAll(b), "second");
    }
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_EQ(session.connectionsOpened(), 1);

    session.close();
    for (int i = 0; i < 2; ++i) {
        HttpRequest once(session, {.url = server.url("/a"), .keepAlive = false});
        EXPECT_EQ(readAll(once), "first");
    }
    EXPECT_EQ(server.connectionCount(), 3);
}

TEST_F(HttpTransportTest, HeadAndRangeRequestsLikeTheDownloaderMakes) {
    const std::string file = patternBytes(600000);
    server.addFile("/pkg.zip", file);

    HttpRequest head(session, {.method = "HEAD", .url = server.url("/pkg.zip")});
    head.receiveResponse();
    EXPECT_EQ(head.contentLength(), 600000);
    char byte = 0;
    EXPECT_EQ(head.read(&byte, 1), 0u);
    EXPECT_EQ(server.lastRequest().method, "HEAD");

    HttpRequest rest(session, {.url = server.url("/pkg.zip"), .headers = {"Range: bytes=524288-"}});
    rest.receiveResponse();
    EXPECT_EQ(rest.statusCode(), 206);
    EXPECT_EQ(rest.header("content-range"), "bytes 524288-599999/600000");
    EXPECT_EQ(readAll(rest), file.substr(524288));
    EXPECT_EQ(server.lastRequest().header("Range"), "bytes=524288-");

    TestHttpResponse noLength;
    noLength.body = "abc";
    noLength.sendContentLength = false;
    server.setResponse("/unknown-size", noLength);
    HttpRequest probe(session, {.method = "HEAD", .url = server.url("/unknown-size")});
    probe.receiveResponse();
    EXPECT_FALSE(probe.contentLength());
}

TEST_F(HttpTransportTest, SendsTheCallersHeadersAndNoneOfLibcurlsDefaults) {
    server.addFile("/x", "x");
    HttpRequest request(
        session, {.url = server.url("/x"),
                  .headers = {"User-Agent: Mozilla/3.0 (compatible; TALWinHttpClient)", "X-Custom: 1"}});
    readAll(request);
    const auto sent = server.lastRequest();
    EXPECT_EQ(sent.header("User-Agent"), "Mozilla/3.0 (compatible; TALWinHttpClient)");
    EXPECT_EQ(sent.header("X-Custom"), "1");
    EXPECT_FALSE(sent.header("Accept"));
    EXPECT_EQ(sent.version, "HTTP/1.1");

    HttpRequest old(session, {.url = server.url("/x"), .version = HttpVersion::Http10});
    readAll(old);
    EXPECT_EQ(server.lastRequest().version, "HTTP/1.0");
}

TEST_F(HttpTransportTest, BodySentInPiecesArrivesWhole) {
    server.addFile("/upload", "stored");
    const std::string body = patternBytes(200000);
    HttpRequest post(session, {.method = "POST",
                               .url = server.url("/upload"),
                               .bodyLength = static_cast<std::int64_t>(body.size())});
    for (std::size_t at = 0; at < body.size(); at += 32768)
        post.send(std::string_view(body).substr(at, 32768));
    post.receiveResponse();
    EXPECT_EQ(readAll(post), "stored");
    const auto received = server.lastRequest();
    EXPECT_EQ(received.method, "POST");
    EXPECT_EQ(received.header("Content-Length"), std::to_string(body.size()));
    EXPECT_FALSE(received.header("Content-Type"));
    EXPECT_FALSE(received.header("Expect"));
    EXPECT_TRUE(received.body == body);
}

TEST_F(HttpTransportTest, RedirectsAreFollowedAndNotifiedOrLeftToTheCaller) {
    server.addFile("/new/place", "arrived");
    server.setRedirect("/old", 302, "/new/place");
    std::vector<std::pair<std::uint32_t, std::string>> seen;
    session.setStatusCallback(
        [&](std::uint32_t status, const std::string& info) { seen.emplace_back(status, info); });

    HttpRequest followed(session, {.url = server.url("/old")});
    EXPECT_EQ(readAll(followed), "arrived");
    EXPECT_EQ(followed.statusCode(), 200);
    EXPECT_EQ(followed.effectiveUrl(), server.url("/new/place"));
    const auto redirect = std::find_if(seen.begin(), seen.end(),
                                       [](const auto& n) { return n.first == winhttp_status::kRedirect; });
    ASSERT_NE(redirect, seen.end());
    EXPECT_EQ(redirect->second, server.url("/new/place"));

    HttpRequest held(session, {.url = server.url("/old"), .followRedirects = false});
    held.receiveResponse();
    EXPECT_EQ(held.statusCode(), 302);
    EXPECT_EQ(held.reasonPhrase(), "Found");
    EXPECT_EQ(held.header("Location"), "/new/place");
}

TEST_F(HttpTransportTest, NotificationsFollowTheRequestsSteps) {
    server.addFile("/x", "x");
    std::vector<std::uint32_t> seen;
    session.setStatusCallback([&](std::uint32_t status, const std::string&) { seen.push_back(status); });
    {
        HttpRequest request(session, {.url = server.url("/x")});
        readAll(request);
    }
    using namespace winhttp_status;
    const std::vector<std::uint32_t> expected = {kResolvingName,     kNameResolved,    kConnectingToServer,
                                                 kConnectedToServer, kSendingRequest,  kRequestSent,
                                                 kReceivingResponse, kResponseReceived};
    EXPECT_EQ(seen, expected);

    seen.clear();
    session.close();
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{kClosingConnection, kConnectionClosed}));
}

TEST_F(HttpTransportTest, BrokenAnswersFailWithTheirOwnKind) {
    TestHttpResponse cut;
    cut.body = patternBytes(100000);
    cut.cutAfter = 30000;
    server.setResponse("/cut", cut);
    TestHttpResponse empty;
    empty.closeWithoutAnswer = true;
    server.setResponse("/empty", empty);
    TestHttpResponse garbage;
    garbage.rawAnswer = "SSH-2.0-OpenSSH\r\n\r\n";
    server.setResponse("/garbage", garbage);

    HttpRequest partial(session, {.url = server.url("/cut")});
    std::string got;
    char buffer[4096];
    EXPECT_EQ(failureOf([&] {
                  while (std::size_t n = partial.read(buffer, sizeof buffer))
                      got.append(buffer, n);
              }),
              HttpFailure::PartialBody);
    EXPECT_EQ(got, cut.body.substr(0, 30000)); // every byte that came is handed over first

    HttpRequest nothing(session, {.url = server.url("/empty")});
    EXPECT_EQ(failureOf([&] { nothing.receiveResponse(); }), HttpFailure::EmptyReply);
    HttpRequest notHttp(session, {.url = server.url("/garbage")});
    EXPECT_EQ(failureOf([&] { notHttp.receiveResponse(); }), HttpFailure::BadResponse);
}

TEST_F(HttpTransportTest, LyingServersAreCaughtOrTrimmed) {
    const std::string file = patternBytes(40000);
    TestHttpResponse ignoresRange;
    ignoresRange.body = file;
    ignoresRange.ignoreRange = true;
    server.setResponse("/no-ranges", ignoresRange);
    HttpRequest ranged(session, {.url = server.url("/no-ranges"), .headers = {"Range: bytes=1000-"}});
    ranged.receiveResponse();
    EXPECT_EQ(ranged.statusCode(), 200); // the caller must notice and start from byte 0
    EXPECT_FALSE(ranged.header("Content-Range"));
    EXPECT_EQ(readAll(ranged), file);

    TestHttpResponse promisesMore;
    promisesMore.body = file;
    promisesMore.announcedLength = 50000;
    server.setResponse("/short", promisesMore);
    HttpRequest shortBody(session, {.url = server.url("/short")});
    std::string got;
    char buffer[4096];
    EXPECT_EQ(failureOf([&] {
                  while (std::size_t n = shortBody.read(buffer, sizeof buffer))
                      got.append(buffer, n);
              }),
              HttpFailure::PartialBody);
    EXPECT_EQ(got, file);

    TestHttpResponse promisesLess;
    promisesLess.body = file;
    promisesLess.announcedLength = 100;
    server.setResponse("/long", promisesLess);
    HttpRequest longBody(session, {.url = server.url("/long")});
    EXPECT_EQ(readAll(longBody), file.substr(0, 100)); // bytes past Content-Length are not body

    TestHttpResponse reset;
    reset.body = file;
    reset.cutAfter = 0;
    reset.resetOnClose = true;
    server.setResponse("/reset", reset);
    HttpRequest broken(session, {.url = server.url("/reset")});
    EXPECT_EQ(failureOf([&] { readAll(broken); }), HttpFailure::Reset);
}

TEST_F(HttpTransportTest, WaitCallbackRunsWhileASlowAnswerTrickles) {
    TestHttpResponse slow;
    slow.body = patternBytes(5000);
    slow.slowPiece = 1000;
    slow.slowDelay = 40ms;
    slow.answerDelay = 40ms;
    server.setResponse("/slow", slow);
    HttpRequest request(session, {.url = server.url("/slow"), .receiveTimeout = 5000ms});
    int calls = 0;
    request.setWaitCallback([&] { return ++calls > 0; }, 5ms);
    EXPECT_EQ(readAll(request), slow.body);
    EXPECT_GE(calls, 6) << "about 240 ms of waiting at most 5 ms apart";

    TestHttpResponse silent;
    silent.answerDelay = 5000ms;
    server.setResponse("/silent", silent);
    HttpRequest unanswered(session, {.url = server.url("/silent"), .receiveTimeout = 100ms});
    EXPECT_EQ(failureOf([&] { unanswered.receiveResponse(); }), HttpFailure::Timeout);
}

TEST_F(HttpTransportTest, StalledBodyEndsByReceiveTimeoutOrByTheWaitCallback) {
    TestHttpResponse stall;
    stall.body = patternBytes(100000);
    stall.stallAfter = 1000;
    server.setResponse("/stall", stall);

    HttpRequest timed(session, {.url = server.url("/stall"), .receiveTimeout = 150ms});
    int waits = 0;
    timed.setWaitCallback([&] { return ++waits > 0; }, 20ms);
    std::string got;
    char buffer[4096];
    EXPECT_EQ(failureOf([&] {
                  while (std::size_t n = timed.read(buffer, sizeof buffer))
                      got.append(buffer, n);
              }),
              HttpFailure::Timeout);
    EXPECT_EQ(got.size(), 1000u);
    EXPECT_GE(waits, 2); // the pump kept running while nothing came
    EXPECT_EQ(failureOf([&] { timed.read(buffer, sizeof buffer); }), HttpFailure::Timeout);

    HttpRequest stopped(session, {.url = server.url("/stall")});
    int calls = 0;
    stopped.setWaitCallback([&] { return ++calls < 3; }, 10ms);
    EXPECT_EQ(failureOf([&] { readAll(stopped); }), HttpFailure::Aborted);
    EXPECT_EQ(calls, 3);
}

TEST_F(HttpTransportTest, UnreachableOrInvalidAddressesFailBeforeAnyAnswer) {
    int closedPort = 0;
    {
        TestHttpServer gone;
        closedPort = gone.port();
    }
    HttpRequest refused(session, {.url = "http://127.0.0.1:" + std::to_string(closedPort) + "/x"});
    EXPECT_EQ(failureOf([&] { refused.receiveResponse(); }), HttpFailure::Connect);

    // A label longer than 63 bytes cannot be put in a DNS query (RFC 1035 2.3.4): the
    // system's resolver refuses it locally, so this never leaves the machine.
    const std::string unresolvable = "http://" + std::string(70, 'a') + ".invalid/x";
    HttpRequest nowhere(session, {.url = unresolvable});
    EXPECT_EQ(failureOf([&] { nowhere.receiveResponse(); }), HttpFailure::Resolve);

    EXPECT_EQ(failureOf([&] { HttpRequest(session, {.url = "ftp://127.0.0.1/x"}); }),
              HttpFailure::UnsupportedScheme);
    EXPECT_EQ(failureOf([&] { HttpRequest(session, {.url = "http://"}); }), HttpFailure::MalformedUrl);
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST_F(HttpTransportTest, NamedProxyReceivesTheWholeUrlExceptForBypassedHosts) {
    server.addFile("/file.txt", "through the proxy");
    HttpSession proxied(
        {.proxyMode = HttpProxyMode::Named, .proxyServer = "127.0.0.1:" + std::to_string(server.port())});
    HttpRequest request(proxied, {.url = "http://catalogue.invalid/file.txt"});
    EXPECT_EQ(readAll(request), "through the proxy");
    EXPECT_EQ(server.lastRequest().target, "http://catalogue.invalid/file.txt");

    TestHttpServer origin;
    origin.addFile("/direct", "direct");
    HttpSession bypassing({.proxyMode = HttpProxyMode::Named,
                           .proxyServer = "127.0.0.1:" + std::to_string(server.port()),
                           .proxyBypass = "localhost; 127.0.0.1"});
    HttpRequest direct(bypassing, {.url = origin.url("/direct")});
    EXPECT_EQ(readAll(direct), "direct");
    EXPECT_EQ(origin.lastRequest().target, "/direct");
}

} // namespace
} // namespace sw
