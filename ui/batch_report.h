// What read all and write all report when they end: a summary line for the status line and the
// box, and the details (each setting not read back or read back different, each frame that did
// not end answered), in the language the window speaks. Plain functions of the run, testable
// without a window.
#pragma once

#include "protocol/settings.h"
#include "session/exchange_run.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

// How a message names a setting: "BOADZ（主串口波特率）".
using TFieldNamer = std::function<QString(SettingField)>;

// What a report is made from: kept after the run, to make it again in another language.
struct TBatchRun {
    std::vector<TExchange> exchanges;
    bool wentAway = false;                 // the device went away during the run
    std::optional<DeviceSettings> written; // what write all sent; nothing for read all
};

struct TBatchReport {
    QString summary;
    QString details;  // empty when nothing went wrong
    bool box = false; // write all always shows its comparison; read all only its problems
};

TBatchReport BatchReportOf(const TBatchRun& run, const TFieldNamer& name);

// The details with at most `perSection` items under each heading, the rest counted.
QString Shortened(const QString& details, int perSection);
