// Entry of the VQ830-A(B) configuration and test tool.
#include "ui/main_window.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

namespace {

// Qt aborts when it cannot reach a display; say so plainly instead.
bool DisplayAvailable() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The toolkit's own texts (context menus, the buttons of message boxes) in Chinese, like the
// window, whatever the user's locale. Without Qt's translations installed they stay English.
void LoadToolkitTranslation(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);
}

} // namespace

int main(int argc, char* argv[]) {
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "vq830-tool: no display available (DISPLAY and WAYLAND_DISPLAY are "
                             "not set). Start it from a desktop session, or under Xvfb.\n");
        return 2;
    }
    QApplication app(argc, argv);
    LoadToolkitTranslation(app);
    TForm1 form;
    form.show();
    return app.exec();
}
