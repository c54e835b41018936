// Fuzz target: any bytes as prod.txt and as a livery list. Scanning ends (libFuzzer's
// -timeout catches a hang), the fields cut out of all records together are no larger than
// the text, and record k as the lists show it is record k as the handlers reach it again
// by skipping k records.
#include "catalogue/catalogue_records.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace sw::catalogue;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

const std::size_t kSkipChecks = 32; // skipping is linear per record: check the first ones

void products(const std::string& text) {
    const auto records = scanProducts(text);
    std::size_t total = 0;
    for (std::size_t k = 0; k < records.size(); ++k) {
        total += records[k].name.size() + records[k].listFile.size();
        if (k < kSkipChecks) {
            const ProductRecord again =
                firstProduct(skipRecords(text, kProductTerminator, static_cast<int>(k)));
            check(again.name == records[k].name && again.listFile == records[k].listFile,
                  "product k is reached again by skipping k records");
        }
    }
    check(total <= text.size(), "products are no larger than prod.txt");
}

void liveries(const std::string& text) {
    const auto records = scanLiveries(text);
    std::size_t total = 0;
    for (std::size_t k = 0; k < records.size(); ++k) {
        const LiveryRecord& r = records[k];
        total += r.name.size() + r.packageUrl.size() + r.thumbnailUrl.size();
        if (k < kSkipChecks) {
            const LiveryRecord again = firstLivery(skipRecords(text, kLiveryTerminator, static_cast<int>(k)));
            check(again.name == r.name && again.packageUrl == r.packageUrl &&
                      again.thumbnailUrl == r.thumbnailUrl,
                  "livery k is reached again by skipping k records");
        }
    }
    check(total <= text.size(), "liveries are no larger than the livery list");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    products(text);
    liveries(text);
    return 0;
}
