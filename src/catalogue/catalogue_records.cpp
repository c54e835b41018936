#include "catalogue/catalogue_records.h"

namespace sw::catalogue {

namespace {
const std::string kSeparator = "&&";
const std::string kUrlSeparator = ";;";
} // namespace

std::string fieldBetween(const std::string& text, const std::string& from, const std::string& to) {
    const std::size_t start = text.find(from);
    const std::size_t end = text.find(to);
    if (start == std::string::npos || end == std::string::npos || end < start + from.size())
        return {};
    return text.substr(start + from.size(), end - start - from.size());
}

std::string recordName(const std::string& text) {
    return text.substr(0, text.find(kSeparator));
}

void removeRecord(std::string& text, const std::string& terminator) {
    const std::size_t at = text.find(terminator);
    const std::size_t count = at == std::string::npos ? 3 : at + terminator.size() + 2;
    text.erase(0, count);
}

std::string skipRecords(std::string text, const std::string& terminator, int count) {
    for (int i = 0; i < count; ++i)
        removeRecord(text, terminator);
    return text;
}

ProductRecord firstProduct(const std::string& text) {
    return {recordName(text), fieldBetween(text, kSeparator, kUrlSeparator)};
}

LiveryRecord firstLivery(const std::string& text) {
    return {recordName(text), fieldBetween(text, kSeparator, kUrlSeparator),
            fieldBetween(text, kUrlSeparator, kLiveryTerminator)};
}

std::vector<ProductRecord> scanProducts(const std::string& catalogueText) {
    std::vector<ProductRecord> records;
    std::string rest = catalogueText;
    while (rest.find(kSeparator) != std::string::npos) {
        records.push_back(firstProduct(rest));
        removeRecord(rest, kProductTerminator);
    }
    return records;
}

std::vector<LiveryRecord> scanLiveries(const std::string& liveryListText) {
    std::vector<LiveryRecord> records;
    std::string rest = liveryListText;
    while (rest.find(kSeparator) != std::string::npos) {
        records.push_back(firstLivery(rest));
        removeRecord(rest, kLiveryTerminator);
    }
    return records;
}

} // namespace sw::catalogue
