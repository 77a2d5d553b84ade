// The main-port settings last found on each port, kept in the tools' settings (shared by the
// window and the command line) so that the next search tries them first.
#pragma once

#include "protocol/settings.h"

#include <QString>
#include <optional>

std::optional<PortConfig> RememberedLine(const QString& path);
void RememberLine(const QString& path, const PortConfig& line);
