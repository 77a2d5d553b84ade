// The window's link to the device: opens the port with the port panel's settings and closes
// it, notices the device going away and opens the same port again once it is back, and says
// in the status line what became of the port and the line.
#pragma once

#include "ui/status_line.h"

#include <QObject>
#include <QString>
#include <cstdint>

class QTimer;
namespace Ui {
struct Form1;
}

class TPortLink : public QObject {
    Q_OBJECT
public:
    TPortLink(Ui::Form1& ui, TStatusLine& status, QObject* parent);

    bool PortOpened() const { return opened_; }
    // How often a port that went away is tried again (tests may shorten it).
    QTimer* ReopenTimer;

    // "打开串口" / "关闭串口". Raises with the open error explained when the port refuses.
    void Toggle();
    // Around the user's click, which also ends the wait for a device that went away: what
    // the click changed goes to the status line.
    struct TClick {
        bool wasOpen;
        bool waiting;
    };
    TClick BeforeClick();
    void AfterClick(TClick click);
    // The port let go for another user of it (the device search): closed, and the wait for a
    // device that went away ended, the status line saying so as it does after a click.
    void Release();
    // The device went away: the port is closed and tried again once a second until it opens.
    // False when the port was not open.
    bool HangUp();
    // Line errors the port reported.
    void LineErrors(uint32_t eventMask);
    // "打开串口" / "关闭串口" in the language now chosen.
    void Retranslate();

private:
    void OpenFromPanel();
    void ReopenTick();
    void WatchPanelChanges();
    void SetOpened(bool opened);
    TStatusLine::TText OpenedText() const;

    Ui::Form1& ui_;
    TStatusLine& status_;
    bool opened_ = false;
};
