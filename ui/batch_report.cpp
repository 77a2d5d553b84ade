#include "ui/batch_report.h"

#include "protocol/answers.h"
#include "ui/text_codec.h"

#include <QStringList>
#include <algorithm>

namespace {

QString FrameText(const TExchange& e) { return FromBytes(e.command.frame); }

QString Listed(const QString& heading, const QStringList& lines) {
    if (lines.isEmpty()) return {};
    return heading.arg(lines.size()) + QStringLiteral("\n  ") + lines.join(QStringLiteral("\n  ")) +
           QStringLiteral("\n");
}

qsizetype CountOf(const TExchangeRun& run, Outcome outcome) {
    const auto& exchanges = run.Exchanges();
    return std::count_if(exchanges.begin(), exchanges.end(),
                         [outcome](const TExchange& e) { return e.judgement.outcome == outcome; });
}

QString MissingText(const Judgement& j, const TFieldNamer& name) {
    QStringList names;
    for (const SettingField& f : j.missing)
        names << name(f);
    QString text =
        names.isEmpty() ? QString() : QStringLiteral("缺少 ") + names.join(QStringLiteral("、"));
    if (j.badValue)
        text += (text.isEmpty() ? QString() : QStringLiteral("；")) +
                QStringLiteral("“%1”不是有效的整数").arg(FromBytes(*j.badValue));
    return text;
}

// Every exchange that did not end answered, by what became of it.
QString ExchangeProblems(const TExchangeRun& run, const TFieldNamer& name) {
    QStringList refused, silent, incomplete, otherSlot, gone, unsent;
    for (const TExchange& e : run.Exchanges()) {
        const Judgement& j = e.judgement;
        switch (j.outcome) {
        case Outcome::Answered:
            break;
        case Outcome::Refused:
            refused << FrameText(e) + QStringLiteral(" → ") + FromBytes(e.AnswerText());
            break;
        case Outcome::Silent:
            silent << FrameText(e) + (e.late.empty() ? QString()
                                                     : QStringLiteral("（迟到的应答“%1”未采用）")
                                                           .arg(FromBytes(e.LateText())));
            break;
        case Outcome::Incomplete:
            incomplete << FrameText(e) + QStringLiteral("：") + MissingText(j, name);
            break;
        case Outcome::OtherSlot:
            otherSlot << FrameText(e) + QStringLiteral("：应答属于指令%1").arg(j.answeredSlot);
            break;
        case Outcome::PortGone:
            gone << FrameText(e);
            break;
        case Outcome::NotSent:
            unsent << FrameText(e);
            break;
        }
    }
    return Listed(QStringLiteral("被设备拒绝的帧（%1 个）："), refused) +
           Listed(QStringLiteral("无应答的帧（%1 个）："), silent) +
           Listed(QStringLiteral("应答不完整的帧（%1 个）："), incomplete) +
           Listed(QStringLiteral("应答属于其他指令的帧（%1 个）："), otherSlot) +
           Listed(QStringLiteral("等待应答时设备断开的帧（%1 个）："), gone) +
           Listed(QStringLiteral("未发送的帧（%1 个）："), unsent);
}

QString MismatchText(const std::vector<Mismatch>& mismatches, const DeviceSettings& written,
                     const ReadBack& read, const TFieldNamer& name) {
    QStringList differ, notRead;
    for (const Mismatch& m : mismatches) {
        const QString wrote = FromBytes(ValueText(written, m.field));
        if (m.notRead)
            notRead << QStringLiteral("%1：写入“%2”，未读回").arg(name(m.field), wrote);
        else
            differ << QStringLiteral("%1：写入“%2”，读回“%3”")
                          .arg(name(m.field), wrote, FromBytes(ValueText(read.settings, m.field)));
    }
    return Listed(QStringLiteral("读回不一致的设置（%1 项）："), differ) +
           Listed(QStringLiteral("未读回的设置（%1 项）："), notRead);
}

QString NotReadText(const ReadBack& read, const TFieldNamer& name) {
    QStringList notRead;
    for (const SettingField& f : ConfigFields())
        if (!read.Holds(f)) notRead << name(f);
    return Listed(QStringLiteral("未读回的设置（%1 项）："), notRead);
}

using OutcomeCounts = std::initializer_list<std::pair<Outcome, QString>>;

// Each text of `kinds` whose outcome some exchanges of the run ended with, with their number.
QStringList Counted(const TExchangeRun& run, OutcomeCounts kinds) {
    QStringList counts;
    for (const auto& [outcome, text] : kinds)
        if (const auto n = CountOf(run, outcome)) counts << text.arg(n);
    return counts;
}

// "2 个帧无应答" and the like: the exchanges that did not end answered, counted by what became
// of them.
QStringList ProblemCounts(const TExchangeRun& run) {
    return Counted(run, {{Outcome::Refused, QStringLiteral("%1 个帧被设备拒绝")},
                         {Outcome::Silent, QStringLiteral("%1 个帧无应答")},
                         {Outcome::Incomplete, QStringLiteral("%1 个帧应答不完整")},
                         {Outcome::OtherSlot, QStringLiteral("%1 个帧应答属于其他指令")},
                         {Outcome::PortGone, QStringLiteral("%1 个帧等待应答时设备断开")},
                         {Outcome::NotSent, QStringLiteral("%1 个帧未发送")}});
}

// "全部一致" only when every written setting was read back equal and every frame was answered;
// otherwise what the comparison found and what became of the frames, each by its own name.
QString WriteAllSummary(const TExchangeRun& run, const std::vector<Mismatch>& mismatches) {
    const QStringList problems = ProblemCounts(run);
    if (mismatches.empty() && problems.isEmpty())
        return QStringLiteral("写入全部完成：读回与写入全部一致");
    const auto notRead = std::count_if(mismatches.begin(), mismatches.end(),
                                       [](const Mismatch& m) { return m.notRead; });
    const auto differ = qsizetype(mismatches.size()) - notRead;
    QStringList found;
    if (mismatches.empty()) found << QStringLiteral("读回与写入一致");
    if (differ > 0) found << QStringLiteral("%1 项读回不一致").arg(differ);
    if (notRead > 0) found << QStringLiteral("%1 项未读回").arg(notRead);
    QString summary = QStringLiteral("写入全部完成：") + found.join(QStringLiteral("，"));
    if (!problems.isEmpty()) summary += QStringLiteral("；") + problems.join(QStringLiteral("，"));
    return summary;
}

// How many answers came, and how many of those were no value read.
QString ReadAllSummary(const TExchangeRun& run) {
    const auto& exchanges = run.Exchanges();
    QString summary = QStringLiteral("读取全部完成：%1 条指令中 %2 条有应答")
                          .arg(exchanges.size())
                          .arg(std::count_if(exchanges.begin(), exchanges.end(),
                                             [](const TExchange& e) { return !e.answer.empty(); }));
    const QStringList notes =
        Counted(run, {{Outcome::Refused, QStringLiteral("%1 条被设备拒绝")},
                      {Outcome::Incomplete, QStringLiteral("%1 条应答无法解析")},
                      {Outcome::OtherSlot, QStringLiteral("%1 条应答属于其他指令")}});
    if (!notes.isEmpty()) summary += QStringLiteral("，其中 ") + notes.join(QStringLiteral("，"));
    return summary;
}

} // namespace

