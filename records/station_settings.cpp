#include "records/station_settings.h"

#include <QSettings>

TStationSettings TStationSettings::Load() {
    const QSettings settings(QStringLiteral("vq830"), QStringLiteral("vq830"));
    auto text = [&](const char* key) {
        return settings.value(QLatin1String(key)).toString().trimmed();
    };
    return {text("database"), text("station"), text("operator")};
}

void TStationSettings::Save() const {
    QSettings settings(QStringLiteral("vq830"), QStringLiteral("vq830"));
    auto store = [&](const char* key, const QString& value) {
        if (value.trimmed().isEmpty())
            settings.remove(QLatin1String(key));
        else
            settings.setValue(QLatin1String(key), value.trimmed());
    };
    store("database", database);
    store("station", station);
    store("operator", operatorName);
}
