// skinwright-cli download [--timeout SECONDS] URL FILE: the resumable download on its own. Every status text
// goes to stderr, one a line; the exit status says whether FILE now holds the whole remote
// file. A FILE left by an earlier, interrupted run is resumed.
#include "cli/cli.h"
#include "cli/package_sources.h"

namespace sw::cli {

int runDownload(Invocation& inv) {
    std::optional<std::chrono::milliseconds> timeout;
    if (!takeTimeoutOption(inv.args, timeout) || inv.args.size() != 2)
        return usageError("download", inv.err);
    return downloadWhole(inv.args[0], inv.args[1], inv.err, timeout) ? kExitOk : kExitFailure;
}

} // namespace sw::cli
