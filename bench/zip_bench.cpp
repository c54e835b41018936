// Zip benchmark: our inflate against zlib's in memory, and whole extractions against the
// peers (Info-ZIP unzip, 7-Zip, bsdtar when installed) on the same archives in the same run.
// Prints ratios (peer time / our time: above 1 means we are faster) and our peak memory.
//
//   zip_bench [WORK_FOLDER] [SKINWRIGHT_CLI]     (default /dev/shm/swbench, ./skinwright-cli)
//   ZIP_BENCH_INFLATE_ONLY=1 zip_bench ...       (the in-memory comparison alone)
//
// The archives are made here with `zip -6` and `7zz -mm=Deflate64` from generated
// livery-like files (twenty 4 MB "textures" that deflate 1.5x to 6x).
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "archive/inflate.h"

namespace fs = std::filesystem;

namespace {

// Texture-like bytes: runs copied from earlier in the file (probability `repeat`) between
// runs drawn from a small alphabet, which together give deflate ratios of about 1.5-6x.
std::string makeTexture(std::mt19937& rng, std::size_t size, double repeat, unsigned alphabet) {
    std::string s;
    s.reserve(size);
    std::uniform_real_distribution<double> coin(0, 1);
    while (s.size() < size) {
        const std::size_t run = 8 + rng() % 120;
        if (s.size() > 1024 && coin(rng) < repeat) {
            const std::size_t dist = 1 + rng() % std::min<std::size_t>(s.size() - 1, 30000);
            for (std::size_t i = 0; i < run; ++i)
                s += s[s.size() - dist];
        } else {
            for (std::size_t i = 0; i < run; ++i)
                s += static_cast<char>(rng() % alphabet);
        }
    }
    s.resize(size);
    return s;
}

class MemorySink : public sw::ByteSink {
public:
    explicit MemorySink(std::size_t capacity) : m_buf(capacity) {}
    void write(const std::uint8_t* data, std::size_t size) override {
        std::memcpy(m_buf.data() + m_used, data, size);
        m_used += size;
    }
    std::size_t used() const { return m_used; }
    const std::uint8_t* data() const { return m_buf.data(); }
    void clear() { m_used = 0; }

private:
    std::vector<std::uint8_t> m_buf;
    std::size_t m_used = 0;
};

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

struct RunResult {
    double seconds = 0;
    int status = -1;
};

// Runs a command through /bin/sh and times it.
RunResult run(const std::string& command) {
    RunResult r;
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const char* args[] = {"sh", "-c", command.c_str(), nullptr};
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(args), environ) != 0)
        return r;
    int status = 0;
    waitpid(pid, &status, 0);
    r.seconds = seconds(t0, std::chrono::steady_clock::now());
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Peak resident size of one run, measured by /usr/bin/time around the command alone (the
// rusage of a spawned shell would count pages it shared with this process before exec).
double peakRssMiB(const std::string& out, const std::string& command) {
    const std::string report = out + ".rss";
    fs::remove_all(out);
    fs::create_directories(out);
    if (run("/usr/bin/time -f %M -o '" + report + "' " + command).status != 0)
        return -1;
    long kb = -1;
    std::ifstream(report) >> kb;
    fs::remove(report);
    return kb / 1024.0;
}

bool haveTool(const char* name) {
    return run(std::string("command -v ") + name + " >/dev/null 2>&1").status == 0;
}

// Best of `n` extractions into a fresh folder.
RunResult bestOf(int n, const std::string& out, const std::string& command) {
    RunResult best;
    best.seconds = 1e30;
    for (int i = 0; i < n; ++i) {
        fs::remove_all(out);
        fs::create_directories(out);
        RunResult r = run(command);
        if (r.status != 0)
            std::fprintf(stderr, "warning: '%s' exited with %d\n", command.c_str(), r.status);
        if (r.seconds < best.seconds)
            best = r;
    }
    return best;
}

void inflateInMemory(const std::string& plain) {
    // Raw deflate at level 6, as zip -6 writes it.
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::vector<std::uint8_t> packed(deflateBound(&z, plain.size()));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    deflate(&z, Z_FINISH);
    packed.resize(z.total_out);
    deflateEnd(&z);

    MemorySink ours(plain.size() + 16);
    std::vector<std::uint8_t> theirs(plain.size());
    double bestOurs = 1e30;
    double bestZlib = 1e30;
    for (int round = 0; round < 9; ++round) {
        auto t0 = std::chrono::steady_clock::now();
        z_stream d{};
        inflateInit2(&d, -15);
        d.next_in = packed.data();
        d.avail_in = static_cast<uInt>(packed.size());
        d.next_out = theirs.data();
        d.avail_out = static_cast<uInt>(theirs.size());
        inflate(&d, Z_FINISH);
        inflateEnd(&d);
        auto t1 = std::chrono::steady_clock::now();
        ours.clear();
        sw::inflateBuffer(packed.data(), packed.size(), false, ours);
        auto t2 = std::chrono::steady_clock::now();
        bestZlib = std::min(bestZlib, seconds(t0, t1));
        bestOurs = std::min(bestOurs, seconds(t1, t2));
    }
    if (ours.used() != plain.size() || std::memcmp(ours.data(), plain.data(), plain.size()) != 0) {
        std::fprintf(stderr, "error: our inflate gave different bytes\n");
        std::exit(1);
    }
    std::printf(
        "inflate in memory: %.1f MB -> %.1f MB; zlib %.3f s, ours %.3f s; ratio zlib/ours %.2f (%.0f MB/s)\n",
        packed.size() / 1e6, plain.size() / 1e6, bestZlib, bestOurs, bestZlib / bestOurs,
        plain.size() / 1e6 / bestOurs);
}

} // namespace

