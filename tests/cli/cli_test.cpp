#include "cli/cli.h"
#include "cli_runner.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>

using namespace sw::cli;
using sw::test::CliResult;
using sw::test::runTool;


TEST(Cli, HelpListsEveryCommandWithItsArguments) {
    CliResult help = runTool({"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.rfind("usage: skinwright-cli COMMAND [ARGUMENTS]\n", 0), 0u);
    for (const Command& c : commands()) {
        std::string line = std::string("  ") + c.name + ' ' + c.usage + '\n';
        EXPECT_NE(help.out.find(line), std::string::npos) << c.name;
        EXPECT_NE(help.out.find(c.summary), std::string::npos) << c.name;
    }
}

TEST(Cli, WrongArgumentsAreAUsageError) {
    CliResult none = runTool({});
    EXPECT_EQ(none.status, kExitUsage);
    EXPECT_NE(none.err.find("usage: skinwright-cli"), std::string::npos);
    EXPECT_EQ(none.out, "");

    CliResult unknown = runTool({"frobnicate", "x"});
    EXPECT_EQ(unknown.status, kExitUsage);
    EXPECT_EQ(unknown.err, "skinwright-cli: unknown command 'frobnicate' (see --help)\n");
}

TEST(Cli, CommandNamesAreUniqueAndDocumented) {
    std::set<std::string> names;
    for (const Command& c : commands()) {
        EXPECT_TRUE(names.insert(c.name).second) << c.name;
        EXPECT_NE(std::string(c.summary), "") << c.name;
        EXPECT_NE(c.run, nullptr) << c.name;
    }
}
