// skinwright-cli get [--timeout SECONDS] URL: the catalogue fetch on its own. The body of the answer goes to
// stdout byte for byte; a failure's message goes to stderr, as the window's error box would
// show it.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <ostream>

#include "cli/cli.h"
#include "http/winhttp_client.h"

namespace sw::cli {

int runGet(Invocation& inv) {
    std::optional<std::chrono::milliseconds> timeout;
    if (!takeTimeoutOption(inv.args, timeout) || inv.args.size() != 1)
        return usageError("get", inv.err);
    std::string body;
    try {
        TALWinHttpClient http;
        if (timeout) {
            const auto ms = static_cast<std::int32_t>(std::min<long long>(timeout->count(), INT32_MAX));
            http.setConnectTimeout(ms);
            http.setSendTimeout(ms);
            http.setReceiveTimeout(ms);
        }
        body = http.Get(inv.args[0]);
    } catch (const EALHTTPClientException& e) {
        inv.err << e.what() << '\n';
        return kExitFailure;
    } catch (const std::exception& e) {
        inv.err << "skinwright-cli: " << e.what() << '\n';
        return kExitFailure;
    }
    inv.out.write(body.data(), static_cast<std::streamsize>(body.size()));
    inv.out.flush();
    if (!inv.out) {
        inv.err << "skinwright-cli: the body could not be written to the output\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace sw::cli
