// The downloader against the loopback test server: the size probe, resuming, the passes,
// stopping, and the answers a sound download must not write at the wrong place.
#include "download_fixture.h"

namespace sw::test {
namespace {

const char* const kComplete = "Download concluído com sucesso!";
const char* const kAlreadyComplete = "Download já efetuado e concluído com sucesso!";

TEST_F(DownloadTest, NoLocalFileIsCreatedAndFilledWithoutRange) {
    const std::string body = patternBytes(700000);
    server.addFile("/liv/a.zip", body);
    get.MURL = server.url("/liv/a.zip");
    get.StartDownload();

    EXPECT_EQ(localBytes(), body);
    EXPECT_EQ(statuses, (std::vector<std::string>{"Verificando tamanho do download...",
                                                  "Enviando requisição ao servidor...",
                                                  "Iniciando download...", kComplete}));
    EXPECT_FALSE(get.MErro());
    EXPECT_FALSE(get.MBaixando);
    EXPECT_EQ(concluded, 1);
    EXPECT_GE(progress, 3); // 700,000 bytes take several reads
    EXPECT_EQ(get.MTamanhoArquivo(), 700000);
    EXPECT_EQ(get.MTotalRecebido(), 700000);
    EXPECT_EQ(get.MBytesRecebidos(), 700000);
    const auto heads = requestsOf("HEAD");
    const auto gets = requestsOf("GET");
    ASSERT_EQ(heads.size(), 1u);
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_FALSE(gets[0].header("Range"));
    EXPECT_EQ(gets[0].target, "/liv/a.zip");
    EXPECT_EQ(gets[0].header("User-Agent"), "MHttpGetResume");
    EXPECT_EQ(heads[0].header("User-Agent"), "MHttpGetResume");
    EXPECT_EQ(bar.minimum, 0);
    EXPECT_EQ(bar.maximum, 700000);
    ASSERT_FALSE(bar.positions.empty());
    EXPECT_EQ(bar.positions.front(), 0);
    EXPECT_EQ(bar.positions.back(), 700000);
    EXPECT_TRUE(std::is_sorted(bar.positions.begin(), bar.positions.end()));
    EXPECT_GE(pumps, static_cast<int>(statuses.size()) + progress);
}

TEST_F(DownloadTest, LocalFileOfTheRemoteSizeIsNotFetchedAgain) {
    const std::string body = patternBytes(5000);
    server.addFile("/a.zip", body);
    writeFile(dir / "package.zip", body);
    get.MURL = server.url("/a.zip");
    get.StartDownload();

    EXPECT_TRUE(requestsOf("GET").empty());
    EXPECT_EQ(requestsOf("HEAD").size(), 1u);
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), kAlreadyComplete);
    EXPECT_EQ(concluded, 1);
    EXPECT_FALSE(get.MBaixando);
    EXPECT_FALSE(get.MErro());
    EXPECT_EQ(localBytes(), body);
}

TEST_F(DownloadTest, ResumesFromWhatTheLocalFileHolds) {
    const std::string body = patternBytes(1200000);
    server.addFile("/a.zip", body);
    writeFile(dir / "package.zip", body.substr(0, 524288));
    get.MURL = server.url("/a.zip");
    get.StartDownload();

    const auto gets = requestsOf("GET");
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_EQ(gets[0].header("Range"), "bytes=524288-");
    EXPECT_EQ(statuses, (std::vector<std::string>{"Verificando tamanho do download...",
                                                  "Download a ser resumido, definindo escopo...",
                                                  "Enviando requisição ao servidor...",
                                                  "Resumindo download...", kComplete}));
    EXPECT_EQ(localBytes(), body);
    EXPECT_EQ(get.MBytesRecebidos(), 1200000 - 524288);
    EXPECT_EQ(get.MTotalRecebido(), 1200000);
    ASSERT_FALSE(bar.positions.empty());
    EXPECT_EQ(bar.positions.front(), 524288);
    EXPECT_EQ(concluded, 1);
}

