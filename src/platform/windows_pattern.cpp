#include "platform/windows_pattern.h"

#include "platform/file_system.h"

#include <cstdint>
#include <vector>

namespace sw::fs {

namespace {

// Windows-1252 0x80..0x9F as Unicode (0 where the code page has no character, in which
// case the byte keeps its own value).
constexpr char32_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t fromSingleByte(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0 && kCp1252High[byte - 0x80] != 0)
        return kCp1252High[byte - 0x80];
    return byte;
}

char32_t foldCharacter(char32_t c) {
    if (c >= 'A' && c <= 'Z')
        return c + 0x20;
    if (c < 0xC0)
        return c;
    if (c <= 0xDE)
        return c == 0xD7 ? c : c + 0x20;
    if (c >= 0x100 && c <= 0x137)
        return c | 1;
    if (c >= 0x139 && c <= 0x148)
        return (c & 1) ? c + 1 : c;
    if (c >= 0x14A && c <= 0x177)
        return c | 1;
    if (c == 0x178)
        return 0xFF;
    if (c >= 0x179 && c <= 0x17E)
        return (c & 1) ? c + 1 : c;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2)
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

// Length of the valid UTF-8 sequence at `i`, or 0 when the bytes there are not one
// (overlong forms and surrogates are rejected, RFC 3629 section 4).
std::size_t utf8Length(const std::string& s, std::size_t i, char32_t& out) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    out = value;
    return length;
}

// The pattern's elements after FindFirstFile's translation of a DOS pattern
// (the DOS_STAR / DOS_DOT forms of FsRtlIsNameInExpression):
//  - '*' before a '.'  -> kDosStar: any run of characters that stops before the name's last dot
//  - '.' before '*', '?' or the end -> kDosDot: a '.' or, at the end of the name, nothing
//  - '*' elsewhere     -> kStar: any run of characters
//  - '?'               -> kAny: exactly one character
enum class Kind { Literal, Star, DosStar, DosDot, Any };

struct Element {
    Kind kind;
    char32_t character;
};

std::vector<Element> compilePattern(const std::u32string& pattern) {
    std::vector<Element> out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char32_t c = pattern[i];
        const bool last = i + 1 == pattern.size();
        const char32_t next = last ? 0 : pattern[i + 1];
        if (c == U'*')
            out.push_back({next == U'.' ? Kind::DosStar : Kind::Star, 0});
        else if (c == U'?')
            out.push_back({Kind::Any, 0});
        else if (c == U'.' && (last || next == U'*' || next == U'?'))
            out.push_back({Kind::DosDot, 0});
        else
            out.push_back({Kind::Literal, c});
    }
    return out;
}

} // namespace

std::u32string foldedCharacters(const std::string& name) {
    std::u32string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        char32_t c = 0;
        const std::size_t length = utf8Length(name, i, c);
        if (length == 0) {
            c = fromSingleByte(static_cast<unsigned char>(name[i]));
            i += 1;
        } else {
            i += length;
        }
        out.push_back(foldCharacter(c));
    }
    return out;
}

bool matchesPattern(const std::string& name, const std::string& pattern) {
    const std::u32string text = foldedCharacters(name);
    const std::vector<Element> elements = compilePattern(foldedCharacters(pattern));
    const std::size_t n = text.size();
    const std::size_t lastDot = text.rfind(U'.'); // npos when the name has no dot

    // matched[i] is true when elements[0..k) can match text[0..i); one row per element.
    std::vector<char> matched(n + 1, 0);
    matched[0] = 1;
    for (const Element& e : elements) {
        std::vector<char> next(n + 1, 0);
        for (std::size_t i = 0; i <= n; ++i) {
            switch (e.kind) {
            case Kind::Literal:
                next[i] = i > 0 && matched[i - 1] && text[i - 1] == e.character;
                break;
            case Kind::Any:
                next[i] = i > 0 && matched[i - 1];
                break;
            case Kind::Star:
                next[i] = matched[i] || (i > 0 && next[i - 1]);
                break;
            case Kind::DosStar:
                // May take text[i-1] only when it lies before the name's last dot.
                next[i] = matched[i] ||
                          (i > 0 && next[i - 1] && (lastDot == std::u32string::npos || i - 1 < lastDot));
                break;
            case Kind::DosDot:
                next[i] = (i > 0 && matched[i - 1] && text[i - 1] == U'.') || (i == n && matched[i]);
                break;
            }
        }
        matched.swap(next);
    }
    return matched[n] != 0;
}

bool nameLess(const std::string& a, const std::string& b) {
    const std::u32string fa = foldedCharacters(a);
    const std::u32string fb = foldedCharacters(b);
    if (fa != fb)
        return fa < fb;
    return a < b;
}

bool namesEqual(const std::string& a, const std::string& b) {
    return foldedCharacters(a) == foldedCharacters(b);
}

} // namespace sw::fs
