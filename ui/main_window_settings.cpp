// The window's settings as one model: the table from settings to controls, read all, write
// all with its verification, and configuration files.
#include "config/settings_file.h"
#include "ui/batch_run.h"
#include "ui/combo_box.h"
#include "ui/error_report.h"
#include "ui/main_window.h"
#include "ui/main_window_parts.h"
#include "ui/text_codec.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <algorithm>

namespace {

const QString kPortCaptions[kPortCount] = {QStringLiteral("主串口"), QStringLiteral("A串口"),
                                           QStringLiteral("B串口"), QStringLiteral("C串口")};

QString ProblemText(SettingProblem problem) {
    switch (problem) {
    case SettingProblem::NotInList:
        return QStringLiteral("不在列表中");
    case SettingProblem::BadTime:
        return QStringLiteral("不是 1 到 3 位数字");
    case SettingProblem::OddLength:
        return QString::fromUtf8(kOddLengthMessage.data(), qsizetype(kOddLengthMessage.size()));
    case SettingProblem::NotHex:
        return QStringLiteral("含有十六进制数字以外的字符");
    case SettingProblem::BadHeaderLength:
        return QStringLiteral("应为两位十六进制数");
    }
    return {};
}

QString FileErrorText(const ESettingsFileError& e, const QString& path) {
    using R = ESettingsFileError::Reason;
    switch (e.reason) {
    case R::Unreadable:
        return QStringLiteral("无法读取配置文件“%1”：%2").arg(path, e.detail);
    case R::Unwritable:
        return QStringLiteral("无法保存配置文件“%1”：%2").arg(path, e.detail);
    case R::NotJson:
        return QStringLiteral("配置文件“%1”不是有效的 JSON：%2").arg(path, e.detail);
    case R::WrongFormat:
        return QStringLiteral("配置文件“%1”的格式名“%2”不是“%3”")
            .arg(path, e.value, QLatin1String(kSettingsFormat));
    case R::WrongVersion:
        return QStringLiteral("配置文件“%1”的版本“%2”不受支持（应为 %3）")
            .arg(path, e.value)
            .arg(kSettingsVersion);
    case R::UnknownKey:
        return QStringLiteral("配置文件“%1”含有未知的键“%2”").arg(path, e.field);
    case R::Missing:
        return QStringLiteral("配置文件“%1”缺少“%2”").arg(path, e.field);
    case R::WrongType:
        return QStringLiteral("配置文件“%1”中“%2”的值“%3”类型不对").arg(path, e.field, e.value);
    case R::OutOfRange:
        return QStringLiteral("配置文件“%1”中“%2”的值“%3”超出范围%4")
            .arg(path, e.field, e.value,
                 e.problem ? QStringLiteral("：") + ProblemText(*e.problem) : QString());
    }
    return QString::fromStdString(e.what());
}

std::vector<int> WriteAllButtons() {
    std::vector<int> buttons{24, 9, 8, 10, 48, 50, 51, 52};
    for (const TSlotButtons& slot : SlotButtons()) {
        buttons.push_back(slot.cmdWrite);
        buttons.push_back(slot.hdrWrite);
    }
    return buttons;
}

std::vector<int> ReadAllButtons() {
    std::vector<int> buttons{49};
    for (const TSlotButtons& slot : SlotButtons())
        buttons.push_back(slot.cmdQuery);
    for (const TSlotButtons& slot : SlotButtons())
        buttons.push_back(slot.hdrQuery);
    return buttons;
}

QString Lines(const QString& heading, const std::vector<std::string>& frames) {
    if (frames.empty()) return {};
    QString text = heading.arg(frames.size());
    for (const std::string& frame : frames)
        text += QStringLiteral("\n  ") + FromBytes(frame);
    return text + QStringLiteral("\n");
}

} // namespace

// ---- The table of settings and controls --------------------------------------------