TEST_F(DownloadTest, UrlWithoutSchemeGetsHttpInFrontAndCapitalsAreKept) {
    const std::string body = patternBytes(3000);
    server.addFile("/a.zip", body);
    const std::string bare = server.url("/a.zip").substr(7); // "127.0.0.1:port/a.zip"
    get.MURL = bare;
    get.StartDownload();
    EXPECT_EQ(get.MURL, "http://" + bare);
    EXPECT_EQ(localBytes(), body);

    TMHttpGetResume other;
    other.SplitUrl("HTTP://" + bare);
    EXPECT_EQ(other.MURL, "HTTP://" + bare);
    const auto parts = other.SplitUrl("https://example.com:8443/path/file.zip?x=1#top");
    EXPECT_EQ(other.MURL, "https://example.com:8443/path/file.zip?x=1#top");
    EXPECT_EQ(parts.host, "example.com");
    EXPECT_EQ(parts.object, "/path/file.zip?x=1");
    EXPECT_FALSE(other.MErro());
}

TEST_F(DownloadTest, UnsupportedSchemeAndMalformedUrlAreWinInetFailures) {
    get.MURL = "ftp://127.0.0.1/a.zip";
    get.StartDownload();
    EXPECT_TRUE(get.MErro());
    EXPECT_TRUE(hasStatus("<<< 12006 - ERROR_INTERNET_UNRECOGNIZED_SCHEME - The URL scheme could not be "
                          "recognized or is not supported. >>>"));
    EXPECT_EQ(concluded, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "package.zip"));

    statuses.clear();
    get.MURL = "http://[::1";
    get.StartDownload();
    EXPECT_TRUE(get.MErro());
    EXPECT_TRUE(hasStatus("<<< 12005 - ERROR_INTERNET_INVALID_URL - The URL is invalid. >>>"));
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(DownloadTest, BodyEndingEarlyStartsTheNextPassAtOnce) {
    // The connection closes before the announced length twice (libcurl's "partial file"),
    // then the rest arrives.
    const std::string body = patternBytes(2500);
    TestHttpResponse cut;
    cut.body = body;
    cut.cutAfter = 1000;
    server.setResponse("/a.zip", cut);
    get.MURL = server.url("/a.zip");
    get.StartDownload();

    EXPECT_EQ(localBytes(), body);
    EXPECT_FALSE(get.MErro());
    EXPECT_TRUE(hasStatus("Download reiniciado automaticamente (1)!"));
    EXPECT_TRUE(hasStatus("Download reiniciado automaticamente (2)!"));
    EXPECT_FALSE(hasStatus("Download reiniciado automaticamente (3)!"));
    EXPECT_EQ(get.RestartCount(), 3);
    const auto gets = requestsOf("GET");
    ASSERT_EQ(gets.size(), 3u);
    EXPECT_FALSE(gets[0].header("Range"));
    EXPECT_EQ(gets[1].header("Range"), "bytes=1000-");
    EXPECT_EQ(gets[2].header("Range"), "bytes=2000-");
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), kComplete);
    EXPECT_EQ(concluded, 1);
}

TEST_F(DownloadTest, BodyEndingCleanlyWithoutLengthAlsoResumes) {
    // No Content-Length: the body ends when the connection closes, with no error at all.
    const std::string body = patternBytes(4000);
    TestHttpResponse head;
    head.body = body;
    TestHttpResponse shortGet;
    shortGet.body = body.substr(0, 1500);
    shortGet.sendContentLength = false;
    server.setResponseSequence("/a.zip", {head, shortGet, head});
    get.MURL = server.url("/a.zip");
    get.StartDownload();

    EXPECT_EQ(localBytes(), body);
    EXPECT_TRUE(hasStatus("Download reiniciado automaticamente (1)!"));
    ASSERT_FALSE(requestsOf("GET").empty());
    EXPECT_EQ(requestsOf("GET").back().header("Range"), "bytes=1500-");
    EXPECT_EQ(concluded, 1);
}

TEST_F(DownloadTest, ServerThatNeverSendsAByteEndsTheTransfer) {
    TestHttpResponse head;
    head.body = patternBytes(4000);
    TestHttpResponse empty = head;
    empty.cutAfter = 0;
    server.setResponseSequence("/a.zip", {head, empty});
    get.MURL = server.url("/a.zip");
    get.StartDownload();

    EXPECT_TRUE(get.MErro());
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(
        statuses.back(),
        "<<< 12152 - ERROR_HTTP_INVALID_SERVER_RESPONSE - The server response could not be parsed. >>>");
    EXPECT_EQ(requestsOf("GET").size(), 3u);
    EXPECT_EQ(concluded, 1);
}

