#include "help_to_man.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using sw::manpage::helpToMan;
using sw::manpage::PageInfo;

const PageInfo kInfo{"tool-cli", "1", "do things from the command line", "tool 1.2", "tool(1)"};

// Everything after the first occurrence of `from` up to the next section heading.
std::string section(const std::string& page, const std::string& heading) {
    const std::size_t start = page.find(".SH " + heading + "\n");
    if (start == std::string::npos)
        return "(no section " + heading + ")";
    const std::size_t body = start + heading.size() + 5;
    const std::size_t end = page.find("\n.SH ", body);
    return page.substr(body, end == std::string::npos ? std::string::npos : end + 1 - body);
}

TEST(HelpToMan, CommandListBecomesSynopsisAndItems) {
    const std::string help = "usage: tool-cli COMMAND [ARGUMENTS]\n"
                             "\n"
                             "Does things; writes no log.\n"
                             "\n"
                             "commands:\n"
                             "  unzip ARCHIVE FOLDER\n"
                             "      extract every item\n"
                             "  install --sim fs9|fsx PACKAGE...\n"
                             "      install package folders\n"
                             "      into the simulator\n"
                             "\n"
                             "  --help      this text\n";
    const std::string page = helpToMan(help, kInfo);
    EXPECT_EQ(page.rfind(".TH TOOL\\-CLI 1 \"\" \"tool 1.2\" \"User Commands\"\n", 0), 0u) << page;
    EXPECT_EQ(section(page, "NAME"), "tool\\-cli \\- do things from the command line\n");
    EXPECT_EQ(section(page, "SYNOPSIS"),
              ".nf\n\\fBtool\\-cli\\fR \\fICOMMAND\\fR \\fI[ARGUMENTS]\\fR\n.fi\n");
    EXPECT_EQ(section(page, "DESCRIPTION"), "Does things; writes no log.\n");
    EXPECT_EQ(section(page, "COMMANDS"), ".TP\n\\fBunzip\\fR \\fIARCHIVE\\fR \\fIFOLDER\\fR\n"
                                         "extract every item\n"
                                         ".TP\n\\fBinstall\\fR \\fB\\-\\-sim\\fR \\fBfs9|fsx\\fR "
                                         "\\fIPACKAGE...\\fR\n"
                                         "install package folders\n"
                                         "into the simulator\n"
                                         ".TP\n\\fB\\-\\-help\\fR\n"
                                         "this text\n");
    EXPECT_EQ(section(page, "SEE ALSO"), ".BR tool (1)\n");
}

TEST(HelpToMan, ParagraphsAndTextThatLooksLikeRoff) {
    const std::string help = "usage: tool [--help]\n"
                             "       tool --version\n"
                             "First paragraph,\n"
                             "second line.\n"
                             "\n"
                             ".hidden files and C:\\Windows paths stay text\n"
                             "environment:\n"
                             "  HOME_DIR    where it works\n"
                             "'quoted' at the margin\n";
    const std::string page = helpToMan(help, {"tool", "1", "a tool", "tool 1.2", ""});
    EXPECT_EQ(section(page, "SYNOPSIS"),
              ".nf\n\\fBtool\\fR \\fB[\\-\\-help]\\fR\n\\fBtool\\fR \\fB\\-\\-version\\fR\n.fi\n");
    EXPECT_EQ(section(page, "DESCRIPTION"), "First paragraph,\nsecond line.\n"
                                            ".PP\n\\&.hidden files and C:\\eWindows paths stay text\n");
    EXPECT_EQ(section(page, "ENVIRONMENT"),
              ".TP\n\\fBHOME_DIR\\fR\nwhere it works\n.PP\n\\&'quoted' at the margin\n");
    EXPECT_EQ(page.find("SEE ALSO"), std::string::npos);
}

TEST(HelpToMan, WithoutUsageLineTheNameIsTheSynopsis) {
    const std::string page = helpToMan("Just text.\n", {"tool", "1", "a tool", "tool 1.2", ""});
    EXPECT_EQ(section(page, "SYNOPSIS"), "\\fBtool\\fR\n");
    EXPECT_EQ(section(page, "DESCRIPTION"), "Just text.\n");
}

} // namespace
