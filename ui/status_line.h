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
    // Makes a message in the language the window speaks; called again when the language
    // changes while the message is shown.
    using TText = std::function<QString()>;

    TStatusLine(QLabel* line, QObject* parent);
    // Shows a message. Messages that come faster than a few a second are merged: the line
    // shows the latest.
    void Show(TText text);
    // The message shown, made again in the language now chosen.
    void Retranslate();

private:
    QLabel* line_;
    QTimer* timer_;
    TText shown_;
    TText pending_;
};

// Runs one handler through the application's error report and tells the status line about
// errors that got no box because one was open.
void RunReported(QWidget* parent, TStatusLine& status, const std::function<void()>& handler);
