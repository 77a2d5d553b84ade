// vq830: the VQ830-A(B) from the command line, on the same frames, parsers, settings model and
// serial port object as the window.
#include "cli/commands.h"
#include "cli/device_link.h"
#include "cli/find_command.h"
#include "cli/options.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

int Run(const TCliOptions& options, const TReport& report) {
    if (options.command == QLatin1String("ports")) return RunPorts();
    if (options.command == QLatin1String("find")) return RunFind(options, report);
    TDeviceLink link(options, report);
    if (options.command == QLatin1String("read")) return RunRead(link, options, report);
    if (options.command == QLatin1String("write")) return RunWrite(link, options, report);
    if (options.command == QLatin1String("set")) return RunSet(link, options, report);
    if (options.command == QLatin1String("serial")) return RunSerial(link, options, report);
    return RunSend(link, options, report);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    TCliOptions options;
    try {
        options = ParseOptions(app.arguments().mid(1));
    } catch (const EUsage& e) {
        std::fprintf(stderr, "vq830: %s\n\n%s", e.what(), kUsage);
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (options.version) {
        std::printf("vq830 %s\n", VQ830_VERSION);
        return kExitOk;
    }
    const TReport report(options);
    try {
        return Run(options, report);
    } catch (const EBadValue& e) {
        report.Error(QString::fromLocal8Bit(e.what()));
        return kExitUsage;
    } catch (const EOpenFailed& e) {
        report.Error(QString::fromLatin1(e.what()) + QStringLiteral("\n") + e.Explanation);
        return kExitNoPort;
    } catch (const EStop& e) {
        report.Error(QString::fromLatin1(e.what()));
        return e.Status;
    }
}
