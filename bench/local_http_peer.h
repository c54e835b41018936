#pragma once

// What the HTTP benchmarks share: a payload file of random bytes, a local nginx serving it
// on 127.0.0.1 (nginx-light, started and stopped here), and `curl -o` as the peer to time.

#include "platform/loopback_port.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace sw::bench {

using Clock = std::chrono::steady_clock;

inline double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

inline pid_t spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

// Writes `sizeMb` MiB of reproducible random bytes (incompressible, like packed textures).
inline void writeRandomFile(const std::filesystem::path& path, std::uintmax_t sizeMb) {
    std::mt19937_64 rng(42);
    std::ofstream file(path, std::ios::binary);
    std::vector<std::uint64_t> chunk(1 << 17);
    for (std::uintmax_t written = 0; written < sizeMb << 20; written += chunk.size() * 8) {
        for (auto& word : chunk)
            word = rng();
        file.write(reinterpret_cast<const char*>(chunk.data()),
                   static_cast<std::streamsize>(chunk.size() * 8));
    }
}

// nginx serving <work>/www on a free loopback port until the object goes.
class LocalNginx {
public:
    explicit LocalNginx(const std::filesystem::path& work) : m_port(findFreeLoopbackPort()) {
        std::filesystem::create_directories(work / "tmp");
        {
            std::ofstream conf(work / "nginx.conf");
            const std::string tmp = (work / "tmp").string();
            conf << "daemon off;\nworker_processes 1;\npid " << (work / "nginx.pid").string() << ";\n"
                 << "error_log " << (work / "error.log").string() << ";\n"
                 << "events { worker_connections 64; }\n"
                 << "http {\n  access_log off;\n  sendfile on;\n"
                 << "  client_body_temp_path " << tmp << ";\n  proxy_temp_path " << tmp << ";\n"
                 << "  fastcgi_temp_path " << tmp << ";\n"
                 << "  server { listen 127.0.0.1:" << m_port << "; root " << (work / "www").string()
                 << "; }\n}\n";
        }
        m_pid = spawn({"nginx", "-p", work.string(), "-c", (work / "nginx.conf").string()});
        if (m_pid < 0) {
            std::fprintf(stderr, "nginx could not be started (apt install nginx-light)\n");
            std::exit(1);
        }
        for (int i = 0; i < 200 && !loopbackAccepts(m_port); ++i)
            usleep(10000);
    }
    ~LocalNginx() {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    LocalNginx(const LocalNginx&) = delete;
    LocalNginx& operator=(const LocalNginx&) = delete;

    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

private:
    int m_port;
    pid_t m_pid = -1;
};

// The time `curl -s -o` takes to fetch `url` into `out`; ends the program when curl fails.
inline double curlSeconds(const std::string& url, const std::filesystem::path& out) {
    std::filesystem::remove(out);
    const auto start = Clock::now();
    const pid_t pid = spawn({"curl", "-s", "-o", out.string(), url});
    int status = 0;
    if (pid >= 0)
        waitpid(pid, &status, 0);
    if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "curl failed\n");
        std::exit(1);
    }
    return seconds(Clock::now() - start);
}

} // namespace sw::bench