// Read all says in the status line how many answers came; write all says whether every written
// setting was read back equal. Whatever went wrong is listed in a box.
TBatchReport BatchReportOf(const TExchangeRun& run, const std::optional<DeviceSettings>& written,
                           const TFieldNamer& name) {
    const ReadBack read = ReadBackOf(run.Exchanges());
    const std::vector<Mismatch> mismatches =
        written ? Verify(*written, ConfigFields(), read) : std::vector<Mismatch>{};
    TBatchReport report;
    report.details =
        (written ? MismatchText(mismatches, *written, read, name) : NotReadText(read, name)) +
        ExchangeProblems(run, name);
    report.summary = written ? WriteAllSummary(run, mismatches) : ReadAllSummary(run);
    if (run.WentAway()) report.summary += QStringLiteral("（设备已断开）");
    report.box = written || !report.details.isEmpty();
    return report;
}

// The details with at most `perSection` items under each heading (items are the lines indented
// by two spaces), the rest counted; a box stays on the screen however much went wrong.
QString Shortened(const QString& details, int perSection) {
    QStringList kept;
    int shown = 0;
    int hidden = 0;
    auto countHidden = [&] {
        if (hidden > 0) kept << QStringLiteral("  …另有 %1 项，见详细信息").arg(hidden);
        hidden = 0;
    };
    for (const QString& line : details.trimmed().split(QLatin1Char('\n'))) {
        if (!line.startsWith(QStringLiteral("  "))) {
            countHidden();
            shown = 0;
            kept << line;
        } else if (shown < perSection) {
            ++shown;
            kept << line;
        } else {
            ++hidden;
        }
    }
    countHidden();
    return kept.join(QLatin1Char('\n'));
}
