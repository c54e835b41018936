#include "catalogue/catalogue_records.h"

namespace sw::catalogue {

namespace {

constexpr std::string_view kSeparator = "&&";
constexpr std::string_view kUrlSeparator = ";;";

// The record's text before its terminator (the whole text when it has none), and whether
// the terminator was there.
struct RecordBody {
    std::string_view text;
    bool terminated;
};

RecordBody recordBody(std::string_view text, std::string_view terminator) {
    const std::size_t at = text.find(terminator);
    return at == std::string_view::npos ? RecordBody{text, false} : RecordBody{text.substr(0, at), true};
}

// Splits `rest` at the first `separator`: the part before it comes back, `rest` keeps the
// part after it. Without the separator the whole of `rest` comes back and `found` is false.
std::string_view cutAt(std::string_view& rest, std::string_view separator, bool& found) {
    const std::size_t at = rest.find(separator);
    found = at != std::string_view::npos;
    if (!found) {
        const std::string_view all = rest;
        rest = {};
        return all;
    }
    const std::string_view before = rest.substr(0, at);
    rest.remove_prefix(at + separator.size());
    return before;
}

} // namespace

std::string fieldBetween(const std::string& text, const std::string& from, const std::string& to) {
    const std::size_t start = text.find(from);
    const std::size_t end = text.find(to);
    if (start == std::string::npos || end == std::string::npos || end < start + from.size())
        return {};
    return text.substr(start + from.size(), end - start - from.size());
}

std::size_t recordLength(std::string_view text, std::string_view terminator) {
    const std::size_t at = text.find(terminator);
    if (at == std::string_view::npos)
        return text.size();
    return std::min(text.size(), at + terminator.size() + 2);
}

void removeRecord(std::string& text, const std::string& terminator) {
    text.erase(0, recordLength(text, terminator));
}

std::string skipRecords(std::string_view text, const std::string& terminator, int count) {
    for (int i = 0; i < count && !text.empty(); ++i)
        text.remove_prefix(recordLength(text, terminator));
    return std::string(text);
}

ProductRecord firstProduct(std::string_view text) {
    const RecordBody body = recordBody(text, kProductTerminator);
    std::string_view rest = body.text;
    bool named = false;
    ProductRecord record;
    record.name = cutAt(rest, kSeparator, named);
    if (named && body.terminated)
        record.listFile = rest;
    return record;
}

LiveryRecord firstLivery(std::string_view text) {
    const RecordBody body = recordBody(text, kLiveryTerminator);
    std::string_view rest = body.text;
    bool named = false;
    bool hasUrl = false;
    LiveryRecord record;
    record.name = cutAt(rest, kSeparator, named);
    if (!named)
        return record;
    const std::string_view url = cutAt(rest, kUrlSeparator, hasUrl);
    if (!hasUrl)
        return record;
    record.packageUrl = url;
    if (body.terminated)
        record.thumbnailUrl = rest;
    return record;
}

namespace {

// Calls `take` with the text left at each record while that text still holds "&&". The
// position of the next "&&" is looked up again only once scanning has passed it, so a long
// text is scanned in linear time.
template <typename Take> void scanRecords(std::string_view text, std::string_view terminator, Take take) {
    std::size_t offset = 0;
    std::size_t separator = text.find(kSeparator);
    while (separator != std::string_view::npos) {
        const std::string_view rest = text.substr(offset);
        take(rest);
        offset += recordLength(rest, terminator);
        if (separator < offset)
            separator = text.find(kSeparator, offset);
    }
}

} // namespace

std::vector<ProductRecord> scanProducts(std::string_view catalogueText) {
    std::vector<ProductRecord> records;
    scanRecords(catalogueText, kProductTerminator,
                [&](std::string_view rest) { records.push_back(firstProduct(rest)); });
    return records;
}

std::vector<LiveryRecord> scanLiveries(std::string_view liveryListText) {
    std::vector<LiveryRecord> records;
    scanRecords(liveryListText, kLiveryTerminator,
                [&](std::string_view rest) { records.push_back(firstLivery(rest)); });
    return records;
}

} // namespace sw::catalogue
