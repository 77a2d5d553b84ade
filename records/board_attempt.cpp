#include "records/board_attempt.h"

#include "config/settings_file.h"

#include <QCryptographicHash>
#include <QJsonObject>
#include <algorithm>

namespace {

QString Text(const std::string& bytes) { return QString::fromLatin1(bytes); }

bool Any(const std::vector<TExchange>& exchanges, Outcome outcome) {
    return std::any_of(exchanges.begin(), exchanges.end(),
                       [&](const TExchange& e) { return e.judgement.outcome == outcome; });
}

} // namespace

QString OutcomeOf(const std::vector<TExchange>& exchanges, bool verified) {
    if (Any(exchanges, Outcome::PortGone)) return kGone;
    if (Any(exchanges, Outcome::Refused)) return kRefused;
    const bool answered = std::all_of(exchanges.begin(), exchanges.end(), [](const TExchange& e) {
        return e.judgement.outcome == Outcome::Answered;
    });
    return answered && verified ? kPassed : kFailed;
}

QString SettingsSha256(const DeviceSettings& settings) {
    return QString::fromLatin1(
        QCryptographicHash::hash(SettingsToJson(settings), QCryptographicHash::Sha256).toHex());
}

TBoardAttempt::TBoardAttempt(TLineDb& db, TBoardRecord record)
    : db_(db), record_(std::move(record)) {
    TLineBook(db_).Start(record_);
}

void TBoardAttempt::AddFrames(const std::vector<TExchange>& exchanges) {
    for (const TExchange& e : exchanges) {
        QJsonObject frame{{"frame", Text(e.command.frame)},
                          {"outcome", Text(std::string(OutcomeName(e.judgement.outcome)))}};
        if (!e.answer.empty()) frame.insert("answer", Text(e.AnswerText()));
        record_.frames.append(frame);
    }
}

void TBoardAttempt::AddDifferences(const DeviceSettings& written,
                                   const std::vector<Mismatch>& mismatches, const ReadBack& read) {
    for (const Mismatch& m : mismatches)
        record_.differences.append(QJsonObject{
            {"setting", Text(FieldName(m.field))},
            {"written", Text(ValueText(written, m.field))},
            {"read",
             m.notRead ? QJsonValue() : QJsonValue(Text(ValueText(read.settings, m.field)))},
        });
}

qint64 TBoardAttempt::TakeSerial() {
    serial_ = TSerialPool(db_).Reserve(record_);
    return *serial_;
}

void TBoardAttempt::Finish(const QString& outcome, std::optional<Outcome> serialWrite,
                           const QString& details) {
    record_.outcome = outcome;
    record_.details = details;
    if (!serial_) {
        TLineBook(db_).Complete(record_);
        return;
    }
    const SerialState state = SettledState(serialWrite.value_or(Outcome::NotSent));
    if (state != SerialState::Written && state != SerialState::Verified)
        record_.serialAfter.clear(); // the board was not given it
    const QString why =
        state == SerialState::Void       ? QStringLiteral("voided: it may have reached the board")
        : state == SerialState::Released ? QStringLiteral("released: it did not reach the board")
                                         : QString();
    if (!why.isEmpty())
        record_.details += (record_.details.isEmpty() ? "" : "; ") +
                           QStringLiteral("serial number %1 %2").arg(SerialText(*serial_), why);
    TSerialPool(db_).Settle(*serial_, state, record_);
}
