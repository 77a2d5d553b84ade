#pragma once

#include <QObject>
#include <memory>

class TComm;

// Owner of the serial port object inside the window's object tree (object name "Comm1"):
// the port's notifications are delivered through this object's event queue.
class TCommHost : public QObject {
    Q_OBJECT
public:
    explicit TCommHost(QObject* parent);
    ~TCommHost() override;
    TComm& Port() { return *comm_; }

private:
    std::unique_ptr<TComm> comm_;
};
