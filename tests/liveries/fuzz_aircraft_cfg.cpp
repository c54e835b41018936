// Fuzz target: any bytes as a product's aircraft.cfg, installed into and removed from with a
// descriptor the first byte chooses, on a simulator tree in a temporary folder. Checked:
// - the install adds exactly one section header, and the file is the text as read (every
//   line ending in CR LF) with CR LF CR LF + the numbered descriptor inserted at one place;
// - removing that variation, when the guard accepts it, gives back the file as read with its
//   headers renumbered, plus at most the one empty line the insertion's arithmetic leaves;
// - a removal the guard refuses changes nothing;
// - nothing outside the product's folder changes, and in it only aircraft.cfg and the
//   livery's texture folder.
#include "fuzz_tree.h"
#include "liveries/config_sections.h"
#include "liveries/installed_liveries.h"
#include "liveries/installer.h"
#include "liveries/text_file.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace {

using namespace sw::liveries;
using namespace sw::liveries::fuzz;
namespace stdfs = std::filesystem;

const std::string kVariation = "Fuzz Livery 7Q";
const std::string kProduct = "ZEV_FUZZ";

// The descriptor as a package holds it, header number "xx". The choice's bits: 1 FSX,
// 2 "[Fltsim." header, 4 keys after "description=", 8 a byte-order mark, 16 a texture name
// with a blank, 32 LF line ends.
std::string descriptorFile(unsigned choice) {
    const std::string eol = (choice & 32) ? "\n" : "\r\n";
    std::string text = (choice & 8) ? "\xEF\xBB\xBF" : "";
    text += std::string((choice & 2) ? "[Fltsim.xx]" : "[fltsim.xx]") + eol;
    text += "title=ZEV A320 Fuzz" + eol + "sim=ZEV_A320" + eol + "model=" + eol + "panel=" + eol;
    text += "ui_variation=" + kVariation + eol;
    text += "productfolder=FUZZ" + eol;
    text += std::string("texture=") + ((choice & 16) ? "fuzz blue" : "fuzz") + eol;
    text += "description=A livery the fuzzer installs" + eol;
    if (choice & 4)
        text += "atc_id=D-FUZZ" + eol + "visual_damage=1" + eol;
    return text;
}

// The descriptor with its header number, as the install writes it.
std::string numbered(std::string descriptorText, int number) {
    descriptorText.replace(8, 2, std::to_string(number));
    return descriptorText;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const unsigned choice = data[0];
    const std::string cfg(reinterpret_cast<const char*>(data) + 1, size - 1);
    const FuzzTree& tree = fuzzTree();
    const Simulator simulator = (choice & 1) ? Simulator::FSX : Simulator::FS9;
    const stdfs::path product = tree.productFolder(simulator, kProduct);
    const std::string textureName = (choice & 16) ? "fuzz blue" : "fuzz";

    // The product as the user has it, and a package for it.
    std::error_code error;
    stdfs::remove_all(product, error);
    writeBytes(product / "aircraft.cfg", cfg);
    if (simulator == Simulator::FSX)
        writeBytes(product / "texbase" / "wing.bmp", "BM base");
    const stdfs::path package = tree.work / ("package" + std::to_string(choice & 63));
    if (!stdfs::exists(package / "installerinfo.txt")) {
        writeBytes(package / "installerinfo.txt", descriptorFile(choice));
        writeBytes(package / ("texture." + textureName) / "t.bmp", "BM livery");
    }
    const auto outside = tree.snapshot(product);

    FuzzView view;
    view.sim = simulator;
    view.folder = tree.sim.string();
    view.product = kProduct;
    FuzzSink sink;
    const LiveryContext context{view, sink, {}};

    // Install.
    const std::string before = readLinesCrLf((product / "aircraft.cfg").string());
    std::string descriptor = ReadDescriptor((package / "installerinfo.txt").string());
    const std::string expectedSection = numbered(descriptor, countSections(before));
    check(InstallLivery(context, InstallPass::OnePackage, descriptor, kProduct, "texture." + textureName,
                        package.string()),
          "the install goes through");
    const std::string installed = readBytes(product / "aircraft.cfg");
    check(countSections(installed) == countSections(before) + 1,
          "an install adds exactly one section header");
    check(isInsertion(before, installed, "\r\n\r\n" + expectedSection),
          "an install only inserts CR LF CR LF and the numbered descriptor");
    check(tree.snapshot(product) == outside, "an install touches nothing outside the product");
    for (const auto& entry : stdfs::directory_iterator(product)) {
        const std::string name = entry.path().filename().string();
        check(name == "aircraft.cfg" || name == "texbase" || name == "texture." + textureName,
              "an install writes only aircraft.cfg and the livery's texture folder");
    }

    // Remove the variation, picked in the list as the user sees it. A file that already names
    // the variation would make the pick ambiguous.
    if (before.find(kVariation) != std::string::npos)
        return 0;
    view.cb4 = variations(installed);
    view.cb4Index = -1;
    for (std::size_t i = 0; i < view.cb4.size() && view.cb4Index < 0; ++i)
        if (view.cb4[i] == kVariation)
            view.cb4Index = static_cast<int>(i);
    check(view.cb4Index >= 0, "the installed variation is listed");
    sink.messages.clear();
    RemoveLivery(context);
    const std::string removed = readBytes(product / "aircraft.cfg");
    check(!sink.messages.empty(), "a removal says how it ended");
    if (sink.messages.back() == kMsgRemoved) {
        std::string renumbered = before;
        renumberSections(renumbered);
        // The install put CR LF CR LF in front of the section; the removal takes the empty
        // line after it when there is one, so one or two empty lines may stay.
        check(
            removed == renumbered || isInsertion(renumbered, removed, "\r\n") ||
                isInsertion(renumbered, removed, "\r\n\r\n"),
            "a removal gives back the sections as they were, with at most the empty lines of the insertion");
    } else {
        check(removed == installed, "a refused removal changes nothing");
        check(stdfs::exists(product / ("texture." + textureName) / "t.bmp"),
              "a refused removal keeps the texture folder");
    }
    check(tree.snapshot(product) == outside, "a removal touches nothing outside the product");
    return 0;
}