void TForm1::BuildFieldTable() {
    FieldControls.push_back({{SettingKind::WorkMode}, ComboBox7, nullptr, "工作方式"});
    TComboBox* ports[kPortCount][3] = {
        {BOADZ, ODDZ, STOPZ}, {BOADA, ODDA, STOPA}, {BOADB, ODDB, STOPB}, {BOADC, ODDC, STOPC}};
    const SettingKind portKinds[3] = {SettingKind::Baud, SettingKind::Parity, SettingKind::Stop};
    const QString portWhat[3] = {"波特率", "校验位", "停止位"};
    for (int p = 0; p < kPortCount; ++p)
        for (int k = 0; k < 3; ++k)
            FieldControls.push_back(
                {{portKinds[k], p}, ports[p][k], nullptr, kPortCaptions[p] + portWhat[k]});
    QLineEdit* times[kTimeCount] = {Edit1, Edit2, Edit3};
    for (int t = 0; t < kTimeCount; ++t)
        FieldControls.push_back(
            {{SettingKind::Time, t}, nullptr, times[t], TimeCaptions()[size_t(t)]});
    for (int i = 0; i < kSlotCount; ++i) {
        const TSlotControls& s = Slots[size_t(i)];
        const QString slot = QStringLiteral("指令%1").arg(i + 1);
        FieldControls.push_back({{SettingKind::SlotEnable, i}, s.COMEN, nullptr, slot + "使能"});
        FieldControls.push_back({{SettingKind::SlotCommand, i}, nullptr, s.COMA, slot + "代码"});
        for (int b = 0; b < 3; ++b)
            FieldControls.push_back({{SettingKind::SlotHeader, i, b},
                                     nullptr,
                                     s.COMBY[b],
                                     slot + HeaderByteCaptions()[size_t(b)]});
    }
    FieldControls.push_back({{SettingKind::BoardSerial}, nullptr, PCBSN, "PCBSN"});
    FieldControls.push_back({{SettingKind::Tester}, JIANZHI, nullptr, "检测人"});
}

const TForm1::TFieldControl& TForm1::ControlOf(SettingField field) const {
    const auto it = std::find_if(FieldControls.begin(), FieldControls.end(),
                                 [&](const TFieldControl& c) { return c.field == field; });
    if (it == FieldControls.end()) throw std::logic_error("setting without a control");
    return *it;
}

QString TForm1::ShownText(const TFieldControl& control) {
    return control.combo ? control.combo->Text() : control.edit->text();
}

QString TForm1::FieldText(SettingField field) const {
    const TFieldControl& c = ControlOf(field);
    const QWidget* w = c.combo ? static_cast<QWidget*>(c.combo) : c.edit;
    return QStringLiteral("%1（%2）").arg(w->objectName(), c.caption);
}

DeviceSettings TForm1::Settings() const {
    DeviceSettings settings;
    for (const TFieldControl& c : FieldControls) {
        if (IsListField(c.field))
            SetIndex(settings, c.field, c.combo->ItemIndex());
        else
            SetText(settings, c.field, ToBytes(ShownText(c)));
    }
    return settings;
}

void TForm1::ShowSettings(const DeviceSettings& settings) {
    for (const SettingField& field : ConfigFields()) {
        if (IsListField(field))
            ApplyUpdate({field, IndexOf(settings, field), {}});
        else
            ApplyUpdate({field, 0, TextOf(settings, field)});
    }
}

void TForm1::ApplyUpdate(const SettingUpdate& update) {
    const TFieldControl& c = ControlOf(update.field);
    if (IsListField(update.field))
        c.combo->SetItemIndex(update.index);
    else if (c.edit)
        c.edit->setText(FromBytes(update.text));
    else
        c.combo->setCurrentText(FromBytes(update.text));
}

// A configuration the device cannot take is refused, naming the control and its text.
void TForm1::RefuseUnfit(const DeviceSettings& settings, const QString& outcome) const {
    const std::optional<SettingError> e = CheckConfig(settings);
    if (!e) return;
    const TFieldControl& c = ControlOf(e->field);
    throw EAppError(QStringLiteral("%1的内容“%2”：%3，%4")
                        .arg(FieldText(e->field), ShownText(c), ProblemText(e->problem), outcome));
}

// ---- Read all, write all ------------------------------------------------------------

