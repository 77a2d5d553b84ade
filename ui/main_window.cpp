#include "ui/main_window.h"

#include "protocol/frames.h"
#include "protocol/int_conv.h"
#include "protocol/recv_mode.h"
#include "serial/comm.h"
#include "ui/batch_controller.h"
#include "ui/combo_box.h"
#include "ui/config_file_actions.h"
#include "ui/device_search.h"
#include "ui/error_report.h"
#include "ui/input_filters.h"
#include "ui/language_choice.h"
#include "ui/line_station.h"
#include "ui/port_link.h"
#include "ui/records_dialog.h"
#include "ui/reply_intake.h"
#include "ui/serial_writes.h"
#include "ui/settings_binding.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"
#include "ui/traffic_log.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

// Field text that holds the frame delimiter would end the frame early and start a second
// command on the device: such a frame is not sent, and the error names the field.
void RefuseDelimiter(const QLineEdit* field, const QString& caption) {
    if (!HoldsDelimiter(ToBytes(field->text()))) return;
    throw EAppError(TForm1::tr("%1（%2）的内容“%3”含有帧分隔符“#”，本帧未发送")
                        .arg(field->objectName(), caption, field->text()));
}

QPushButton* ButtonOf(const QWidget* form, int number) {
    return form->findChild<QPushButton*>(QStringLiteral("Button%1").arg(number));
}

std::vector<QPushButton*> IdleOnlyButtons(const QWidget* form) {
    std::vector<QPushButton*> buttons;
    for (const TButtonEntry& b : ButtonTable())
        if (IdleOnly(b.role)) buttons.push_back(ButtonOf(form, b.number));
    return buttons;
}

} // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    ui.setupUi(this, ButtonTable());
    Status = new TStatusLine(ui.StatusLine, this);
    Binding = new TSettingsBinding(ui, this);
    Intake = new TReplyIntake(ui, *Binding, *Status, this);
    Link = new TPortLink(ui, *Status, this);
    Batches =
        new TBatchController(ui, {*Binding, *Intake, *Link, *Status}, IdleOnlyButtons(this), this);
    ConfigFiles = new TConfigFileActions(*Binding, *Status, this);
    Search = new TDeviceSearch(ui, this);
    Line = new TLineStation(ui, this);
    Serials = new TSerialWrites(ui, {*Line, *Intake, *Link, *Status}, IdleOnlyButtons(this), this);
    Languages = new TLanguageChoice(ui.Language, this);
    WireLineRecords();
    WirePortEvents();
    WireHandlers();
    FormCreate();
}

void TForm1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        ui.retranslateUi();
        Link->Retranslate();
        Status->Retranslate();
        Languages->ShowCurrent();
    }
    QWidget::changeEvent(event);
}

TForm1::~TForm1() {
    delete Batches; // its run gives the port's handlers back if it holds them
    Batches = nullptr;
    delete Serials; // so does a serial number write's
    Serials = nullptr;
    // Stop the port threads before the window and its port object go away.
    ui.Comm1->OnReceiveData = nullptr;
    ui.Comm1->OnRequestHangup = nullptr;
    ui.Comm1->OnReceiveError = nullptr;
    ui.Comm1->ClosePort();
}

void TForm1::Run(const std::function<void()>& handler) { RunReported(this, *Status, handler); }

void TForm1::WirePortEvents() {
    ui.Comm1->OnReceiveData = [this](TComm& sender, const uint8_t* buffer, uint16_t length) {
        Run([&] { Comm1ReceiveData(sender, buffer, length); });
    };
    ui.Comm1->OnRequestHangup = [this](TComm& sender) { Run([&] { Comm1RequestHangup(sender); }); };
    ui.Comm1->OnReceiveError = [this](TComm& sender, uint32_t mask) {
        Run([&] { Comm1ReceiveError(sender, mask); });
    };
}

// Every control's event runs the handler that bears its name.
void TForm1::WireHandlers() {
    for (const TButtonEntry& b : ButtonTable()) {
        QPushButton* button = ButtonOf(this, b.number);
        if (b.role == ButtonRole::Port)
            connect(button, &QPushButton::clicked, this, [this] { PortButtonClicked(); });
        else
            connect(button, &QPushButton::clicked, this,
                    [this, click = b.click] { Run([&] { (this->*click)(); }); });
    }
    for (const auto& [name, handler] : KeyPressTable())
        new KeyPressHook(findChild<QLineEdit*>(QLatin1String(name)),
                         [this, handler = handler](QChar& Key) { (this->*handler)(Key); });
    connect(ui.Timer2, &QTimer::timeout, this, [this] { Run([this] { Timer2Timer(); }); });
}

// With a database configured, write all is recorded as the production line's.
void TForm1::WireLineRecords() {
    Line->ConfigFile = [this](const DeviceSettings& s) { return ConfigFiles->FileHolding(s); };
    Batches->WriteAllStarting = [this](const DeviceSettings& s) { Line->WriteAllStarting(s); };
    Batches->WriteAllEnded = [this](const TExchangeRun& run, const DeviceSettings& written) {
        Line->WriteAllEnded(run, written);
    };
}

