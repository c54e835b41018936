// Installs a generated livery package of about 300 MB of textures into a generated FS9 tree
// and times it against `cp -r` of the same texture folder, in the same run, on the same disk.
//
//   install_bench [WORK_FOLDER] [MEGABYTES]
//
// WORK_FOLDER defaults to a fresh folder under the system's temporary folder (removed at the
// end); MEGABYTES defaults to 300. Prints the median of five alternating runs of each and
// their ratio (install / cp).
#include "liveries/installer.h"
#include "platform/message_sink.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

class NullView : public sw::liveries::LiveryView {
public:
    explicit NullView(std::string root) : m_root(std::move(root)) {}
    sw::liveries::Simulator simulator() const override { return sw::liveries::Simulator::FS9; }
    std::string simulatorFolder() const override { return m_root; }
    std::vector<std::string> libraryItems() const override { return {}; }
    std::string librarySelection() const override { return {}; }
    bool allLiveriesChecked() const override { return true; }
    void setLibraryItems(const std::vector<std::string>&, int) override {}
    void setInformation(const std::string&) override {}
    void showPicture(const sw::liveries::RgbImage&) override {}
    std::string productSelection() const override { return {}; }
    int variationIndex() const override { return -1; }
    std::string variationSelection() const override { return {}; }
    void setProducts(const std::vector<std::string>&) override {}
    void setVariations(const std::vector<std::string>&, int) override {}
    void hideProgress() override {}

private:
    std::string m_root;
};

class PrintingSink : public sw::MessageSink {
public:
    void showMessage(const std::string& text) override { m_last = text; }
    void showError(const std::string&, const std::string& text) override { m_last = text; }
    std::string m_last;
};

// Texture-like files: a few large DDS/BMP-sized files and many small ones, random bytes.
void makePackage(const stdfs::path& package, std::size_t megabytes) {
    const auto textures = package / "texture.bench";
    stdfs::create_directories(textures);
    std::ofstream(package / "installerinfo.txt")
        << "[fltsim.xx]\ntitle=Bench\ntexture=bench\n"
           "ui_variation=Bench\nproductfolder=BENCH\ndescription=x\n";
    std::mt19937_64 random(42);
    std::vector<std::uint64_t> block(1 << 17); // 1 MiB
    std::size_t written = 0;
    for (int i = 0; written < megabytes; ++i) {
        const std::size_t size = (i % 4 == 0) ? 16 : (i % 4 == 1 ? 4 : 1); // MiB
        std::ofstream out(textures / ("tex_" + std::to_string(i) + (i % 2 ? ".bmp" : ".dds")),
                          std::ios::binary);
        for (std::size_t m = 0; m < size; ++m) {
            for (auto& word : block)
                word = random();
            out.write(reinterpret_cast<const char*>(block.data()),
                      static_cast<std::streamsize>(block.size() * 8));
        }
        written += size;
    }
}

void makeProduct(const stdfs::path& root) {
    const auto product = root / "Aircraft" / "ZEV_BENCH";
    stdfs::create_directories(product);
    std::ofstream(product / "aircraft.cfg", std::ios::binary)
        << "[fltsim.0]\r\ntitle=Base\r\ntexture=\r\nui_variation=Base\r\ndescription=x\r\n\r\n[General]\r\n";
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const bool ownFolder = argc < 2;
    const stdfs::path work =
        ownFolder ? stdfs::temp_directory_path() / ("skinwright-bench-" + std::to_string(::getpid()))
                  : stdfs::path(argv[1]);
    const std::size_t megabytes = argc >= 3 ? std::strtoul(argv[2], nullptr, 10) : 300;
    stdfs::create_directories(work);
    const auto package = work / "package";
    std::cout << "generating " << megabytes << " MiB of textures in " << work << "\n";
    makePackage(package, megabytes);

    std::vector<double> installTimes, copyTimes;
    for (int run = 0; run < 5; ++run) {
        const auto sim = work / "sim";
        stdfs::remove_all(sim);
        makeProduct(sim);
        NullView view(sim.string());
        PrintingSink sink;
        const sw::liveries::LiveryContext context{view, sink, {}};
        sw::liveries::PackageValues last;
        const auto start = Clock::now();
        const bool ok = sw::liveries::installAllPackages(context, last, {package.string()});
        installTimes.push_back(seconds(Clock::now() - start));
        if (!ok || sink.m_last != "Installation completed") {
            std::cerr << "install failed: " << sink.m_last << "\n";
            return 1;
        }

        const auto copy = work / "copy";
        stdfs::remove_all(copy);
        const std::string command =
            "cp -r '" + (package / "texture.bench").string() + "' '" + copy.string() + "'";
        const auto copyStart = Clock::now();
        if (std::system(command.c_str()) != 0) {
            std::cerr << "cp failed\n";
            return 1;
        }
        copyTimes.push_back(seconds(Clock::now() - copyStart));
    }
    const double install = median(installTimes);
    const double copy = median(copyTimes);
    std::printf("install: %.3f s   cp -r: %.3f s   ratio install/cp: %.2f\n", install, copy, install / copy);
    if (ownFolder)
        stdfs::remove_all(work);
    return 0;
}
