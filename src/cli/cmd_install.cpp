// skinwright-cli install --sim fs9|fsx --root SIMFOLDER PACKAGE...: the all-packages pass of
// the local panel over package folders given by path.
#include "cli/cli.h"
#include "cli/livery_options.h"
#include "cli/workspace.h"
#include "liveries/change_backups.h"
#include "liveries/installer.h"

#include <ostream>

namespace sw::cli {

int runInstall(Invocation& inv) {
    const auto options = parseLiveryOptions(inv.args);
    if (!options || options->positional.empty())
        return usageError("install", inv.err);
    CliLiveryView view(*options);
    CliMessageSink sink(inv.out, inv.err, liveries::kMsgInstalled);
    const liveries::BackupStore backups(cliWorkspace());
    const liveries::LiveryContext context{view, sink, {}, &backups};
    liveries::PackageValues last;
    try {
        if (!liveries::installAllPackages(context, last, options->positional))
            return kExitFailure;
    } catch (const std::exception& e) {
        inv.err << "skinwright-cli: " << e.what() << '\n';
        return kExitFailure;
    }
    return sink.failed() ? kExitFailure : kExitOk;
}

} // namespace sw::cli
