#include "ui/find_report.h"

#include "finder/line_choices.h"
#include "ports/port_names.h"
#include "ui/text_codec.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <array>

namespace {

using State = TPortProgress::State;

QString SearchingText(const TPortProgress& port) {
    if (port.tryNumber == 0) return QCoreApplication::translate("FindReport", "已打开，准备查找");
    const QString line = LineWords(port.trying);
    const QString tried = QString::number(port.tryNumber), count = QString::number(port.tryCount);
    if (port.confirming)
        //: %1 the settings the device named, %2 of %3 the settings tried so far
        return QCoreApplication::translate("FindReport", "确认设备所报的设置 %1 (%2/%3)")
            .arg(line, tried, count);
    //: %1 the settings tried now, %2 of %3 the settings tried so far
    return QCoreApplication::translate("FindReport", "正在尝试 %1 (%2/%3)").arg(line, tried, count);
}

QString ResultText(const TSearchResult& r) {
    switch (r.outcome) {
    case SearchOutcome::Found:
        return QCoreApplication::translate("FindReport", "找到设备：%1").arg(LineWords(r.at));
    case SearchOutcome::Refused:
        return QCoreApplication::translate("FindReport", "有设备，但拒绝查询 QX1：在 %1 回答“ERR#”")
            .arg(LineWords(r.at));
    case SearchOutcome::NamedOther:
        //: the device answered at %1 and said its settings are %2, but gave no answer at %2
        return QCoreApplication::translate("FindReport", "在 %1 有回答，自报 %2，但在 %2 无回答")
            .arg(LineWords(r.at), LineWords(r.named));
    case SearchOutcome::Nothing:
        return QCoreApplication::translate("FindReport", "未找到：已试 %1 种设置").arg(r.tried);
    case SearchOutcome::Gone:
        return QCoreApplication::translate("FindReport", "端口已断开（已试 %1 种设置）")
            .arg(r.tried);
    case SearchOutcome::Cancelled:
        return QCoreApplication::translate("FindReport", "已取消（已试 %1 种设置）").arg(r.tried);
    case SearchOutcome::Searching:
        break;
    }
    return {};
}

bool AnyEnded(const std::vector<TPortProgress>& ports, SearchOutcome outcome) {
    return std::any_of(ports.begin(), ports.end(), [outcome](const TPortProgress& p) {
        return p.state == State::Done && p.result.outcome == outcome;
    });
}

QString FoundSummary(const std::vector<TPortProgress>& ports, bool running) {
    QStringList found;
    for (const TPortProgress& port : ports)
        if (port.Found()) found << port.name;
    if (found.isEmpty()) return {};
    //: the separator between the names of ports in a list
    const QString separator = QCoreApplication::translate("FindReport", "、");
    if (running)
        return QCoreApplication::translate("FindReport",
                                           "在 %1 上找到设备，其他端口仍在查找。"
                                           "选中一行后点“使用”，即用找到的设置打开该端口。")
            .arg(found.join(separator));
    return QCoreApplication::translate(
               "FindReport", "在 %1 上找到设备。选中一行后点“使用”，即用找到的设置打开该端口。")
        .arg(found.join(separator));
}

QString NothingFound(const std::vector<TPortProgress>& ports) {
    if (std::none_of(ports.begin(), ports.end(),
                     [](const TPortProgress& p) { return p.state == State::Done; }))
        return QCoreApplication::translate("FindReport",
                                           "没有找到设备：这些端口都打不开，原因见上表。");
    QString text =
        QCoreApplication::translate(
            "FindReport",
            "没有找到设备：能打开的端口都试遍了主串口的 %1 种设置（8 种波特率 × 无/奇/偶校验 × "
            "1/2 位停止位），没有得到查询 QX1 "
            "的应答。可能的原因：串口线没接好或接错；设备没有通电；"
            "设备接在别的端口上；或这块板子不回答 QX1。")
            .arg(kLineChoiceCount);
    if (AnyEnded(ports, SearchOutcome::Refused) || AnyEnded(ports, SearchOutcome::NamedOther))
        text += QCoreApplication::translate("FindReport", "有设备回答的端口见上表。");
    return text;
}

} // namespace

QString LineWords(const PortConfig& line) {
    static const std::array<const char*, 3> parity{QT_TRANSLATE_NOOP("FindReport", "无校验"),
                                                   QT_TRANSLATE_NOOP("FindReport", "奇校验"),
                                                   QT_TRANSLATE_NOOP("FindReport", "偶校验")};
    static const std::array<const char*, 2> stop{
        //: one stop bit
        QT_TRANSLATE_NOOP("FindReport", "1位"),
        //: two stop bits
        QT_TRANSLATE_NOOP("FindReport", "2位"),
    };
    if (!IsListedLine(line)) return QString::fromStdString(LineText(line));
    //: a line's settings: %1 the baud rate, %2 the parity, %3 the stop bits
    return QCoreApplication::translate("FindReport", "%1 %2 %3")
        .arg(kBaudRates[size_t(line.baud)])
        .arg(QCoreApplication::translate("FindReport", parity[size_t(line.parity)]),
             QCoreApplication::translate("FindReport", stop[size_t(line.stop)]));
}

QString PortStateText(const TPortProgress& port) {
    switch (port.state) {
    case State::Waiting:
        return QCoreApplication::translate("FindReport", "等待打开");
    case State::Searching:
        return SearchingText(port);
    case State::Done:
        return ResultText(port.result);
    case State::Held:
        return QCoreApplication::translate("FindReport", "已跳过：端口被其他程序占用");
    case State::OpenFailed:
        return QCoreApplication::translate("FindReport", "无法打开端口");
    }
    return {};
}

QString PortDetailText(const TPortProgress& port) {
    if (port.state == State::Held || port.state == State::OpenFailed)
        return ExplainOpenError(port.path, port.openError);
    if (port.state != State::Done) return {};
    const QString reply = FromBytes(port.result.reply);
    if (port.result.outcome != SearchOutcome::NamedOther) return reply;
    return QCoreApplication::translate("FindReport", "板子的新设置要在重启后才生效。它的回答：%1")
        .arg(reply);
}

QString SearchSummary(const std::vector<TPortProgress>& ports, bool running) {
    const QString found = FoundSummary(ports, running);
    if (!found.isEmpty()) return found;
    if (running)
        return QCoreApplication::translate(
                   "FindReport",
                   "正在 %1 个端口上查找设备：每个端口依次用主串口的 %2 种设置发送只读的"
                   "查询 QX1，直到有应答。")
            .arg(ports.size())
            .arg(kLineChoiceCount);
    if (AnyEnded(ports, SearchOutcome::Cancelled))
        return QCoreApplication::translate("FindReport", "查找已取消，未找到设备。");
    return NothingFound(ports);
}
