// skinwright-artwork: writes the program's own pictures and its demo where the scripts need them.
//   skinwright-artwork thumbnail FILE      the default picture (thumbnail.jpg)
//   skinwright-artwork icon FILE [SIZE]    the desktop icon as PNG (default 128 pixels)
//   skinwright-artwork free-port           prints a free TCP port on 127.0.0.1
//   skinwright-artwork demo FOLDER PORT    the demo (prefix, workspace, catalogue, nginx.conf)
#include "app/artwork.h"
#include "app/demo_artwork.h"
#include "demo/demo_content.h"
#include "platform/loopback_port.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr, "usage: skinwright-artwork thumbnail FILE\n"
                         "       skinwright-artwork icon FILE [SIZE]\n"
                         "       skinwright-artwork free-port\n"
                         "       skinwright-artwork demo FOLDER PORT\n");
    return 2;
}

// A whole decimal number in [low, high], or 0.
int numberArgument(const char* text, int low, int high) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < low || value > high)
        return 0;
    return static_cast<int>(value);
}

int writeDemo(const char* folder, int port) {
    const auto layout = sw::demo::writeDemo(folder, port, sw::artwork::liveryThumbnailJpeg);
    const QString thumbnail = QString::fromStdString(layout.workspace + "/thumbnail.jpg");
    if (!sw::artwork::writeDefaultThumbnail(thumbnail)) {
        std::fprintf(stderr, "skinwright-artwork: cannot write %s\n", qPrintable(thumbnail));
        return 1;
    }
    std::printf("%s\n", layout.catalogueUrl.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "thumbnail" && argc == 3) {
            if (!sw::artwork::writeDefaultThumbnail(QString::fromLocal8Bit(argv[2]))) {
                std::fprintf(stderr, "skinwright-artwork: cannot write %s\n", argv[2]);
                return 1;
            }
            return 0;
        }
        if (command == "icon" && (argc == 3 || argc == 4)) {
            const int size = argc == 4 ? numberArgument(argv[3], 16, 1024) : 128;
            if (size == 0)
                return usage();
            if (!sw::artwork::applicationIcon(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
                std::fprintf(stderr, "skinwright-artwork: cannot write %s\n", argv[2]);
                return 1;
            }
            return 0;
        }
        if (command == "free-port" && argc == 2) {
            const int port = sw::findFreeLoopbackPort();
            if (port == 0) {
                std::fprintf(stderr, "skinwright-artwork: no free port on 127.0.0.1\n");
                return 1;
            }
            std::printf("%d\n", port);
            return 0;
        }
        if (command == "demo" && argc == 4) {
            const int port = numberArgument(argv[3], 1, 65535);
            return port == 0 ? usage() : writeDemo(argv[2], port);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "skinwright-artwork: %s\n", error.what());
        return 1;
    }
    return usage();
}
