#pragma once

// What the aircraft.cfg and descriptor fuzz targets share: a simulator tree in a temporary
// folder, made once per process, with a product to install into, a neighbour product, files
// beside and above the simulator, and the handlers' view and message sink as plain fields.
// A snapshot of the tree tells whether anything outside the product folder was touched.

#include "liveries/livery_view.h"
#include "platform/message_sink.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace sw::liveries::fuzz {

// abort()s with `what` on stderr when `ok` is false.
void check(bool ok, const char* what);

class FuzzView : public LiveryView {
public:
    Simulator sim = Simulator::FS9;
    std::string folder;
    std::string product;
    std::vector<std::string> cb4;
    int cb4Index = -1;

    Simulator simulator() const override { return sim; }
    std::string simulatorFolder() const override { return folder; }
    std::vector<std::string> libraryItems() const override { return {}; }
    std::string librarySelection() const override { return {}; }
    bool allLiveriesChecked() const override { return false; }
    void setLibraryItems(const std::vector<std::string>&, int) override {}
    void setInformation(const std::string&) override {}
    void showPicture(const RgbImage&) override {}
    std::string productSelection() const override { return product; }
    int variationIndex() const override { return cb4Index; }
    std::string variationSelection() const override {
        return cb4Index >= 0 && cb4Index < static_cast<int>(cb4.size()) ? cb4[cb4Index] : std::string();
    }
    void setProducts(const std::vector<std::string>&) override {}
    void setVariations(const std::vector<std::string>& items, int selected) override {
        cb4 = items;
        cb4Index = selected;
    }
    void hideProgress() override {}
};

class FuzzSink : public MessageSink {
public:
    std::vector<std::string> messages;
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void showError(const std::string&, const std::string& text) override { messages.push_back(text); }
};

// <temp>/sw-fuzz-XXXXXX/
//   outside.txt                       beside the simulator
//   FS/readme.txt                     the simulator folder (`e1`)
//   FS/Aircraft/ZEV_NEIGHBOUR/        aircraft.cfg, texture.fuzz/t.bmp: a neighbour product
//   FS/SimObjects/Airplanes/ZEV_NEIGHBOUR/   the same for FSX
//   FS/SimObjects/Airplanes/<product>/texbase/wing.bmp
//   work/                             packages (written by the targets before they snapshot)
struct FuzzTree {
    std::filesystem::path root;
    std::filesystem::path sim;
    std::filesystem::path work;

    // The product folder of `product` under the simulator's aircraft folder.
    std::filesystem::path productFolder(Simulator simulator, const std::string& product) const;
    // Every path under the root with its content ("<dir>" for folders, "-> target" for links),
    // leaving out the folder `except` and everything in it.
    std::map<std::string, std::string> snapshot(const std::filesystem::path& except) const;
};

// The tree of this process, made on first use and removed at exit.
const FuzzTree& fuzzTree();

// Writes `bytes` to `path`, replacing it.
void writeBytes(const std::filesystem::path& path, const std::string& bytes);
std::string readBytes(const std::filesystem::path& path);

// True when `text` is `base` with `piece` inserted at one place.
bool isInsertion(const std::string& base, const std::string& text, const std::string& piece);

} // namespace sw::liveries::fuzz
