#include "cli/cli.h"

namespace sw::cli {

// Each command lives in a file of its own (cmd_<name>.cpp) and is listed here.

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {};
    return table;
}

} // namespace sw::cli
