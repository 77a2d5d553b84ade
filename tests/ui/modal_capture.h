#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

// Runs `action`, which may open modal message boxes; a timer armed before it records and
// closes each box.
struct ModalCapture {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int count = 0;
    bool seen() const { return count > 0; }
};

inline ModalCapture CaptureModal(const std::function<void()>& action) {
    ModalCapture capture;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++capture.count;
            capture.title = box->windowTitle();
            capture.text = box->text();
            capture.icon = box->icon();
            box->accept();
        }
    });
    timer.start();
    action();
    return capture;
}
