// The status line along the bottom of the window: what the port and the line did that no box
// reports.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLabel;
class QTimer;
class QWidget;

class TStatusLine : public QObject {
    Q_OBJECT
public:
    TStatusLine(QLabel* line, QObject* parent);
    // Shows a message. Messages that come faster than a few a second are merged: the line
    // shows the latest.
    void Show(const QString& text);

private:
    QLabel* line_;
    QTimer* timer_;
    QString pending_;
};

// Runs one handler through the application's error report and tells the status line about
// errors that got no box because one was open.
void RunReported(QWidget* parent, TStatusLine& status, const std::function<void()>& handler);
