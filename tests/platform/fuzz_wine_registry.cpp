// Fuzz target: any bytes as system.reg. The parser must not crash or read out of bounds, and
// what it read must be read again, unchanged, from the text written back from it: every key
// with every string value, and each key path that opens opens again with the same values.
#include "platform/wine_registry.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

// A key path inside [...]: a backslash makes the next character literal.
std::string escapeKey(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '\\' || c == ']')
            out += '\\';
        out += c;
    }
    return out;
}

std::string quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += std::string("\\") + c;
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out + "\"";
}

std::string serialise(const sw::WineRegistry& registry) {
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";
    for (const auto& [path, values] : registry.keys()) {
        text += "[" + escapeKey(path) + "] 1700000000\n#time=1da0c0e0f0a0b0c\n";
        for (const auto& [name, value] : values)
            text += (name.empty() ? std::string("@") : quote(name)) + "=" + quote(value) + "\n";
        text += "\n";
    }
    return text;
}

// The key at `path` opens in both or in neither, with the same values under `names`.
void checkSameKey(const sw::WineRegistry& first, const sw::WineRegistry& again, const std::string& path,
                  const std::vector<std::string>& names) {
    const auto a = first.openKey(path);
    const auto b = again.openKey(path);
    check(a.has_value() == b.has_value(), "a key that opens opens again");
    if (a)
        for (const std::string& name : names)
            check(a->stringValue(name) == b->stringValue(name), "a value found is found again");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const sw::WineRegistry first = sw::WineRegistry::parse(text);
    const sw::WineRegistry again = sw::WineRegistry::parse(serialise(first));
    check(again.keys() == first.keys(), "everything read is read again from the text written back");
    for (const auto& [path, values] : first.keys()) {
        std::vector<std::string> names;
        for (const auto& value : values)
            names.push_back(value.first);
        checkSameKey(first, again, path, names);
    }
    const std::vector<std::string> simulatorValues = {"exe path", "SetupPath", "@"};
    checkSameKey(first, again, "software\\microsoft\\microsoft games\\flight simulator\\9.0",
                 simulatorValues);
    checkSameKey(first, again, "software\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0",
                 simulatorValues);
    return 0;
}
