#include "ui/error_report.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

QString ApplicationTitle(const QString& programPath) {
    const QString name = QFileInfo(programPath).completeBaseName();
    if (name.isEmpty()) return name;
    return name.left(1) + name.mid(1).toLower();
}

QString ApplicationTitle() { return ApplicationTitle(QCoreApplication::applicationFilePath()); }

QString WithFullStop(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.') return message + u'.';
    return message;
}

namespace {

// The error box open now, if any, and the errors raised under it that got no box.
bool errorBoxOpen = false;
int errorsUnderOpenBox = 0;

} // namespace

void ShowErrorBox(QWidget* parent, const QString& message, const QString& informative) {
    // The box runs its own event loop, in which a further error (a reply that fails again on
    // the next tick) would open a box inside this one, and so on without end.
    if (errorBoxOpen) {
        ++errorsUnderOpenBox;
        return;
    }
    errorBoxOpen = true;
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), WithFullStop(message),
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("ErrorBox"));
    if (!informative.isEmpty()) box.setInformativeText(informative);
    box.exec();
    errorBoxOpen = false;
}

int ErrorsWithoutBox() { return errorsUnderOpenBox; }

void RunHandler(QWidget* parent, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const EAppError& e) {
        ShowErrorBox(parent, QString::fromUtf8(e.what()), e.Informative);
    } catch (const std::exception& e) {
        ShowErrorBox(parent, QString::fromUtf8(e.what()));
    } catch (...) {
        ShowErrorBox(parent, QStringLiteral("Unknown error"));
    }
}
