#include "ui/main_window.h"
#include "ui/main_window_parts.h"

#include "protocol/answers.h"
#include "protocol/frames.h"
#include "protocol/int_conv.h"
#include "protocol/replies.h"
#include "session/qt_notify.h"
#include "session/session.h"
#include "ui/combo_box.h"
#include "ui/error_report.h"
#include "ui/input_filters.h"
#include "ui/port_panel.h"
#include "ui/text_codec.h"
#include "ui/traffic_log.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <limits>

namespace {

// The line-setting lists show the device's own items.
const QStringList kBaudItems = [] {
    QStringList items;
    for (const int rate : kBaudRates)
        items << QString::number(rate);
    return items;
}();
const QStringList kParityItems = [] {
    QStringList items;
    for (const std::string_view name : kParityNames)
        items << QString::fromLatin1(name.data(), qsizetype(name.size()));
    return items;
}();
const QStringList kStopItems = {QStringLiteral("1位"), QStringLiteral("2位")};

// The window's fonts: the named family where it is installed and covers Chinese text,
// else a Chinese font that is, so that every caption renders with real glyphs.
QFont WindowFont(const QString& family, int pixelSize, bool bold = false) {
    static const QString fallback = [] {
        const QStringList preferred = {"SimSun",           "NSimSun",      "WenQuanYi Zen Hei",
                                       "Noto Sans CJK SC", "Noto Sans SC", "Droid Sans Fallback"};
        const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        for (const QString& f : preferred)
            if (chinese.contains(f)) return f;
        return chinese.isEmpty() ? QString() : chinese.front();
    }();
    QFont font;
    const bool usable = QFontDatabase::families(QFontDatabase::SimplifiedChinese).contains(family);
    font.setFamily(usable || fallback.isEmpty() ? family : fallback);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w = 0, int h = 13) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, w > 0 ? w : label->sizeHint().width(), h);
    return label;
}

TComboBox* MakeCombo(QWidget* parent, const char* name, const QStringList& items, int index, int x,
                     int y, int w) {
    auto* combo = new TComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->addItems(items);
    combo->SetItemIndex(index);
    combo->setGeometry(x, y, w, 21);
    return combo;
}

QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QString& text, int x, int y,
                    int w) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(std::numeric_limits<int>::max()); // no length limit on any field
    edit->setText(text);
    edit->setObjectName(name);
    edit->setGeometry(x, y, w, 21);
    return edit;
}

// Field text that holds the frame delimiter would end the frame early and start a second
// command on the device: such a frame is not sent, and the error names the field.
void RefuseDelimiter(const QLineEdit* field, const QString& caption) {
    if (!HoldsDelimiter(ToBytes(field->text()))) return;
    throw EAppError(QStringLiteral("%1（%2）的内容“%3”含有帧分隔符“#”，本帧未发送")
                        .arg(field->objectName(), caption, field->text()));
}

} // namespace

QPushButton* MakeButton(QWidget* parent, int number, const QString& caption, int x, int y, int w,
                        int h) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QStringLiteral("Button%1").arg(number));
    button->setGeometry(x, y, w, h);
    button->setAutoDefault(false);
    return button;
}

const std::array<QString, 3>& HeaderByteCaptions() {
    static const std::array<QString, 3> captions{QStringLiteral("包头第一个字节"),
                                                 QStringLiteral("第二个字节"),
                                                 QStringLiteral("第三个字节")};
    return captions;
}

const std::array<QString, 3>& TimeCaptions() {
    static const std::array<QString, 3> captions{QStringLiteral("方式0 超时时间"),
                                                 QStringLiteral("方式1读仪表间隔时间"),
                                                 QStringLiteral("方式1读仪表超时时间")};
    return captions;
}

const std::array<TSlotButtons, 9>& SlotButtons() {
    static const std::array<TSlotButtons, 9> table{{
        {11, 12, 13, 14},
        {15, 16, 17, 18},
        {19, 20, 21, 22},
        {27, 5, 7, 25},
        {28, 29, 30, 31},
        {32, 33, 34, 35},
        {39, 36, 37, 38},
        {40, 41, 42, 43},
        {44, 45, 46, 47},
    }};
    return table;
}

