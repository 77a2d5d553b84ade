// Entry of the VQ830-A(B) configuration and test tool.
#include "ui/main_window.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

// Qt aborts when it cannot reach a display; say so plainly instead.
bool DisplayAvailable() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char* argv[]) {
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "vq830-tool: no display available (DISPLAY and WAYLAND_DISPLAY are "
                             "not set). Start it from a desktop session, or under Xvfb.\n");
        return 2;
    }
    QApplication app(argc, argv);
    TForm1 form;
    form.show();
    return app.exec();
}
