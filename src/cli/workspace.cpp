#include "cli/workspace.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace sw::cli {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace

std::string cliWorkspace() {
    const std::string workspace = variable("SKINWRIGHT_WORKSPACE");
    if (!workspace.empty())
        return workspace;
    const std::string data = variable("XDG_DATA_HOME");
    if (!data.empty())
        return data + "/skinwright";
    std::string home = variable("HOME");
    if (home.empty()) {
        if (const passwd* user = ::getpwuid(::getuid()))
            home = user->pw_dir;
    }
    return home + "/.local/share/skinwright";
}

} // namespace sw::cli
