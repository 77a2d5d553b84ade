#include "ui/comm_host.h"

#include "serial/comm.h"
#include "session/qt_notify.h"

TCommHost::TCommHost(QObject* parent)
    : QObject(parent), comm_(std::make_unique<TComm>(std::make_shared<QtNotifySink>(this))) {
    setObjectName(QStringLiteral("Comm1"));
    // The values stored for the window's port object; they differ from the
    // constructor's in the baud rate alone.
    comm_->SetCommName("COM2");
    comm_->SetBaudRate(115200);
    // Each batch holds the window's thread for the receive pause (300 ms), so a line faster
    // than that must wait in the driver, not in the window's event queue: at most two batches
    // of 2048 bytes wait for the window.
    comm_->SetReceiveBacklogLimit(2 * 2048);
}

// The port threads stop and the device closes before this object goes away.
TCommHost::~TCommHost() { comm_.reset(); }
