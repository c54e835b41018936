// help-to-man: writes a manual page from a program's --help text (see help_to_man.h).
//   help-to-man HELP_FILE OUTPUT NAME SECTION SUMMARY SOURCE [SEE_ALSO]
#include "help_to_man.h"

#include <cstdio>
#include <fstream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 7 && argc != 8) {
        std::fprintf(stderr, "usage: help-to-man HELP_FILE OUTPUT NAME SECTION SUMMARY SOURCE [SEE_ALSO]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream help;
    help << in.rdbuf();
    if (!in || help.str().empty()) {
        std::fprintf(stderr, "help-to-man: cannot read a help text from %s\n", argv[1]);
        return 1;
    }
    const sw::manpage::PageInfo info{argv[3], argv[4], argv[5], argv[6], argc == 8 ? argv[7] : ""};
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << sw::manpage::helpToMan(help.str(), info);
    out.close();
    if (!out) {
        std::fprintf(stderr, "help-to-man: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
