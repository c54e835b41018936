#pragma once

#include "cli/cli.h"

#include <sstream>
#include <string>
#include <vector>

namespace sw::test {

// What one run of skinwright-cli gave back.
struct CliResult {
    int status;
    std::string out;
    std::string err;
};

// Runs skinwright-cli with `args` (without the program's name) on string streams.
inline CliResult runTool(std::vector<std::string> args) {
    args.insert(args.begin(), "skinwright-cli");
    std::ostringstream out, err;
    int status = sw::cli::runCli(args, out, err);
    return {status, out.str(), err.str()};
}

} // namespace sw::test
