#include "liveries/installer.h"

#include "liveries/change_backups.h"
#include "liveries/config_sections.h"
#include "liveries/descriptor.h"
#include "liveries/reinstall_check.h"
#include "liveries/text_file.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"

#include <optional>
#include <sys/stat.h>

namespace sw::liveries {

namespace {

bool isFs9(const LiveryContext& context) {
    return context.view.simulator() == Simulator::FS9;
}

// Copies the plain files directly inside `sourceFolder` matching `pattern` into
// `targetFolder`, keeping files already there (CopyFile with bFailIfExists). Sub-folders are
// skipped, and so are symbolic links, which could point out of the package. `created` hears
// the name of every file copied (the files that were there already are not).
void copyTextures(const std::string& sourceFolder, const std::string& pattern,
                  const std::string& targetFolder, bool followLinks,
                  const std::function<void(const std::string&)>& created,
                  const std::function<void()>& afterEach = {}) {
    const std::string source = fs::resolve(sourceFolder);
    struct stat folder {};
    if (!followLinks && ::lstat(source.c_str(), &folder) == 0 && S_ISLNK(folder.st_mode))
        return; // a texture folder that is a link leads out of the package
    for (const fs::DirEntry& entry : fs::enumerate(source, pattern)) {
        if (entry.name == "." || entry.name == "..")
            continue;
        const std::string from = source + "/" + entry.name;
        struct stat st {};
        const bool plainFile = (followLinks ? ::stat(from.c_str(), &st) : ::lstat(from.c_str(), &st)) == 0 &&
                               S_ISREG(st.st_mode);
        if (plainFile && fs::copyFile(from, targetFolder + "/" + entry.name, true))
            created(entry.name);
        if (afterEach)
            afterEach();
    }
}

// Before a pass over several packages: which of them to leave out. The liveries installed
// already are listed in one question (a single one, with `askOneByName`, in the question
// that names it); Yes installs them again, No leaves them out.
std::vector<bool> skippedAsInstalled(const LiveryContext& context,
                                     const std::vector<std::string>& packageFolders,
                                     bool askOneByName = false) {
    std::vector<bool> installed(packageFolders.size(), false);
    std::vector<LiveryInPackage> again;
    if (context.view.simulator() == Simulator::None)
        return installed;
    for (std::size_t i = 0; i < packageFolders.size(); ++i) {
        if (!fs::fileExists(packageFolders[i] + "/installerinfo.txt"))
            continue; // the pass reports it when it gets there
        const LiveryInPackage livery = liveryInPackage(packageFolders[i]);
        if (isAlreadyInstalled(context.view.simulator(), context.view.simulatorFolder(), livery)) {
            installed[i] = true;
            again.push_back(livery);
        }
    }
    if (again.empty())
        return installed;
    const std::string question =
        askOneByName && again.size() == 1 ? reinstallQuestion(again.front()) : reinstallListQuestion(again);
    if (context.messages.askYesNo(question))
        return std::vector<bool>(packageFolders.size(), false);
    return installed;
}

const char* descriptorMessage(InstallPass pass) {
    return pass == InstallPass::Download ? kMsgNoInstallerInfo : kMsgChooseLivery;
}

} // namespace

bool InstallLivery(const LiveryContext& context, InstallPass pass, std::string& DescriptorText,
                   const std::string& ProductFolder, const std::string& TextureFolder,
                   const std::string& InstallSource) {
    const bool fs9 = isFs9(context);
    const std::string folder = context.view.simulatorFolder();
    const std::string root = aircraftRoot(context.view.simulator(), folder);
    const std::string configPath = root + ProductFolder + "/aircraft.cfg";
    const std::string textureTarget = root + ProductFolder + "/" + TextureFolder;

    const std::string descriptorPath = InstallSource + "/installerinfo.txt";
    // A descriptor without its [fltsim.] header would put unnumbered text into the file.
    std::string probe = DescriptorText;
    if (!numberDescriptor(probe, 0)) {
        context.messages.showMessage(messageWithPath(descriptorMessage(pass), descriptorPath));
        context.view.hideProgress();
        return false;
    }

    if (pass == InstallPass::AllPackages && fs9)
        context.log("697", "Test log");
    if (pass == InstallPass::Download) {
        context.log(fs9 ? "1162" : "1173", fs9 ? "FS9 chosen" : "FSX chosen");
        context.log(fs9 ? "1163" : "1174", "Path: " + configPath);
    }
    // A product name that leaves AircraftRoot cannot name an installed product: the
    // descriptor that gave it is at fault.
    if (isUnsafeName(ProductFolder) || !fs::fileExists(configPath)) {
        context.messages.showMessage(
            messageWithPath(kMsgNoAircraftCfg, isUnsafeName(ProductFolder) ? descriptorPath : configPath));
        context.view.hideProgress();
        return false;
    }
    if (pass == InstallPass::OnePackage && fs9)
        context.log("541", "Test log");
    if (pass == InstallPass::Download) {
        context.log(fs9 ? "1169" : "1180", "aircraft.cfg found");
        context.log(fs9 ? "1171" : "1183", "aircraft.cfg read");
    }

    const std::string configBytes = readBytes(configPath, [&] {
        if (pass == InstallPass::Download)
            context.log("1217", "Test log");
    });
    std::string configText = toCrLfLines(configBytes);

    const int number = countSections(configText);
    if (pass == InstallPass::OnePackage) {
        for (int i = 0; i < number; ++i)
            context.log("567", "Test log");
    }
    numberDescriptor(DescriptorText, number);
    insertSection(configText, DescriptorText);

    // The old file is kept before it is rewritten; a backup that cannot be made stops here.
    std::optional<PendingBackup> backup;
    if (context.backups) {
        ChangeRecord change;
        change.simulator = context.view.simulator();
        change.simulatorFolder = folder;
        change.product = ProductFolder;
        change.action = ChangeAction::Install;
        if (DescriptorText.find("ui_variation=") != std::string::npos)
            change.variation = DescriptorValue(DescriptorText, "ui_variation=");
        backup.emplace(*context.backups, change, configBytes);
    }

    AtomicFile file(fs::resolve(configPath));
    file.open();
    file.write(configText);
    if (pass == InstallPass::Download)
        context.log("1243", "Test log");
    file.commit();
    if (backup)
        backup->configChanged(configText);

    // A package without a texture folder of its own has no TextureFolder: copying "its" files
    // would put the package's own files (installerinfo.txt) and the base textures loose into
    // the product's folder.
    const bool hasTextureFolder = !isUnsafeName(TextureFolder);
    const bool created = hasTextureFolder && fs::createDirectory(textureTarget);
    if (pass == InstallPass::AllPackages && fs9)
        context.log("723", "Test log");
    // The files this install creates, under the texture folder's name as on disk.
    const std::string resolvedTarget = fs::resolve(textureTarget);
    const std::string targetName = resolvedTarget.substr(resolvedTarget.rfind('/') + 1);
    if (backup && hasTextureFolder)
        backup->setTextureFolder(targetName, created);
    const auto record = [&](const std::string& name) {
        if (backup)
            backup->fileCreated(targetName + "/" + name);
    };

    if (hasTextureFolder)
        copyTextures(InstallSource + "/" + TextureFolder, "*.*", textureTarget, false, record);
    if (pass == InstallPass::OnePackage && fs9)
        context.log("593", "Test log");

    if (hasTextureFolder && context.view.simulator() == Simulator::FSX) {
        if (pass == InstallPass::Download)
            context.log("1269", "Test log");
        // The base textures are the simulator's own files: links there are followed.
        copyTextures(folder + "/simobjects/airplanes/" + ProductFolder + "/texbase", "*.bmp", textureTarget,
                     true, record, [&] {
                         if (pass == InstallPass::AllPackages)
                             context.log("749", "Test log");
                     });
    }
    if (backup)
        backup->commit();
    return true;
}

void installOnePackage(const LiveryContext& context, PackageValues& selected,
                       const std::string& packageFolder) {
    context.log("498", "BitBtn3Click called");
    const std::string descriptorPath = packageFolder + "/installerinfo.txt";
    if (!fs::fileExists(descriptorPath)) {
        context.log("515", "Test log");
        context.messages.showMessage(messageWithPath(kMsgChooseLivery, descriptorPath));
        context.view.hideProgress();
        return;
    }
    context.log("506", "Reading installerinfo");
    selected.descriptorText = ReadDescriptor(descriptorPath);
    if (context.view.simulator() == Simulator::None) {
        context.messages.showMessage(kMsgSelectFs);
        context.log("739", "Procedure end");
        return;
    }
    context.log("519", "Seems like something missed");
    // A livery installed already is installed again only when the user says so.
    const LiveryInPackage livery{DescriptorValue(selected.descriptorText, "ui_variation="),
                                 selected.productFolder, selected.textureFolder};
    if (isAlreadyInstalled(context.view.simulator(), context.view.simulatorFolder(), livery) &&
        !context.messages.askYesNo(reinstallQuestion(livery))) {
        context.log("739", "Procedure end");
        return;
    }
    if (!InstallLivery(context, InstallPass::OnePackage, selected.descriptorText, selected.productFolder,
                       selected.textureFolder, packageFolder))
        return;
    context.log("598", "Installation completed");
    context.messages.showMessage(kMsgInstalled);
    context.log("739", "Procedure end");
}

bool installAllPackages(const LiveryContext& context, PackageValues& last,
                        const std::vector<std::string>& packageFolders) {
    context.log("498", "BitBtn3Click called");
    const std::vector<bool> skipped = skippedAsInstalled(context, packageFolders);
    for (std::size_t i = 0; i < packageFolders.size(); ++i) {
        if (skipped[i])
            continue;
        const std::string& packageFolder = packageFolders[i];
        last.textureFolder = findTextureFolder(packageFolder, last.textureFolder);
        const std::string descriptorPath = packageFolder + "/installerinfo.txt";
        if (!fs::fileExists(descriptorPath)) {
            context.messages.showMessage(messageWithPath(kMsgChooseLivery, descriptorPath));
            context.view.hideProgress();
            return false;
        }
        last.descriptorText = ReadDescriptor(descriptorPath);
        context.log("645", "Test log");
        last.productFolder = productFolderFor(last.descriptorText);
        if (context.view.simulator() == Simulator::None) {
            context.messages.showMessage(kMsgSelectFs);
            continue;
        }
        if (!InstallLivery(context, InstallPass::AllPackages, last.descriptorText, last.productFolder,
                           last.textureFolder, packageFolder))
            return false;
    }
    context.messages.showMessage(kMsgInstalled);
    context.log("739", "Procedure end");
    return true;
}

bool installDownloadedPackages(const LiveryContext& context, PackageValues& last,
                               const std::string& templivFolder, const std::string& archiveName,
                               int* declined) {
    std::vector<std::string> packageFolders;
    for (const fs::DirEntry& entry : fs::enumerate(templivFolder, "*.")) {
        if (entry.name != "." && entry.name != ".." && entry.name != archiveName)
            packageFolders.push_back(templivFolder + "/" + entry.name);
    }
    const std::vector<bool> skipped = skippedAsInstalled(context, packageFolders, true);
    if (declined)
        *declined = static_cast<int>(std::count(skipped.begin(), skipped.end(), true));
    for (std::size_t i = 0; i < packageFolders.size(); ++i) {
        if (skipped[i])
            continue;
        const std::string& packageFolder = packageFolders[i];
        const std::string descriptorPath = packageFolder + "/installerinfo.txt";
        if (!fs::fileExists(descriptorPath)) {
            context.messages.showMessage(messageWithPath(kMsgNoInstallerInfo, descriptorPath));
            context.view.hideProgress();
            return false;
        }
        last.descriptorText = ReadDescriptor(descriptorPath);
        last.productFolder = productFolderFor(last.descriptorText);
        last.textureFolder = findTextureFolder(packageFolder, last.textureFolder,
                                               [&](const std::string&) { context.log("1191", "Test log"); });
        context.log("1157", "Critical section");
        if (context.view.simulator() == Simulator::None) {
            context.messages.showMessage(kMsgSelectFs);
            continue;
        }
        context.log("1160", "Select FS passed");
        if (!InstallLivery(context, InstallPass::Download, last.descriptorText, last.productFolder,
                           last.textureFolder, packageFolder))
            return false;
    }
    return true;
}

} // namespace sw::liveries
