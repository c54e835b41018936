#include "cli/cli.h"

namespace sw::cli {

int runUnzip(Invocation& inv);

// Each command lives in a file of its own (cmd_<name>.cpp) and is listed here.

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"unzip", "ARCHIVE FOLDER", "extract every item of a zip archive into an existing folder", runUnzip},
    };
    return table;
}

} // namespace sw::cli
