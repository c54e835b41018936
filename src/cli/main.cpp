#include "cli/cli.h"

#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return sw::cli::runCli({argv, argv + argc}, std::cout, std::cerr);
}
