#pragma once

#include <string>

namespace sw::manpage {

// What a manual page needs beyond the program's --help text.
struct PageInfo {
    std::string name;    // the program, as the page's title and in NAME
    std::string section; // "1"
    std::string summary; // the one line of NAME after the dash
    std::string source;  // the page's footer, e.g. "skinwright 0.1.0"
    std::string seeAlso; // "skinwright(1)", or empty
};

// Turns a --help text into a manual page (roff with the man macros). The help text reads:
//   usage: PROGRAM ARGUMENTS          the first line (a following line indented past "usage: "
//                                     continues the synopsis with another form)
//   text at the left margin           paragraphs of the description (a blank line between them)
//   heading:                          a left-margin line ending in ':' opens a section
//     TERM  text                      an indented line is an item; the text after two or more
//         more text                   spaces, and lines indented deeper, describe it
std::string helpToMan(const std::string& help, const PageInfo& info);

// A line of text as roff shows it literally: backslashes and hyphens escaped, and a line that
// begins with '.' or '\'' kept from being read as a request.
std::string roffText(const std::string& text);

} // namespace sw::manpage
