// The device search over several ports at the same time, on the owner's Qt event loop: each
// port is opened once (DTR and RTS low, on a thread of its own, so that a port slow to open
// holds up nothing), searched by a TPortSearch with its settings changed in place between
// tries, and closed as soon as its search ends. The window and vq830 both run it.
#pragma once

#include "finder/port_opening.h"
#include "finder/port_search.h"
#include "ports/open_error_text.h"
#include "serial/comm.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// One port of a search.
struct TPortProgress {
    enum class State {
        Waiting,    // not opened yet (its opening may be under way)
        Searching,  // open, trying settings
        Done,       // searched: see result
        Held,       // another program holds it: not touched
        OpenFailed, // could not be opened: see openError
    };
    QString name; // as given: "COM4", "/dev/ttyUSB0"
    QString path; // the device it opens
    State state = State::Waiting;
    PortConfig trying; // Searching: the settings being tried
    int tryNumber = 0;
    int tryCount = 0;
    bool confirming = false; // trying the settings the device named
    TSearchResult result;
    int openError = 0; // Held, OpenFailed: the system error of the opening
    // Searched, and a device found.
    bool Found() const { return state == State::Done && result.outcome == SearchOutcome::Found; }
};

class TDeviceFinder : public QObject {
    Q_OBJECT
public:
    explicit TDeviceFinder(const QStringList& portNames, QObject* parent = nullptr);
    ~TDeviceFinder() override;

    // Opens the ports and starts their searches; Finished is emitted when every port has
    // ended (perhaps before Start returns).
    void Start();
    // Ends every search at once; the ports are closed. May be called from a slot of
    // PortChanged.
    void Cancel();
    bool Running() const { return running_; }
    const std::vector<TPortProgress>& Ports() const { return ports_; }
    // True when any port found a device.
    bool FoundAny() const;

signals:
    void PortChanged(int index);
    void Finished();

private:
    struct Probe;

    void StartPort(int index);
    void Opened(int index, const TOpening& opening, const std::vector<PortConfig>& order);
    void Search(int index);
    void Arm(int index);
    void PortEnded(int index);
    void Close(int index);
    void EndIfAllDone();

    std::vector<TPortProgress> ports_;
    std::vector<std::unique_ptr<Probe>> probes_;
    std::shared_ptr<TPostBox> box_; // what the ports' threads post reaches the finder through it
    bool running_ = false;
};
