// Drives a run kept on a clock of its own (the exchange engine, the device search) from Qt's
// event loop: a single-shot timer started for the run's next deadline.
#pragma once

#include "session/exchange_run.h"

#include <QTimer>
#include <algorithm>
#include <optional>

// Starts `timer` to fire at `due`, at once when that has passed; stops it when there is none.
inline void ArmAt(QTimer& timer, std::optional<TClock::time_point> due) {
    if (!due) return timer.stop();
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - TClock::now());
    timer.start(int(std::max<std::chrono::milliseconds::rep>(0, wait.count())));
}
