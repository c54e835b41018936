// Automatic reconnection, the failure checks, and the labels and statistics of a download.
#include "download_fixture.h"
#include "platform/loopback_port.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <unistd.h>

namespace sw::test {
namespace {

// A loopback port with nobody listening: connections are refused at once.
int closedPort() {
    return findFreeLoopbackPort();
}

TEST_F(DownloadTest, ReconnectsUpToTheMaximumThenGivesUp) {
    RecordingLabel number;
    RecordingLabel countdown;
    get.MLblNumAutoRecon = &number;
    get.MLblTempoAutoRecon = &countdown;
    get.MAutoReconectar = true;
    get.MVezesAutoReconectar = 5;
    get.MTempoAutoReconectar = 0; // one second per wait
    get.MURL = "http://127.0.0.1:" + std::to_string(closedPort()) + "/a.zip";
    get.StartDownload();

    EXPECT_EQ(number.captions, (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(countdown.captions, std::vector<std::string>(5, "0 s"));
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), "Aguarde, reconectando em 0 segundos..."), 5);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(),
                         "<<< 12029 - ERROR_INTERNET_CANNOT_CONNECT - The attempt to connect to the server "
                         "failed. >>>"),
              5); // the sixth start stops at the maximum, before the size probe
    ASSERT_GE(statuses.size(), 2u);
    EXPECT_EQ(statuses[statuses.size() - 2], " -> Número máximo de reconexões automáticas já feitos (5)!");
    EXPECT_EQ(statuses.back(), " -> Experimente novamente mais tarde!");
    EXPECT_EQ(get.ReconnectAttempt(), 1);
    EXPECT_FALSE(get.MErro());
    EXPECT_FALSE(get.MBaixando);
    EXPECT_EQ(concluded, 0);
    EXPECT_EQ(clock.slept, std::chrono::milliseconds(5000));
}

TEST_F(DownloadTest, CountdownShowsEverySecondAndClearingTheFlagCutsItShort) {
    RecordingLabel countdown;
    get.MLblTempoAutoRecon = &countdown;
    get.MAutoReconectar = true;
    get.MVezesAutoReconectar = 1;
    get.MTempoAutoReconectar = 3;
    get.MURL = "http://127.0.0.1:" + std::to_string(closedPort()) + "/a.zip";
    get.StartDownload();
    EXPECT_EQ(countdown.captions, (std::vector<std::string>{"3 s", "2 s", "1 s", "0 s"}));
    EXPECT_EQ(clock.slept, std::chrono::milliseconds(4000)); // 3 down to 0: four seconds

    // Clearing MAutoReconectar during the wait ends it; the restart follows at once and,
    // with reconnection off, the failure ends the download.
    countdown.captions.clear();
    clock.slept = {};
    statuses.clear();
    get.MTempoAutoReconectar = 15;
    get.MVezesAutoReconectar = 5;
    get.setMessagePump([this] {
        if (clock.slept >= std::chrono::milliseconds(2000))
            get.MAutoReconectar = false;
    });
    get.StartDownload();
    EXPECT_LT(clock.slept, std::chrono::milliseconds(3000));
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), "Aguarde, reconectando em 15 segundos..."), 1);
    EXPECT_EQ(concluded, 1);
    EXPECT_TRUE(get.MErro());
}

TEST_F(DownloadTest, UnboundedReconnectionsKeepTheStackFlat) {
    get.MAutoReconectar = true;
    get.MVezesAutoReconectar = 0; // no maximum
    get.MTempoAutoReconectar = 0;
    get.MURL = "http://127.0.0.1:" + std::to_string(closedPort()) + "/a.zip";
    std::vector<const void*> frames;
    get.MOnStatus = [&](TMHttpGetResume& sender, const std::string& text) {
        statuses.push_back(text);
        if (text.starts_with("Aguarde")) {
            int marker = 0;
            frames.push_back(&marker);
            if (frames.size() == 40)
                sender.MAutoReconectar = false;
        }
    };
    get.StartDownload();
    ASSERT_EQ(frames.size(), 40u);
    EXPECT_EQ(std::count(frames.begin(), frames.end(), frames.front()), 40);
    EXPECT_EQ(get.ReconnectAttempt(), 41);
    EXPECT_FALSE(get.MBaixando);
}

