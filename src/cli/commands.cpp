#include "cli/cli.h"

namespace sw::cli {

int runUnzip(Invocation& inv);
int runInstall(Invocation& inv);
int runList(Invocation& inv);
int runRemove(Invocation& inv);
int runGet(Invocation& inv);
int runDownload(Invocation& inv);
int runCatalogue(Invocation& inv);
int runBackups(Invocation& inv);
int runUndo(Invocation& inv);

// Each command lives in a file of its own (cmd_<name>.cpp) and is listed here.

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"unzip", "ARCHIVE FOLDER",
         "extract every item of a zip archive into an existing folder; each item that is not\n"
         "      extracted gives a line failed<TAB>NAME<TAB>CLASS<TAB>CODE, where NAME writes backslash,\n"
         "      TAB, CR, LF and other control bytes as C escapes (\\\\, \\t, \\r, \\n, \\xNN), in the\n"
         "      archive's order; with two or more processor cores, a large item is decoded on a\n"
         "      second thread while the next items are extracted",
         runUnzip},
        {"install", "--sim fs9|fsx --root SIMFOLDER [--skip-installed] PACKAGE...",
         "install livery packages (folders, .zip files, http(s) URLs of zips) into the simulator; "
         "--skip-installed leaves out liveries already installed",
         runInstall},
        {"list", "--sim fs9|fsx --root SIMFOLDER [PRODUCT]",
         "list installed products, or a product's liveries", runList},
        {"remove", "--sim fs9|fsx --root SIMFOLDER PRODUCT INDEX",
         "remove a product's livery by its list index", runRemove},
        {"backups", "--sim fs9|fsx --root SIMFOLDER [PRODUCT]",
         "list the kept changes, newest first: ID, TIME, PRODUCT, ACTION, VARIATION (tab-separated)",
         runBackups},
        {"undo", "--sim fs9|fsx --root SIMFOLDER PRODUCT [ID]",
         "undo the product's newest install or removal (ID: only when it is that one)", runUndo},
        {"get", "[--timeout SECONDS] URL",
         "fetch URL with the catalogue's HTTP client and write the body to stdout; --timeout limits the\n"
         "      connection and each wait for the server (default 60 s to connect, 30 s to send and receive)",
         runGet},
        {"download", "[--timeout SECONDS] URL FILE",
         "download URL into FILE, resuming what FILE already holds; --timeout limits each wait for\n"
         "      the server (default 60 s)",
         runDownload},
        {"catalogue", "[BASEURL]",
         "list the catalogue's products and their liveries (default: the program's)", runCatalogue},
    };
    return table;
}

} // namespace sw::cli
