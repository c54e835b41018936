// main() of the tests that drive the window in a real X server: an Xvfb of their own, the
// xcb platform, one QApplication. Without Xvfb the tests skip (see xDisplayMissing()).
#include "xvfb_main.h"
#include "xvfb_server.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {
std::string g_missing;
}

const std::string& sw::test::xDisplayMissing() {
    return g_missing;
}

int main(int argc, char** argv) {
    sw::test::XvfbServer server;
    if (server.start()) {
        setenv("DISPLAY", server.display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    } else {
        g_missing = server.error();
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    int status = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    return status;
}