TEST_F(DownloadTest, ReconnectionResumesAfterTheServerComesBack) {
    const std::string body = patternBytes(20000);
    TestHttpResponse head;
    head.body = body;
    TestHttpResponse gone = head;
    gone.closeWithoutAnswer = true;
    server.setResponseSequence("/a.zip", {head, gone, head});
    get.MAutoReconectar = true;
    get.MTempoAutoReconectar = 0;
    get.MURL = server.url("/a.zip");
    get.StartDownload();

    EXPECT_TRUE(hasStatus("<<< 12152 - ERROR_HTTP_INVALID_SERVER_RESPONSE - The server response could not be "
                          "parsed. >>>"));
    EXPECT_TRUE(hasStatus("Aguarde, reconectando em 0 segundos..."));
    EXPECT_EQ(localBytes(), body);
    EXPECT_FALSE(get.MErro());
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), "Download concluído com sucesso!");
    EXPECT_EQ(concluded, 1);
    EXPECT_EQ(get.ReconnectAttempt(), 2); // a success does not reset it
}

TEST_F(DownloadTest, ResetDuringTheBodyFailsAndReconnectsFromThePart) {
    const std::string body = patternBytes(200000);
    TestHttpResponse head;
    head.body = body;
    TestHttpResponse reset = head;
    reset.cutAfter = 50000;
    reset.resetOnClose = true;
    server.setResponseSequence("/a.zip", {head, reset, head});
    get.MURL = server.url("/a.zip");
    get.StartDownload();

    const std::string resetText =
        "<<< 12031 - ERROR_INTERNET_CONNECTION_RESET - The connection with the server has been reset. >>>";
    EXPECT_TRUE(get.MErro());
    EXPECT_TRUE(hasStatus(resetText));
    EXPECT_FALSE(hasStatus("Download concluído com sucesso!"));
    EXPECT_EQ(concluded, 1);
    const std::string part = localBytes();
    EXPECT_LE(part.size(), 50000u);
    EXPECT_EQ(part, body.substr(0, part.size()));
    EXPECT_EQ(requestsOf("GET").size(), 1u); // the failed pass's successor sends nothing

    // With reconnection on, the next start resumes from the part and completes.
    statuses.clear();
    server.setResponseSequence("/a.zip", {head, reset, head});
    writeFile(dir / "package.zip", "");
    get.MAutoReconectar = true;
    get.MTempoAutoReconectar = 0;
    get.StartDownload();
    EXPECT_TRUE(hasStatus(resetText));
    EXPECT_TRUE(hasStatus("Aguarde, reconectando em 0 segundos..."));
    EXPECT_EQ(localBytes(), body);
    EXPECT_FALSE(get.MErro());
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), "Download concluído com sucesso!");
}

// Every path closes what it opened: the file, the requests and their connections.
TEST_F(DownloadTest, NoDescriptorOutlivesADownload) {
    // Files, and sockets whose far end is the test server (the server's own ends close on
    // its threads, in their own time, so they are not counted).
    auto openDescriptors = [this] {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            const int fd = std::stoi(entry.path().filename().string());
            sockaddr_in peer{};
            socklen_t length = sizeof peer;
            if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
                if (errno == ENOTSOCK)
                    ++count;
            } else if (peer.sin_family == AF_INET && ntohs(peer.sin_port) == server.port()) {
                ++count;
            }
        }
        return count;
    };
    const std::string body = patternBytes(300000);
    server.addFile("/a.zip", body);
    TestHttpResponse cut;
    cut.body = body;
    cut.cutAfter = 100000;
    server.setResponse("/cut.zip", cut);
    TestHttpResponse noLength;
    noLength.body = body;
    noLength.sendContentLength = false;
    server.setResponse("/nolength.zip", noLength);

    get.MURL = server.url("/a.zip");
    get.StartDownload(); // warm-up: libcurl's one-time initialisation
    const auto before = openDescriptors();
    for (const char* path : {"/a.zip", "/missing.zip", "/nolength.zip", "/cut.zip"}) {
        std::filesystem::remove(dir / "package.zip");
        get.MURL = server.url(path);
        get.StartDownload();
    }
    get.MURL = server.url("/a.zip");
    std::filesystem::remove(dir / "package.zip");
    get.MOnProgress = [](TMHttpGetResume& sender) { sender.MBaixando = false; };
    get.StartDownload();
    get.MURL = "http://127.0.0.1:" + std::to_string(closedPort()) + "/a.zip";
    get.StartDownload();
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(DownloadTest, CheckReadsTheLastCodeAndNeverClearsTheFlag) {
    get.setLastInternetError(12034);
    get.CheckInternetError();
    EXPECT_TRUE(get.MErro());
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), "<<< 12034 - ERRO NÃO PREVISTO - Por favor, verifique o código do erro. >>>");

    get.setLastInternetError(12156);
    get.CheckInternetError();
    EXPECT_EQ(statuses.back(),
              "<<< 12156 - ERROR_HTTP_REDIRECT_FAILED - The redirection failed because either "
              "the scheme changed or all attempts made to redirect failed. >>>");
    get.setLastInternetError(12171);
    get.CheckInternetError();
    EXPECT_EQ(statuses.back(), "<<< 12171 - ERRO NÃO PREVISTO - Por favor, verifique o código do erro. >>>");

    const std::size_t reported = statuses.size();
    for (std::uint32_t outside : {0u, 2u, 12000u, 12172u}) {
        get.setLastInternetError(outside);
        get.CheckInternetError();
    }
    EXPECT_EQ(statuses.size(), reported);
    EXPECT_TRUE(get.MErro());
}

