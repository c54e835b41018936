#include "cli/cli.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ostream>

namespace sw::cli {

namespace {

void printHelp(std::ostream& out) {
    out << "usage: skinwright-cli COMMAND [ARGUMENTS]\n"
           "\n"
           "Manages ZEV liveries of FS9 and FSX from the command line; writes no debug.log.\n"
           "\n"
           "commands:\n";
    for (const Command& c : commands())
        out << "  " << c.name << ' ' << c.usage << "\n      " << c.summary << '\n';
    out << "\n  --help      this text\n"
           "\n"
           "install, remove and undo keep a backup of every change in the backups folder of the\n"
           "workspace: $SKINWRIGHT_WORKSPACE, else $XDG_DATA_HOME/skinwright, else\n"
           "~/.local/share/skinwright (the launcher's). The newest 50 changes are kept.\n";
}

} // namespace

int usageError(const Command& command, std::ostream& err) {
    err << "usage: skinwright-cli " << command.name << ' ' << command.usage << '\n';
    return kExitUsage;
}

int usageError(const char* name, std::ostream& err) {
    for (const Command& c : commands())
        if (std::string(c.name) == name)
            return usageError(c, err);
    err << "usage: skinwright-cli COMMAND [ARGUMENTS] (see --help)\n";
    return kExitUsage;
}

bool takeTimeoutOption(std::vector<std::string>& args, std::optional<std::chrono::milliseconds>& timeout) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--timeout")
            continue;
        if (timeout || i + 1 >= args.size())
            return false;
        const std::string& text = args[i + 1];
        char* end = nullptr;
        const double seconds = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !(seconds > 0) || seconds > 86400)
            return false;
        timeout = std::chrono::milliseconds(std::max<long long>(1, std::llround(seconds * 1000)));
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                   args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        --i;
    }
    return true;
}

int runCli(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    if (argv.size() < 2) {
        printHelp(err);
        return kExitUsage;
    }
    const std::string& name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printHelp(out);
        return kExitOk;
    }
    for (const Command& c : commands()) {
        if (name == c.name) {
            Invocation inv{{argv.begin() + 2, argv.end()}, out, err};
            return c.run(inv);
        }
    }
    err << "skinwright-cli: unknown command '" << name << "' (see --help)\n";
    return kExitUsage;
}

} // namespace sw::cli