int main(int argc, char** argv) {
    const fs::path work = argc > 1 ? argv[1] : "/dev/shm/swbench";
    const std::string cli = fs::absolute(argc > 2 ? argv[2] : "./skinwright-cli").string();
    fs::create_directories(work / "src" / "Livery" / "texture.bench");

    std::mt19937 rng(12345);
    std::string all;
    for (int i = 0; i < 20; ++i) {
        const double repeat = 0.30 + 0.03 * i; // 1.5x .. about 6x
        const std::string tex = makeTexture(rng, 4 << 20, repeat, 64 + (i % 4) * 48);
        std::ofstream(work / "src" / "Livery" / "texture.bench" / ("tex" + std::to_string(i) + ".dds"),
                      std::ios::binary)
            .write(tex.data(), static_cast<std::streamsize>(tex.size()));
        if (i < 8)
            all += tex;
    }
    inflateInMemory(all);
    if (std::getenv("ZIP_BENCH_INFLATE_ONLY"))
        return 0;

    const std::string zip = (work / "livery.zip").string();
    const std::string zip64 = (work / "livery64.zip").string();
    const std::string src = (work / "src").string();
    if (!fs::exists(zip) && run("cd '" + src + "' && zip -q -r -6 '" + zip + "' Livery").status != 0) {
        std::fprintf(stderr, "error: zip is needed to make the archive\n");
        return 1;
    }
    if (!fs::exists(zip64) && haveTool("7zz"))
        run("cd '" + src + "' && 7zz a -bd -bso0 -tzip -mm=Deflate64 -mx=5 '" + zip64 + "' Livery");
    std::printf("archives: %s (%.1f MB), %s\n", zip.c_str(), fs::file_size(zip) / 1e6, zip64.c_str());

    const std::string out = (work / "out").string();
    const int n = 5;
    const RunResult ours = bestOf(n, out, "'" + cli + "' unzip '" + zip + "' '" + out + "'");
    std::printf("deflate extraction: ours %.3f s, peak RSS %.1f MiB\n", ours.seconds,
                peakRssMiB(out, "'" + cli + "' unzip '" + zip + "' '" + out + "'"));
    if (haveTool("unzip")) {
        const RunResult r = bestOf(n, out, "unzip -o -q '" + zip + "' -d '" + out + "'");
        std::printf("  unzip -o -q %.3f s: ratio unzip/ours %.2f\n", r.seconds, r.seconds / ours.seconds);
    }
    if (haveTool("7zz")) {
        const RunResult r = bestOf(n, out, "7zz x -y -bd -bso0 '-o" + out + "' '" + zip + "'");
        std::printf("  7zz x %.3f s: ratio 7zz/ours %.2f\n", r.seconds, r.seconds / ours.seconds);
    }
    if (haveTool("bsdtar")) {
        const RunResult r = bestOf(n, out, "bsdtar -xf '" + zip + "' -C '" + out + "'");
        std::printf("  bsdtar -xf %.3f s: ratio bsdtar/ours %.2f\n", r.seconds, r.seconds / ours.seconds);
    } else {
        std::printf("  bsdtar not installed: not compared\n");
    }
    if (fs::exists(zip64)) {
        const RunResult o64 = bestOf(n, out, "'" + cli + "' unzip '" + zip64 + "' '" + out + "'");
        const RunResult r = bestOf(n, out, "7zz x -y -bd -bso0 '-o" + out + "' '" + zip64 + "'");
        std::printf(
            "Deflate64 extraction: ours %.3f s (peak RSS %.1f MiB), 7zz x %.3f s: ratio 7zz/ours %.2f\n",
            o64.seconds, peakRssMiB(out, "'" + cli + "' unzip '" + zip64 + "' '" + out + "'"), r.seconds,
            r.seconds / o64.seconds);
        if (haveTool("unzip")) {
            const RunResult u = bestOf(n, out, "unzip -o -q '" + zip64 + "' -d '" + out + "'");
            std::printf("  unzip -o -q %.3f s: ratio unzip/ours %.2f\n", u.seconds, u.seconds / o64.seconds);
        }
    }
    fs::remove_all(out);
    return 0;
}
