#include "ui/batch_report.h"

#include "protocol/answers.h"
#include "ui/text_codec.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>

namespace {

QString FrameText(const TExchange& e) { return FromBytes(e.command.frame); }

// The items of a list run together in a sentence.
QString Joined(const QStringList& items) {
    //: between the items of a list in a sentence
    return items.join(QCoreApplication::translate("BatchReport", "，"));
}

QString Listed(const QString& heading, const QStringList& lines) {
    if (lines.isEmpty()) return {};
    return heading.arg(lines.size()) + QStringLiteral("\n  ") + lines.join(QStringLiteral("\n  ")) +
           QStringLiteral("\n");
}

qsizetype CountOf(const std::vector<TExchange>& exchanges, Outcome outcome) {
    return std::count_if(exchanges.begin(), exchanges.end(),
                         [outcome](const TExchange& e) { return e.judgement.outcome == outcome; });
}

QString MissingText(const Judgement& j, const TFieldNamer& name) {
    QStringList names;
    for (const SettingField& f : j.missing)
        names << name(f);
    //: between the names of settings in a list
    const QString list = names.join(QCoreApplication::translate("BatchReport", "、"));
    const QString bad = j.badValue ? FromBytes(*j.badValue) : QString();
    if (!names.isEmpty() && j.badValue)
        //: what an answer lacked (%1: settings), and a value in it that is no number (%2)
        return QCoreApplication::translate("BatchReport", "缺少 %1；“%2”不是有效的整数")
            .arg(list, bad);
    //: the settings an answer lacked
    if (!names.isEmpty()) return QCoreApplication::translate("BatchReport", "缺少 %1").arg(list);
    if (j.badValue)
        return QCoreApplication::translate("BatchReport", "“%1”不是有效的整数").arg(bad);
    return {};
}

QString SilentText(const TExchange& e) {
    if (e.late.empty()) return FrameText(e);
    //: %1: a frame that got no answer in time; %2: the answer that came too late
    return QCoreApplication::translate("BatchReport", "%1（迟到的应答“%2”未采用）")
        .arg(FrameText(e), FromBytes(e.LateText()));
}

QString IncompleteText(const TExchange& e, const TFieldNamer& name) {
    //: %1: a frame; %2: what its answer lacked
    return QCoreApplication::translate("BatchReport", "%1：%2")
        .arg(FrameText(e), MissingText(e.judgement, name));
}

QString OtherSlotText(const TExchange& e) {
    //: %1: a frame; %2: the number of the read command (slot 1 to 9) its answer belongs to
    return QCoreApplication::translate("BatchReport", "%1：应答属于指令%2")
        .arg(FrameText(e), QString::number(e.judgement.answeredSlot));
}

// Every exchange that did not end answered, by what became of it.
QString ExchangeProblems(const std::vector<TExchange>& exchanges, const TFieldNamer& name) {
    QStringList refused, silent, incomplete, otherSlot, gone, unsent;
    for (const TExchange& e : exchanges) {
        switch (e.judgement.outcome) {
        case Outcome::Answered:
            break;
        case Outcome::Refused:
            refused << FrameText(e) + QStringLiteral(" → ") + FromBytes(e.AnswerText());
            break;
        case Outcome::Silent:
            silent << SilentText(e);
            break;
        case Outcome::Incomplete:
            incomplete << IncompleteText(e, name);
            break;
        case Outcome::OtherSlot:
            otherSlot << OtherSlotText(e);
            break;
        case Outcome::PortGone:
            gone << FrameText(e);
            break;
        case Outcome::NotSent:
            unsent << FrameText(e);
            break;
        }
    }
    return Listed(QCoreApplication::translate("BatchReport", "被设备拒绝的帧（%1 个）："),
                  refused) +
           Listed(QCoreApplication::translate("BatchReport", "无应答的帧（%1 个）："), silent) +
           Listed(QCoreApplication::translate("BatchReport", "应答不完整的帧（%1 个）："),
                  incomplete) +
           Listed(QCoreApplication::translate("BatchReport", "应答属于其他指令的帧（%1 个）："),
                  otherSlot) +
           Listed(QCoreApplication::translate("BatchReport", "等待应答时设备断开的帧（%1 个）："),
                  gone) +
           Listed(QCoreApplication::translate("BatchReport", "未发送的帧（%1 个）："), unsent);
}

QString MismatchText(const std::vector<Mismatch>& mismatches, const DeviceSettings& written,
                     const ReadBack& read, const TFieldNamer& name) {
    QStringList differ, notRead;
    for (const Mismatch& m : mismatches) {
        const QString wrote = FromBytes(ValueText(written, m.field));
        if (m.notRead)
            notRead << QCoreApplication::translate("BatchReport", "%1：写入“%2”，未读回")
                           .arg(name(m.field), wrote);
        else
            differ << QCoreApplication::translate("BatchReport", "%1：写入“%2”，读回“%3”")
                          .arg(name(m.field), wrote, FromBytes(ValueText(read.settings, m.field)));
    }
    return Listed(QCoreApplication::translate("BatchReport", "读回不一致的设置（%1 项）："),
                  differ) +
           Listed(QCoreApplication::translate("BatchReport", "未读回的设置（%1 项）："), notRead);
}

QString NotReadText(const ReadBack& read, const TFieldNamer& name) {
    QStringList notRead;
    for (const SettingField& f : ConfigFields())
        if (!read.Holds(f)) notRead << name(f);
    return Listed(QCoreApplication::translate("BatchReport", "未读回的设置（%1 项）："), notRead);
}

// An outcome and the words counting the exchanges that ended with it ("%n 个帧无应答"), to be
// translated with their number.
using OutcomeCounts = std::initializer_list<std::pair<Outcome, const char*>>;

// Each text of `kinds` whose outcome some exchanges of the run ended with, with their number.
QStringList Counted(const std::vector<TExchange>& exchanges, OutcomeCounts kinds) {
    QStringList counts;
    for (const auto& [outcome, text] : kinds)
        if (const auto n = CountOf(exchanges, outcome))
            counts << QCoreApplication::translate("BatchReport", text, nullptr, int(n));
    return counts;
}

// "2 个帧无应答" and the like: the exchanges that did not end answered, counted by what became
// of them.
QStringList ProblemCounts(const std::vector<TExchange>& exchanges) {
    return Counted(
        exchanges,
        {{Outcome::Refused, QT_TRANSLATE_N_NOOP("BatchReport", "%n 个帧被设备拒绝")},
         {Outcome::Silent, QT_TRANSLATE_N_NOOP("BatchReport", "%n 个帧无应答")},
         {Outcome::Incomplete, QT_TRANSLATE_N_NOOP("BatchReport", "%n 个帧应答不完整")},
         {Outcome::OtherSlot, QT_TRANSLATE_N_NOOP("BatchReport", "%n 个帧应答属于其他指令")},
         {Outcome::PortGone, QT_TRANSLATE_N_NOOP("BatchReport", "%n 个帧等待应答时设备断开")},
         {Outcome::NotSent, QT_TRANSLATE_N_NOOP("BatchReport", "%n 个帧未发送")}});
}

// What the comparison of write all found: the settings read back different and not read back.
QStringList Found(const std::vector<Mismatch>& mismatches) {
    const auto notRead = std::count_if(mismatches.begin(), mismatches.end(),
                                       [](const Mismatch& m) { return m.notRead; });
    const auto differ = qsizetype(mismatches.size()) - notRead;
    QStringList found;
    if (mismatches.empty()) found << QCoreApplication::translate("BatchReport", "读回与写入一致");
    if (differ > 0)
        found << QCoreApplication::translate("BatchReport", "%n 项读回不一致", nullptr,
                                             int(differ));
    if (notRead > 0)
        found << QCoreApplication::translate("BatchReport", "%n 项未读回", nullptr, int(notRead));
    return found;
}

// "全部一致" only when every written setting was read back equal and every frame was answered;
// otherwise what the comparison found and what became of the frames, each by its own name.
QString WriteAllSummary(const std::vector<TExchange>& exchanges,
                        const std::vector<Mismatch>& mismatches) {
    const QStringList problems = ProblemCounts(exchanges);
    if (mismatches.empty() && problems.isEmpty())
        return QCoreApplication::translate("BatchReport", "写入全部完成：读回与写入全部一致");
    const QString found = Joined(Found(mismatches));
    if (problems.isEmpty())
        //: %1: what the comparison found
        return QCoreApplication::translate("BatchReport", "写入全部完成：%1").arg(found);
    //: %1: what the comparison found; %2: what became of the frames not answered
    return QCoreApplication::translate("BatchReport", "写入全部完成：%1；%2")
        .arg(found, Joined(problems));
}

// How many answers came, and how many of those were no value read.
QString ReadAllSummary(const std::vector<TExchange>& exchanges) {
    const QString commands = QString::number(exchanges.size());
    const QString answered = QString::number(std::count_if(
        exchanges.begin(), exchanges.end(), [](const TExchange& e) { return !e.answer.empty(); }));
    const QStringList notes = Counted(
        exchanges,
        {{Outcome::Refused, QT_TRANSLATE_N_NOOP("BatchReport", "%n 条被设备拒绝")},
         {Outcome::Incomplete, QT_TRANSLATE_N_NOOP("BatchReport", "%n 条应答无法解析")},
         {Outcome::OtherSlot, QT_TRANSLATE_N_NOOP("BatchReport", "%n 条应答属于其他指令")}});
    if (notes.isEmpty())
        //: %1: the commands sent; %2: how many of them were answered
        return QCoreApplication::translate("BatchReport", "读取全部完成：%1 条指令中 %2 条有应答")
            .arg(commands, answered);
    //: %1: the commands sent; %2: how many were answered; %3: the answers that gave nothing
    return QCoreApplication::translate("BatchReport",
                                       "读取全部完成：%1 条指令中 %2 条有应答，其中 %3")
        .arg(commands, answered, Joined(notes));
}

} // namespace

// Read all says in the status line how many answers came; write all says whether every written
// setting was read back equal. Whatever went wrong is listed in a box.
TBatchReport BatchReportOf(const TBatchRun& run, const TFieldNamer& name) {
    const ReadBack read = ReadBackOf(run.exchanges);
    const std::optional<DeviceSettings>& written = run.written;
    const std::vector<Mismatch> mismatches =
        written ? Verify(*written, ConfigFields(), read) : std::vector<Mismatch>{};
    TBatchReport report;
    report.details =
        (written ? MismatchText(mismatches, *written, read, name) : NotReadText(read, name)) +
        ExchangeProblems(run.exchanges, name);
    report.summary =
        written ? WriteAllSummary(run.exchanges, mismatches) : ReadAllSummary(run.exchanges);
    if (run.wentAway)
        //: a summary of read all or write all (%1), when the device went away during the run
        report.summary =
            QCoreApplication::translate("BatchReport", "%1（设备已断开）").arg(report.summary);
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
        if (hidden > 0)
            kept << QStringLiteral("  ") + QCoreApplication::translate("BatchReport",
                                                                       "…另有 %n 项，见详细信息",
                                                                       nullptr, hidden);
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