const std::map<int, TForm1::Click>& ClickHandlers() {
    static const std::map<int, TForm1::Click> handlers{
        {6, &TForm1::Button6Click},   {24, &TForm1::Button24Click}, {9, &TForm1::Button9Click},
        {8, &TForm1::Button8Click},   {10, &TForm1::Button10Click}, {48, &TForm1::Button48Click},
        {50, &TForm1::Button50Click}, {51, &TForm1::Button51Click}, {52, &TForm1::Button52Click},
        {49, &TForm1::Button49Click}, {53, &TForm1::Button53Click}, {26, &TForm1::Button26Click},
        {54, &TForm1::Button54Click}, {55, &TForm1::Button55Click}, {56, &TForm1::Button56Click},
        {57, &TForm1::Button57Click}, {58, &TForm1::Button58Click}, {11, &TForm1::Button11Click},
        {12, &TForm1::Button12Click}, {13, &TForm1::Button13Click}, {14, &TForm1::Button14Click},
        {15, &TForm1::Button15Click}, {16, &TForm1::Button16Click}, {17, &TForm1::Button17Click},
        {18, &TForm1::Button18Click}, {19, &TForm1::Button19Click}, {20, &TForm1::Button20Click},
        {21, &TForm1::Button21Click}, {22, &TForm1::Button22Click}, {27, &TForm1::Button27Click},
        {5, &TForm1::Button5Click},   {7, &TForm1::Button7Click},   {25, &TForm1::Button25Click},
        {28, &TForm1::Button28Click}, {29, &TForm1::Button29Click}, {30, &TForm1::Button30Click},
        {31, &TForm1::Button31Click}, {32, &TForm1::Button32Click}, {33, &TForm1::Button33Click},
        {34, &TForm1::Button34Click}, {35, &TForm1::Button35Click}, {39, &TForm1::Button39Click},
        {36, &TForm1::Button36Click}, {37, &TForm1::Button37Click}, {38, &TForm1::Button38Click},
        {40, &TForm1::Button40Click}, {41, &TForm1::Button41Click}, {42, &TForm1::Button42Click},
        {43, &TForm1::Button43Click}, {44, &TForm1::Button44Click}, {45, &TForm1::Button45Click},
        {46, &TForm1::Button46Click}, {47, &TForm1::Button47Click},
    };
    return handlers;
}

TCommHost::TCommHost(QObject* parent)
    : QObject(parent), comm_(std::make_unique<TComm>(std::make_shared<QtNotifySink>(this))) {
    setObjectName(QStringLiteral("Comm1"));
    // The values stored for the window's port object; they differ from the
    // constructor's in the baud rate alone.
    comm_->SetCommName("COM2");
    comm_->SetBaudRate(115200);
    // Each batch holds the window's thread for the receive pause (300 ms), so a line faster
    // than that must wait in the driver, not in the window's event queue: at most two batches
    // of 2048 bytes wait for the window.
    comm_->SetReceiveBacklogLimit(2 * 2048);
}

// The port threads stop and the device closes before this object goes away.
TCommHost::~TCommHost() { comm_.reset(); }

TForm1::TForm1(QWidget* parent)
    : QWidget(parent), Comm1Host(new TCommHost(this)), Comm1(Comm1Host->Port()),
      Timer2(new QTimer(this)), AnswerTimer(new QTimer(this)), ReopenTimer(new QTimer(this)),
      StatusTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString());
    // Outer size 767 x 609 with an ordinary frame around a client area of 759 x 575.
    resize(759, 575);
    setMinimumSize(759, 575); // smaller, the controls would be clipped
    move(331, 219);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(pal);
    setFont(WindowFont(QStringLiteral("MS Sans Serif"), 12));

    BuildTitleRow();
    BuildPortPanel();
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(16, 96, 689, 289);
    BuildSystemPage();
    const std::array<std::pair<const char*, const char*>, 3> slotPages = {{
        {"TabSheet2", "多主一从(方式4)CAMD1-3"},
        {"TabSheet7", "多主一从(方式4)CAMD4-7"},
        {"TabSheet8", "多主一从(方式4)CAMD8-10"},
    }};
    QWidget** sheets[] = {&TabSheet2, &TabSheet7, &TabSheet8};
    for (int i = 0; i < 3; ++i) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(slotPages[i].first));
        PageControl1->addTab(page, QString::fromUtf8(slotPages[i].second));
        *sheets[i] = page;
        BuildSlotPage(page, 3 * i + 1);
    }
    PageControl1->setCurrentIndex(0);
    BuildRecordBox();
    BuildBufferArea();
    BuildStatusLine();
    BuildBatchButtons();
    BuildFieldTable();

    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(300);
    Timer2->start(); // enabled as created; FormCreate switches it off before it ticks

    Comm1.OnReceiveData = [this](TComm& sender, const uint8_t* buffer, uint16_t length) {
        Run([&] { Comm1ReceiveData(sender, buffer, length); });
    };
    WirePortEvents();
    WireHandlers();
    WatchPanelChanges();
    FormCreate();
}

