#include "finder/line_memory.h"

#include "finder/line_choices.h"

#include <QSettings>
#include <QUrl>

namespace {

QSettings Store() { return QSettings(QStringLiteral("vq830"), QStringLiteral("vq830")); }

// A settings key of its own for every path ('/' would start a group).
QString KeyOf(const QString& path) {
    return QStringLiteral("found-lines/") + QString::fromLatin1(QUrl::toPercentEncoding(path));
}

} // namespace

std::optional<PortConfig> RememberedLine(const QString& path) {
    const QList<QVariant> values = Store().value(KeyOf(path)).toList();
    if (values.size() != 3) return std::nullopt;
    const PortConfig line{values[0].toInt(), values[1].toInt(), values[2].toInt()};
    if (!IsListedLine(line)) return std::nullopt;
    return line;
}

void RememberLine(const QString& path, const PortConfig& line) {
    Store().setValue(KeyOf(path), QList<QVariant>{line.baud, line.parity, line.stop});
}
