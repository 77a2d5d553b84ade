// The station's own settings, kept in the tool's settings file (~/.config/vq830/vq830.conf),
// which the command line reads too: where the line's database is, the station's name and who
// operates it.
#pragma once

#include <QString>

struct TStationSettings {
    QString database; // empty: none named here
    QString station;
    QString operatorName;

    static TStationSettings Load();
    // Writes them; an empty value removes its key.
    void Save() const;
};
