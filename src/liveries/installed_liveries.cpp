#include "liveries/installed_liveries.h"

#include "liveries/change_backups.h"
#include "liveries/config_sections.h"
#include "liveries/descriptor.h"
#include "liveries/text_file.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"

#include <algorithm>
#include <optional>
#include <sys/stat.h>

namespace sw::liveries {

namespace {

std::string configPathOf(const LiveryContext& context) {
    return aircraftRoot(context.view.simulator(), context.view.simulatorFolder()) +
           context.view.productSelection() + "/aircraft.cfg";
}

void showVariations(const LiveryContext& context, const std::vector<std::string>& values) {
    context.view.setVariations(values, values.empty() ? -1 : 0);
}

// Deletes every entry of the livery's texture folder as a file, then the folder. Results are
// ignored: a sub-folder or an undeletable file leaves the folder in place.
void deleteTextureFolder(const std::string& path) {
    const std::string folder = fs::resolve(path);
    // A texture folder that is a link may lead anywhere: its target's files are not ours.
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return;
    for (const fs::DirEntry& entry : fs::enumerate(folder, "*.*")) {
        if (entry.name != "." && entry.name != "..")
            fs::deleteFile(folder + "/" + entry.name);
    }
    fs::removeDirectory(folder);
}

// The texture folder goes into the backup whole (a rename, or a copy and delete). A link or
// a folder that cannot be moved stays where it is, as one that cannot be deleted does.
void keepTextureFolder(PendingBackup& backup, const std::string& path) {
    const std::string folder = fs::resolve(path);
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return;
    backup.takeFolder(folder.substr(folder.rfind('/') + 1));
}

} // namespace

bool ListInstalledProducts(const LiveryContext& context) {
    context.log("1434", "BitBtn12Click called");
    bool showPanel = false;
    if (context.view.simulator() == Simulator::None) {
        context.messages.showMessage(kMsgSelectFs);
    } else {
        std::vector<std::string> products;
        const std::string root = aircraftRoot(context.view.simulator(), context.view.simulatorFolder());
        for (const fs::DirEntry& entry : fs::enumerate(root, "ZEV_*.")) {
            if (entry.name != "." && entry.name != "..")
                products.push_back(entry.name);
        }
        context.view.setProducts(products);
        showPanel = true;
    }
    context.log("1503", "Test log");
    context.log("1452", "BitBtn12Click end");
    return showPanel;
}

void ListInstalledLiveries(const LiveryContext& context) {
    context.log("780", "cb3Change called");
    context.view.setVariations({}, -1);
    if (context.view.simulator() == Simulator::None) {
        context.messages.showMessage(kMsgSelectFs);
    } else {
        const std::vector<std::string> values = variations(readLinesCrLf(configPathOf(context)));
        std::vector<std::string> shown;
        for (const std::string& value : values) {
            shown.push_back(value);
            context.log("827", "Test log");
        }
        showVariations(context, shown);
    }
    context.log("806", "cb3Change end");
}

void RemoveLivery(const LiveryContext& context) {
    context.log("816", "BitBtn6Click called");
    const Simulator simulator = context.view.simulator();
    if (simulator == Simulator::None) {
        context.messages.showMessage(kMsgSelectFs);
        context.log("918", "BitBtn6Click end");
        return;
    }
    const std::string configPath = configPathOf(context);
    if (simulator == Simulator::FSX)
        context.log("853", "Test log");
    if (isUnsafeName(context.view.productSelection()) || !fs::fileExists(configPath)) {
        context.messages.showMessage(messageWithPath(kMsgNoAircraftCfg, configPath));
        context.view.hideProgress();
        return;
    }
    if (simulator == Simulator::FS9)
        context.log("853", "Test log");

    const std::string configBytes = readBytes(configPath);
    std::string configText = toCrLfLines(configBytes);
    // Only the section the list showed may go: its header, its keys in their order and its
    // variation must all be where the list found them.
    const std::optional<SectionSpan> span = locateSection(configText, context.view.variationIndex());
    if (!span || span->variation != context.view.variationSelection()) {
        context.messages.showMessage(messageWithPath(kMsgLiveryNotFound, configPath));
        context.log("918", "BitBtn6Click end");
        return;
    }
    context.log("879", "Test log");
    configText.erase(span->begin, span->end - span->begin);
    renumberSections(configText);
    // The old file is kept before it is rewritten; a backup that cannot be made stops here.
    std::optional<PendingBackup> backup;
    if (context.backups) {
        ChangeRecord change;
        change.simulator = simulator;
        change.simulatorFolder = context.view.simulatorFolder();
        change.product = context.view.productSelection();
        change.action = ChangeAction::Removal;
        change.variation = span->variation;
        backup.emplace(*context.backups, change, configBytes);
    }
    writeFileAtomically(fs::resolve(configPath), configText);
    if (backup)
        backup->configChanged(configText);
    context.log("905", "Test log");

    // "texture." alone is the product's base texture folder, and a value with a separator or
    // ".." would reach outside the product: such a section goes, but no folder. Neither goes a
    // folder that a remaining section still uses (variations often share one texture).
    const std::string& name = span->textureName;
    const std::vector<std::string> stillUsed = sectionTextures(configText);
    const bool shared = std::any_of(stillUsed.begin(), stillUsed.end(),
                                    [&](const std::string& other) { return fs::namesEqual(other, name); });
    if (!shared && !name.empty() && name.find('/') == std::string::npos &&
        name.find('\\') == std::string::npos && name.find("..") == std::string::npos) {
        const std::string root = aircraftRoot(simulator, context.view.simulatorFolder());
        const std::string folder = root + context.view.productSelection() + "/texture." + name;
        if (backup)
            keepTextureFolder(*backup, folder);
        else
            deleteTextureFolder(folder);
    }
    if (backup)
        backup->commit();

    context.view.setVariations({}, -1);
    const std::string reread = readLinesCrLf(configPath);
    context.log("931", "Test log");
    showVariations(context, variations(reread));
    context.messages.showMessage(kMsgRemoved);
    context.log("918", "BitBtn6Click end");
}

} // namespace sw::liveries
