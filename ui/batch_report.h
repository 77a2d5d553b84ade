// What read all and write all report when they end: a summary line for the status line and the
// box, and the details (each setting not read back or read back different, each frame that did
// not end answered). Plain functions of the run, testable without a window.
#pragma once

#include "protocol/settings.h"
#include "session/exchange_run.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

// How a message names a setting: "BOADZ（主串口波特率）".
using TFieldNamer = std::function<QString(SettingField)>;

struct TBatchReport {
    QString summary;
    QString details;  // empty when nothing went wrong
    bool box = false; // write all always shows its comparison; read all only its problems
};

TBatchReport BatchReportOf(const TExchangeRun& run, const std::optional<DeviceSettings>& written,
                           const TFieldNamer& name);

// The details with at most `perSection` items under each heading, the rest counted.
QString Shortened(const QString& details, int perSection);