TEST_F(DownloadTest, StopDuringTheTransferKeepsThePartAndRaisesNoCompletion) {
    const std::string body = patternBytes(3 * 1024 * 1024);
    server.addFile("/a.zip", body);
    get.MURL = server.url("/a.zip");
    get.MOnProgress = [this](TMHttpGetResume& sender) {
        ++progress;
        sender.MBaixando = false; // the window's close button
    };
    get.StartDownload();

    EXPECT_EQ(progress, 1);
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), "Download pausado!");
    EXPECT_EQ(concluded, 0);
    EXPECT_FALSE(get.MErro());
    EXPECT_FALSE(get.MBaixando);
    const std::string part = localBytes();
    EXPECT_GT(part.size(), 0u);
    EXPECT_LT(part.size(), body.size());
    EXPECT_EQ(static_cast<std::int64_t>(part.size()), get.MTotalRecebido());
    EXPECT_EQ(part, body.substr(0, part.size()));

    // A later start resumes from the part.
    get.MOnProgress = nullptr;
    statuses.clear();
    get.StartDownload();
    EXPECT_EQ(localBytes(), body);
    ASSERT_FALSE(requestsOf("GET").empty());
    EXPECT_EQ(requestsOf("GET").back().header("Range"), "bytes=" + std::to_string(part.size()) + "-");
    EXPECT_EQ(concluded, 1);
}

TEST_F(DownloadTest, StopWhileTheServerStallsEndsTheWait) {
    const std::string body = patternBytes(100000);
    TestHttpResponse stall;
    stall.body = body;
    stall.stallAfter = 1000;
    stall.stallLimit = std::chrono::milliseconds(20000);
    server.setResponse("/a.zip", stall);
    get.MURL = server.url("/a.zip");
    int pumpsAfterData = 0;
    get.setMessagePump([&] {
        if (progress > 0 && ++pumpsAfterData == 2)
            get.MBaixando = false; // a pump while the read waits: the user closes the window
    });
    get.StartDownload();

    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), "Download pausado!");
    EXPECT_FALSE(get.MErro());
    EXPECT_EQ(concluded, 0);
    EXPECT_EQ(localBytes(), body.substr(0, 1000));
}

TEST_F(DownloadTest, NothingReceivedForAMinuteIsATimeOut) {
    const std::string body = patternBytes(100000);
    TestHttpResponse stall;
    stall.body = body;
    stall.stallAfter = 1000;
    stall.stallLimit = std::chrono::milliseconds(20000);
    TestHttpResponse head;
    head.body = body;
    server.setResponseSequence("/a.zip", {head, stall});
    get.MURL = server.url("/a.zip");
    get.MOnProgress = [this](TMHttpGetResume&) {
        ++progress;
        clock.steadyStep = std::chrono::milliseconds(7000); // from now on every reading is 7 s later
    };
    get.StartDownload();

    EXPECT_TRUE(get.MErro());
    EXPECT_TRUE(hasStatus("<<< 12002 - ERROR_INTERNET_TIMEOUT - The request has timed out. >>>"));
    EXPECT_EQ(localBytes(), body.substr(0, 1000));
    EXPECT_EQ(concluded, 1);
    EXPECT_FALSE(hasStatus(kComplete));
}

TEST_F(DownloadTest, HeadWithoutContentLengthFailsTheProbe) {
    TestHttpResponse noLength;
    noLength.body = patternBytes(1000);
    noLength.sendContentLength = false;
    server.setResponse("/a.zip", noLength);
    get.MURL = server.url("/a.zip");
    get.StartDownload();

    EXPECT_EQ(get.MTamanhoArquivo(), 0);
    EXPECT_TRUE(get.MErro());
    EXPECT_TRUE(hasStatus(
        "<<< 12150 - ERROR_HTTP_HEADER_NOT_FOUND - The requested header could not be located. >>>"));
    EXPECT_TRUE(requestsOf("GET").empty());
    EXPECT_FALSE(hasStatus(kComplete));
    EXPECT_FALSE(hasStatus(kAlreadyComplete));
    EXPECT_EQ(concluded, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "package.zip"));
}

