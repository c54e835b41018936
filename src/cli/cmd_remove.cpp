// skinwright-cli remove --sim fs9|fsx --root SIMFOLDER PRODUCT INDEX: RemoveLivery for item
// INDEX of the product's livery list (as `list ... PRODUCT` prints it, counted from 0).
#include "cli/cli.h"
#include "cli/livery_options.h"
#include "cli/workspace.h"
#include "liveries/change_backups.h"
#include "liveries/installed_liveries.h"

#include <charconv>
#include <ostream>

namespace sw::cli {

int runRemove(Invocation& inv) {
    const auto options = parseLiveryOptions(inv.args);
    if (!options || options->positional.size() != 2)
        return usageError("remove", inv.err);
    const std::string& indexText = options->positional[1];
    int index = -1;
    const auto [end, error] = std::from_chars(indexText.data(), indexText.data() + indexText.size(), index);
    if (error != std::errc() || end != indexText.data() + indexText.size() || index < 0)
        return usageError("remove", inv.err);
    if (!checkAircraftFolder(*options, inv.err))
        return kExitFailure;

    CliLiveryView view(*options);
    view.product = options->positional[0];
    CliMessageSink sink(inv.out, inv.err, liveries::kMsgRemoved);
    const liveries::BackupStore backups(cliWorkspace());
    const liveries::LiveryContext context{view, sink, {}, &backups};
    try {
        // The list first, as the window fills `cb4` before a livery can be chosen.
        liveries::ListInstalledLiveries(context);
        if (static_cast<std::size_t>(index) >= view.variations.size()) {
            sink.showMessage(liveries::messageWithPath(
                liveries::kMsgLiveryNotFound,
                liveries::aircraftRoot(options->simulator, options->root) + view.product + "/aircraft.cfg"));
            return kExitFailure;
        }
        view.variationIndex_ = index;
        liveries::RemoveLivery(context);
    } catch (const std::exception& e) {
        inv.err << "skinwright-cli: " << e.what() << '\n';
        return kExitFailure;
    }
    return sink.succeeded() && !sink.failed() ? kExitOk : kExitFailure;
}

} // namespace sw::cli
