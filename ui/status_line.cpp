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
        if (pending_.isEmpty()) return;
        line_->setText(std::exchange(pending_, QString()));
        timer_->start();
    });
}

void TStatusLine::Show(const QString& text) {
    if (timer_->isActive()) {
        pending_ = text; // shown when the interval ends
        return;
    }
    line_->setText(text);
    timer_->start();
}

void RunReported(QWidget* parent, TStatusLine& status, const std::function<void()>& handler) {
    const int before = ErrorsWithoutBox();
    RunHandler(parent, handler);
    if (ErrorsWithoutBox() != before)
        status.Show(
            QStringLiteral("错误框已打开，其间另有 %1 个错误未显示").arg(ErrorsWithoutBox()));
}
