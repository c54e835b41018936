#include "liveries/livery_handlers.h"

#include "core/trace_log.h"
#include "liveries/descriptor.h"
#include "liveries/installed_liveries.h"
#include "liveries/jpeg_image.h"
#include "liveries/library_import.h"
#include "liveries/text_file.h"
#include "liveries/undo_change.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/windows_1252.h"

namespace sw::liveries {

namespace {
const std::string kLibrary = "downloads";
const std::string kDefaultPicture = "thumbnail.jpg";
} // namespace

Trace debugLogTrace() {
    return [](const std::string& point, const std::string& message) { WriteTrace(point, message); };
}

LiveryHandlers::LiveryHandlers(LiveryView& view, MessageSink& messages, Trace trace)
    : m_context{view, messages, std::move(trace), &m_backups} {}

std::vector<std::string> LiveryHandlers::libraryEntries() const {
    std::vector<std::string> items;
    for (const fs::DirEntry& entry : fs::enumerate(kLibrary, "*.")) {
        if (entry.name != "." && entry.name != "..")
            items.push_back(entry.name);
    }
    return items;
}

void LiveryHandlers::listLocalLibrary() {
    const std::vector<std::string> items = libraryEntries();
    m_context.view.setLibraryItems(items, items.empty() ? -1 : 0);
    if (!items.empty())
        LoadPackageDetails(Caller::StartUp);
}

void LiveryHandlers::cb1Change() {
    m_context.log("408", "cb1Change called");
    LoadPackageDetails(Caller::Cb1Change);
}

void LiveryHandlers::refreshLocalLibrary() {
    const std::string chosen = m_context.view.librarySelection();
    const std::vector<std::string> items = libraryEntries();
    int selected = items.empty() ? -1 : 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == chosen)
            selected = static_cast<int>(i);
    }
    m_context.view.setLibraryItems(items, selected);
    if (selected >= 0) {
        LoadPackageDetails(Caller::Refresh);
    } else {
        // The library is empty: nothing is chosen, nothing is shown.
        m_selected = PackageValues();
        m_selectedItem.clear();
        m_context.view.showPicture(RgbImage());
        m_context.view.setInformation("Information:");
    }
}

std::vector<std::string> LiveryHandlers::addPackages(const std::vector<std::string>& sources) {
    std::vector<std::string> added;
    try {
        for (const std::string& source : sources) {
            const std::vector<std::string> names = addToLibrary(source, kLibrary, m_context.messages);
            added.insert(added.end(), names.begin(), names.end());
        }
    } catch (...) {
        // What was moved into place before the error is listed all the same.
        if (!added.empty())
            refreshLocalLibrary();
        throw;
    }
    if (added.empty())
        return added;
    const std::vector<std::string> items = libraryEntries();
    int selected = -1;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == added.front())
            selected = static_cast<int>(i);
    }
    m_context.view.setLibraryItems(items, selected);
    if (selected >= 0)
        cb1Change();
    return added;
}

void LiveryHandlers::LoadPackageDetails(Caller caller) {
    const bool startUp = caller == Caller::StartUp;
    const auto log = [&](const std::string& point, const std::string& message) {
        if (caller != Caller::Refresh)
            m_context.log(point, message);
    };
    const std::string item = m_context.view.librarySelection();
    const std::string package = kLibrary + "/" + item;

    // From here on SelectedPackage is this package: nothing of the one shown before may be
    // used for it, even when a step below fails.
    m_selectedItem = item;
    m_selected.descriptorText.clear();
    m_selected.productFolder.clear();
    m_selected.textureFolder = findTextureFolder(package, m_selected.textureFolder);
    log(startUp ? "333" : "418", startUp ? "Test log" : "Showing picture");

    const std::string thumbnail = package + "/" + m_selected.textureFolder + "/thumbnail.jpg";
    const std::string picture = fs::resolve(fs::fileExists(thumbnail) ? thumbnail : kDefaultPicture);
    try {
        m_context.view.showPicture(loadJpegFile(picture));
    } catch (const PictureError& error) {
        // Which picture is damaged, by its full path.
        throw PictureError(std::string(error.what()) + "\n" +
                           (picture.rfind('/', 0) == 0 ? picture : fs::currentFolder() + "/" + picture));
    }
    log(startUp ? "330" : "454", startUp ? "Resources checked" : "Checking installer info");

    m_selected.descriptorText = ReadDescriptor(package + "/installerinfo.txt");
    const std::string title = DescriptorValue(m_selected.descriptorText, "title=");
    if (startUp)
        log("385", "Test log");
    const std::string variation = DescriptorValue(m_selected.descriptorText, "ui_variation=");
    m_context.view.setInformation("Information:\r\n" + title + "\r\n" + variation);
    if (!startUp)
        log("489", "Test log");

    m_selected.productFolder = productFolderFor(m_selected.descriptorText);
    if (!startUp)
        log("487", "installer info checked");
}