void TForm1::FormCreate() {
    ui.Button6->setEnabled(true);
    ui.Timer2->stop();
    ui.Button1->setEnabled(true);
}

// "清除缓冲区" empties the receive buffer.
void TForm1::Button26Click() { ui.Memo8->clear(); }

// "通讯记录" shows the traffic log, which records from the start whether shown or not.
void TForm1::Button54Click() { ui.TrafficLog->ShowAndRaise(); }

// ---- Sending buttons -------------------------------------------------------------

// Every write is built from the settings the window shows, as the command line builds them.
void TForm1::SendPortSettings(int port, TComboBox* baud, TComboBox* parity, TComboBox* stop) {
    Intake->Send([&] { return WritePort(Binding->Settings(), port); }, ::RecvMode::ShowSystem);
    NoteUnlisted({baud, parity, stop});
}

void TForm1::SendTime(int time, QLineEdit* field) {
    // The reply code is stored before the field is converted; a conversion error names the
    // field's text as shown.
    Intake->RecvMode = ::RecvMode::ShowSystem;
    Intake->Send(
        [&] {
            TextToInt(field->text());
            return WriteTime(Binding->Settings(), time);
        },
        ::RecvMode::ShowSystem);
}

void TForm1::SlotCommandQuery(int slot) {
    Intake->Send([&] { return ::SlotCommandQuery(slot); }, ::RecvMode::COMR);
}

void TForm1::SlotCommandWrite(int slot) {
    const TSlotControls& s = ui.Slots[slot - 1];
    const std::string code = ToBytes(s.COMA->text());
    if (!SlotCodeLengthOk(code)) {
        QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(),
                        QCoreApplication::translate("SettingProblem", kOddLengthMessage.data()),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("MessageBox"));
        box.exec();
        return;
    }
    RefuseDelimiter(s.COMA, tr("指令代码"));
    Intake->Send([&] { return WriteSlotCommand(Binding->Settings(), slot - 1); },
                 ::RecvMode::ShowSlot);
    NoteUnlisted({s.COMEN});
}

void TForm1::SlotHeaderQuery(int slot) {
    Intake->Send([&] { return ::SlotHeaderQuery(slot); }, ::RecvMode::COMP);
}

void TForm1::SlotHeaderWrite(int slot) {
    const TSlotControls& s = ui.Slots[slot - 1];
    for (int b = 0; b < 3; ++b)
        RefuseDelimiter(s.COMBY[b], FormCaption(kHeaderByteCaptions[size_t(b)]));
    Intake->Send([&] { return WriteSlotHeader(Binding->Settings(), slot - 1); },
                 ::RecvMode::ShowSlot);
}

void TForm1::Button6Click() {
    Intake->Send([] { return VarFrame(); }, ::RecvMode::ShowSystem);
}
void TForm1::Button24Click() {
    Intake->Send([this] { return WriteMode(Binding->Settings()); }, ::RecvMode::ShowSystem);
    NoteUnlisted({ui.ComboBox7});
}
void TForm1::Button9Click() { SendPortSettings(0, ui.BOADZ, ui.ODDZ, ui.STOPZ); }
void TForm1::Button8Click() { SendPortSettings(1, ui.BOADA, ui.ODDA, ui.STOPA); }
void TForm1::Button10Click() { SendPortSettings(2, ui.BOADB, ui.ODDB, ui.STOPB); }
void TForm1::Button48Click() { SendPortSettings(3, ui.BOADC, ui.ODDC, ui.STOPC); }
void TForm1::Button50Click() { SendTime(0, ui.Edit1); }
void TForm1::Button51Click() { SendTime(1, ui.Edit2); }
void TForm1::Button52Click() { SendTime(2, ui.Edit3); }
void TForm1::Button49Click() {
    Intake->Send([] { return QueryFrame(); }, ::RecvMode::QX1);
}
// With a database configured the write is recorded, and goes through the exchange engine so
// that its answer is judged.
void TForm1::Button53Click() {
    if (Line->Recording()) {
        Serials->WriteTyped();
        return;
    }
    Intake->Send(
        [this] {
            TextToInt(ui.PCBSN->text()); // conversion errors name the texts as shown
            TextToInt(ui.JIANZHI->Text());
            return WriteSerial(Binding->Settings());
        },
        ::RecvMode::ShowSystem);
}

