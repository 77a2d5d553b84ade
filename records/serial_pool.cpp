#include "records/serial_pool.h"

#include <QUuid>

namespace {

// The counter row is locked first on the server, so that two stations take turns; SQLite's
// BEGIN IMMEDIATE has done the same for the whole file.
QString LockCounter(bool postgres) {
    return QStringLiteral("SELECT next_serial FROM line_counter WHERE id = 1") +
           (postgres ? QStringLiteral(" FOR UPDATE") : QString());
}

qint64 One(QSqlQuery q) { return q.next() ? q.value(0).toLongLong() : -1; }

} // namespace

QString StateName(SerialState state) {
    switch (state) {
    case SerialState::Reserved:
        return QStringLiteral("reserved");
    case SerialState::Written:
        return QStringLiteral("written");
    case SerialState::Verified:
        return QStringLiteral("verified");
    case SerialState::Released:
        return QStringLiteral("released");
    case SerialState::Void:
        return QStringLiteral("void");
    }
    return {};
}

QString SerialText(qint64 serial) { return QStringLiteral("%1").arg(serial, 8, 10, QChar('0')); }

qint64 SerialOf(const QString& text) {
    if (text.isEmpty() || text.size() > 8) return -1;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return -1;
    return text.toLongLong();
}

SerialState SettledState(Outcome serialWrite) {
    switch (serialWrite) {
    case Outcome::Answered:
        return SerialState::Written;
    case Outcome::Refused:
    case Outcome::NotSent:
        return SerialState::Released;
    default:
        return SerialState::Void;
    }
}

void TSerialPool::SetFirst(qint64 first) {
    if (first < 0 || first > kLastSerial)
        throw EDbError(EDbError::Kind::Refused,
                       QStringLiteral("%1 is not a serial number of 1 to 8 digits").arg(first));
    db_.Transaction([&] {
        One(db_.Exec(LockCounter(db_.Postgres())));
        const qint64 handed = One(db_.Exec(QStringLiteral("SELECT COUNT(*) FROM serials")));
        if (handed > 0)
            throw EDbError(EDbError::Kind::Refused,
                           QStringLiteral("the first serial number cannot be set: %1 numbers were "
                                          "handed out already")
                               .arg(handed));
        db_.Exec(QStringLiteral("UPDATE line_counter SET next_serial = ? WHERE id = 1"), {first});
    });
}

qint64 TSerialPool::Reserve(TBoardRecord& record) {
    // A token of this reservation: when the connection drops during COMMIT, the redone
    // transaction finds the number that was committed instead of taking a second one.
    const QString token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    qint64 serial = -1;
    db_.Transaction([&] {
        serial =
            One(db_.Exec(QStringLiteral("SELECT serial FROM serials WHERE token = ?"), {token}));
        if (serial >= 0) return;
        const qint64 next = One(db_.Exec(LockCounter(db_.Postgres())));
        QSqlQuery released = db_.Exec(
            QStringLiteral("SELECT serial FROM serials WHERE state = 'released' ORDER BY serial"
                           " LIMIT 1"));
        if (released.next()) {
            serial = released.value(0).toLongLong();
            db_.Exec(QStringLiteral("UPDATE serials SET state = 'reserved', station = ?,"
                                    " holder = ?, token = ?, record_id = ?, changed = ?"
                                    " WHERE serial = ?"),
                     {record.station, record.holder, token, record.id, UtcNow(), serial});
        } else {
            if (next > kLastSerial)
                throw EDbError(
                    EDbError::Kind::UsedUp,
                    QStringLiteral("no serial number left: %1 has nine digits").arg(next));
            serial = next;
            db_.Exec(QStringLiteral("UPDATE line_counter SET next_serial = ? WHERE id = 1"),
                     {next + 1});
            db_.Exec(QStringLiteral("INSERT INTO serials (serial, state, station, holder, token,"
                                    " record_id, changed) VALUES (?, 'reserved', ?, ?, ?, ?, ?)"),
                     {serial, record.station, record.holder, token, record.id, UtcNow()});
        }
        db_.Exec(QStringLiteral("UPDATE records SET serial_after = ? WHERE id = ?"),
                 {SerialText(serial), record.id});
    });
    record.serialAfter = SerialText(serial);
    return serial;
}

void TSerialPool::Settle(qint64 serial, SerialState state, TBoardRecord& record) {
    db_.Transaction([&] {
        db_.Exec(QStringLiteral("UPDATE serials SET state = ?, changed = ? WHERE serial = ?"),
                 {StateName(state), UtcNow(), serial});
        TLineBook(db_).CompleteIn(record);
    });
}

std::vector<TStaleSerial> TSerialPool::SettleStale(const THolder& self) {
    std::vector<TStaleSerial> stale;
    QSqlQuery q = db_.Exec(QStringLiteral("SELECT serial, record_id, holder FROM serials WHERE"
                                          " state = 'reserved' AND station = ?"),
                           {self.station});
    while (q.next()) {
        const QString holder = q.value(2).toString();
        const std::optional<THolder> h = THolder::FromText(holder);
        if (h && !h->MayBeAlive())
            stale.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(), holder});
    }
    for (const TStaleSerial& s : stale)
        db_.Transaction([&] {
            const QString now = UtcNow();
            db_.Exec(QStringLiteral("UPDATE serials SET state = 'void', changed = ? WHERE serial"
                                    " = ? AND state = 'reserved'"),
                     {now, s.serial});
            db_.Exec(QStringLiteral("UPDATE records SET outcome = ?, ended = ?, details = ? WHERE"
                                    " id = ? AND outcome = ?"),
                     {kAborted, now,
                      QStringLiteral("the station's process %1 ended while it held serial number"
                                     " %2; the number was voided by %3")
                          .arg(s.holder, SerialText(s.serial), self.Text()),
                      s.recordId, kStarted});
        });
    return stale;
}

qint64 TSerialPool::Count(SerialState state) {
    return One(db_.Exec(QStringLiteral("SELECT COUNT(*) FROM serials WHERE state = ?"),
                        {StateName(state)}));
}
