#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QDateTime>
#include <QWidget>
#include <deque>

class QLabel;
class QPushButton;
class QTableView;
class QTimer;

// The traffic log: every frame the port took for sending and every batch it delivered, with
// the time to the millisecond, as a separate non-modal window (object name "TrafficLog").
//
// How the main window feeds it (TForm1 owns one log for its whole life):
//   - construction, after Comm1 exists:   TrafficLog = new TTrafficLog(this);
//     The log is a top-level window of its own (Qt::Window) although the main window owns it;
//     it records from then on, shown or not, so opening it later shows the traffic so far.
//   - "通讯记录" (Button54) click:         TrafficLog->ShowAndRaise();
//   - SendFrame, where the frame goes to the port:
//         if (Comm1.SendBytes(frame.data(), frame.size()))
//             TrafficLog->AddSent(QByteArray(frame.data(), qsizetype(frame.size())));
//     A frame the port refused (port closed, queue full) never went on the line and is not
//     logged as sent.
//   - Comm1ReceiveData, every batch, answered or not:
//         const QDateTime arrived = QDateTime::currentDateTime();  // first line, before Pause
//         Pause(ReceivePauseMs);
//         const BatchAction action = BatchActionFor(RecvMode);
//         TrafficLog->AddReceived(QByteArray(reinterpret_cast<const char*>(Buffer),
//                                            BufferLength),
//                                 action == BatchAction::Drop, arrived);
//         if (action == BatchAction::Drop) return;
//     The arrival time is taken before the receive pause so that the log shows when the port
//     delivered the batch, not when the window got round to it.
// The Add calls only append to a pending list; a timer moves that list into the table at most
// ten times a second, so a line at full speed costs one copy per batch and no redraw per batch.

enum class TTrafficDirection { Sent, Received, Dropped };

struct TTrafficEntry {
    QDateTime Time;
    TTrafficDirection Direction = TTrafficDirection::Received;
    QByteArray Bytes;
};

// The bytes as readable text: printable ASCII as it is, "\r", "\n", "\t", "\\" for those
// characters, every other byte (controls, 0x7F and 0x80 to 0xFF) as "\xHH".
QString EscapedTrafficText(const QByteArray& bytes);
// The bytes in hex, upper case, one space between bytes: "4B 4F 52".
QString TrafficHex(const QByteArray& bytes);
// "发送", "接收" or "接收(丢弃)" (received while the window expected no answer), in the
// language shown (the table's and a saved file's alike).
QString TrafficDirectionText(TTrafficDirection direction);
// Time as "yyyy-MM-dd HH:mm:ss.zzz".
QString TrafficTimeText(const QDateTime& time);

// The table behind the view: at most MaxRows entries, the oldest leaving first.
class TTrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TimeColumn, DirectionColumn, CountColumn, TextColumn, HexColumn, ColumnCount };
    static constexpr int MaxRows = 10000;
    // Bytes shown per text or hex cell; the rest is cut off with "…" (saving keeps all).
    static constexpr int CellBytes = 512;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Appends the entries in one insertion, first removing the oldest rows that would
    // exceed MaxRows. Returns how many rows left the table.
    int Append(std::deque<TTrafficEntry>&& entries);
    void Clear();
    // The headings and the direction words are shown again in the language now chosen.
    void Retranslate();
    const std::deque<TTrafficEntry>& Entries() const { return entries_; }

private:
    int RemoveOldest(int count);

    std::deque<TTrafficEntry> entries_;
};

class TTrafficLog : public QWidget {
    Q_OBJECT
public:
    // Interval at which pending entries move into the table.
    static constexpr int FlushIntervalMs = 100;

    explicit TTrafficLog(QWidget* parent = nullptr);

    void AddSent(const QByteArray& bytes, const QDateTime& time = QDateTime::currentDateTime());
    void AddReceived(const QByteArray& bytes, bool droppedByWindow,
                     const QDateTime& time = QDateTime::currentDateTime());

    // Rows in the table now (pending entries not counted).
    int RowCount() const;
    const TTrafficModel& Model() const { return *model_; }
    TTrafficModel& Model() { return *model_; }
    // Entries waiting for the next flush.
    int PendingCount() const { return int(pending_.size()); }

    // Writes every entry, full bytes, pending ones included: CSV when the path ends in ".csv"
    // (any case), else text, one line per entry. The headings and direction words are those
    // of the language shown. False with a reason in *error on failure.
    bool SaveTo(const QString& path, QString* error);

    // While paused the log discards new entries and counts them; it does not hold them.
    bool Paused() const { return paused_; }
    void SetPaused(bool paused);
    void Clear();
    // Moves the pending entries into the table now (the timer does this on its own).
    void Flush();
    void ShowAndRaise();

    QPushButton* ClearButton;
    QPushButton* PauseButton;
    QPushButton* SaveButton;
    QLabel* Summary;
    QTableView* View;

protected:
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    void ShowPauseCaption();
    void Add(TTrafficEntry entry);
    void UpdateSummary();
    void SaveWithDialog();
    bool NearBottom() const;

    TTrafficModel* model_;
    QTimer* flushTimer_;
    std::deque<TTrafficEntry> pending_;
    bool paused_ = false;
    long long skipped_ = 0; // discarded while paused
    long long removed_ = 0; // left the table or the pending list through the row limit
};
