#pragma once

#include <QString>

// The device path that a port name from the port panel opens:
// - a text containing "/" is the path as it stands;
// - "COMn" (n a number) is the entry COMn of the port map directory when it exists there
//   (usually a symbolic link to a device), else /dev/ttyS<n-1>;
// - any other text names a device under /dev ("ttyUSB0" opens /dev/ttyUSB0).
QString ResolvePortName(const QString& name);

// The port map directory: $VQ830_PORT_DIR when set, else $XDG_CONFIG_HOME/vq830/ports,
// else ~/.config/vq830/ports.
QString PortMapDirectory();
