// The single buttons' exchange with the device: a button's frame goes out and is shown, the
// answer is taken batch by batch as the port delivers it, and Timer2's tick parses the last
// batch into the controls under the reply code the frame stored.
#pragma once

#include "protocol/recv_mode.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>
#include <cstdint>
#include <functional>
#include <string>

class QTimer;
class TSettingsBinding;
class TStatusLine;
namespace Ui {
struct Form1;
}

class TReplyIntake : public QObject {
    Q_OBJECT
public:
    TReplyIntake(Ui::Form1& ui, TSettingsBinding& binding, TStatusLine& status, QObject* parent);

    // The reply code of the frame sent last, and the last accepted batch (one byte per
    // character).
    ::RecvMode RecvMode = ::RecvMode::Idle;
    QByteArray RecvText;
    // The pause of the receive handler, in milliseconds (tests may shorten it), and how the
    // window's thread is paused (tests may watch it).
    int ReceivePauseMs = 300;
    std::function<void(int ms)> Pause = [](int ms) { QThread::msleep(ms); };
    // How long a command's answer may take to begin before the status line says so (tests may
    // shorten it).
    QTimer* AnswerTimer;

    // Builds the frame (may raise), shows it in discomm, empties Memo8, stores the reply code
    // and queues the bytes.
    void Send(const std::function<std::string()>& build, ::RecvMode mode);
    // A batch the port delivered.
    void Receive(const uint8_t* buffer, uint16_t length);
    // Timer2's tick: the last batch parsed into the controls (raises on a value that does not
    // convert).
    void Tick();
    // Read all or write all takes the answers from here on.
    void HandOver();
    // No answer is awaited any more (the port went away).
    void StopAwaiting();
    // Bytes that came while nothing awaited them.
    void NoteDropped(qsizetype bytes);

private:
    void SetTimerOn(bool on);
    void NoteSent(bool sent, const std::string& frame);

    Ui::Form1& ui_;
    TSettingsBinding& binding_;
    TStatusLine& status_;
    quint64 droppedBytes_ = 0;
    QString pendingAnswerKey_;
};
