#include "ui/find_report.h"

#include "finder/line_choices.h"
#include "ports/port_names.h"
#include "ui/text_codec.h"

#include <QStringList>
#include <algorithm>
#include <array>

namespace {

using State = TPortProgress::State;

QString SearchingText(const TPortProgress& port) {
    if (port.tryNumber == 0) return QStringLiteral("已打开，准备查找");
    const QString line = LineWords(port.trying);
    const QString count = QStringLiteral(" (%1/%2)").arg(port.tryNumber).arg(port.tryCount);
    if (port.confirming) return QStringLiteral("确认设备所报的设置 ") + line + count;
    return QStringLiteral("正在尝试 ") + line + count;
}

QString ResultText(const TSearchResult& r) {
    switch (r.outcome) {
    case SearchOutcome::Found:
        return QStringLiteral("找到设备：") + LineWords(r.at);
    case SearchOutcome::Refused:
        return QStringLiteral("有设备，但拒绝查询 QX1：在 %1 回答“ERR#”").arg(LineWords(r.at));
    case SearchOutcome::NamedOther:
        return QStringLiteral("在 %1 有回答，自报 %2，但在 %2 无回答")
            .arg(LineWords(r.at), LineWords(r.named));
    case SearchOutcome::Nothing:
        return QStringLiteral("未找到：已试 %1 种设置").arg(r.tried);
    case SearchOutcome::Gone:
        return QStringLiteral("端口已断开（已试 %1 种设置）").arg(r.tried);
    case SearchOutcome::Cancelled:
        return QStringLiteral("已取消（已试 %1 种设置）").arg(r.tried);
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
    return QStringLiteral("在 %1 上找到设备%2。选中一行后点“使用”，即用找到的设置打开该端口。")
        .arg(found.join(QStringLiteral("、")),
             running ? QStringLiteral("，其他端口仍在查找") : QString());
}

QString NothingFound(const std::vector<TPortProgress>& ports) {
    if (std::none_of(ports.begin(), ports.end(),
                     [](const TPortProgress& p) { return p.state == State::Done; }))
        return QStringLiteral("没有找到设备：这些端口都打不开，原因见上表。");
    QString text =
        QStringLiteral(
            "没有找到设备：能打开的端口都试遍了主串口的 %1 种设置（8 种波特率 × 无/奇/偶校验 × "
            "1/2 位停止位），没有得到查询 QX1 "
            "的应答。可能的原因：串口线没接好或接错；设备没有通电；"
            "设备接在别的端口上；或这块板子不回答 QX1。")
            .arg(kLineChoiceCount);
    if (AnyEnded(ports, SearchOutcome::Refused) || AnyEnded(ports, SearchOutcome::NamedOther))
        text += QStringLiteral("有设备回答的端口见上表。");
    return text;
}

} // namespace

QString LineWords(const PortConfig& line) {
    static const std::array<QString, 3> parity{QStringLiteral("无校验"), QStringLiteral("奇校验"),
                                               QStringLiteral("偶校验")};
    static const std::array<QString, 2> stop{QStringLiteral("1位"), QStringLiteral("2位")};
    if (!IsListedLine(line)) return QString::fromStdString(LineText(line));
    return QStringLiteral("%1 %2 %3")
        .arg(kBaudRates[size_t(line.baud)])
        .arg(parity[size_t(line.parity)], stop[size_t(line.stop)]);
}

QString PortStateText(const TPortProgress& port) {
    switch (port.state) {
    case State::Waiting:
        return QStringLiteral("等待打开");
    case State::Searching:
        return SearchingText(port);
    case State::Done:
        return ResultText(port.result);
    case State::Held:
        return QStringLiteral("已跳过：端口被其他程序占用");
    case State::OpenFailed:
        return QStringLiteral("无法打开端口");
    }
    return {};
}

QString PortDetailText(const TPortProgress& port) {
    if (port.state == State::Held || port.state == State::OpenFailed)
        return ExplainOpenError(port.path, port.openError);
    if (port.state != State::Done) return {};
    const QString reply = FromBytes(port.result.reply);
    if (port.result.outcome != SearchOutcome::NamedOther) return reply;
    return QStringLiteral("板子的新设置要在重启后才生效。它的回答：") + reply;
}

QString SearchSummary(const std::vector<TPortProgress>& ports, bool running) {
    const QString found = FoundSummary(ports, running);
    if (!found.isEmpty()) return found;
    if (running)
        return QStringLiteral("正在 %1 个端口上查找设备：每个端口依次用主串口的 %2 种设置发送只读的"
                              "查询 QX1，直到有应答。")
            .arg(ports.size())
            .arg(kLineChoiceCount);
    if (AnyEnded(ports, SearchOutcome::Cancelled))
        return QStringLiteral("查找已取消，未找到设备。");
    return NothingFound(ports);
}
