#pragma once

#include <string>

namespace sw::cli {

// The command line's workspace (where its backups go): $SKINWRIGHT_WORKSPACE, else
// $XDG_DATA_HOME/skinwright, else ~/.local/share/skinwright; the folder the launcher starts
// the window in, so both share their backups.
std::string cliWorkspace();

} // namespace sw::cli
