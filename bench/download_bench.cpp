// Resumable download benchmark: TMHttpGetResume fetching one large file from a local nginx
// (started here on 127.0.0.1, nginx-light) with the message pump running
// (QCoreApplication::processEvents), linked labels and a progress bar, against `curl -o`
// of the same file in the same run. Also times a resume of the second half. Prints MB/s and
// the ratio (our throughput / curl's: 1.0 means as fast as curl).
//
//   download_bench [WORK_FOLDER] [SIZE_MB]     (default /dev/shm/swdownloadbench, 300)
#include "local_http_peer.h"
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "download/mhttp_get_resume.h"

namespace fs = std::filesystem;

namespace {

using sw::bench::Clock;
using sw::bench::curlSeconds;
using sw::bench::seconds;

class CountingLabel final : public sw::LinkedLabel {
public:
    void setCaption(const std::string& caption) override {
        m_caption = caption;
        ++changes;
    }
    long changes = 0;

private:
    std::string m_caption;
};

class CountingBar final : public sw::LinkedProgressBar {
public:
    void setRange(std::int64_t, std::int64_t maximum) override { m_maximum = maximum; }
    void setPosition(std::int64_t position) override {
        m_position = position;
        ++changes;
    }
    long changes = 0;

private:
    std::int64_t m_maximum = 0;
    std::int64_t m_position = 0;
};

// One StartDownload into `out`, which holds `present` bytes of the file beforehand.
double oursSeconds(const std::string& url, const fs::path& out, const fs::path& source,
                   std::uintmax_t present, std::uintmax_t expected, long& pumps, long& events) {
    fs::remove(out);
    if (present > 0) {
        fs::copy_file(source, out);
        fs::resize_file(out, present);
    }
    CountingLabel total, received, remaining, rate, timeLeft, elapsed;
    CountingBar bar;
    sw::TMHttpGetResume httpget;
    httpget.MProgressBar = &bar;
    httpget.MLblTotal = &total;
    httpget.MLblRecebido = &received;
    httpget.MLblRestante = &remaining;
    httpget.MLblTaxaTransferencia = &rate;
    httpget.MLblTempoRestante = &timeLeft;
    httpget.MLblTempoDecorrido = &elapsed;
    httpget.setMessagePump([&] {
        ++pumps;
        QCoreApplication::processEvents();
    });
    std::int64_t seen = 0;
    httpget.MOnProgress = [&](sw::TMHttpGetResume& sender) {
        ++events;
        seen = sender.MTotalRecebido();
    };
    httpget.MURL = url;
    httpget.MArquivoLocal = out.string();
    const auto start = Clock::now();
    httpget.StartDownload();
    const double elapsedSeconds = seconds(Clock::now() - start);
    if (httpget.MErro() || fs::file_size(out) != expected || static_cast<std::uintmax_t>(seen) != expected) {
        std::fprintf(stderr, "download incomplete: %ju bytes of %ju\n",
                     static_cast<std::uintmax_t>(fs::file_size(out)), expected);
        std::exit(1);
    }
    return elapsedSeconds;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const fs::path work = argc > 1 ? argv[1] : "/dev/shm/swdownloadbench";
    const std::uintmax_t sizeMb = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 300;
    fs::remove_all(work);
    fs::create_directories(work / "www");

    const fs::path source = work / "www" / "package.zip";
    sw::bench::writeRandomFile(source, sizeMb);
    const std::uintmax_t size = fs::file_size(source);

    std::optional<sw::bench::LocalNginx> nginx(std::in_place, work);
    const std::string url = nginx->url("/package.zip");

    double curlBest = 1e9;
    double oursBest = 1e9;
    double resumeBest = 1e9;
    long pumps = 0;
    long events = 0;
    for (int round = 0; round < 3; ++round) {
        curlBest = std::min(curlBest, curlSeconds(url, work / "curl.out"));
        pumps = events = 0;
        oursBest = std::min(oursBest, oursSeconds(url, work / "ours.out", source, 0, size, pumps, events));
        long resumePumps = 0;
        long resumeEvents = 0;
        resumeBest = std::min(resumeBest, oursSeconds(url, work / "ours.out", source, size / 2, size,
                                                      resumePumps, resumeEvents));
    }
    nginx.reset();

    const double mb = static_cast<double>(size) / (1 << 20);
    std::printf("file: %.0f MB from nginx on 127.0.0.1, best of 3, read buffer %zu KiB\n", mb,
                sw::TMHttpGetResume::kReadBufferSize / 1024);
    std::printf("curl -o                %8.0f MB/s\n", mb / curlBest);
    std::printf("TMHttpGetResume        %8.0f MB/s  ratio %.2f  (%ld progress events, %ld pumps)\n",
                mb / oursBest, curlBest / oursBest, events, pumps);
    std::printf("  resume of 2nd half   %8.0f MB/s of the half\n", mb / 2 / resumeBest);
    fs::remove_all(work);
    return 0;
}
