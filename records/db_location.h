// Where the line's database is: a file (SQLite) or a PostgreSQL server, named by --db, else
// $VQ830_DB, else the tool's settings ("database" in ~/.config/vq830/vq830.conf), else the
// station's own file ~/.local/share/vq830/line.sqlite.
#pragma once

#include <QString>

struct TDbLocation {
    QString text;          // as the user gave it
    bool postgres = false; // "postgresql://…", "postgres://…" or libpq keywords (key=value …)
    // The libpq keywords of a PostgreSQL location (a URI turned into keywords); empty for a file.
    QString Keywords() const;
    // The location as printed: a PostgreSQL password is not shown.
    QString Shown() const;
};

// The location named by `option` (the --db value; empty: not given).
TDbLocation DbLocationFrom(const QString& option);
TDbLocation DbLocationOf(const QString& text);
// True when a database is named explicitly (--db, $VQ830_DB or the settings), not only by the
// default file.
bool DbConfigured(const QString& option);
QString DefaultDbPath();
