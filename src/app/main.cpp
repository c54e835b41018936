#include "app/application_title.h"
#include "app/main_window.h"
#include "core/site_addresses.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>
#include <cstdio>
#include <cstring>

namespace {

// What `skinwright --help` prints; the manual page skinwright(1) is made from it when the
// program is built (the layout is the one packaging/manpage/help_to_man.h reads).
void printHelp() {
    std::printf("usage: skinwright [--help]\n"
                "\n"
                "Installs, downloads and removes the liveries (paint schemes) of ZEV aircraft in\n"
                "Microsoft Flight Simulator 2004 (FS9) and FSX under Wine or Proton, in one window.\n"
                "The simulator is found in the registry of a Wine prefix: $WINEPREFIX, else ~/.wine,\n"
                "else the Proton prefix of FSX Steam Edition in the Steam libraries.\n"
                "\n"
                "The program works in its current folder, its workspace. The installed command\n"
                "skinwright is a launcher that starts it in ~/.local/share/skinwright (or\n"
                "$SKINWRIGHT_WORKSPACE) and puts the default picture there the first time.\n"
                "\n"
                "files in the workspace:\n"
                "  debug.log                    the trace of every step, appended at every start\n"
                "  downloads/                   the local library: unpacked livery packages, one\n"
                "                               folder each\n"
                "  images/, tempzip/, templiv/  working folders for thumbnails, downloaded and\n"
                "                               unpacked packages\n"
                "  thumbnail.jpg                the default picture\n"
                "\n"
                "environment:\n"
                "  WINEPREFIX                   the Wine prefix to look in first\n"
                "  SKINWRIGHT_WORKSPACE         the launcher's workspace\n"
                "  SKINWRIGHT_CATALOGUE_URL     the folder of the catalogue's prod.txt and livery\n"
                "                               lists (default %s)\n"
                "  SKINWRIGHT_MAKER_URL         the maker's home page (default %s)\n"
                "\n"
                "options:\n"
                "  --help                       this text\n",
                sw::kCatalogueBaseUrl, sw::kMakerHomeUrl);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printHelp();
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(sw::kApplicationTitle);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    // The window's default font, as the fonts of Linux can render it.
    QFont::insertSubstitution("MS Sans Serif", "Nimbus Sans");
    sw::TForm1 form;
    form.show();
    return app.exec();
}
