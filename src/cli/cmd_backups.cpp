// skinwright-cli backups --sim fs9|fsx --root SIMFOLDER [PRODUCT]: the changes kept in the
// workspace's backups for that simulator folder (and product), newest first, one a line:
// ID, time (UTC), product, action and variation, separated by tabs.
#include "cli/cli.h"
#include "cli/livery_options.h"
#include "cli/workspace.h"
#include "liveries/change_backups.h"

#include <ostream>

namespace sw::cli {

namespace {

// One field of a tab-separated line: tabs and line ends inside it become spaces.
std::string field(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

} // namespace

int runBackups(Invocation& inv) {
    const auto options = parseLiveryOptions(inv.args);
    if (!options || options->positional.size() > 1)
        return usageError("backups", inv.err);
    const liveries::BackupStore store(cliWorkspace());
    const std::string product = options->positional.empty() ? std::string() : options->positional[0];
    for (const liveries::ChangeRecord& change : store.list(options->simulator, options->root, product)) {
        inv.out << change.id << '\t' << change.time << '\t' << field(change.product) << '\t'
                << liveries::actionName(change.action) << '\t' << field(change.variation) << '\n';
    }
    return kExitOk;
}

} // namespace sw::cli
