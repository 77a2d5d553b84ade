#pragma once

#include <QString>
#include <functional>
#include <stdexcept>

class QWidget;

// An error raised by a window handler, with its message as UTF-8 text and, optionally, an
// explanation shown under the message in the error box.
class EAppError : public std::runtime_error {
public:
    explicit EAppError(const QString& message, const QString& informative = QString())
        : std::runtime_error(message.toStdString()), Informative(informative) {}
    QString Informative;
};

// The application title: the program file's name without its extension, first letter
// unchanged and the rest in lower case ("/usr/bin/VQ830-Tool.bin" gives "vq830-tool").
QString ApplicationTitle(const QString& programPath);
QString ApplicationTitle();

// A message ending in a character above "." gets a full stop; anything else is kept.
QString WithFullStop(const QString& message);

// Shows the application's modal error box for the message. While one is open, a further
// error opens no second box: it is only counted. A non-empty `informative` text is shown under
// the message.
void ShowErrorBox(QWidget* parent, const QString& message, const QString& informative = QString());
// How many errors were raised while an error box was open (since the program started).
int ErrorsWithoutBox();

// Runs one handler; an exception raised in it ends it and is shown in the error box,
// after which the window goes on.
void RunHandler(QWidget* parent, const std::function<void()>& handler);
