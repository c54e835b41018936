// Zip benchmark: our inflate against libdeflate (and zlib) in memory, and whole extractions
// against the peers on the same archives in the same run. Prints times, ratios and our peak
// memory. Runs alternate between us and the peer, as the machine may be shared; the best of
// each gives the ratio against the goal (elapsed time, with processor time beside it), and the
// medians are printed with it.
//
//   zip_bench [WORK_FOLDER] [SKINWRIGHT_CLI]     (default /dev/shm/swbench, ./skinwright-cli)
//   ZIP_BENCH_CASES=inflate,small,medium,memory  (default: all of them)
//
// Cases:
//   inflate  the same raw deflate streams (zip -6's level) in memory: ours / libdeflate's speed
//   small    20,000 and 3,000 small deflated files (zip -6): our time / `unzip -o -q`'s
//   medium   a livery package, about 84 MB in 19 texture-like files (zip -6): our time /
//            `bsdtar -xf`'s (and unzip's, 7zz's for reference), Deflate64 against 7zz
//   memory   our peak resident size on 70,000 entries and on the medium package
#include <libdeflate.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
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

struct RunResult {
    double seconds = 0; // processor time
    double wall = 0;    // elapsed time: what a user waits for; it also counts what else the machine runs
    int status = -1;
};