TEST_F(DownloadTest, LabelsFollowTheLocaleAndTheLastValueIsShown) {
    const std::int64_t size = 4 * 1024 * 1024 + 1234;
    server.addFile("/a.zip", patternBytes(static_cast<std::size_t>(size)));
    RecordingLabel total, received, remaining, rate, timeLeft, elapsed;
    get.MLblTotal = &total;
    get.MLblRecebido = &received;
    get.MLblRestante = &remaining;
    get.MLblTaxaTransferencia = &rate;
    get.MLblTempoRestante = &timeLeft;
    get.MLblTempoDecorrido = &elapsed;
    get.setNumberFormat({".", ",", "%H:%M:%S"});
    clock.nowStep = 2.0 / 86400.0; // two seconds between readings of the date-time
    get.MURL = server.url("/a.zip");
    get.StartDownload();

    ASSERT_FALSE(statuses.empty());
    ASSERT_EQ(statuses.back(), "Download concluído com sucesso!");
    EXPECT_EQ(total.captions, (std::vector<std::string>{"4.097,21 KB"}));
    EXPECT_EQ(received.last(), "4.097,21 KB (100,00%)");
    EXPECT_EQ(remaining.last(), "0,00 KB (0,00%)");
    EXPECT_EQ(timeLeft.last(), "00:00:00 s");
    // The clock never moved on the steady side: the captions were shown for the first
    // buffer and once more at the end, while every buffer raised its progress event.
    EXPECT_GT(progress, 2);
    EXPECT_EQ(received.captions.size(), 2u);
    EXPECT_EQ(bar.positions.size(), static_cast<std::size_t>(progress) + 1);
    // Each buffer read the clock once: the elapsed time is 2 s per buffer.
    const double seconds = 2.0 * progress;
    EXPECT_DOUBLE_EQ(get.MTempoDownload(), seconds);
    EXPECT_NEAR(get.MTaxaTransferencia(), static_cast<double>(size) / 1024.0 / seconds, 1e-9);
    EXPECT_EQ(rate.last(), formatFloat(get.MTaxaTransferencia(), "0.00 KB/s", {".", ",", ""}));
    EXPECT_EQ(elapsed.last(), formatTimeOfDay(seconds / 86400.0, {".", ",", "%H:%M:%S"}) + " s");
}

TEST_F(DownloadTest, StatisticsStayRightPastEighteenHours) {
    const std::int64_t size = 3 * 1024 * 1024;
    server.addFile("/a.zip", patternBytes(static_cast<std::size_t>(size)));
    get.MURL = server.url("/a.zip");
    clock.nowStep = 100000.0 / 86400.0; // 100,000 s (past 65,535 and past a day) per reading
    std::int64_t firstPosition = 0;
    double firstEstimate = 0;
    get.MOnProgress = [&](TMHttpGetResume& sender) {
        if (++progress == 1) {
            firstPosition = sender.MTotalRecebido();
            firstEstimate = sender.MTempoEstimado();
        }
    };
    get.StartDownload();

    ASSERT_GT(firstPosition, 0);
    ASSERT_LT(firstPosition, size);
    // After one buffer: 100,000 s for firstPosition bytes; the rest at the same rate.
    const double rate = static_cast<double>(firstPosition) / 1024.0 / 100000.0;
    EXPECT_NEAR(firstEstimate, static_cast<double>(size - firstPosition) / 1024.0 / rate, 1e-6);
    EXPECT_DOUBLE_EQ(get.MTempoDownload(), 100000.0 * progress);
    EXPECT_EQ(get.MTempoEstimado(), 0);
}

} // namespace
} // namespace sw::test
