#include "platform/wine_registry.h"

#include "platform/regular_file.h"
#include "platform/utf8.h"

#include <cstdlib>
#include <sstream>
#include <vector>

namespace sw {

namespace {

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c - 'A' + 10;
}

// Reads a quoted string starting at text[pos] == '"'; leaves pos after the closing quote.
// Escapes as Wine writes them: \\ \" \a \b \e \f \n \r \t \v, \xH..H (up to 4 hex digits)
// and \ooo (octal, up to 3 digits). Characters other than escapes are taken as UTF-8 bytes.
std::optional<std::string> readQuoted(const std::string& text, std::size_t& pos) {
    if (pos >= text.size() || text[pos] != '"')
        return std::nullopt;
    ++pos;
    std::string out;
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == '"')
            return out;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= text.size())
            return std::nullopt;
        char e = text[pos++];
        switch (e) {
        case 'a':
            out += '\a';
            break;
        case 'b':
            out += '\b';
            break;
        case 'e':
            out += '\x1b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'v':
            out += '\v';
            break;
        case 'x': {
            unsigned long cp = 0;
            int digits = 0;
            while (digits < 4 && pos < text.size() && isHex(text[pos])) {
                cp = cp * 16 + static_cast<unsigned long>(hexValue(text[pos++]));
                ++digits;
            }
            if (digits == 0)
                out += 'x';
            else
                appendUtf8(out, cp);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                unsigned long cp = static_cast<unsigned long>(e - '0');
                for (int digits = 1; digits < 3 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7';
                     ++digits)
                    cp = cp * 8 + static_cast<unsigned long>(text[pos++] - '0');
                appendUtf8(out, cp);
            } else {
                out += e; // \\ and \" and anything unknown stand for themselves
            }
        }
    }
    return std::nullopt; // unterminated
}

// hex(1):/hex(2): data of a string value: UTF-16LE bytes "xx,xx,..." ending with a NUL.
std::optional<std::string> decodeUtf16Hex(const std::string& data) {
    std::string bytes;
    std::size_t i = 0;
    while (i < data.size()) {
        if (data[i] == ',' || data[i] == ' ' || data[i] == '\t') {
            ++i;
            continue;
        }
        if (i + 1 >= data.size() || !isHex(data[i]) || !isHex(data[i + 1]))
            return std::nullopt;
        bytes += static_cast<char>(hexValue(data[i]) * 16 + hexValue(data[i + 1]));
        i += 2;
    }
    std::string out;
    for (std::size_t k = 0; k + 1 < bytes.size(); k += 2) {
        unsigned long unit = static_cast<unsigned char>(bytes[k]) |
                             (static_cast<unsigned long>(static_cast<unsigned char>(bytes[k + 1])) << 8);
        if (unit == 0)
            break;
        if (unit >= 0xD800 && unit < 0xDC00 && k + 3 < bytes.size()) {
            unsigned long low = static_cast<unsigned char>(bytes[k + 2]) |
                                (static_cast<unsigned long>(static_cast<unsigned char>(bytes[k + 3])) << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                k += 2;
                continue;
            }
        }
        appendUtf8(out, unit);
    }
    return out;
}

// Joins lines that end in a backslash (long hex values are continued that way).
std::vector<std::string> logicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!current.empty()) {
            std::size_t start = line.find_first_not_of(" \t");
            line = start == std::string::npos ? std::string() : line.substr(start);
        }
        // Only hex data is continued; a string value always ends with its closing quote.
        if (!line.empty() && line.back() == '\\' && (!current.empty() || line.front() != '[')) {
            current += line.substr(0, line.size() - 1);
            continue;
        }
        lines.push_back(current + line);
        current.clear();
    }
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

} // namespace

std::string WineRegistry::defaultPrefix() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
        return prefix;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.wine";
}

WineRegistry WineRegistry::loadPrefix(const std::string& prefix) {
    // Only a regular file is read: a folder or a FIFO in its place is no registry.
    const std::optional<std::string> text = readRegularFile(prefix + "/system.reg");
    return text ? parse(*text) : WineRegistry{};
}

WineRegistry WineRegistry::parse(const std::string& text) {
    WineRegistry registry;
    std::map<std::string, std::string>* current = nullptr;
    for (const std::string& line : logicalLines(text)) {
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            // [Key\\Path] timestamp: the name ends at the first ']' outside an escape.
            std::string name;
            std::size_t i = 1;
            bool closed = false;
            for (; i < line.size(); ++i) {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    name += line[++i];
                } else if (line[i] == ']') {
                    closed = true;
                    break;
                } else {
                    name += line[i];
                }
            }
            current = closed ? &registry.m_keys[lowerAscii(name)] : nullptr;
            continue;
        }
        if (!current)
            continue;
        std::size_t pos = 0;
        std::string valueName;
        if (line[0] == '@') {
            pos = 1;
        } else {
            auto quoted = readQuoted(line, pos);
            if (!quoted)
                continue;
            valueName = *quoted;
        }
        if (pos >= line.size() || line[pos] != '=')
            continue;
        ++pos;
        std::string data = line.substr(pos);
        std::optional<std::string> value;
        if (data.rfind("str(2):", 0) == 0 || data.rfind("str(1):", 0) == 0) {
            std::size_t q = 7;
            value = readQuoted(data, q);
        } else if (!data.empty() && data[0] == '"') {
            std::size_t q = 0;
            value = readQuoted(data, q);
        } else if (data.rfind("hex(1):", 0) == 0 || data.rfind("hex(2):", 0) == 0) {
            value = decodeUtf16Hex(data.substr(7));
        }
        if (value)
            (*current)[lowerAscii(valueName)] = *value;
    }
    return registry;
}

std::optional<std::string> WineRegistry::Key::stringValue(const std::string& name) const {
    if (!m_values)
        return std::nullopt;
    auto it = m_values->find(name == "@" ? std::string() : lowerAscii(name));
    if (it == m_values->end())
        return std::nullopt;
    return it->second;
}

std::optional<WineRegistry::Key> WineRegistry::openKeyExact(const std::string& path) const {
    std::string key = lowerAscii(path);
    while (!key.empty() && key.back() == '\\')
        key.pop_back();
    while (!key.empty() && key.front() == '\\')
        key.erase(0, 1);
    auto it = m_keys.find(key);
    if (it == m_keys.end())
        return std::nullopt;
    Key k;
    k.m_values = &it->second;
    return k;
}

std::optional<WineRegistry::Key> WineRegistry::openKey(const std::string& path) const {
    std::string lower = lowerAscii(path);
    const std::string software = "software\\";
    if (lower.rfind(software, 0) == 0 && lower.rfind("software\\wow6432node\\", 0) != 0) {
        if (auto key = openKeyExact("software\\wow6432node\\" + path.substr(software.size())))
            return key;
    }
    return openKeyExact(path);
}

} // namespace sw
