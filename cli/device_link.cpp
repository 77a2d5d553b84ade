#include "cli/device_link.h"

#include "ports/port_names.h"

#include <QLocale>
#include <QTime>
#include <chrono>
#include <cstdio>

namespace {

void PrintLine(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

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

OpenErrorLanguage UserLanguage() {
    return QLocale::system().language() == QLocale::Chinese ? OpenErrorLanguage::Chinese
                                                            : OpenErrorLanguage::English;
}

} // namespace

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
    : options_(options), report_(report), sink_(std::make_shared<QueueNotifySink>()),
      comm_(std::make_unique<TComm>(sink_)) {
    comm_->OnReceiveData = [this](TComm&, const uint8_t* data, uint16_t length) {
        batches_.emplace_back(reinterpret_cast<const char*>(data), length);
    };
    comm_->OnRequestHangup = [this](TComm&) { gone_ = true; };
}

TDeviceLink::~TDeviceLink() { comm_->ClosePort(); }

void TDeviceLink::Open() {
    const QString path = ResolvePortName(options_.port);
    comm_->SetCommName(path.toStdString());
    comm_->SetBaudRate(options_.baud);
    comm_->SetParity(options_.parity);
    comm_->SetStopBits(options_.stop);
    comm_->SetOutx_XonXoffFlow(false);
    comm_->SetInx_XonXoffFlow(false);
    try {
        comm_->OpenPort();
    } catch (const ECommsError& e) {
        throw EOpenFailed(e.what(), ExplainOpenError(path, comm_->LastOpenErrno(), UserLanguage()));
    }
    comm_->SetDtrControl(TDtrControl::DtrDisable);
    comm_->SetRtsControl(TRtsControl::RtsDisable);
}

std::optional<std::string> TDeviceLink::Ask(const std::string& frame) {
    sink_->RunPending();
    for (const std::string& stray : batches_)
        report_.Traffic('!', stray); // nothing was asked: dropped
    batches_.clear();
    if (gone_ || !comm_->SendBytes(frame.data(), frame.size())) return std::nullopt;
    report_.Traffic('>', frame);
    sink_->RunUntil([this] { return !batches_.empty() || gone_; },
                    std::chrono::milliseconds(options_.timeoutMs));
    if (batches_.empty()) return std::nullopt;
    std::string answer = std::move(batches_.front());
    batches_.pop_front();
    report_.Traffic('<', answer);
    return answer;
}
