#include "cli/device_link.h"

#include "cli/console_text.h"
#include "i18n/language.h"
#include "ports/port_names.h"
#include "session/qt_notify.h"
#include "session/quiet_open.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLocale>
#include <QTime>
#include <chrono>
#include <cstdio>
#include <utility>

namespace {

void PrintLine(const QString& text) { WriteText(stderr, text + u'\n'); }

// Printable text of 8-bit bytes, and their hex.
QString Escaped(const std::string& bytes) {
    QString text;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text += b >= 0x20 && b < 0x7f ? QString(QChar(b))
                                      : QStringLiteral("\\x%1").arg(b, 2, 16, QChar('0'));
    }
    return text;
}

QString Hex(const std::string& bytes) {
    return QString::fromLatin1(QByteArray(bytes.data(), qsizetype(bytes.size())).toHex(' '));
}

} // namespace

void UseUserLanguage() {
    if (QLocale::system().language() != QLocale::Chinese) UseLanguage(TLanguage::English);
}

void TReport::Progress(const QString& text) const {
    if (!options_.quiet) PrintLine(text);
}

void TReport::Error(const QString& text) const { PrintLine(QStringLiteral("vq830: ") + text); }

void TReport::Traffic(char direction, const std::string& bytes) const {
    if (!options_.verbose) return;
    PrintLine(QStringLiteral("%1 %2 %3  [%4]")
                  .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")))
                  .arg(QChar(direction))
                  .arg(Escaped(bytes), Hex(bytes)));
}

TDeviceLink::TDeviceLink(const TCliOptions& options, const TReport& report)
    : options_(options), report_(report),
      comm_(std::make_unique<TComm>(std::make_shared<QtNotifySink>(&host_))),
      session_(std::make_unique<TSession>(*comm_)) {
    // Outside a run nothing is awaited: what comes is dropped.
    comm_->OnReceiveData = [this](TComm&, const uint8_t* data, uint16_t length) {
        report_.Traffic('!', std::string(reinterpret_cast<const char*>(data), length));
    };
    comm_->OnRequestHangup = [this](TComm&) { gone_ = true; };
    QObject::connect(session_.get(), &TSession::Sent, [this](int, const QByteArray& frame) {
        report_.Traffic('>', frame.toStdString());
    });
    QObject::connect(session_.get(), &TSession::Received,
                     [this](const QByteArray& bytes, bool dropped, const QDateTime&) {
                         report_.Traffic(dropped ? '!' : '<', bytes.toStdString());
                     });
    QObject::connect(session_.get(), &TSession::Judged, [this](int index) {
        ReportJudged(session_->LastRun()->Exchanges()[size_t(index)]);
    });
}

TDeviceLink::~TDeviceLink() {
    session_.reset();
    comm_->ClosePort();
}

void TDeviceLink::Open() {
    const QString path = ResolvePortName(options_.port);
    PrepareQuietOpen(*comm_, path.toStdString(), options_.baud, options_.parity, options_.stop);
    try {
        comm_->OpenPort();
    } catch (const ECommsError& e) {
        throw EOpenFailed(e.what(), ExplainOpenError(path, comm_->LastOpenErrno()));
    }
}

std::vector<TExchange> TDeviceLink::Run(std::vector<Command> commands) {
    QCoreApplication::processEvents(); // what came before the run is dropped, not awaited
    if (gone_) {                       // the port hung up between runs: nothing can go out
        std::vector<TExchange> unsent;
        for (Command& command : commands)
            unsent.push_back({std::move(command), {}, {}, {}, Judgement::Of(Outcome::PortGone)});
        if (AfterRun) AfterRun(unsent);
        return unsent;
    }
    if (BeforeFirstFrame) std::exchange(BeforeFirstFrame, nullptr)();
    TRunTiming timing;
    timing.answerTime = std::chrono::milliseconds(options_.timeoutMs);
    QEventLoop loop;
    QObject::connect(session_.get(), &TSession::Finished, &loop, &QEventLoop::quit);
    session_->Start(std::move(commands), timing);
    if (session_->Running()) loop.exec();
    if (session_->LastRun()->WentAway()) gone_ = true;
    if (AfterRun) AfterRun(session_->LastRun()->Exchanges());
    return session_->LastRun()->Exchanges();
}

void TDeviceLink::ReportJudged(const TExchange& e) const {
    QString line = QString::fromLatin1(e.command.frame);
    if (!e.answer.empty()) line += QStringLiteral(" -> ") + QString::fromLatin1(e.AnswerText());
    if (e.judgement.outcome != Outcome::Answered) {
        const std::string_view name = OutcomeName(e.judgement.outcome);
        line += QStringLiteral(" [%1]").arg(QLatin1String(name.data(), qsizetype(name.size())));
    }
    report_.Progress(line);
}
