// Fuzz target: any bytes as a package's installerinfo.txt. The ProductFolder and the texture
// folder derived from it never name a path outside the simulator's aircraft folder, and an
// install and a removal with them touch nothing outside the product's folder. Where a
// derived path would lead elsewhere in the temporary tree, a file is put there first, so a
// missing guard shows as a changed tree rather than as a write into nothing.
#include "fuzz_tree.h"
#include "liveries/config_sections.h"
#include "liveries/descriptor.h"
#include "liveries/installed_liveries.h"
#include "liveries/installer.h"
#include "liveries/text_file.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace sw::liveries;
using namespace sw::liveries::fuzz;
namespace stdfs = std::filesystem;

const std::string kConfig = "[fltsim.0]\r\ntitle=Bait\r\ntexture=bait\r\nui_variation=Bait\r\n"
                            "description=bait\r\n\r\n[General]\r\natc_type=ZEV\r\n";

// True when `path` stays inside `folder` (both made absolute and normal first).
bool inside(const stdfs::path& path, const stdfs::path& folder) {
    const std::string p = path.lexically_normal().string();
    const std::string f = folder.lexically_normal().string();
    return p.size() > f.size() && p.compare(0, f.size(), f) == 0 && (f.back() == '/' || p[f.size()] == '/');
}

// A name the file system can hold as one component.
bool usableName(const std::string& name) {
    return !isUnsafeName(name) && name.size() < 250 && name.find('\0') == std::string::npos;
}

// Puts a file where `path` points, when that is inside the temporary tree and outside
// `product`, so that a write or a deletion there would change the tree. Returns the first
// folder it made ("" for none), which the caller removes again.
stdfs::path bait(const FuzzTree& tree, const stdfs::path& path, const stdfs::path& product,
                 const std::string& name) {
    const stdfs::path target = path.lexically_normal();
    const std::string text = target.string();
    if (text.find('\0') != std::string::npos || text.size() > 1000 || !inside(target, tree.root) ||
        inside(target, product) || target == product.lexically_normal())
        return {};
    stdfs::path made = target;
    while (!made.parent_path().empty() && !stdfs::exists(made.parent_path()))
        made = made.parent_path();
    if (stdfs::exists(made))
        return {};
    std::error_code error;
    stdfs::create_directories(target, error);
    if (error)
        return {};
    writeBytes(target / name, "bait");
    return made;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzTree& tree = fuzzTree();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const Simulator simulator = (size > 0 && (data[size - 1] & 1)) ? Simulator::FSX : Simulator::FS9;
    const stdfs::path aircraftFolder = tree.productFolder(simulator, "");

    // The package: the descriptor, and a texture folder named by its "texture=" value when
    // the file system can hold that name.
    std::error_code error;
    const stdfs::path package = tree.work / "descriptor-package";
    stdfs::remove_all(package, error);
    writeBytes(package / "installerinfo.txt", bytes);
    const std::string descriptorText = ReadDescriptor((package / "installerinfo.txt").string());
    const std::string textureValue = DescriptorValue(descriptorText, "texture=");
    if (usableName("texture." + textureValue))
        writeBytes(package / ("texture." + textureValue) / "t.bmp", "BM livery");
    const std::string productFolder = productFolderFor(descriptorText);
    const std::string textureFolder = findTextureFolder(package.string(), "");

    // The derived names, as the installer and the removal guard judge them.
    const stdfs::path product = aircraftFolder / productFolder;
    if (!isUnsafeName(productFolder))
        check(inside(product, aircraftFolder) &&
                  product.lexically_normal().parent_path() == aircraftFolder.lexically_normal().parent_path(),
              "a ProductFolder the installer accepts is a folder directly in the aircraft folder");
    if (!isUnsafeName(textureFolder))
        check(inside(product / textureFolder, product), "a TextureFolder stays in the product's folder");

    // The product, when the name can be one; bait where the names would lead otherwise.
    for (const auto& entry : stdfs::directory_iterator(aircraftFolder))
        if (entry.path().filename() != "ZEV_NEIGHBOUR")
            stdfs::remove_all(entry.path(), error);
    const bool installable = usableName(productFolder);
    std::vector<stdfs::path> baits;
    if (installable)
        writeBytes(product / "aircraft.cfg", kConfig);
    else
        baits.push_back(bait(tree, product, product, "aircraft.cfg"));
    baits.push_back(bait(tree, product / ("texture." + textureValue), product, "t.bmp"));
    baits.push_back(bait(tree, product / textureFolder, product, "t.bmp"));
    const auto outside = tree.snapshot(installable ? product : aircraftFolder / "ZEV_NONE");

    FuzzView view;
    view.sim = simulator;
    view.folder = tree.sim.string();
    view.product = productFolder;
    FuzzSink sink;
    const LiveryContext context{view, sink, {}};
    std::string descriptor = descriptorText;
    const bool installed = InstallLivery(context, InstallPass::OnePackage, descriptor, productFolder,
                                         textureFolder, package.string());
    check(installed || !sink.messages.empty(), "an install that stops says why");
    check(tree.snapshot(installable ? product : aircraftFolder / "ZEV_NONE") == outside,
          "an install touches nothing outside the product's folder");

    if (installed) {
        for (const auto& entry : stdfs::directory_iterator(product)) {
            const std::string name = entry.path().filename().string();
            check(name == "aircraft.cfg" || name == textureFolder,
                  "an install writes only aircraft.cfg and the livery's texture folder");
        }
        // Remove the section just added, picked as the list shows it.
        view.cb4 = variations(readLinesCrLf((product / "aircraft.cfg").string()));
        view.cb4Index = view.cb4.size() >= 2 ? 1 : -1;
        RemoveLivery(context);
        check(tree.snapshot(product) == outside, "a removal touches nothing outside the product's folder");
    }
    for (const stdfs::path& made : baits)
        if (!made.empty())
            stdfs::remove_all(made, error);
    return 0;
}
