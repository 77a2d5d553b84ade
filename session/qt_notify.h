#pragma once

#include "serial/notify.h"

#include <QMetaObject>
#include <QObject>

// Delivers the serial port's notifications on the thread of a Qt object, through its
// event queue, in posting order. The target must outlive the port threads that post
// (the port object is closed and destroyed before its host object); Qt drops events
// still queued for an object that is destroyed.
class QtNotifySink : public NotifySink {
public:
    explicit QtNotifySink(QObject* target) : target_(target) {}
    void Post(std::function<void()> fn) override {
        QMetaObject::invokeMethod(target_, std::move(fn), Qt::QueuedConnection);
    }

private:
    QObject* target_;
};