TEST_F(DownloadTest, ErrorStatusesFailWithoutWriting) {
    get.MURL = server.url("/missing.zip");
    get.StartDownload();
    EXPECT_TRUE(get.MErro());
    EXPECT_TRUE(hasStatus("<<< 404 - HTTP Not Found >>>"));
    EXPECT_TRUE(requestsOf("GET").empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "package.zip"));
    EXPECT_EQ(concluded, 1);

    // The size probe passes, the GET is refused: the partial file stays as it was.
    const std::string body = patternBytes(8000);
    TestHttpResponse head;
    head.body = body;
    TestHttpResponse refused;
    refused.status = 503;
    refused.reason = "Service Unavailable";
    refused.body = "<html>busy</html>";
    server.setResponseSequence("/busy.zip", {head, refused});
    writeFile(dir / "package.zip", body.substr(0, 100));
    statuses.clear();
    get.MURL = server.url("/busy.zip");
    get.StartDownload();
    EXPECT_TRUE(get.MErro());
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), "<<< 503 - HTTP Service Unavailable >>>");
    EXPECT_EQ(localBytes(), body.substr(0, 100));
    EXPECT_EQ(concluded, 2);
}

TEST_F(DownloadTest, IgnoredRangeRewritesTheFileFromTheStart) {
    const std::string body = patternBytes(50000);
    TestHttpResponse whole;
    whole.body = body;
    whole.ignoreRange = true;
    server.setResponse("/a.zip", whole);
    writeFile(dir / "package.zip", body.substr(0, 20000));
    get.MURL = server.url("/a.zip");
    get.StartDownload();

    ASSERT_FALSE(requestsOf("GET").empty());
    EXPECT_EQ(requestsOf("GET").front().header("Range"), "bytes=20000-");
    EXPECT_EQ(localBytes(), body);
    EXPECT_FALSE(get.MErro());
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), kComplete);
}

TEST_F(DownloadTest, PartStartingElsewhereIsDroppedAndTheWholeFileAskedFor) {
    const std::string body = patternBytes(30000);
    TestHttpResponse normal;
    normal.body = body;
    TestHttpResponse wrongPart;
    wrongPart.status = 206;
    wrongPart.reason = "Partial Content";
    wrongPart.body = body.substr(5000);
    wrongPart.headers.emplace_back("Content-Range", "bytes 5000-29999/30000");
    server.setResponseSequence("/a.zip", {normal, wrongPart, normal});
    writeFile(dir / "package.zip", body.substr(0, 10000));
    get.MURL = server.url("/a.zip");
    get.StartDownload();

    const auto gets = requestsOf("GET");
    ASSERT_EQ(gets.size(), 2u);
    EXPECT_EQ(gets[0].header("Range"), "bytes=10000-");
    EXPECT_FALSE(gets[1].header("Range"));
    EXPECT_EQ(localBytes(), body);
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), kComplete);
}

TEST_F(DownloadTest, LocalFileLongerThanTheRemoteOneIsFetchedAgain) {
    const std::string body = patternBytes(10000);
    server.addFile("/a.zip", body);
    writeFile(dir / "package.zip", patternBytes(25000, 99));
    get.MURL = server.url("/a.zip");
    get.StartDownload();

    ASSERT_EQ(requestsOf("GET").size(), 1u);
    EXPECT_FALSE(requestsOf("GET")[0].header("Range"));
    EXPECT_EQ(localBytes(), body);
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), kComplete);
}

TEST_F(DownloadTest, BytesPastTheAnnouncedSizeAreNeverWritten) {
    const std::string body = patternBytes(6000);
    TestHttpResponse head;
    head.body = body;
    TestHttpResponse longer;
    longer.body = body + patternBytes(3000, 1);
    server.setResponseSequence("/a.zip", {head, longer});
    get.MURL = server.url("/a.zip");
    get.StartDownload();

    EXPECT_EQ(localBytes(), body);
    EXPECT_EQ(get.MTotalRecebido(), 6000);
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), kComplete);
}

TEST_F(DownloadTest, SecondStartDuringADownloadReturnsAtOnce) {
    server.addFile("/a.zip", patternBytes(400000));
    get.MURL = server.url("/a.zip");
    int nestedStatuses = -1;
    get.MOnProgress = [&](TMHttpGetResume& sender) {
        if (nestedStatuses < 0) {
            const std::size_t before = statuses.size();
            sender.StartDownload();
            nestedStatuses = static_cast<int>(statuses.size() - before);
        }
    };
    get.StartDownload();
    EXPECT_EQ(nestedStatuses, 0);
    EXPECT_EQ(requestsOf("GET").size(), 1u);
    EXPECT_EQ(concluded, 1);
}

} // namespace
} // namespace sw::test