void TForm1::BuildBatchButtons() {
    Button55 = MakeButton(this, 55, QStringLiteral("读取全部"), 400, 398, 72, 25);
    Button56 = MakeButton(this, 56, QStringLiteral("写入全部"), 476, 398, 72, 25);
    Button57 = MakeButton(this, 57, QStringLiteral("保存配置"), 552, 398, 72, 25);
    Button58 = MakeButton(this, 58, QStringLiteral("载入配置"), 628, 398, 72, 25);
    BatchRun = new TBatchRun(this);
    connect(BatchRun, &TBatchRun::Finished, this,
            [this](const TBatchResult& result) { Run([&] { BatchFinished(result); }); });
    AskFileName = [this](bool save, const QString& dir) {
        const QString filter = QStringLiteral("配置文件 (*.json);;所有文件 (*)");
        if (!save)
            return QFileDialog::getOpenFileName(this, QStringLiteral("载入配置"), dir, filter);
        QString name = QFileDialog::getSaveFileName(this, QStringLiteral("保存配置"),
                                                    dir + QStringLiteral("/vq830.json"), filter);
        if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".json");
        return name;
    };
}

bool TForm1::RefuseBatch() {
    if (BatchRun->Running()) return true;
    if (PortOpened) return false;
    ShowStatus(QStringLiteral("未执行：串口未打开"));
    return true;
}

// The steps that run `buttons` one after the other, labelled with the frames `commands` give.
std::vector<TBatchStep> TForm1::StepsOf(const std::vector<int>& buttons,
                                        const std::vector<Command>& commands) {
    std::vector<TBatchStep> steps;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const Click handler = ClickHandlers().at(buttons[i]);
        auto send = [this, handler] {
            LastSentFrame.reset();
            Run([&] { (this->*handler)(); });
            return LastSentFrame;
        };
        steps.push_back({FromBytes(commands[i].frame), send, IsParsedMode(commands[i].mode)});
    }
    return steps;
}

void TForm1::StartBatch(std::vector<TBatchStep> steps, const QString& title) {
    SetSendButtonsEnabled(false);
    BatchProgress = new QProgressDialog(title, QStringLiteral("取消"), 0, int(steps.size()), this);
    BatchProgress->setObjectName(QStringLiteral("BatchProgress"));
    BatchProgress->setWindowTitle(title);
    BatchProgress->setWindowModality(Qt::WindowModal);
    BatchProgress->setMinimumDuration(0);
    BatchProgress->setAutoClose(false);
    BatchProgress->setAutoReset(false);
    BatchProgress->setMinimumWidth(360); // wide enough for every frame: "取消" stays in place
    connect(BatchProgress, &QProgressDialog::canceled, BatchRun, &TBatchRun::Cancel);
    connect(BatchRun, &TBatchRun::StepStarted, BatchProgress,
            [progress = BatchProgress, title](int index, int count, const QString& label) {
                progress->setLabelText(QStringLiteral("%1：第 %2/%3 步\n%4")
                                           .arg(title)
                                           .arg(index + 1)
                                           .arg(count)
                                           .arg(label));
                progress->setValue(index);
            });
    BatchRun->Start(std::move(steps));
}

void TForm1::SetSendButtonsEnabled(bool enabled) {
    for (const auto& [number, handler] : ClickHandlers())
        if (number != 26 && number != 54)
            findChild<QPushButton*>(QStringLiteral("Button%1").arg(number))->setEnabled(enabled);
}

// "读取全部": the system query, then every slot's command and header queries.
void TForm1::Button55Click() {
    if (RefuseBatch()) return;
    Written.reset();
    StartBatch(StepsOf(ReadAllButtons(), ConfigQueries()), QStringLiteral("读取全部"));
}

// "写入全部": every setting of a configuration, then all of it read back and compared.
void TForm1::Button56Click() {
    if (RefuseBatch()) return;
    const DeviceSettings settings = Settings();
    RefuseUnfit(settings, QStringLiteral("未发送任何帧"));
    Written = settings;
    std::vector<TBatchStep> steps = StepsOf(WriteAllButtons(), ConfigWrites(settings));
    std::vector<TBatchStep> reads = StepsOf(ReadAllButtons(), ConfigQueries());
    steps.insert(steps.end(), reads.begin(), reads.end());
    StartBatch(std::move(steps), QStringLiteral("写入全部"));
}

