#include "app/core/steam_libraries.h"

#include "platform/regular_file.h"

#include <algorithm>
#include <filesystem>

namespace sw {

namespace stdfs = std::filesystem;

namespace {

// Tokens of a KeyValues text: quoted strings, "{" and "}". Comments ("//" to the line end)
// and unquoted words (conditionals such as [$WIN32]) are skipped.
struct Token {
    enum class Kind { String, Open, Close, End } kind;
    std::string text;
};

class Tokenizer {
public:
    explicit Tokenizer(const std::string& text) : m_text(text) {}

    Token next() {
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (c == '{' || c == '}') {
                ++m_at;
                return {c == '{' ? Token::Kind::Open : Token::Kind::Close, {}};
            }
            if (c == '"')
                return quoted();
            if (c == '/' && m_at + 1 < m_text.size() && m_text[m_at + 1] == '/') {
                m_at = std::min(m_text.find('\n', m_at), m_text.size());
                continue;
            }
            ++m_at; // blanks, line ends and unquoted words
        }
        return {Token::Kind::End, {}};
    }

private:
    Token quoted() {
        std::string value;
        ++m_at; // the opening quote
        while (m_at < m_text.size() && m_text[m_at] != '"') {
            if (m_text[m_at] == '\\' && m_at + 1 < m_text.size())
                ++m_at;
            value += m_text[m_at++];
        }
        if (m_at >= m_text.size())
            return {Token::Kind::End, {}}; // an unterminated string ends the text
        ++m_at;
        return {Token::Kind::String, std::move(value)};
    }

    const std::string& m_text;
    std::size_t m_at = 0;
};

bool isNumber(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A folder or a FIFO in place of the file reads as nothing, and never waits.
std::string readText(const stdfs::path& path) {
    return readRegularFile(path.string()).value_or(std::string());
}

} // namespace

std::vector<std::string> parseLibraryFolders(const std::string& vdfText) {
    constexpr int kMaxDepth = 32;
    std::vector<std::string> folders;
    Tokenizer tokens(vdfText);
    // Depth 1 is inside "libraryfolders", depth 2 inside one numbered library.
    int depth = 0;
    std::string key;
    bool haveKey = false;
    for (Token token = tokens.next(); token.kind != Token::Kind::End; token = tokens.next()) {
        switch (token.kind) {
        case Token::Kind::Open:
            if (++depth > kMaxDepth)
                return folders;
            haveKey = false;
            break;
        case Token::Kind::Close:
            if (--depth < 0)
                return folders;
            haveKey = false;
            break;
        case Token::Kind::String:
            if (!haveKey) {
                key = std::move(token.text);
                haveKey = true;
                break;
            }
            // A key with its value.
            if ((depth == 2 && key == "path") || (depth == 1 && isNumber(key)))
                if (!token.text.empty())
                    folders.push_back(token.text);
            haveKey = false;
            break;
        case Token::Kind::End:
            break;
        }
    }
    return folders;
}

std::vector<std::string> steamRoots(const std::string& home) {
    return {home + "/.steam/root", home + "/.local/share/Steam",
            home + "/.var/app/com.valvesoftware.Steam/.local/share/Steam"};
}

std::vector<std::string> fsxProtonPrefixes(const std::string& home) {
    std::vector<std::string> prefixes;
    std::vector<stdfs::path> seen;
    for (const std::string& root : steamRoots(home)) {
        std::vector<std::string> libraries = {root};
        for (std::string& folder : parseLibraryFolders(readText(root + "/steamapps/libraryfolders.vdf")))
            libraries.push_back(std::move(folder));
        for (const std::string& library : libraries) {
            const stdfs::path prefix =
                stdfs::path(library) / "steamapps" / "compatdata" / kFsxSteamAppId / "pfx";
            std::error_code error;
            if (!stdfs::is_directory(prefix, error))
                continue;
            const stdfs::path canonical = stdfs::canonical(prefix, error);
            if (error || std::find(seen.begin(), seen.end(), canonical) != seen.end())
                continue;
            seen.push_back(canonical);
            prefixes.push_back(prefix.string());
        }
    }
    return prefixes;
}

} // namespace sw
