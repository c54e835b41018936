#pragma once

#include <chrono>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace sw::cli {

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The arguments after the command's name, and the two streams it writes to (tests swap them).
struct Invocation {
    std::vector<std::string> args;
    std::ostream& out;
    std::ostream& err;
};

struct Command {
    const char* name;
    const char* usage;   // arguments, as shown after the name
    const char* summary; // one line for --help
    int (*run)(Invocation&);
};

// The commands this build offers, in the order --help lists them.
const std::vector<Command>& commands();

// Runs the program: argv[0] is the program's name. Returns the exit status.
int runCli(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err);

// Writes "usage: skinwright-cli NAME USAGE" to `err` and returns kExitUsage.
int usageError(const Command& command, std::ostream& err);
int usageError(const char* name, std::ostream& err);

// Takes "--timeout SECONDS" (a number greater than 0, fractions allowed) out of `args` into
// `timeout`. False when the option is repeated, lacks its value or the value is no such number.
bool takeTimeoutOption(std::vector<std::string>& args, std::optional<std::chrono::milliseconds>& timeout);

} // namespace sw::cli