void TForm1::Button11Click() { SlotCommandQuery(1); }
void TForm1::Button12Click() { SlotCommandWrite(1); }
void TForm1::Button13Click() { SlotHeaderQuery(1); }
void TForm1::Button14Click() { SlotHeaderWrite(1); }
void TForm1::Button15Click() { SlotCommandQuery(2); }
void TForm1::Button16Click() { SlotCommandWrite(2); }
void TForm1::Button17Click() { SlotHeaderQuery(2); }
void TForm1::Button18Click() { SlotHeaderWrite(2); }
void TForm1::Button19Click() { SlotCommandQuery(3); }
void TForm1::Button20Click() { SlotCommandWrite(3); }
void TForm1::Button21Click() { SlotHeaderQuery(3); }
void TForm1::Button22Click() { SlotHeaderWrite(3); }
void TForm1::Button27Click() { SlotCommandQuery(4); }
void TForm1::Button5Click() { SlotCommandWrite(4); }
void TForm1::Button7Click() { SlotHeaderQuery(4); }
void TForm1::Button25Click() { SlotHeaderWrite(4); }
void TForm1::Button28Click() { SlotCommandQuery(5); }
void TForm1::Button29Click() { SlotCommandWrite(5); }
void TForm1::Button30Click() { SlotHeaderQuery(5); }
void TForm1::Button31Click() { SlotHeaderWrite(5); }
void TForm1::Button32Click() { SlotCommandQuery(6); }
void TForm1::Button33Click() { SlotCommandWrite(6); }
void TForm1::Button34Click() { SlotHeaderQuery(6); }
void TForm1::Button35Click() { SlotHeaderWrite(6); }
void TForm1::Button39Click() { SlotCommandQuery(7); }
void TForm1::Button36Click() { SlotCommandWrite(7); }
void TForm1::Button37Click() { SlotHeaderQuery(7); }
void TForm1::Button38Click() { SlotHeaderWrite(7); }
void TForm1::Button40Click() { SlotCommandQuery(8); }
void TForm1::Button41Click() { SlotCommandWrite(8); }
void TForm1::Button42Click() { SlotHeaderQuery(8); }
void TForm1::Button43Click() { SlotHeaderWrite(8); }
void TForm1::Button44Click() { SlotCommandQuery(9); }
void TForm1::Button45Click() { SlotCommandWrite(9); }
void TForm1::Button46Click() { SlotHeaderQuery(9); }
void TForm1::Button47Click() { SlotHeaderWrite(9); }

// ---- Key filters ------------------------------------------------------------------

void TForm1::COMA1KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMA2KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMA3KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMA4KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMA5KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMA6KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMA7KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMA8KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMA9KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY11KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY12KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY13KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY21KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY22KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY23KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY31KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY32KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY33KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY41KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY42KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY43KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY51KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY52KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY53KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY61KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY62KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY63KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY71KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY72KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY73KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY81KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY82KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY83KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY91KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY92KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::COMBY93KeyPress(QChar& Key) { HexDigitFilter(Key); }
void TForm1::Edit1KeyPress(QChar& Key) { ThreeDigitFilter(Key, ui.Edit1->text()); }
void TForm1::Edit2KeyPress(QChar& Key) { ThreeDigitFilter(Key, ui.Edit2->text()); }
void TForm1::Edit3KeyPress(QChar& Key) { ThreeDigitFilter(Key, ui.Edit3->text()); }

// ---- Read all, write all, configuration files ---------------------------------------

void TForm1::Button55Click() { Batches->ReadAll(); }
void TForm1::Button56Click() { Batches->WriteAll(); }
void TForm1::Button57Click() { ConfigFiles->Save(); }
void TForm1::Button58Click() { ConfigFiles->Load(); }

// ---- The production line's records ---------------------------------------------------

void TForm1::Button60Click() { Serials->Next(); }

// "生产记录": the records view, which also sets the station's database, name and operator.
void TForm1::Button61Click() {
    if (!Records) Records = new TRecordsDialog(*Line, this);
    Records->ShowAndRaise();
}

// ---- The port and the replies --------------------------------------------------------

void TForm1::Button1Click() { Link->Toggle(); }

// "查找设备": the search needs the port, so the window lets it go; a device picked in the
// search's dialog is opened as a click on "打开串口" opens it.
void TForm1::Button59Click() {
    Link->Release();
    if (Search->PickDevice()) PortButtonClicked();
}

// The user's click on "打开串口" / "关闭串口"; it also ends the wait for a device that went away.
void TForm1::PortButtonClicked() {
    const TPortLink::TClick click = Link->BeforeClick();
    Run([this] { Button1Click(); });
    Link->AfterClick(click);
}

void TForm1::Comm1ReceiveData(TComm& /*Sender*/, const uint8_t* Buffer, uint16_t BufferLength) {
    Intake->Receive(Buffer, BufferLength);
}

void TForm1::Timer2Timer() { Intake->Tick(); }

// The device went away (an adapter pulled, the far end closed).
void TForm1::Comm1RequestHangup(TComm& /*Sender*/) {
    if (Link->HangUp()) Intake->StopAwaiting();
}

void TForm1::Comm1ReceiveError(TComm& /*Sender*/, uint32_t EventMask) {
    Link->LineErrors(EventMask);
}

void TForm1::NoteUnlisted(std::initializer_list<const TComboBox*> combos) {
    for (const TComboBox* combo : combos)
        if (combo->ItemIndex() < 0)
            Status->Show([name = combo->objectName(), text = combo->Text()] {
                return tr("%1 的内容“%2”不在列表中，已按 -1 发送").arg(name, text);
            });
}