TForm1::~TForm1() {
    delete Session; // gives the port's handlers back if a run holds them
    Session = nullptr;
    // Stop the port threads before the window and its port object go away.
    Comm1.OnReceiveData = nullptr;
    Comm1.OnRequestHangup = nullptr;
    Comm1.OnReceiveError = nullptr;
    Comm1.ClosePort();
}

void TForm1::BuildTitleRow() {
    Label41 = MakeLabel(this, QStringLiteral("VQ830-A(B) 智能分配器(透传)"), 155, 8, 318, 25);
    Label41->setObjectName(QStringLiteral("Label41"));
    Label41->setFont(WindowFont(QStringLiteral("宋体"), 21, true));
    QPalette pal = Label41->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    Label41->setPalette(pal);
    Label2 = MakeLabel(this, QStringLiteral("KORVAT"), 472, 16, 161, 13);
    Label2->setObjectName(QStringLiteral("Label2"));
}

void TForm1::BuildPortPanel() {
    GroupBox1 = new QGroupBox(QStringLiteral("主串口通讯接口"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(16, 40, 689, 49);
    GroupBox1->setFont(WindowFont(QStringLiteral("Arial"), 12));
    MakeLabel(GroupBox1, QStringLiteral("端口号"), 8, 22, 40);
    SPREALCOM = MakePortCombo(GroupBox1, 50, 18, 73);
    MakeLabel(GroupBox1, QStringLiteral("波特率"), 132, 22, 40);
    ComboBox1 = MakeCombo(GroupBox1, "ComboBox1", kBaudItems, 3, 174, 18, 73);
    MakeLabel(GroupBox1, QStringLiteral("校验位"), 256, 22, 40);
    ComboBox2 = MakeCombo(GroupBox1, "ComboBox2", kParityItems, 0, 298, 18, 65);
    MakeLabel(GroupBox1, QStringLiteral("停止位"), 372, 22, 40);
    ComboBox3 = MakeCombo(GroupBox1, "ComboBox3", kStopItems, 0, 414, 18, 57);
    Button1 = MakeButton(GroupBox1, 1, QStringLiteral("打开串口"), 488, 16, 89, 25);
    Button6 = MakeButton(GroupBox1, 6, QStringLiteral("通讯查询"), 584, 16, 89, 25);
    Button6->setFont(WindowFont(QStringLiteral("MS Sans Serif"), 12));
}

void TForm1::BuildSystemPage() {
    TabSheet6 = new QWidget;
    TabSheet6->setObjectName(QStringLiteral("TabSheet6"));
    PageControl1->addTab(TabSheet6, QStringLiteral("系统参数"));
    QWidget* p = TabSheet6;
    const int buttonX = 480;
    auto rowY = [](int row) { return 8 + 31 * row; };

    MakeLabel(p, QStringLiteral("工作方式:"), 8, rowY(0) + 4, 150);
    ComboBox7 = MakeCombo(p, "ComboBox7",
                          {QStringLiteral("0) 多主一从(透传模式)"),
                           QStringLiteral("1) 多主一从(指令预设置)"), QStringLiteral("2)指令模式")},
                          0, 160, rowY(0), 200);
    Button24 = MakeButton(p, 24, QStringLiteral("设置"), buttonX, rowY(0) - 1);

    struct PortRow {
        const char* caption;
        const char *baud, *parity, *stop;
        TComboBox **baudBox, **parityBox, **stopBox;
        int button;
        QPushButton** buttonPtr;
    };
    const PortRow rows[] = {
        {"主串口波特率：", "BOADZ", "ODDZ", "STOPZ", &BOADZ, &ODDZ, &STOPZ, 9, &Button9},
        {"A串口波特率：", "BOADA", "ODDA", "STOPA", &BOADA, &ODDA, &STOPA, 8, &Button8},
        {"B串口波特率：", "BOADB", "ODDB", "STOPB", &BOADB, &ODDB, &STOPB, 10, &Button10},
        {"C串口波特率：", "BOADC", "ODDC", "STOPC", &BOADC, &ODDC, &STOPC, 48, &Button48},
    };
    int row = 1;
    for (const PortRow& r : rows) {
        const int y = rowY(row++);
        MakeLabel(p, QString::fromUtf8(r.caption), 8, y + 4, 150);
        *r.baudBox = MakeCombo(p, r.baud, kBaudItems, 3, 160, y, 73);
        MakeLabel(p, QStringLiteral("校验位:"), 242, y + 4, 48);
        *r.parityBox = MakeCombo(p, r.parity, kParityItems, 0, 292, y, 61);
        MakeLabel(p, QStringLiteral("停止位："), 362, y + 4, 50);
        *r.stopBox = MakeCombo(p, r.stop, kStopItems, 0, 414, y, 57);
        *r.buttonPtr = MakeButton(p, r.button, QStringLiteral("设置"), buttonX, y - 1);
    }
    Label101 = MakeLabel(p, QStringLiteral("需要重新起动才起作用"), 548, rowY(1) + 2, 129, 17);
    Label101->setObjectName(QStringLiteral("Label101"));
    Label101->setAutoFillBackground(true);
    QPalette red = Label101->palette();
    red.setColor(QPalette::Window, Qt::red);
    Label101->setPalette(red);

    struct TimeRow {
        const char* name;
        QLineEdit** edit;
        int button;
        QPushButton** buttonPtr;
    };
    const TimeRow times[] = {
        {"Edit1", &Edit1, 50, &Button50},
        {"Edit2", &Edit2, 51, &Button51},
        {"Edit3", &Edit3, 52, &Button52},
    };
    for (int i = 0; i < 3; ++i) {
        const TimeRow& t = times[i];
        const int y = rowY(row++);
        MakeLabel(p, TimeCaptions()[i] + QStringLiteral("："), 8, y + 4, 150);
        *t.edit = MakeEdit(p, QString::fromLatin1(t.name), QStringLiteral("10"), 160, y, 49);
        MakeLabel(p, QStringLiteral("0.1S"), 216, y + 4, 30);
        *t.buttonPtr = MakeButton(p, t.button, QStringLiteral("设置"), buttonX, y - 1);
    }
    Button49 = MakeButton(p, 49, QStringLiteral("查询1"), 560, rowY(6) - 1, 75);
}

void TForm1::BuildSlotPage(QWidget* page, int firstSlot) {
    const QStringList enableItems = {QStringLiteral("0关闭"), QStringLiteral("1打开")};
    for (int k = 0; k < 3; ++k) {
        const int slot = firstSlot + k;
        const TSlotButtons& ids = SlotButtons()[slot - 1];
        TSlotControls& s = Slots[slot - 1];
        s.Group = new QGroupBox(QStringLiteral("读取仪表指令%1设置").arg(slot), page);
        s.Group->setObjectName(QStringLiteral("GroupBox%1").arg(slot + 4));
        s.Group->setGeometry(8, 8 + 80 * k, 673, 73);
        QGroupBox* g = s.Group;
        MakeLabel(g, QStringLiteral("指令使能:"), 8, 22, 60);
        s.COMEN = MakeCombo(g, QStringLiteral("COMEN%1").arg(slot).toLatin1().constData(),
                            enableItems, 1, 70, 18, 65);
        MakeLabel(g, QStringLiteral("指令代码:"), 144, 22, 60);
        s.COMA = MakeEdit(g, QStringLiteral("COMA%1").arg(slot), QStringLiteral("0103000000044409"),
                          206, 18, 290);
        s.CommandQuery = MakeButton(g, ids.cmdQuery, QStringLiteral("查询"), 528, 17);
        s.CommandWrite = MakeButton(g, ids.cmdWrite, QStringLiteral("设置"), 596, 17);
        MakeLabel(g, QStringLiteral("返回数据解析"), 8, 48, 76);
        const QString headerDefaults[3] = {QStringLiteral("01"), QStringLiteral("03"),
                                           QStringLiteral("00")};
        const int captionX[3] = {88, 222, 332};
        const int captionW[3] = {92, 70, 70};
        for (int b = 0; b < 3; ++b) {
            MakeLabel(g, HeaderByteCaptions()[b] + ':', captionX[b], 48, captionW[b]);
            s.COMBY[b] = MakeEdit(g, QStringLiteral("COMBY%1%2").arg(slot).arg(b + 1),
                                  headerDefaults[b], captionX[b] + captionW[b] + 2, 44, 32);
        }
        s.HeaderQuery = MakeButton(g, ids.hdrQuery, QStringLiteral("查询"), 528, 43);
        s.HeaderWrite = MakeButton(g, ids.hdrWrite, QStringLiteral("设置"), 596, 43);
    }
}

void TForm1::BuildRecordBox() {
    RecordBox = new QGroupBox(this);
    RecordBox->setGeometry(16, 384, 377, 49);
    RecordBox->setFont(WindowFont(QStringLiteral("Arial"), 12));
    MakeLabel(RecordBox, QStringLiteral("PCBSN:"), 8, 20, 44);
    PCBSN = MakeEdit(RecordBox, QStringLiteral("PCBSN"), QStringLiteral("00000000"), 56, 16, 97);
    MakeLabel(RecordBox, QStringLiteral("检测人:"), 164, 20, 48);
    // "007" stands seventh: a second "006" there would make tester 007 impossible to pick.
    JIANZHI = MakeCombo(
        RecordBox, "JIANZHI",
        {"001", "002", "003", "004", "005", "006", "007", "008", "009", "101", "102", "103", "104"},
        0, 214, 16, 65);
    Button53 = MakeButton(RecordBox, 53, QStringLiteral("设置"), 296, 14, 65, 25);
}

void TForm1::BuildBufferArea() {
    CheckBox2 = new QCheckBox(QStringLiteral("COM_DTR"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(24, 440, 90, 17);
    CheckBox1 = new QCheckBox(QStringLiteral("COM_RTS"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(120, 440, 90, 17);

    MakeLabel(this, QStringLiteral("发送缓冲区:"), 16, 476, 84);
    discomm = MakeEdit(this, QStringLiteral("discomm"), QString(), 104, 472, 585);
    MakeLabel(this, QStringLiteral("接收缓冲区:"), 8, 504, 90);
    Memo8 = new QPlainTextEdit(this);
    Memo8->setObjectName(QStringLiteral("Memo8"));
    Memo8->setGeometry(104, 504, 585, 49);
    Memo8->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo8->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo8->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo8->setTabChangesFocus(true); // Tab moves on to "清除缓冲区"
    Button26 = MakeButton(this, 26, QStringLiteral("清除缓冲区"), 8, 528, 81, 25);
    Button54 = MakeButton(this, 54, QStringLiteral("通讯记录"), 600, 436, 89, 23);
    TrafficLog = new TTrafficLog(this);
    TrafficLog->setFont(font()); // a window of its own: it does not take the window's font
}

// Every control's event runs the handler that bears its name.
void TForm1::WireHandlers() {
    connect(Button1, &QPushButton::clicked, this, [this] { PortButtonClicked(); });
    for (const auto& [number, handler] : ClickHandlers())
        connect(findChild<QPushButton*>(QStringLiteral("Button%1").arg(number)),
                &QPushButton::clicked, this,
                [this, handler = handler] { Run([&] { (this->*handler)(); }); });
    using KeyPress = void (TForm1::*)(QChar&);
    static constexpr std::pair<const char*, KeyPress> keyPresses[] = {
        {"COMA1", &TForm1::COMA1KeyPress},     {"COMA2", &TForm1::COMA2KeyPress},
        {"COMA3", &TForm1::COMA3KeyPress},     {"COMA4", &TForm1::COMA4KeyPress},
        {"COMA5", &TForm1::COMA5KeyPress},     {"COMA6", &TForm1::COMA6KeyPress},
        {"COMA7", &TForm1::COMA7KeyPress},     {"COMA8", &TForm1::COMA8KeyPress},
        {"COMA9", &TForm1::COMA9KeyPress},     {"COMBY11", &TForm1::COMBY11KeyPress},
        {"COMBY12", &TForm1::COMBY12KeyPress}, {"COMBY13", &TForm1::COMBY13KeyPress},
        {"COMBY21", &TForm1::COMBY21KeyPress}, {"COMBY22", &TForm1::COMBY22KeyPress},
        {"COMBY23", &TForm1::COMBY23KeyPress}, {"COMBY31", &TForm1::COMBY31KeyPress},
        {"COMBY32", &TForm1::COMBY32KeyPress}, {"COMBY33", &TForm1::COMBY33KeyPress},
        {"COMBY41", &TForm1::COMBY41KeyPress}, {"COMBY42", &TForm1::COMBY42KeyPress},
        {"COMBY43", &TForm1::COMBY43KeyPress}, {"COMBY51", &TForm1::COMBY51KeyPress},
        {"COMBY52", &TForm1::COMBY52KeyPress}, {"COMBY53", &TForm1::COMBY53KeyPress},
        {"COMBY61", &TForm1::COMBY61KeyPress}, {"COMBY62", &TForm1::COMBY62KeyPress},
        {"COMBY63", &TForm1::COMBY63KeyPress}, {"COMBY71", &TForm1::COMBY71KeyPress},
        {"COMBY72", &TForm1::COMBY72KeyPress}, {"COMBY73", &TForm1::COMBY73KeyPress},
        {"COMBY81", &TForm1::COMBY81KeyPress}, {"COMBY82", &TForm1::COMBY82KeyPress},
        {"COMBY83", &TForm1::COMBY83KeyPress}, {"COMBY91", &TForm1::COMBY91KeyPress},
        {"COMBY92", &TForm1::COMBY92KeyPress}, {"COMBY93", &TForm1::COMBY93KeyPress},
        {"Edit1", &TForm1::Edit1KeyPress},     {"Edit2", &TForm1::Edit2KeyPress},
        {"Edit3", &TForm1::Edit3KeyPress},
    };
    for (const auto& [name, handler] : keyPresses)
        new KeyPressHook(findChild<QLineEdit*>(QLatin1String(name)),
                         [this, handler = handler](QChar& Key) { (this->*handler)(Key); });
    connect(Timer2, &QTimer::timeout, this, [this] { Run([this] { Timer2Timer(); }); });
}

void TForm1::FormCreate() {
    Button6->setEnabled(true);
    Timer2->stop();
    Button1->setEnabled(true);
}

// "清除缓冲区" empties the receive buffer.
void TForm1::Button26Click() { Memo8->clear(); }

// "通讯记录" shows the traffic log, which records from the start whether shown or not.
void TForm1::Button54Click() { TrafficLog->ShowAndRaise(); }

// ---- Sending buttons -------------------------------------------------------------

void TForm1::SendFrame(const std::function<std::string()>& build, ::RecvMode mode) {
    const std::string frame = build();
    discomm->setText(FromBytes(frame));
    Memo8->clear();
    RecvMode = mode;
    const bool sent = Comm1.SendBytes(frame.data(), frame.size());
    if (sent) TrafficLog->AddSent(QByteArray(frame.data(), qsizetype(frame.size())));
    NoteSent(sent, frame);
}

// Every write is built from the settings the window shows, as the command line builds them.
void TForm1::SendPortSettings(int port, TComboBox* baud, TComboBox* parity, TComboBox* stop) {
    SendFrame([&] { return WritePort(Settings(), port); }, ::RecvMode::ShowSystem);
    NoteUnlisted({baud, parity, stop});
}

void TForm1::SendTime(int time, QLineEdit* field) {
    // The reply code is stored before the field is converted; a conversion error names the
    // field's text as shown.
    RecvMode = ::RecvMode::ShowSystem;
    SendFrame(
        [&] {
            TextToInt(field->text());
            return WriteTime(Settings(), time);
        },
        ::RecvMode::ShowSystem);
}

void TForm1::SlotCommandQuery(int slot) {
    SendFrame([&] { return ::SlotCommandQuery(slot); }, ::RecvMode::COMR);
}

void TForm1::SlotCommandWrite(int slot) {
    const TSlotControls& s = Slots[slot - 1];
    const std::string code = ToBytes(s.COMA->text());
    if (!SlotCodeLengthOk(code)) {
        QMessageBox box(
            QMessageBox::NoIcon, ApplicationTitle(),
            QString::fromUtf8(kOddLengthMessage.data(), qsizetype(kOddLengthMessage.size())),
            QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("MessageBox"));
        box.exec();
        return;
    }
    RefuseDelimiter(s.COMA, QStringLiteral("指令代码"));
    SendFrame([&] { return WriteSlotCommand(Settings(), slot - 1); }, ::RecvMode::ShowSlot);
    NoteUnlisted({s.COMEN});
}

void TForm1::SlotHeaderQuery(int slot) {
    SendFrame([&] { return ::SlotHeaderQuery(slot); }, ::RecvMode::COMP);
}

void TForm1::SlotHeaderWrite(int slot) {
    const TSlotControls& s = Slots[slot - 1];
    for (int b = 0; b < 3; ++b)
        RefuseDelimiter(s.COMBY[b], HeaderByteCaptions()[b]);
    SendFrame([&] { return WriteSlotHeader(Settings(), slot - 1); }, ::RecvMode::ShowSlot);
}

void TForm1::Button6Click() {
    SendFrame([] { return VarFrame(); }, ::RecvMode::ShowSystem);
}
void TForm1::Button24Click() {
    SendFrame([this] { return WriteMode(Settings()); }, ::RecvMode::ShowSystem);
    NoteUnlisted({ComboBox7});
}
void TForm1::Button9Click() { SendPortSettings(0, BOADZ, ODDZ, STOPZ); }
void TForm1::Button8Click() { SendPortSettings(1, BOADA, ODDA, STOPA); }
void TForm1::Button10Click() { SendPortSettings(2, BOADB, ODDB, STOPB); }
void TForm1::Button48Click() { SendPortSettings(3, BOADC, ODDC, STOPC); }
void TForm1::Button50Click() { SendTime(0, Edit1); }
void TForm1::Button51Click() { SendTime(1, Edit2); }
void TForm1::Button52Click() { SendTime(2, Edit3); }
void TForm1::Button49Click() {
    SendFrame([] { return QueryFrame(); }, ::RecvMode::QX1);
}
void TForm1::Button53Click() {
    SendFrame(
        [this] {
            TextToInt(PCBSN->text()); // conversion errors name the texts as shown
            TextToInt(JIANZHI->Text());
            return WriteSerial(Settings());
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
void TForm1::Edit1KeyPress(QChar& Key) { ThreeDigitFilter(Key, Edit1->text()); }
void TForm1::Edit2KeyPress(QChar& Key) { ThreeDigitFilter(Key, Edit2->text()); }
void TForm1::Edit3KeyPress(QChar& Key) { ThreeDigitFilter(Key, Edit3->text()); }

// ---- Reply intake -----------------------------------------------------------------

void TForm1::SetTimerOn(bool on) {
    // Switching on a running timer does not restart its interval.
    if (on && !Timer2->isActive()) Timer2->start();
    if (!on) Timer2->stop();
}

void TForm1::Comm1ReceiveData(TComm& /*Sender*/, const uint8_t* Buffer, uint16_t BufferLength) {
    const QDateTime arrived = QDateTime::currentDateTime(); // before the pause
    Pause(ReceivePauseMs);
    AnswerTimer->stop(); // an answer has begun
    const BatchAction action = BatchActionFor(RecvMode);
    TrafficLog->AddReceived(QByteArray(reinterpret_cast<const char*>(Buffer), BufferLength),
                            action == BatchAction::Drop, arrived);
    if (action == BatchAction::Drop) {
        NoteDropped(BufferLength);
        return;
    }
    const std::string text = TakeBatch(Buffer, BufferLength);
    RecvText = QByteArray(text.data(), qsizetype(text.size()));
    Memo8->setPlainText(FromBytes(text));
    SetTimerOn(action == BatchAction::StoreShowTimerOn);
}

void TForm1::NoteDropped(qsizetype bytes) {
    DroppedBytes += quint64(bytes);
    ShowStatus(QStringLiteral("收到 %1 字节时未在等待应答，未显示（共丢弃 %2 字节）")
                   .arg(bytes)
                   .arg(DroppedBytes));
}

void TForm1::Timer2Timer() {
    SetTimerOn(false);
    const std::optional<ParseResult> result =
        ParseReply(RecvMode, std::string_view(RecvText.constData(), size_t(RecvText.size())));
    if (!result) return;
    for (const SettingUpdate& update : result->updates)
        ApplyUpdate(update);
    RecvMode = result->recvModeAfter;
    if (result->errorText)
        throw EAppError(
            QStringLiteral("'%1' is not a valid integer value").arg(FromBytes(*result->errorText)));
}

// ---- Status line, the port going away ----------------------------------------------

void TForm1::BuildStatusLine() {
    StatusLine = new QLabel(this);
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    StatusLine->setGeometry(8, 557, 743, 16);
    StatusTimer->setSingleShot(true);
    StatusTimer->setInterval(250);
    connect(StatusTimer, &QTimer::timeout, this, [this] {
        if (PendingStatus.isEmpty()) return;
        StatusLine->setText(std::exchange(PendingStatus, QString()));
        StatusTimer->start();
    });
}

void TForm1::ShowStatus(const QString& text) {
    if (StatusTimer->isActive()) {
        PendingStatus = text; // shown when the interval ends
        return;
    }
    StatusLine->setText(text);
    StatusTimer->start();
}

void TForm1::Run(const std::function<void()>& handler) {
    const int before = ErrorsWithoutBox();
    RunHandler(this, handler);
    if (ErrorsWithoutBox() != before)
        ShowStatus(
            QStringLiteral("错误框已打开，其间另有 %1 个错误未显示").arg(ErrorsWithoutBox()));
}

void TForm1::WirePortEvents() {
    Comm1.OnRequestHangup = [this](TComm& sender) { Run([&] { Comm1RequestHangup(sender); }); };
    Comm1.OnReceiveError = [this](TComm& sender, uint32_t mask) {
        Run([&] { Comm1ReceiveError(sender, mask); });
    };
    AnswerTimer->setSingleShot(true);
    AnswerTimer->setInterval(int(kAnswerTime.count()));
    connect(AnswerTimer, &QTimer::timeout, this,
            [this] { ShowStatus(QStringLiteral("无应答：%1").arg(PendingAnswerKey)); });
    ReopenTimer->setInterval(1000);
    connect(ReopenTimer, &QTimer::timeout, this, [this] { ReopenTick(); });
}

// Changes to the panel while the port is open take effect at the next opening.
void TForm1::WatchPanelChanges() {
    auto note = [this] {
        if (PortOpened) ShowStatus(QStringLiteral("串口设置已更改：关闭后重新打开串口时生效"));
    };
    for (TComboBox* combo : {SPREALCOM, ComboBox1, ComboBox2, ComboBox3})
        connect(combo, &QComboBox::currentTextChanged, this, note);
    for (QCheckBox* box : {CheckBox1, CheckBox2})
        connect(box, &QCheckBox::toggled, this, note);
}

QString TForm1::OpenedText() const {
    return QStringLiteral("串口已打开：%1，%2，%3，%4")
        .arg(QString::fromStdString(Comm1.CommName()), ComboBox1->Text(), ComboBox2->Text(),
             ComboBox3->Text());
}

// The user's click on "打开串口" / "关闭串口"; it also ends the wait for a device that went away.
void TForm1::PortButtonClicked() {
    const bool waiting = ReopenTimer->isActive();
    ReopenTimer->stop();
    const bool wasOpen = PortOpened;
    Run([this] { Button1Click(); });
    if (PortOpened != wasOpen)
        ShowStatus(PortOpened ? OpenedText() : QStringLiteral("串口已关闭"));
    else if (waiting)
        ShowStatus(QStringLiteral("不再等待设备重新连接"));
}

// The device went away (an adapter pulled, the far end closed): the port is closed, and the
// same port is tried again once a second until it opens.
void TForm1::Comm1RequestHangup(TComm& /*Sender*/) {
    if (!PortOpened) return;
    const QString path = QString::fromStdString(Comm1.CommName());
    Comm1.ClosePort();
    PortOpened = false;
    Button1->setText(QStringLiteral("打开串口"));
    AnswerTimer->stop();
    ShowStatus(QStringLiteral("设备已断开（%1），等待它重新连接…").arg(path));
    ReopenTimer->start();
}

void TForm1::ReopenTick() {
    if (PortOpened) {
        ReopenTimer->stop();
        return;
    }
    try {
        OpenFromPanel(); // the panel's settings, as a click would; no explanation wanted
    } catch (const std::exception&) {
        return; // not there yet
    }
    ReopenTimer->stop();
    ShowStatus(QStringLiteral("设备已重新连接，") + OpenedText());
}

void TForm1::Comm1ReceiveError(TComm& /*Sender*/, uint32_t EventMask) {
    const std::pair<uint32_t, const char*> names[] = {{CE_OVERRUN | CE_RXOVER, "溢出"},
                                                      {CE_RXPARITY, "校验错"},
                                                      {CE_FRAME, "帧错误"},
                                                      {CE_BREAK, "中断"}};
    QStringList found;
    for (const auto& [bits, name] : names)
        if (EventMask & bits) found << QString::fromUtf8(name);
    ShowStatus(QStringLiteral("线路错误：%1").arg(found.join(QStringLiteral("、"))));
}

// After a send: a frame that could not go out says so; one that did waits for its answer.
void TForm1::NoteSent(bool sent, const std::string& frame) {
    if (!sent) {
        AnswerTimer->stop();
        ShowStatus(Comm1.IsOpen() ? QStringLiteral("未发送：串口发送队列已满或已停止")
                                  : QStringLiteral("未发送：串口未打开"));
        return;
    }
    // The command's key: what stands between the first '#' and the next ':' or '#'.
    const size_t start = frame.find('#') + 1;
    const size_t end = frame.find_first_of(":#", start);
    PendingAnswerKey = FromBytes(frame.substr(start, end - start));
    AnswerTimer->start();
}

void TForm1::NoteUnlisted(std::initializer_list<const TComboBox*> combos) {
    for (const TComboBox* combo : combos)
        if (combo->ItemIndex() < 0)
            ShowStatus(QStringLiteral("%1 的内容“%2”不在列表中，已按 -1 发送")
                           .arg(combo->objectName(), combo->Text()));
}
