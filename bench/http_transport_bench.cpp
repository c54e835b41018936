// HTTP transport benchmark: a GET of one large file from a local nginx (started here on
// 127.0.0.1, nginx-light), read by our transport in 8 KiB and 64 KiB blocks into a file,
// against `curl -o` of the same file in the same run. Prints MB/s and the ratio
// (our throughput / curl's: 1.0 means as fast as curl).
//
//   http_transport_bench [WORK_FOLDER] [SIZE_MB]     (default /dev/shm/swhttpbench, 300)
#include "local_http_peer.h"
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/http_request.h"
#include "platform/http_session.h"

namespace fs = std::filesystem;

namespace {

using sw::bench::Clock;
using sw::bench::curlSeconds;
using sw::bench::seconds;

double oursSeconds(const std::string& url, const fs::path& out, std::size_t block, std::uintmax_t expected) {
    const auto start = Clock::now();
    sw::HttpSession session;
    sw::HttpRequest request(session, {.url = url});
    request.setWaitCallback([] { return true; }, std::chrono::milliseconds(100)); // the pump's cost
    std::FILE* file = std::fopen(out.c_str(), "wb");
    std::vector<char> buffer(block);
    std::uintmax_t total = 0;
    while (std::size_t n = request.read(buffer.data(), buffer.size())) {
        std::fwrite(buffer.data(), 1, n, file);
        total += n;
    }
    std::fclose(file);
    const double elapsed = seconds(Clock::now() - start);
    if (total != expected) {
        std::fprintf(stderr, "transport read %ju bytes of %ju\n", total, expected);
        std::exit(1);
    }
    return elapsed;
}

} // namespace

int main(int argc, char** argv) {
    const fs::path work = argc > 1 ? argv[1] : "/dev/shm/swhttpbench";
    const std::uintmax_t sizeMb = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 300;
    fs::remove_all(work);
    fs::create_directories(work / "www");

    sw::bench::writeRandomFile(work / "www" / "package.zip", sizeMb);
    const std::uintmax_t size = fs::file_size(work / "www" / "package.zip");

    std::optional<sw::bench::LocalNginx> nginx(std::in_place, work);
    const std::string url = nginx->url("/package.zip");

    double curlBest = 1e9;
    double ours8 = 1e9;
    double ours64 = 1e9;
    for (int round = 0; round < 3; ++round) {
        curlBest = std::min(curlBest, curlSeconds(url, work / "curl.out"));
        ours8 = std::min(ours8, oursSeconds(url, work / "ours.out", 8192, size));
        ours64 = std::min(ours64, oursSeconds(url, work / "ours.out", 65536, size));
    }
    nginx.reset();

    const double mb = static_cast<double>(size) / (1 << 20);
    std::printf("file: %.0f MB from nginx on 127.0.0.1, best of 3\n", mb);
    std::printf("curl -o           %8.0f MB/s\n", mb / curlBest);
    std::printf("transport  8 KiB  %8.0f MB/s  ratio %.2f\n", mb / ours8, curlBest / ours8);
    std::printf("transport 64 KiB  %8.0f MB/s  ratio %.2f\n", mb / ours64, curlBest / ours64);
    fs::remove_all(work);
    return 0;
}