void LiveryHandlers::deriveSelectedPackage(const std::string& item) {
    const std::string package = kLibrary + "/" + item;
    m_selectedItem = item;
    m_selected.descriptorText.clear();
    m_selected.productFolder.clear();
    m_selected.textureFolder = findTextureFolder(package, m_selected.textureFolder);
    const std::string descriptorPath = package + "/installerinfo.txt";
    if (fs::fileExists(descriptorPath)) {
        m_selected.descriptorText = ReadDescriptor(descriptorPath);
        m_selected.productFolder = productFolderFor(m_selected.descriptorText);
    }
    // Without a descriptor the one-package pass says so before a ProductFolder is needed.
}

void LiveryHandlers::BitBtn3Click() {
    if (!m_context.view.allLiveriesChecked()) {
        const std::string item = m_context.view.librarySelection();
        if (item != m_selectedItem || m_selected.productFolder.empty())
            deriveSelectedPackage(item);
        installOnePackage(m_context, m_selected, kLibrary + "/" + item);
        return;
    }
    const std::vector<std::string> items = m_context.view.libraryItems();
    std::vector<std::string> folders;
    for (const std::string& item : items)
        folders.push_back(kLibrary + "/" + item);
    PackageValues pass = m_selected; // the pass's own values; SelectedPackage stays
    installAllPackages(m_context, pass, folders);
}

bool LiveryHandlers::BitBtn12Click() {
    return ListInstalledProducts(m_context);
}

void LiveryHandlers::cb3Change() {
    ListInstalledLiveries(m_context);
}

void LiveryHandlers::BitBtn6Click() {
    const Simulator simulator = m_context.view.simulator();
    const std::string product = m_context.view.productSelection();
    const std::string configPath =
        aircraftRoot(simulator, m_context.view.simulatorFolder()) + product + "/aircraft.cfg";
    // Asked only when there is a livery to remove: otherwise the removal shows its message.
    const bool removable = simulator != Simulator::None && m_context.view.variationIndex() >= 0 &&
                           !isUnsafeName(product) && fs::fileExists(configPath);
    if (removable) {
        const std::string question = "Remove livery " +
                                     windows1252ToUtf8(m_context.view.variationSelection()) + " from " +
                                     product + "?";
        if (!m_context.messages.askYesNo(question)) {
            m_context.log("816", "BitBtn6Click called");
            m_context.log("918", "BitBtn6Click end");
            return;
        }
    }
    RemoveLivery(m_context);
}

void LiveryHandlers::BitBtn13Click() {
    UndoLastChange(m_context);
}

std::optional<LiveryHandlers::DownloadedPackages>
LiveryHandlers::installDownloaded(const std::string& templivFolder, const std::string& archiveName) {
    // The pass installs every entry it handles unless the simulator choice is "None"; it
    // pumps no messages, so the choice cannot change while it runs.
    int packages = 0;
    for (const fs::DirEntry& entry : fs::enumerate(templivFolder, "*.")) {
        if (entry.name != "." && entry.name != ".." && entry.name != archiveName)
            ++packages;
    }
    const bool installs = m_context.view.simulator() != Simulator::None;
    PackageValues pass = m_selected; // the pass's own values; SelectedPackage stays
    DownloadedPackages result;
    if (!installDownloadedPackages(m_context, pass, templivFolder, archiveName, &result.declined))
        return std::nullopt;
    result.installed = installs ? packages - result.declined : 0;
    return result;
}

} // namespace sw::liveries
