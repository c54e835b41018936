// skinwright-cli get URL: the catalogue fetch on its own. The body of the answer goes to
// stdout byte for byte; a failure's message goes to stderr, as the window's error box would
// show it.
#include <ostream>

#include "catalogue/winhttp_client.h"
#include "cli/cli.h"

namespace sw::cli {

int runGet(Invocation& inv) {
    if (inv.args.size() != 1)
        return usageError("get", inv.err);
    std::string body;
    try {
        TALWinHttpClient http;
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
