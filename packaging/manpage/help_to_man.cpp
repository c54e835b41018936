#include "help_to_man.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace sw::manpage {

namespace {

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    return out;
}

std::size_t indentOf(const std::string& line) {
    std::size_t n = 0;
    while (n < line.size() && line[n] == ' ')
        ++n;
    return n;
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool isMetaVariable(const std::string& word) {
    bool letter = false;
    for (char c : word) {
        if (std::islower(static_cast<unsigned char>(c)))
            return false;
        letter = letter || std::isupper(static_cast<unsigned char>(c));
    }
    return letter;
}

// The words of a command line: the name, the options and literal words bold, the
// placeholders after the name (upper case) italic.
std::string commandLine(const std::string& text) {
    std::istringstream words(text);
    std::string word, out;
    while (words >> word) {
        const bool placeholder = !out.empty() && isMetaVariable(word);
        if (!out.empty())
            out += ' ';
        out += (placeholder ? "\\fI" : "\\fB") + escaped(word) + "\\fR";
    }
    return out;
}

// A line that starts with a control character would be read as a request.
std::string guarded(const std::string& line) {
    if (!line.empty() && (line[0] == '.' || line[0] == '\''))
        return "\\&" + line;
    return line;
}

} // namespace

std::string roffText(const std::string& text) {
    return guarded(escaped(text));
}

std::string helpToMan(const std::string& help, const PageInfo& info) {
    std::vector<std::string> lines;
    std::istringstream in(help);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        for (char& c : line)
            if (c == '\t')
                c = ' ';
        lines.push_back(line);
    }

    std::ostringstream out;
    out << ".TH " << upper(escaped(info.name)) << ' ' << info.section << " \"\" \"" << escaped(info.source)
        << "\" \"User Commands\"\n"
        << ".SH NAME\n"
        << escaped(info.name) << " \\- " << escaped(info.summary) << '\n'
        << ".SH SYNOPSIS\n";

    std::size_t i = 0;
    const std::string usage = "usage: ";
    bool synopsis = false;
    while (i < lines.size() && lines[i].empty())
        ++i;
    if (i < lines.size() && lines[i].rfind(usage, 0) == 0) {
        out << ".nf\n" << commandLine(lines[i].substr(usage.size())) << '\n';
        for (++i; i < lines.size() && indentOf(lines[i]) >= usage.size(); ++i)
            out << commandLine(lines[i]) << '\n';
        out << ".fi\n";
        synopsis = true;
    }
    if (!synopsis)
        out << "\\fB" << escaped(info.name) << "\\fR\n";

    out << ".SH DESCRIPTION\n";
    enum class Last { Start, Text, Item, Blank } last = Last::Start;
    std::size_t itemIndent = 0;
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::string text = trimmed(line);
        const std::size_t indent = indentOf(line);
        if (text.empty()) {
            if (last != Last::Start)
                last = Last::Blank;
            continue;
        }
        if (indent == 0 && text.back() == ':' && text.find("  ") == std::string::npos) {
            out << ".SH " << upper(escaped(text.substr(0, text.size() - 1))) << '\n';
            last = Last::Start;
            continue;
        }
        if (indent == 0) {
            if (last == Last::Blank || last == Last::Item)
                out << ".PP\n";
            out << roffText(text) << '\n';
            last = Last::Text;
            continue;
        }
        if (last == Last::Item && indent > itemIndent) {
            out << roffText(text) << '\n';
            continue;
        }
        // A new item: its term, then the text beside it, if any.
        const std::size_t gap = text.find("  ");
        const std::string term = text.substr(0, gap);
        out << ".TP\n" << guarded(commandLine(term)) << '\n';
        if (gap != std::string::npos)
            out << roffText(trimmed(text.substr(gap))) << '\n';
        itemIndent = indent;
        last = Last::Item;
    }
    if (!info.seeAlso.empty()) {
        out << ".SH SEE ALSO\n";
        const std::size_t paren = info.seeAlso.find('(');
        if (paren == std::string::npos)
            out << escaped(info.seeAlso) << '\n';
        else
            out << ".BR " << escaped(info.seeAlso.substr(0, paren)) << ' ' << info.seeAlso.substr(paren)
                << '\n';
    }
    return out.str();
}

} // namespace sw::manpage
