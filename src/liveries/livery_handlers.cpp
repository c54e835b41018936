#include "liveries/livery_handlers.h"

#include "app/core/trace_log.h"
#include "liveries/descriptor.h"
#include "liveries/installed_liveries.h"
#include "liveries/jpeg_image.h"
#include "liveries/text_file.h"
#include "platform/file_system.h"

namespace sw::liveries {

namespace {
const std::string kLibrary = "downloads";
const std::string kDefaultPicture = "thumbnail.jpg";
} // namespace

Trace debugLogTrace() {
    return [](const std::string& point, const std::string& message) { WriteTrace(point, message); };
}

LiveryHandlers::LiveryHandlers(LiveryView& view, MessageSink& messages, Trace trace)
    : m_context{view, messages, std::move(trace)} {}

void LiveryHandlers::listLocalLibrary() {
    std::vector<std::string> items;
    for (const fs::DirEntry& entry : fs::enumerate(kLibrary, "*.")) {
        if (entry.name != "." && entry.name != "..")
            items.push_back(entry.name);
    }
    m_context.view.setLibraryItems(items, items.empty() ? -1 : 0);
    if (!items.empty())
        LoadPackageDetails(Caller::StartUp);
}

void LiveryHandlers::cb1Change() {
    m_context.log("408", "cb1Change called");
    LoadPackageDetails(Caller::Cb1Change);
}

void LiveryHandlers::LoadPackageDetails(Caller caller) {
    const bool startUp = caller == Caller::StartUp;
    const std::string package = kLibrary + "/" + m_context.view.librarySelection();

    m_selected.textureFolder = findTextureFolder(package, m_selected.textureFolder);
    m_context.log(startUp ? "333" : "418", startUp ? "Test log" : "Showing picture");

    const std::string thumbnail = package + "/" + m_selected.textureFolder + "/thumbnail.jpg";
    const std::string picture = fs::fileExists(thumbnail) ? thumbnail : kDefaultPicture;
    m_context.view.showPicture(loadJpegFile(fs::resolve(picture)));
    m_context.log(startUp ? "330" : "454", startUp ? "Resources checked" : "Checking installer info");

    m_selected.descriptorText = ReadDescriptor(package + "/installerinfo.txt");
    const std::string title = DescriptorValue(m_selected.descriptorText, "title=");
    if (startUp)
        m_context.log("385", "Test log");
    const std::string variation = DescriptorValue(m_selected.descriptorText, "ui_variation=");
    m_context.view.setInformation("Information:\r\n" + title + "\r\n" + variation);
    if (!startUp)
        m_context.log("489", "Test log");

    m_selected.productFolder = productFolderFor(m_selected.descriptorText);
    if (!startUp)
        m_context.log("487", "installer info checked");
}

void LiveryHandlers::BitBtn3Click() {
    if (!m_context.view.allLiveriesChecked()) {
        installOnePackage(m_context, m_selected, kLibrary + "/" + m_context.view.librarySelection());
        return;
    }
    const std::vector<std::string> items = m_context.view.libraryItems();
    std::vector<std::string> folders;
    for (const std::string& item : items)
        folders.push_back(kLibrary + "/" + item);
    installAllPackages(m_context, m_selected, folders);
}

bool LiveryHandlers::BitBtn12Click() {
    return ListInstalledProducts(m_context);
}

void LiveryHandlers::cb3Change() {
    ListInstalledLiveries(m_context);
}

void LiveryHandlers::BitBtn6Click() {
    RemoveLivery(m_context);
}

bool LiveryHandlers::installDownloaded(const std::string& templivFolder, const std::string& archiveName) {
    return installDownloadedPackages(m_context, m_selected, templivFolder, archiveName);
}

} // namespace sw::liveries