void TForm1::BatchFinished(const TBatchResult& result) {
    if (BatchProgress) {
        BatchProgress->hide(); // now: a box that follows runs an event loop of its own
        BatchProgress->deleteLater();
        BatchProgress = nullptr;
    }
    SetSendButtonsEnabled(true);
    const QString what = Written ? QStringLiteral("写入全部") : QStringLiteral("读取全部");
    if (result.cancelled || result.unsent) {
        Written.reset();
        ShowStatus(what + (result.cancelled ? QStringLiteral("已取消")
                                            : QStringLiteral("已中止：帧未能发送")));
        return;
    }
    if (Written) {
        ReportVerification(result);
        return;
    }
    QString status = QStringLiteral("读取全部完成：%1 条指令中 %2 条有应答")
                         .arg(result.steps)
                         .arg(result.steps - int(result.unanswered.size()));
    if (!result.unparsed.empty())
        status += QStringLiteral("，其中 %1 条应答无法解析").arg(result.unparsed.size());
    ShowStatus(status);
}

void TForm1::ReportVerification(const TBatchResult& result) {
    const DeviceSettings written = *std::exchange(Written, std::nullopt);
    DeviceSettings read;
    std::vector<SettingField> seen;
    for (const SettingUpdate& update : result.updates) {
        Apply(read, update);
        if (std::find(seen.begin(), seen.end(), update.field) == seen.end())
            seen.push_back(update.field);
    }
    QString details;
    const std::vector<SettingField> differ = Differences(written, read, seen);
    if (!differ.empty())
        details += QStringLiteral("读回不一致的设置（%1 项）：").arg(differ.size());
    for (const SettingField& f : differ)
        details +=
            QStringLiteral("\n  %1：写入“%2”，读回“%3”")
                .arg(FieldText(f), FromBytes(ValueText(written, f)), FromBytes(ValueText(read, f)));
    if (!differ.empty()) details += QStringLiteral("\n");
    details += Lines(QStringLiteral("无应答的帧（%1 个）："), result.unanswered);
    details += Lines(QStringLiteral("应答无法解析的帧（%1 个）："), result.unparsed);
    const bool equal = details.isEmpty();
    const QString summary = equal ? QStringLiteral("写入全部完成：读回与写入全部一致")
                                  : QStringLiteral("写入全部完成：读回与写入不一致");
    ShowStatus(summary);
    QMessageBox box(equal ? QMessageBox::Information : QMessageBox::Warning, ApplicationTitle(),
                    summary, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("VerifyBox"));
    box.setInformativeText(details.trimmed());
    box.exec();
}

// ---- Configuration files ------------------------------------------------------------

QString TForm1::LastConfigDir() const {
    return QSettings(QStringLiteral("vq830"), QStringLiteral("vq830-tool"))
        .value(QStringLiteral("configDir"), QDir::homePath())
        .toString();
}

void TForm1::RememberConfigDir(const QString& path) {
    QSettings(QStringLiteral("vq830"), QStringLiteral("vq830-tool"))
        .setValue(QStringLiteral("configDir"), QFileInfo(path).absolutePath());
}

// "保存配置": everything write all sends, to a file.
void TForm1::Button57Click() {
    const DeviceSettings settings = Settings();
    RefuseUnfit(settings, QStringLiteral("配置未保存"));
    const QString path = AskFileName(true, LastConfigDir());
    if (path.isEmpty()) return;
    RememberConfigDir(path);
    try {
        SaveSettingsFile(path, settings);
    } catch (const ESettingsFileError& e) {
        throw EAppError(FileErrorText(e, path));
    }
    ShowStatus(QStringLiteral("配置已保存：%1").arg(path));
}

// "载入配置": a file's settings into the window, all or nothing; nothing is sent.
void TForm1::Button58Click() {
    const QString path = AskFileName(false, LastConfigDir());
    if (path.isEmpty()) return;
    RememberConfigDir(path);
    DeviceSettings settings;
    try {
        settings = LoadSettingsFile(path, Settings());
    } catch (const ESettingsFileError& e) {
        throw EAppError(FileErrorText(e, path));
    }
    ShowSettings(settings);
    ShowStatus(QStringLiteral("配置已载入：%1").arg(path));
}
