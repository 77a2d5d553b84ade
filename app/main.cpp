// Entry of the VQ830-A(B) configuration and test tool.
#include "i18n/language.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kUsage = R"(Usage: vq830-tool [OPTION]...
Configuration and test tool for the VQ830-A(B) serial intelligent distributor.

With no options it opens the window, which needs a display (a desktop session, or Xvfb).
The serial port is chosen in the window's port panel (端口号): a text containing '/' is a
device path; COMn is the entry COMn of the port map directory when it exists there (a
symbolic link to a device), else /dev/ttyS<n-1>; any other text names a device under /dev.
The user needs read and write access to the device (on Debian: the group dialout).

Options:
  --lang LANG    the window's language for this run: zh (Chinese, the default) or en
                 (English); without it, the language last chosen in the window
  -h, --help     show this text and exit
  --version      show the version and exit
The toolkit's own options (-platform NAME, -style NAME, -display DISPLAY, -reverse, ...)
are passed to Qt.

Environment:
  VQ830_PORT_DIR   the port map directory (default $XDG_CONFIG_HOME/vq830/ports,
                   else ~/.config/vq830/ports)
  QT_QPA_PLATFORM  Qt's window system (offscreen runs the window with no display)

Exit status: 0 when the window is closed or after --help or --version; 2 for a bad
command line or when no display is available.
)";

// The toolkit's options that take a value (given as "-name value" or "-name=value") and those
// that take none. Qt accepts each with one dash or two.
constexpr std::string_view kQtValueOptions[] = {"platform",        "platformpluginpath",
                                                "platformtheme",   "plugin",
                                                "qwindowgeometry", "qwindowicon",
                                                "qwindowtitle",    "display",
                                                "geometry",        "style",
                                                "stylesheet",      "session"};
constexpr std::string_view kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb",
                                               "sync"};

enum class Start { Window, Help, Version, Error };

// The window's language asked for on the command line, if any.
std::optional<TLanguage> askedLanguage;

template <std::size_t N> bool Listed(const std::string_view (&names)[N], std::string_view name) {
    for (std::string_view listed : names)
        if (listed == name) return true;
    return false;
}

enum class QtOption { None, Taken, MissingValue };

// Checks for one of the toolkit's options at argv[i] and moves i past its value.
QtOption TakeQtOption(int argc, char** argv, int& i) {
    std::string_view arg = argv[i];
    if (!arg.starts_with('-')) return QtOption::None;
    arg.remove_prefix(arg.starts_with("--") ? 2 : 1);
    const auto eq = arg.find('=');
    const std::string_view name = arg.substr(0, eq);
    if (Listed(kQtFlagOptions, name))
        return eq == std::string_view::npos ? QtOption::Taken : QtOption::None;
    if (!Listed(kQtValueOptions, name)) return QtOption::None;
    if (eq != std::string_view::npos || ++i < argc) return QtOption::Taken;
    return QtOption::MissingValue;
}

// "--lang LANG" or "--lang=LANG" at argv[i]; moves i past its value. False with a message when
// the value is missing or names no language.
bool TakeLanguage(int argc, char** argv, int& i) {
    const std::string_view arg = argv[i];
    std::string value;
    if (arg.starts_with("--lang=")) {
        value = arg.substr(7);
    } else if (++i < argc) {
        value = argv[i];
    } else {
        std::fprintf(stderr, "vq830-tool: option '--lang' needs a value (zh or en)\n");
        return false;
    }
    askedLanguage = LanguageNamed(QString::fromStdString(value));
    if (askedLanguage) return true;
    std::fprintf(stderr, "vq830-tool: unknown language '%s' (zh or en)\n", value.c_str());
    return false;
}

// What the command line asks for. The window's start is the same as with no arguments.
Start ParseCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") return Start::Help;
        if (arg == "--version") return Start::Version;
        if (arg == "--lang" || arg.starts_with("--lang=")) {
            if (!TakeLanguage(argc, argv, i)) return Start::Error;
            continue;
        }
        switch (TakeQtOption(argc, argv, i)) {
        case QtOption::Taken:
            break;
        case QtOption::None:
            std::fprintf(stderr, "vq830-tool: unrecognized option '%s'\n", argv[i]);
            return Start::Error;
        case QtOption::MissingValue:
            std::fprintf(stderr, "vq830-tool: option '%s' needs a value\n", argv[i - 1]);
            return Start::Error;
        }
    }
    return Start::Window;
}

// Qt aborts when it cannot reach a display; say so plainly instead.
bool DisplayAvailable() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The window speaks Chinese whatever the user's locale, English when asked on the command line
// or chosen in the window before; the toolkit's own texts (context menus, the buttons of
// message boxes) follow.
TLanguage StartLanguage() {
    if (askedLanguage) return *askedLanguage;
    return SavedWindowLanguage().value_or(TLanguage::Chinese);
}

// Ties the window to its desktop entry and the installed icon (none when run from a build).
void SetDesktopIdentity() {
    QGuiApplication::setDesktopFileName(QStringLiteral("vq830-tool"));
    QGuiApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("vq830-tool")));
}

int RunWindow(int argc, char* argv[]) {
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "vq830-tool: no display available (DISPLAY and WAYLAND_DISPLAY are "
                             "not set). Start it from a desktop session, or under Xvfb.\n");
        return 2;
    }
    QApplication app(argc, argv);
    UseLanguage(StartLanguage());
    SetDesktopIdentity();
    TForm1 form;
    form.show();
    return app.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    switch (ParseCommandLine(argc, argv)) {
    case Start::Help:
        std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
        return 0;
    case Start::Version:
        std::printf("vq830-tool %s\n", VQ830_VERSION);
        return 0;
    case Start::Error:
        std::fwrite(kUsage.data(), 1, kUsage.size(), stderr);
        return 2;
    case Start::Window:
        break;
    }
    return RunWindow(argc, argv);
}
