// skinwright-cli catalogue [BASEURL]: the maker's catalogue as the window reads it. prod.txt
// and every product's livery list are fetched with the catalogue's HTTP client and scanned the
// window's way; each product line is followed by its liveries:
//   product<TAB>NAME<TAB>LISTFILE
//   livery<TAB>NAME<TAB>PACKAGEURL<TAB>THUMBURL
// Values are written as the bytes they are. A fetch that fails ends the command as `get` does.
#include <ostream>

#include "catalogue/catalogue_records.h"
#include "cli/cli.h"
#include "core/site_addresses.h"
#include "http/winhttp_client.h"

namespace sw::cli {

int runCatalogue(Invocation& inv) {
    if (inv.args.size() > 1)
        return usageError("catalogue", inv.err);
    std::string base = inv.args.empty() ? CatalogueBaseUrl() : inv.args[0];
    if (!base.empty() && base.back() != '/')
        base += '/';
    try {
        TALWinHttpClient http;
        const std::string catalogueText = http.Get(base + "prod.txt");
        for (const catalogue::ProductRecord& product : catalogue::scanProducts(catalogueText)) {
            inv.out << "product\t" << product.name << '\t' << product.listFile << '\n';
            for (const catalogue::LiveryRecord& livery :
                 catalogue::scanLiveries(http.Get(base + product.listFile)))
                inv.out << "livery\t" << livery.name << '\t' << livery.packageUrl << '\t'
                        << livery.thumbnailUrl << '\n';
        }
    } catch (const EALHTTPClientException& e) {
        inv.out.flush();
        inv.err << e.what() << '\n';
        return kExitFailure;
    } catch (const std::exception& e) {
        inv.out.flush();
        inv.err << "skinwright-cli: " << e.what() << '\n';
        return kExitFailure;
    }
    inv.out.flush();
    return kExitOk;
}

} // namespace sw::cli
