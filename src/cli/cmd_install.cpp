// skinwright-cli install --sim fs9|fsx --root SIMFOLDER [--skip-installed] PACKAGE...: the
// all-packages pass of the local panel over package folders. A PACKAGE may also be a zip file
// or an http(s) URL of one: every download and every zip is fetched and unpacked into
// temporary folders first, then the packages they hold are installed in order, and the
// temporary folders go whatever happened.
#include "cli/cli.h"
#include "cli/livery_options.h"
#include "cli/workspace.h"
#include "liveries/change_backups.h"
#include "cli/package_sources.h"
#include "liveries/installer.h"
#include "liveries/reinstall_check.h"
#include "platform/file_system.h"

#include <ostream>

namespace sw::cli {

namespace {

// --skip-installed: the packages whose livery is not installed yet; each one that is gets a
// line on stderr. A package whose descriptor cannot be read stays, for the pass to report.
std::vector<std::string> withoutInstalled(const LiveryOptions& options,
                                          const std::vector<std::string>& packages, std::ostream& err) {
    std::vector<std::string> remaining;
    for (const std::string& package : packages) {
        if (fs::fileExists(package + "/installerinfo.txt")) {
            const liveries::LiveryInPackage livery = liveries::liveryInPackage(package);
            if (liveries::isAlreadyInstalled(options.simulator, options.root, livery)) {
                err << livery.variation << " is already installed in " << livery.productFolder
                    << ", skipped\n";
                continue;
            }
        }
        remaining.push_back(package);
    }
    return remaining;
}

} // namespace

int runInstall(Invocation& inv) {
    const auto options = parseLiveryOptions(inv.args, true);
    if (!options || options->positional.empty())
        return usageError("install", inv.err);
    if (!checkAircraftFolder(*options, inv.err))
        return kExitFailure;
    CliLiveryView view(*options);
    CliMessageSink sink(inv.out, inv.err, liveries::kMsgInstalled);
    const liveries::BackupStore backups(cliWorkspace());
    const liveries::LiveryContext context{view, sink, {}, &backups};
    liveries::PackageValues last;
    try {
        TemporaryFolders temporary;
        std::vector<std::string> packages;
        for (const std::string& argument : options->positional) {
            const auto folders = packageFoldersFor(argument, temporary, inv.err);
            if (!folders)
                return kExitFailure;
            packages.insert(packages.end(), folders->begin(), folders->end());
        }
        if (options->skipInstalled)
            packages = withoutInstalled(*options, packages, inv.err);
        if (!liveries::installAllPackages(context, last, packages))
            return kExitFailure;
    } catch (const std::exception& e) {
        inv.err << "skinwright-cli: " << e.what() << '\n';
        return kExitFailure;
    }
    return sink.failed() ? kExitFailure : kExitOk;
}

} // namespace sw::cli
