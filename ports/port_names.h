#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The device path that a port name from the port panel opens:
// - a text containing "/" is the path as it stands;
// - "COMn" (n a number, the letters in any case) is the entry COMn of the port map directory
//   when it exists there (usually a symbolic link to a device), else /dev/ttyS<n-1>;
// - any other text names a device under /dev ("ttyUSB0" opens /dev/ttyUSB0).
// On Windows "COMn" opens \\.\COMn, a device path (\\.\..., \\?\...) stands as it is and any
// other name is a device under \\.\; there is no port map.
QString ResolvePortName(const QString& name);

#ifndef _WIN32
// The port map directory: $VQ830_PORT_DIR when set, else $XDG_CONFIG_HOME/vq830/ports,
// else ~/.config/vq830/ports.
QString PortMapDirectory();
#endif

// A serial device present on this machine: its absolute path (the stable
// /dev/serial/by-id/... name where there is one) and what a technician recognises it by.
struct DetectedPort {
    QString Path;
    QString ToolTip; // description, manufacturer, serial number, VID:PID, in the language
                     // installed when DetectedPorts() was called
    QString Description;
    QString SerialNumber;
    QString VidPid; // "0403:6001", empty when unknown
};
QList<DetectedPort> DetectedPorts();

// The names among `names` that lead to a port present on this machine, in their order: a
// device DetectedPorts lists, or (not on Windows) an entry of the port map directory that
// leads to a device. "COM3" with nothing behind it is left out.
QStringList PresentPortNames(const QStringList& names);

// The explanation of a refused opening of `path` with the system error `error`, gathered
// from the system (the device's group, the process holding it, the devices present), in the
// language of the translation installed.
QString ExplainOpenError(const QString& path, int error);
