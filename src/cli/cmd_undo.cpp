// skinwright-cli undo --sim fs9|fsx --root SIMFOLDER PRODUCT [ID]: undoes the newest kept
// change of the product, or change ID when it is that newest one.
#include "cli/cli.h"
#include "cli/livery_options.h"
#include "cli/workspace.h"
#include "liveries/undo_change.h"

#include <ostream>

namespace sw::cli {

int runUndo(Invocation& inv) {
    const auto options = parseLiveryOptions(inv.args);
    if (!options || options->positional.empty() || options->positional.size() > 2)
        return usageError("undo", inv.err);
    const liveries::BackupStore store(cliWorkspace());
    const std::string id = options->positional.size() > 1 ? options->positional[1] : std::string();
    const liveries::UndoOutcome outcome =
        liveries::undoChange(store, options->simulator, options->root, options->positional[0], id);
    if (outcome.result != liveries::UndoOutcome::Result::Done) {
        inv.err << outcome.message << '\n';
        return kExitFailure;
    }
    inv.out << outcome.message << '\n';
    return kExitOk;
}

} // namespace sw::cli
