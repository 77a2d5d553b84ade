#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

// Runs `action`, which may open modal message boxes; a timer armed before it records and
// closes each box, after calling `whileOpen` (when given) with the box still open.
struct ModalCapture {
    QString title, text, informative;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int count = 0;
    bool seen() const { return count > 0; }
};

// How many CaptureModal calls are waiting for boxes now.
inline int& ModalCapturesActive() {
    static int active = 0;
    return active;
}

inline ModalCapture CaptureModal(const std::function<void()>& action,
                                 const std::function<void()>& whileOpen = {}) {
    ModalCapture capture;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++capture.count;
            capture.title = box->windowTitle();
            capture.text = box->text();
            capture.informative = box->informativeText();
            capture.icon = box->icon();
            if (whileOpen) whileOpen();
            box->accept();
        }
    });
    timer.start();
    ++ModalCapturesActive();
    action();
    --ModalCapturesActive();
    return capture;
}

// A modal box that no test waits for would block the test until the run's time limit. This
// guard, running in every GUI test program, closes such a box and fails the test at once.
// A test that watches for boxes with a timer of its own sets ModalCapturesActive() meanwhile.
inline void GuardAgainstUnexpectedBoxes() {
    auto* guard = new QTimer(QCoreApplication::instance());
    guard->setInterval(200);
    QObject::connect(guard, &QTimer::timeout, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || ModalCapturesActive() > 0) return;
        const auto* box = qobject_cast<QMessageBox*>(dialog);
        const QString text = box ? box->text() : dialog->windowTitle();
        dialog->reject();
        QTest::qFail(qPrintable(QStringLiteral("unexpected modal box: ") + text), __FILE__,
                     __LINE__);
    });
    guard->start();
}
Q_COREAPP_STARTUP_FUNCTION(GuardAgainstUnexpectedBoxes)
