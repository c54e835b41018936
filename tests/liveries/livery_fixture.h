#pragma once

#include "liveries/change_backups.h"
#include "liveries/livery_view.h"
#include "platform/message_sink.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace sw::liveries::test {

using sw::test::RecordingSink;

// The window's controls as plain fields, recording what the handlers show.
class FakeView : public LiveryView {
public:
    Simulator sim = Simulator::FS9;
    std::string folder;
    std::vector<std::string> cb1;
    int cb1Index = -1;
    bool sl1 = false;
    std::string m1 = "Information:";
    RgbImage i2;
    int pictures = 0;
    std::vector<std::string> cb3;
    int cb3Index = -1;
    std::vector<std::string> cb4;
    int cb4Index = -1;
    int progressHidden = 0;

    Simulator simulator() const override { return sim; }
    std::string simulatorFolder() const override { return folder; }
    std::vector<std::string> libraryItems() const override { return cb1; }
    std::string librarySelection() const override { return cb1Index >= 0 ? cb1.at(cb1Index) : std::string(); }
    bool allLiveriesChecked() const override { return sl1; }
    void setLibraryItems(const std::vector<std::string>& items, int selected) override {
        cb1 = items;
        cb1Index = selected;
    }
    void setInformation(const std::string& text) override { m1 = text; }
    void showPicture(const RgbImage& picture) override {
        i2 = picture;
        ++pictures;
    }
    std::string productSelection() const override { return cb3Index >= 0 ? cb3.at(cb3Index) : std::string(); }
    int variationIndex() const override { return cb4Index; }
    std::string variationSelection() const override {
        return cb4Index >= 0 ? cb4.at(cb4Index) : std::string();
    }
    void setProducts(const std::vector<std::string>& items) override {
        cb3 = items;
        cb3Index = -1;
    }
    void setVariations(const std::vector<std::string>& items, int selected) override {
        cb4 = items;
        cb4Index = selected;
    }
    void hideProgress() override { ++progressHidden; }

    void chooseProduct(const std::string& name) {
        cb3 = {name};
        cb3Index = 0;
    }
};

// A simulator tree and a workspace in one temporary folder; the current folder is the
// workspace (StartFolder) while the fixture lives.
struct LiveryWorld {
    sw::test::TempDir dir;
    std::filesystem::path sim = dir / "FS";
    std::filesystem::path workspace = dir / "work";
    FakeView view;
    RecordingSink sink;
    std::vector<std::string> traces;
    BackupStore backups{workspace.string()};
    LiveryContext context{
        view, sink, [this](const std::string& p, const std::string& m) { traces.push_back(p + " " + m); },
        &backups};

    LiveryWorld() {
        std::filesystem::create_directories(workspace / "downloads");
        view.folder = sim.string();
    }

    // AircraftRoot on disk for the simulator chosen in the view.
    std::filesystem::path aircraftRoot() const {
        return view.sim == Simulator::FSX ? sim / "SimObjects" / "Airplanes" : sim / "Aircraft";
    }

    // A product with the given aircraft.cfg bytes.
    std::filesystem::path addProduct(const std::string& folderName, const std::string& config,
                                     const std::string& fileName = "aircraft.cfg") {
        const auto product = aircraftRoot() / folderName;
        std::filesystem::create_directories(product);
        sw::test::writeFile(product / fileName, config);
        return product;
    }

    // A package folder `location`/`name` with a descriptor and a texture folder of files.
    std::filesystem::path addPackage(const std::filesystem::path& location, const std::string& name,
                                     const std::string& descriptor, const std::string& textureName,
                                     const std::vector<std::pair<std::string, std::string>>& files) {
        const auto package = location / name;
        std::filesystem::create_directories(package / ("texture." + textureName));
        sw::test::writeFile(package / "installerinfo.txt", descriptor);
        for (const auto& [file, bytes] : files)
            sw::test::writeFile(package / ("texture." + textureName) / file, bytes);
        return package;
    }
};

// A descriptor as packages carry it (LF line ends, as written on most machines).
inline std::string descriptorText(const std::string& product, const std::string& texture,
                                  const std::string& variation) {
    return "[fltsim.xx]\ntitle=Zev " + product + " " + variation + "\nsim=zev\nmodel=\ntexture=" + texture +
           "\nui_variation=" + variation + "\nproductfolder=" + product + "\ndescription=Livery " +
           variation + "\n";
}

// An aircraft.cfg with sections 0..count-1, an empty line after each, then [General].
inline std::string configWithSections(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        text += "[fltsim." + n + "]\r\ntitle=T" + n + "\r\ntexture=t" + n + "\r\nui_variation=V" + n +
                "\r\ndescription=D" + n + "\r\n\r\n";
    }
    return text + "[General]\r\natc_type=ZEV\r\n";
}

// Sections as real aircraft.cfg files carry them: keys after "description=", headers in
// other letter cases, two variations sharing one texture (in another case), and a comment
// that mentions [fltsim.x] before the first section. `header` is the header line's text.
inline std::string blueSection(const std::string& header) {
    return header + "\r\ntitle=Zev A320 Blue\r\nsim=zev_a320\r\nmodel=\r\ntexture=blue\r\n"
                    "ui_variation=Blue\r\ndescription=Blue livery\r\natc_id=D-AZEB\r\natc_airline=ZEV\r\n"
                    "visual_damage=1\r\n";
}
inline std::string redSection(const std::string& header) {
    return header + "\r\ntitle=Zev A320 Red\r\nsim=zev_a320\r\nmodel=\r\ntexture=red\r\n"
                    "ui_variation=Red\r\ndescription=Red livery\r\natc_id=D-AZER\r\n";
}
inline std::string blueTailSection(const std::string& header) {
    return header + "\r\ntitle=Zev A320 Blue tail\r\nsim=zev_a320\r\nmodel=\r\ntexture=Blue\r\n"
                    "ui_variation=Blue tail\r\ndescription=Second blue\r\natc_parking_codes=ZEV\r\n";
}
inline const std::string kRealWorldComment =
    "// ZEV A320 repaints: copy a [fltsim.x] section for each livery\r\n";
inline const std::string kRealWorldGeneral = "[General]\r\natc_type=ZEV\r\n";

// A real-world aircraft.cfg: the comment, then the given sections, each followed by an empty
// line, then [General].
inline std::string realWorldConfig(const std::vector<std::string>& sections) {
    std::string text = kRealWorldComment + "\r\n";
    for (const std::string& section : sections)
        text += section + "\r\n";
    return text + kRealWorldGeneral;
}

} // namespace sw::liveries::test
