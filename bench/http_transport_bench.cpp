// HTTP transport benchmark: a GET of one large file from a local nginx (started here on
// 127.0.0.1, nginx-light), read by our transport in 8 KiB and 64 KiB blocks into a file,
// against `curl -o` of the same file in the same run. Prints MB/s and the ratio
// (our throughput / curl's: 1.0 means as fast as curl).
//
//   http_transport_bench [WORK_FOLDER] [SIZE_MB]     (default /dev/shm/swhttpbench, 300)
#include "platform/loopback_port.h"
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
#include <random>
#include <string>
#include <vector>

#include "platform/http_request.h"
#include "platform/http_session.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

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
    fs::create_directories(work / "tmp");

    {
        std::mt19937_64 rng(42);
        std::ofstream file(work / "www" / "package.zip", std::ios::binary);
        std::vector<std::uint64_t> chunk(1 << 17);
        for (std::uintmax_t written = 0; written < sizeMb << 20; written += chunk.size() * 8) {
            for (auto& word : chunk)
                word = rng();
            file.write(reinterpret_cast<const char*>(chunk.data()),
                       static_cast<std::streamsize>(chunk.size() * 8));
        }
    }
    const std::uintmax_t size = fs::file_size(work / "www" / "package.zip");

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
    double ours8 = 1e9;
    double ours64 = 1e9;
    for (int round = 0; round < 3; ++round) {
        curlBest = std::min(curlBest, curlSeconds(url, work / "curl.out"));
        ours8 = std::min(ours8, oursSeconds(url, work / "ours.out", 8192, size));
        ours64 = std::min(ours64, oursSeconds(url, work / "ours.out", 65536, size));
    }
    kill(nginx, SIGTERM);
    waitpid(nginx, nullptr, 0);

    const double mb = static_cast<double>(size) / (1 << 20);
    std::printf("file: %.0f MB from nginx on 127.0.0.1, best of 3\n", mb);
    std::printf("curl -o           %8.0f MB/s\n", mb / curlBest);
    std::printf("transport  8 KiB  %8.0f MB/s  ratio %.2f\n", mb / ours8, curlBest / ours8);
    std::printf("transport 64 KiB  %8.0f MB/s  ratio %.2f\n", mb / ours64, curlBest / ours64);
    fs::remove_all(work);
    return 0;
}
