// The explanation shown under a refused opening of the port: what the device path was, what
// went wrong and what to do about it.
#pragma once

#include <QString>
#include <QStringList>

struct OpenErrorFacts {
    QString Path;             // the device path that was opened
    int Error = 0;            // the system error of the refusal (errno; on Windows the Win32
                              // error), 0 for none
    QString HolderName;       // the process holding the device, when known
    int HolderPid = 0;        // its pid; 0 when no holder is known
    QString Group;            // the device's group, empty when unknown
    QStringList PresentPorts; // the serial devices present on this machine
};

// True when an opening refused with the system error `error` means that another program holds
// the port.
bool HeldByAnother(int error);

// The explanation in the language of the translation installed (Chinese without one); empty
// when the refusal had no system error.
QString OpenErrorText(const OpenErrorFacts& facts);