// Runs a command through /bin/sh and times it by its elapsed time and by the processor time
// (user + system) it and its children used. The peers run on one thread, and so do we for
// small items; for large ones we decode on a second core, which the elapsed time shows and
// the processor time does not. Elapsed time also counts whatever else the machine runs, so
// runs alternate and the best of each is kept.
RunResult run(const std::string& command) {
    RunResult r;
    pid_t pid = 0;
    const char* args[] = {"sh", "-c", command.c_str(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(args), environ) != 0)
        return r;
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// This thread's processor time, for the in-memory comparison.
double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
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

// One extraction into a fresh folder.
RunResult extractOnce(const std::string& out, const std::string& command) {
    fs::remove_all(out);
    fs::create_directories(out);
    RunResult r = run(command);
    if (r.status != 0)
        std::fprintf(stderr, "warning: '%s' exited with %d\n", command.c_str(), r.status);
    return r;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The best times of `n` rounds of our command and the peer's, run alternately.
struct Comparison {
    double ours = 0; // processor time
    double peer = 0;
    double oursWall = 0; // elapsed time
    double peerWall = 0;
};

// Runs the rounds and prints their medians (with `what` naming the peer).
Comparison compare(int n, const std::string& out, const std::string& ours, const std::string& peer,
                   const char* what = "peer") {
    std::vector<double> timesOurs;
    std::vector<double> timesPeer;
    std::vector<double> wallOurs;
    std::vector<double> wallPeer;
    for (int i = 0; i < n; ++i) {
        const RunResult o = extractOnce(out, ours);
        const RunResult p = extractOnce(out, peer);
        timesOurs.push_back(o.seconds);
        timesPeer.push_back(p.seconds);
        wallOurs.push_back(o.wall);
        wallPeer.push_back(p.wall);
    }
    const double mOurs = median(timesOurs);
    const double mPeer = median(timesPeer);
    std::printf("    processor-time medians of %d: ours %.3f s, %s %.3f s: ratio %.2f\n", n, mOurs, what,
                mPeer, mOurs / mPeer);
    std::printf("    elapsed-time medians of %d: ours %.3f s, %s %.3f s: ratio %.2f\n", n, median(wallOurs),
                what, median(wallPeer), median(wallOurs) / median(wallPeer));
    auto best = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
    return {best(timesOurs), best(timesPeer), best(wallOurs), best(wallPeer)};
}

// One line of a comparison's best times: elapsed (what a user waits for), then processor time.
void printBest(const char* label, const char* peer, const Comparison& c, const char* goal = "") {
    std::printf("  %sours %.3f s, %s %.3f s: ours/%s elapsed time %.2f%s; processor time %.3f s / %.3f s: "
                "%.2f\n",
                label, c.oursWall, peer, c.peerWall, peer, c.oursWall / c.peerWall, goal, c.ours, c.peer,
                c.ours / c.peer);
}

std::string rawDeflate(const std::string& plain, int level) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string packed(deflateBound(&z, plain.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = reinterpret_cast<Bytef*>(packed.data());
    z.avail_out = static_cast<uInt>(packed.size());
    deflate(&z, Z_FINISH);
    packed.resize(z.total_out);
    deflateEnd(&z);
    return packed;
}

void inflateInMemory(const std::vector<std::string>& plains) {
    // Raw deflate at level 6, as zip -6 writes it; one stream per texture.
    std::vector<std::string> packed;
    std::size_t total = 0;
    std::size_t packedTotal = 0;
    for (const auto& p : plains) {
        packed.push_back(rawDeflate(p, 6));
        total += p.size();
        packedTotal += packed.back().size();
    }
    MemorySink ours(total + 16);
    std::vector<std::uint8_t> theirs(total);
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    // Each stream is decoded by each decoder in turn, many times; the best time of each stream
    // and decoder is kept and summed, so that a burst of other work on the machine spoils one
    // sample, not the comparison.
    const std::size_t n = packed.size();
    std::vector<double> bestLib(n, 1e30), bestOurs(n, 1e30), bestZ(n, 1e30);
    std::vector<double> roundLib, roundOurs; // totals of each round, for their medians
    for (int round = 0; round < 25; ++round) {
        roundLib.push_back(0);
        roundOurs.push_back(0);
        std::size_t at = 0;
        ours.clear();
        for (std::size_t i = 0; i < n; ++i) {
            double t0 = threadSeconds();
            std::size_t got = 0;
            if (libdeflate_deflate_decompress(d, packed[i].data(), packed[i].size(), theirs.data() + at,
                                              plains[i].size(), &got) != LIBDEFLATE_SUCCESS) {
                std::fprintf(stderr, "error: libdeflate failed\n");
                std::exit(1);
            }
            double t1 = threadSeconds();
            sw::inflateBuffer(reinterpret_cast<const std::uint8_t*>(packed[i].data()), packed[i].size(),
                              false, ours);
            double t2 = threadSeconds();
            z_stream z{};
            inflateInit2(&z, -15);
            z.next_in = reinterpret_cast<Bytef*>(packed[i].data());
            z.avail_in = static_cast<uInt>(packed[i].size());
            z.next_out = theirs.data() + at;
            z.avail_out = static_cast<uInt>(plains[i].size());
            inflate(&z, Z_FINISH);
            inflateEnd(&z);
            double t3 = threadSeconds();
            roundLib.back() += t1 - t0;
            roundOurs.back() += t2 - t1;
            bestLib[i] = std::min(bestLib[i], t1 - t0);
            bestOurs[i] = std::min(bestOurs[i], t2 - t1);
            bestZ[i] = std::min(bestZ[i], t3 - t2);
            at += plains[i].size();
        }
    }
    double bestLibdeflate = 0, bestOursTotal = 0, bestZlib = 0;
    for (std::size_t i = 0; i < n; ++i) {
        bestLibdeflate += bestLib[i];
        bestOursTotal += bestOurs[i];
        bestZlib += bestZ[i];
    }
    libdeflate_free_decompressor(d);
    std::size_t at = 0;
    for (const auto& p : plains) {
        if (std::memcmp(ours.data() + at, p.data(), p.size()) != 0) {
            std::fprintf(stderr, "error: our inflate gave different bytes\n");
            std::exit(1);
        }
        at += p.size();
    }
    std::printf(
        "inflate in memory, %zu streams, %.1f MB -> %.1f MB (processor time, best of 25 per stream):\n",
        packed.size(), packedTotal / 1e6, total / 1e6);
    std::printf("  libdeflate %.3f s (%.0f MB/s), ours %.3f s (%.0f MB/s): ours/libdeflate speed %.2f (goal "
                ">= 0.85)\n",
                bestLibdeflate, total / 1e6 / bestLibdeflate, bestOursTotal, total / 1e6 / bestOursTotal,
                bestLibdeflate / bestOursTotal);
    std::printf("  zlib %.3f s: ours/zlib speed %.2f\n", bestZlib, bestZlib / bestOursTotal);
    std::printf("  medians of the 25 rounds: libdeflate %.3f s, ours %.3f s: ours/libdeflate speed %.2f\n",
                median(roundLib), median(roundOurs), median(roundLib) / median(roundOurs));
}

std::string textLike(std::mt19937& rng, std::size_t size) {
    static const char* words[] = {
        "livery", "texture",      "fltsim",        "title", "model", "panel", "sound", "kb_checklists",
        "atc_id", "ui_variation", "visual_damage", "0",     "1",     "=",     "\r\n",  "[fltsim.",
        "]",      "ZEV_A320",     "Ocean",         "Forest"};
    std::string s;
    while (s.size() < size) {
        s += words[rng() % 20];
        s += ' ';
    }
    s.resize(size);
    return s;
}

// `count` small files (a few hundred bytes to a few KB) in folders of 500, zipped with zip -6.
std::string makeSmallArchive(const fs::path& work, std::size_t count) {
    const std::string name = "small" + std::to_string(count);
    const fs::path zip = work / (name + ".zip");
    if (fs::exists(zip))
        return zip.string();
    const fs::path src = work / (name + "-src");
    fs::remove_all(src);
    std::mt19937 rng(static_cast<unsigned>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const fs::path folder = src / "Pkg" / ("folder" + std::to_string(i / 500));
        if (i % 500 == 0)
            fs::create_directories(folder);
        const std::string body = textLike(rng, 200 + rng() % 3000);
        std::ofstream(folder / ("file" + std::to_string(i) + ".cfg"), std::ios::binary)
            .write(body.data(), static_cast<std::streamsize>(body.size()));
    }
    run("cd '" + src.string() + "' && zip -q -r -6 '" + zip.string() + "' Pkg");
    fs::remove_all(src);
    return zip.string();
}

void smallFiles(const fs::path& work, const std::string& cli) {
    if (!haveTool("unzip") || !haveTool("zip")) {
        std::printf("small files: zip/unzip not installed, not compared\n");
        return;
    }
    const std::string out = (work / "out").string();
    for (std::size_t count : {20000u, 3000u}) {
        const std::string zip = makeSmallArchive(work, count);
        std::printf("%zu small deflated files (%.1f MB zip):\n", count, fs::file_size(zip) / 1e6);
        const Comparison c = compare(7, out, "'" + cli + "' unzip '" + zip + "' '" + out + "'",
                                     "unzip -o -q '" + zip + "' -d '" + out + "'", "unzip");
        printBest("", "unzip", c, " (goal <= 0.8)");
    }
}

// The medium livery package: 19 texture-like files of about 4.4 MB, zip -6 and 7zz Deflate64.
std::pair<std::string, std::string> makeMediumArchives(const fs::path& work) {
    const std::string zip = (work / "livery.zip").string();
    const std::string zip64 = (work / "livery64.zip").string();
    if (fs::exists(zip))
        return {zip, zip64};
    const fs::path tex = work / "src" / "Livery" / "texture.bench";
    fs::create_directories(tex);
    std::mt19937 rng(12345);
    for (int i = 0; i < 19; ++i) {
        const double repeat = 0.30 + 0.03 * i; // 1.5x .. about 6x
        const std::string t = makeTexture(rng, 4400000, repeat, 64 + (i % 4) * 48);
        std::ofstream(tex / ("tex" + std::to_string(i) + ".dds"), std::ios::binary)
            .write(t.data(), static_cast<std::streamsize>(t.size()));
    }
    const std::string src = (work / "src").string();
    run("cd '" + src + "' && zip -q -r -6 '" + zip + "' Livery");
    if (haveTool("7zz"))
        run("cd '" + src + "' && 7zz a -bd -bso0 -tzip -mm=Deflate64 -mx=5 '" + zip64 + "' Livery");
    return {zip, zip64};
}

void mediumPackage(const fs::path& work, const std::string& cli) {
    const auto [zip, zip64] = makeMediumArchives(work);
    const std::string out = (work / "out").string();
    const std::string ours = "'" + cli + "' unzip '" + zip + "' '" + out + "'";
    std::printf("medium package (%.1f MB zip, 19 files):\n", fs::file_size(zip) / 1e6);
    if (haveTool("bsdtar"))
        printBest("", "bsdtar", compare(7, out, ours, "bsdtar -xf '" + zip + "' -C '" + out + "'", "bsdtar"),
                  " (goal <= 0.6)");
    else
        std::printf("  bsdtar not installed: not compared\n");
    if (haveTool("unzip"))
        printBest("", "unzip", compare(5, out, ours, "unzip -o -q '" + zip + "' -d '" + out + "'", "unzip"));
    if (haveTool("7zz"))
        printBest("", "7zz",
                  compare(5, out, ours, "7zz x -y -bd -bso0 '-o" + out + "' '" + zip + "'", "7zz"));
    if (fs::exists(zip64))
        printBest("Deflate64: ", "7zz",
                  compare(5, out, "'" + cli + "' unzip '" + zip64 + "' '" + out + "'",
                          "7zz x -y -bd -bso0 '-o" + out + "' '" + zip64 + "'", "7zz"));
}

// 70,000 tiny entries in folders of 1,000 (zip -6).
void memory(const fs::path& work, const std::string& cli) {
    const fs::path zip = work / "many70000.zip";
    if (!fs::exists(zip)) {
        const fs::path src = work / "many-src";
        fs::remove_all(src);
        for (int i = 0; i < 70000; ++i) {
            const fs::path folder = src / "Pkg" / ("texture.f" + std::to_string(i / 1000));
            if (i % 1000 == 0)
                fs::create_directories(folder);
            std::ofstream(folder / ("livery_part_" + std::to_string(i) + ".cfg")) << "part " << i << "\n";
        }
        run("cd '" + src.string() + "' && zip -q -r -6 '" + zip.string() + "' Pkg");
        fs::remove_all(src);
    }
    const std::string out = (work / "out").string();
    const double many = peakRssMiB(out, "'" + cli + "' unzip '" + zip.string() + "' '" + out + "'");
    std::printf("peak memory, 70,000 entries (%.1f MB zip): %.1f MiB (goal < 24 MB)\n",
                fs::file_size(zip) / 1e6, many);
    if (haveTool("unzip"))
        std::printf("  unzip -o -q on the same: %.1f MiB\n",
                    peakRssMiB(out, "unzip -o -q '" + zip.string() + "' -d '" + out + "'"));
    const auto [medium, medium64] = makeMediumArchives(work);
    std::printf("peak memory, medium package: %.1f MiB (goal < 16 MiB)\n",
                peakRssMiB(out, "'" + cli + "' unzip '" + medium + "' '" + out + "'"));
    if (fs::exists(medium64))
        std::printf("peak memory, medium package in Deflate64: %.1f MiB\n",
                    peakRssMiB(out, "'" + cli + "' unzip '" + medium64 + "' '" + out + "'"));
}

bool wanted(const char* name) {
    const char* cases = std::getenv("ZIP_BENCH_CASES");
    if (!cases)
        return true;
    const std::string list = std::string(",") + cases + ",";
    return list.find(std::string(",") + name + ",") != std::string::npos;
}

} // namespace

int main(int argc, char** argv) {
    const fs::path work = argc > 1 ? argv[1] : "/dev/shm/swbench";
    const std::string cli = fs::absolute(argc > 2 ? argv[2] : "./skinwright-cli").string();
    fs::create_directories(work);
    if (wanted("inflate")) {
        std::mt19937 rng(777);
        std::vector<std::string> textures;
        for (int i = 0; i < 8; ++i)
            textures.push_back(makeTexture(rng, 4 << 20, 0.30 + 0.06 * i, 64 + (i % 4) * 48));
        inflateInMemory(textures);
    }
    if (wanted("small"))
        smallFiles(work, cli);
    if (wanted("medium"))
        mediumPackage(work, cli);
    if (wanted("memory"))
        memory(work, cli);
    fs::remove_all(work / "out");
    return 0;
}
