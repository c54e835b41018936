// Resumable download benchmark: TMHttpGetResume fetching one large file from a local nginx
// (started here on 127.0.0.1, nginx-light) with the message pump running
// (QCoreApplication::processEvents), linked labels and a progress bar, against `curl -o`
// of the same file in the same run. Also times a resume of the second half. Prints MB/s and
// the ratio (our throughput / curl's: 1.0 means as fast as curl).
//
//   download_bench [WORK_FOLDER] [SIZE_MB]     (default /dev/shm/swdownloadbench, 300)
#include "platform/loopback_port.h"
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
#include <random>
#include <string>
#include <vector>

#include "download/mhttp_get_resume.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

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

pid_t spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double curlSeconds(const std::string& url, const fs::path& out) {
    fs::remove(out);
    const auto start = Clock::now();
    const pid_t pid = spawn({"curl", "-s", "-o", out.string(), url});
    int status = 0;
    waitpid(pid, &status, 0);
    if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "curl failed\n");
        std::exit(1);
    }
    return seconds(Clock::now() - start);
}

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
    fs::create_directories(work / "tmp");

    const fs::path source = work / "www" / "package.zip";
    {
        std::mt19937_64 rng(42);
        std::ofstream file(source, std::ios::binary);
        std::vector<std::uint64_t> chunk(1 << 17);
        for (std::uintmax_t written = 0; written < sizeMb << 20; written += chunk.size() * 8) {
            for (auto& word : chunk)
                word = rng();
            file.write(reinterpret_cast<const char*>(chunk.data()),
                       static_cast<std::streamsize>(chunk.size() * 8));
        }
    }
    const std::uintmax_t size = fs::file_size(source);

    const int port = sw::findFreeLoopbackPort();
    {
        std::ofstream conf(work / "nginx.conf");
        conf << "daemon off;\nworker_processes 1;\npid " << (work / "nginx.pid").string() << ";\n"
             << "error_log " << (work / "error.log").string() << ";\n"
             << "events { worker_connections 64; }\n"
             << "http {\n  access_log off;\n  sendfile on;\n"
             << "  client_body_temp_path " << (work / "tmp").string() << ";\n"
             << "  proxy_temp_path " << (work / "tmp").string() << ";\n"
             << "  fastcgi_temp_path " << (work / "tmp").string() << ";\n"
             << "  server { listen 127.0.0.1:" << port << "; root " << (work / "www").string() << "; }\n}\n";
    }
    const pid_t nginx = spawn({"nginx", "-p", work.string(), "-c", (work / "nginx.conf").string()});
    if (nginx < 0) {
        std::fprintf(stderr, "nginx could not be started (apt install nginx-light)\n");
        return 1;
    }
    for (int i = 0; i < 200 && !sw::loopbackAccepts(port); ++i)
        usleep(10000);
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/package.zip";

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
    kill(nginx, SIGTERM);
    waitpid(nginx, nullptr, 0);

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
