#include "ui/status_line.h"

#include "ui/error_report.h"

#include <QLabel>
#include <QTimer>
#include <utility>

TStatusLine::TStatusLine(QLabel* line, QObject* parent)
    : QObject(parent), line_(line), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    timer_->setInterval(250);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (!pending_) return;
        shown_ = std::exchange(pending_, nullptr);
        Retranslate();
        timer_->start();
    });
}

void TStatusLine::Show(TText text) {
    if (timer_->isActive()) {
        pending_ = std::move(text); // shown when the interval ends
        return;
    }
    shown_ = std::move(text);
    Retranslate();
    timer_->start();
}

void TStatusLine::Retranslate() { line_->setText(shown_ ? shown_() : QString()); }

void RunReported(QWidget* parent, TStatusLine& status, const std::function<void()>& handler) {
    const int before = ErrorsWithoutBox();
    RunHandler(parent, handler);
    const int unshown = ErrorsWithoutBox();
    if (unshown != before)
        status.Show([unshown] {
            return TStatusLine::tr("错误框已打开，其间另有 %1 个错误未显示").arg(unshown);
        });
}
