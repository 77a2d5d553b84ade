// The command line of vq830: global port options, a command and its arguments.
#pragma once

#include "protocol/answers.h"
#include "serial/comm.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <stdexcept>

// Exit statuses.
enum ExitStatus : int {
    kExitOk = 0,
    kExitDiffers = 1,  // a write refused, an answer incomplete or for another slot, a setting
                       // not read back or read back different
    kExitUsage = 2,    // a bad command line or a bad value, refused before anything was sent
    kExitNoPort = 3,   // the port could not be opened
    kExitNoAnswer = 4, // no answer within the time-out
    kExitGone = 5,     // the device went away (the adapter was pulled, the far end closed)
    kExitNoDb = 6,     // the line's database could not be used: nothing was sent to the board
    kExitNoRecord = 7, // the board was talked to but its record (and its serial number's state)
                       // could not be written: the station must stop before the next board
};

// A usage error: printed with the usage, exit status 2.
class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TCliOptions {
    QString port = QStringLiteral("COM4");
    QStringList ports; // every --port given, in order (find)
    uint32_t baud = 9600;
    TParity parity = TParity::None;
    TStopBits stop = TStopBits::_1;
    int timeoutMs = int(kAnswerTime.count());
    bool quiet = false;
    bool verbose = false;
    bool json = false;     // read, find
    bool noVerify = false; // write
    QString tester = QStringLiteral("001");
    QString nextFile;        // serial --next FILE
    bool nextFromDb = false; // serial --next without a counter file: from the line's database
    qint64 first = -1;       // serial --first N
    QString db;              // --db (else $VQ830_DB, the settings, the default file)
    QString station;         // --station: who records (else the settings' "station")
    QString operatorName;    // --operator (else the settings' "operator")
    bool record = false;     // --record: write, set and serial NUMBER are recorded
    bool csv = false;        // records --csv
    QString since;           // records --since TIME
    QString serialFilter;    // records --serial N
    bool help = false;
    bool version = false;
    QString command;
    QStringList args;
};

extern const char kUsage[];

// The options of `arguments` (argv without the program name). Throws EUsage.
TCliOptions ParseOptions(const QStringList& arguments);
