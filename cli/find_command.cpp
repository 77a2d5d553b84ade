#include "cli/find_command.h"

#include "cli/console_text.h"
#include "cli/exit_status.h"
#include "finder/device_finder.h"
#include "ports/port_names.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {

QString Line(const PortConfig& line) { return QString::fromStdString(LineText(line)); }

QString Reply(const TSearchResult& r) { return QString::fromLatin1(r.reply); }

QString Trying(const TPortProgress& p) {
    return QStringLiteral("%1: %2 %3 (%4/%5)")
        .arg(p.name, p.confirming ? QStringLiteral("confirming") : QStringLiteral("trying"),
             Line(p.trying))
        .arg(p.tryNumber)
        .arg(p.tryCount);
}

QString Outcome(const TPortProgress& p) {
    const TSearchResult& r = p.result;
    switch (r.outcome) {
    case SearchOutcome::Found:
        return QStringLiteral("found a device at %1; it answered '%2'").arg(Line(r.at), Reply(r));
    case SearchOutcome::Refused:
        return QStringLiteral("a device at %1 refused the query: it answered '%2'")
            .arg(Line(r.at), Reply(r));
    case SearchOutcome::NamedOther:
        return QStringLiteral("a device answered at %1 naming %2 ('%3'), but gave no clean "
                              "answer at %2 (a new setting takes effect after the board restarts)")
            .arg(Line(r.at), Line(r.named), Reply(r));
    case SearchOutcome::Nothing:
        return QStringLiteral("no answer at any of the %1 settings").arg(r.tried);
    case SearchOutcome::Gone:
        return QStringLiteral("the port went away after %1 settings").arg(r.tried);
    case SearchOutcome::Cancelled:
        return QStringLiteral("cancelled");
    case SearchOutcome::Searching:
        break;
    }
    return {};
}

// What a port's change means, on standard error.
QString Progress(const TPortProgress& p) {
    switch (p.state) {
    case TPortProgress::State::Searching:
        return Trying(p);
    case TPortProgress::State::Done:
        return p.name + QStringLiteral(": ") + Outcome(p);
    case TPortProgress::State::Held:
        return p.name + QStringLiteral(": skipped, another program holds it\n") +
               ExplainOpenError(p.path, p.openError);
    case TPortProgress::State::OpenFailed:
        return p.name + QStringLiteral(": cannot be opened\n") +
               ExplainOpenError(p.path, p.openError);
    case TPortProgress::State::Waiting:
        break;
    }
    return {};
}

QJsonObject Json(const TPortProgress& p) {
    const PortConfig& at = p.result.at;
    return {{"port", p.name},
            {"path", p.path},
            {"baud", kBaudRates[size_t(at.baud)]},
            {"parity", QString::fromLatin1(kParityNames[size_t(at.parity)].data())},
            {"stop", kStopBits[size_t(at.stop)]},
            {"reply", Reply(p.result)}};
}

void PrintFound(const std::vector<TPortProgress>& ports, bool json) {
    QJsonArray array;
    QString text;
    for (const TPortProgress& p : ports) {
        if (!p.Found()) continue;
        array.append(Json(p));
        text += p.name + u'\t' + Line(p.result.at).replace(u' ', u'\t') + u'\n';
    }
    if (json)
        WriteUtf8(stdout, QJsonDocument(array).toJson());
    else
        WriteText(stdout, text);
}

QStringList PortsToSearch(const TCliOptions& options) {
    if (!options.ports.isEmpty()) return options.ports;
    QStringList names;
    for (const DetectedPort& port : DetectedPorts())
        names << port.Path;
    return names;
}

} // namespace

int RunFind(const TCliOptions& options, const TReport& report) {
    const QStringList names = PortsToSearch(options);
    if (names.isEmpty()) {
        report.Error(QStringLiteral("no serial ports present; name one with --port"));
        return kExitDiffers;
    }
    TDeviceFinder finder(names);
    QObject::connect(&finder, &TDeviceFinder::PortChanged,
                     [&](int index) { report.Progress(Progress(finder.Ports()[size_t(index)])); });
    QEventLoop loop;
    QObject::connect(&finder, &TDeviceFinder::Finished, &loop, &QEventLoop::quit);
    finder.Start();
    if (finder.Running()) loop.exec();
    PrintFound(finder.Ports(), options.json);
    return finder.FoundAny() ? kExitOk : kExitDiffers;
}
