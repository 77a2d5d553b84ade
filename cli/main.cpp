// vq830: the VQ830-A(B) from the command line, on the same frames, parsers, settings model and
// serial port object as the window.
#include "cli/commands.h"
#include "cli/console_text.h"
#include "cli/device_link.h"
#include "cli/find_command.h"
#include "cli/line_commands.h"
#include "cli/options.h"
#include "records/line_db.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

int RunOnDevice(TDeviceLink& link, const TCliOptions& options, const TReport& report) {
    if (options.command == QLatin1String("read")) return RunRead(link, options, report);
    if (options.command == QLatin1String("write")) return RunWrite(link, options, report);
    if (options.command == QLatin1String("set")) return RunSet(link, options, report);
    if (options.command == QLatin1String("serial")) return RunSerial(link, options, report);
    return RunSend(link, options, report);
}

int Run(const TCliOptions& options, const TReport& report) {
    const QString& command = options.command;
    if (command == QLatin1String("ports")) return RunPorts();
    if (command == QLatin1String("find")) return RunFind(options, report);
    if (command == QLatin1String("records")) return RunRecords(options);
    if (command == QLatin1String("serial") && options.first >= 0)
        return RunSerialFirst(options, report);
    TDeviceLink link(options, report);
    if (command == QLatin1String("program")) return RunProgram(link, options, report);
    if (command == QLatin1String("serial") && options.nextFromDb)
        return RunSerialNext(link, options, report);
    if (options.record)
        return RunRecorded(link, options, report,
                           [&] { return RunOnDevice(link, options, report); });
    return RunOnDevice(link, options, report);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    UseUserLanguage();
    TCliOptions options;
    try {
        options = ParseOptions(app.arguments().mid(1));
    } catch (const EUsage& e) {
        WriteText(stderr, QStringLiteral("vq830: %1\n\n%2")
                              .arg(QString::fromUtf8(e.what()), QString::fromUtf8(kUsage)));
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
        report.Error(QString::fromUtf8(e.what()));
        return e.Status;
    } catch (const EDbError& e) {
        report.Error(e.text + (e.kind == EDbError::Kind::Refused
                                   ? QString()
                                   : QStringLiteral(" (nothing was sent to the board)")));
        return e.kind == EDbError::Kind::Refused ? kExitUsage : kExitNoDb;
    }
}
