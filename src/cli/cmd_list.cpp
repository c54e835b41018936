// skinwright-cli list --sim fs9|fsx --root SIMFOLDER [PRODUCT]: the installed products, or
// the liveries ("ui_variation=" values) of one product in the order the removal list shows.
#include "cli/cli.h"
#include "cli/livery_options.h"
#include "liveries/installed_liveries.h"

#include <ostream>

namespace sw::cli {

int runList(Invocation& inv) {
    const auto options = parseLiveryOptions(inv.args);
    if (!options || options->positional.size() > 1)
        return usageError("list", inv.err);
    if (!checkAircraftFolder(*options, inv.err))
        return kExitFailure;
    CliLiveryView view(*options);
    CliMessageSink sink(inv.out, inv.err, std::string());
    const liveries::LiveryContext context{view, sink, {}};
    try {
        if (options->positional.empty()) {
            liveries::ListInstalledProducts(context);
            for (const std::string& product : view.products)
                inv.out << product << '\n';
        } else {
            view.product = options->positional[0];
            liveries::ListInstalledLiveries(context);
            for (const std::string& variation : view.variations)
                inv.out << variation << '\n';
        }
    } catch (const std::exception& e) {
        inv.err << "skinwright-cli: " << e.what() << '\n';
        return kExitFailure;
    }
    return sink.failed() ? kExitFailure : kExitOk;
}

} // namespace sw::cli
