// skinwright-artwork: writes the program's own pictures where the scripts need them.
//   skinwright-artwork thumbnail FILE   the default picture (thumbnail.jpg)
#include "app/artwork.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "thumbnail") == 0) {
        if (!sw::artwork::writeDefaultThumbnail(QString::fromLocal8Bit(argv[2]))) {
            std::fprintf(stderr, "skinwright-artwork: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "usage: skinwright-artwork thumbnail FILE\n");
    return 2;
}
