// The window's controls: every widget made, named and placed, in the order the window has
// always made them (the order Tab moves in).
#include "ui/form_controls.h"

#include "protocol/settings.h"
#include "ui/button_table.h"
#include "ui/combo_box.h"
#include "ui/comm_host.h"
#include "ui/port_panel.h"
#include "ui/traffic_log.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
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

QPushButton* MakeButton(QWidget* parent, int number, const QString& caption, int x, int y,
                        int w = 57, int h = 23) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QStringLiteral("Button%1").arg(number));
    button->setGeometry(x, y, w, h);
    button->setAutoDefault(false);
    return button;
}

void BuildTitleRow(Ui::Form1& ui, QWidget* form) {
    ui.Label41 = MakeLabel(form, QStringLiteral("VQ830-A(B) 智能分配器(透传)"), 155, 8, 318, 25);
    ui.Label41->setObjectName(QStringLiteral("Label41"));
    ui.Label41->setFont(WindowFont(QStringLiteral("宋体"), 21, true));
    QPalette pal = ui.Label41->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    ui.Label41->setPalette(pal);
    ui.Label2 = MakeLabel(form, QStringLiteral("KORVAT"), 472, 16, 161, 13);
    ui.Label2->setObjectName(QStringLiteral("Label2"));
}

void BuildPortPanel(Ui::Form1& ui, QWidget* form) {
    ui.GroupBox1 = new QGroupBox(QStringLiteral("主串口通讯接口"), form);
    ui.GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    ui.GroupBox1->setGeometry(16, 40, 689, 49);
    ui.GroupBox1->setFont(WindowFont(QStringLiteral("Arial"), 12));
    MakeLabel(ui.GroupBox1, QStringLiteral("端口号"), 8, 22, 40);
    ui.SPREALCOM = MakePortCombo(ui.GroupBox1, 50, 18, 73);
    MakeLabel(ui.GroupBox1, QStringLiteral("波特率"), 132, 22, 40);
    ui.ComboBox1 = MakeCombo(ui.GroupBox1, "ComboBox1", kBaudItems, 3, 174, 18, 73);
    MakeLabel(ui.GroupBox1, QStringLiteral("校验位"), 256, 22, 40);
    ui.ComboBox2 = MakeCombo(ui.GroupBox1, "ComboBox2", kParityItems, 0, 298, 18, 65);
    MakeLabel(ui.GroupBox1, QStringLiteral("停止位"), 372, 22, 40);
    ui.ComboBox3 = MakeCombo(ui.GroupBox1, "ComboBox3", kStopItems, 0, 414, 18, 57);
    // After the lists, three buttons of one size fill the group.
    ui.Button1 = MakeButton(ui.GroupBox1, 1, QStringLiteral("打开串口"), 480, 16, 64, 25);
    ui.Button6 = MakeButton(ui.GroupBox1, 6, QStringLiteral("通讯查询"), 548, 16, 64, 25);
    ui.Button6->setFont(WindowFont(QStringLiteral("MS Sans Serif"), 12));
    ui.Button59 = MakeButton(ui.GroupBox1, 59, QStringLiteral("查找设备"), 616, 16, 64, 25);
}

void BuildSystemPage(Ui::Form1& ui) {
    ui.TabSheet6 = new QWidget;
    ui.TabSheet6->setObjectName(QStringLiteral("TabSheet6"));
    ui.PageControl1->addTab(ui.TabSheet6, QStringLiteral("系统参数"));
    QWidget* p = ui.TabSheet6;
    const int buttonX = 480;
    auto rowY = [](int row) { return 8 + 31 * row; };

    MakeLabel(p, QStringLiteral("工作方式:"), 8, rowY(0) + 4, 150);
    ui.ComboBox7 =
        MakeCombo(p, "ComboBox7",
                  {QStringLiteral("0) 多主一从(透传模式)"),
                   QStringLiteral("1) 多主一从(指令预设置)"), QStringLiteral("2)指令模式")},
                  0, 160, rowY(0), 200);
    ui.Button24 = MakeButton(p, 24, QStringLiteral("设置"), buttonX, rowY(0) - 1);

    struct PortRow {
        const char* caption;
        const char *baud, *parity, *stop;
        TComboBox **baudBox, **parityBox, **stopBox;
        int button;
        QPushButton** buttonPtr;
    };
    const PortRow rows[] = {
        {"主串口波特率：", "BOADZ", "ODDZ", "STOPZ", &ui.BOADZ, &ui.ODDZ, &ui.STOPZ, 9,
         &ui.Button9},
        {"A串口波特率：", "BOADA", "ODDA", "STOPA", &ui.BOADA, &ui.ODDA, &ui.STOPA, 8, &ui.Button8},
        {"B串口波特率：", "BOADB", "ODDB", "STOPB", &ui.BOADB, &ui.ODDB, &ui.STOPB, 10,
         &ui.Button10},
        {"C串口波特率：", "BOADC", "ODDC", "STOPC", &ui.BOADC, &ui.ODDC, &ui.STOPC, 48,
         &ui.Button48},
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
    ui.Label101 = MakeLabel(p, QStringLiteral("需要重新起动才起作用"), 548, rowY(1) + 2, 129, 17);
    ui.Label101->setObjectName(QStringLiteral("Label101"));
    ui.Label101->setAutoFillBackground(true);
    QPalette red = ui.Label101->palette();
    red.setColor(QPalette::Window, Qt::red);
    ui.Label101->setPalette(red);

    struct TimeRow {
        const char* name;
        QLineEdit** edit;
        int button;
        QPushButton** buttonPtr;
    };
    const TimeRow times[] = {
        {"Edit1", &ui.Edit1, 50, &ui.Button50},
        {"Edit2", &ui.Edit2, 51, &ui.Button51},
        {"Edit3", &ui.Edit3, 52, &ui.Button52},
    };
    for (int i = 0; i < 3; ++i) {
        const TimeRow& t = times[i];
        const int y = rowY(row++);
        MakeLabel(p, TimeCaptions()[i] + QStringLiteral("："), 8, y + 4, 150);
        *t.edit = MakeEdit(p, QString::fromLatin1(t.name), QStringLiteral("10"), 160, y, 49);
        MakeLabel(p, QStringLiteral("0.1S"), 216, y + 4, 30);
        *t.buttonPtr = MakeButton(p, t.button, QStringLiteral("设置"), buttonX, y - 1);
    }
    ui.Button49 = MakeButton(p, 49, QStringLiteral("查询1"), 560, rowY(6) - 1, 75);
}

void BuildSlotPage(Ui::Form1& ui, const std::vector<TButtonEntry>& buttons, QWidget* page,
                   int firstSlot) {
    const QStringList enableItems = {QStringLiteral("0关闭"), QStringLiteral("1打开")};
    for (int k = 0; k < 3; ++k) {
        const int slot = firstSlot + k;
        TSlotControls& s = ui.Slots[slot - 1];
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
        s.CommandQuery =
            MakeButton(g, SlotButtonNumber(buttons, ButtonRole::SlotCommandQuery, slot),
                       QStringLiteral("查询"), 528, 17);
        s.CommandWrite =
            MakeButton(g, SlotButtonNumber(buttons, ButtonRole::SlotCommandWrite, slot),
                       QStringLiteral("设置"), 596, 17);
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
        s.HeaderQuery = MakeButton(g, SlotButtonNumber(buttons, ButtonRole::SlotHeaderQuery, slot),
                                   QStringLiteral("查询"), 528, 43);
        s.HeaderWrite = MakeButton(g, SlotButtonNumber(buttons, ButtonRole::SlotHeaderWrite, slot),
                                   QStringLiteral("设置"), 596, 43);
    }
}

void BuildRecordBox(Ui::Form1& ui, QWidget* form) {
    ui.RecordBox = new QGroupBox(form);
    ui.RecordBox->setGeometry(16, 384, 377, 49);
    ui.RecordBox->setFont(WindowFont(QStringLiteral("Arial"), 12));
    MakeLabel(ui.RecordBox, QStringLiteral("PCBSN:"), 8, 20, 44);
    ui.PCBSN =
        MakeEdit(ui.RecordBox, QStringLiteral("PCBSN"), QStringLiteral("00000000"), 56, 16, 97);
    MakeLabel(ui.RecordBox, QStringLiteral("检测人:"), 164, 20, 48);
    // "007" stands seventh: a second "006" there would make tester 007 impossible to pick.
    ui.JIANZHI = MakeCombo(
        ui.RecordBox, "JIANZHI",
        {"001", "002", "003", "004", "005", "006", "007", "008", "009", "101", "102", "103", "104"},
        0, 214, 16, 65);
    ui.Button53 = MakeButton(ui.RecordBox, 53, QStringLiteral("设置"), 296, 14, 65, 25);
}

// The production line's two buttons, in the free row under the record box: "下一个序列号" at
// the box's right edge, "生产记录" beside "通讯记录".
void BuildLineButtons(Ui::Form1& ui, QWidget* form) {
    ui.Button60 = MakeButton(form, 60, QStringLiteral("下一个序列号"), 296, 436, 97, 23);
    ui.Button61 = MakeButton(form, 61, QStringLiteral("生产记录"), 505, 436, 89, 23);
}

void BuildBufferArea(Ui::Form1& ui, QWidget* form) {
    ui.CheckBox2 = new QCheckBox(QStringLiteral("COM_DTR"), form);
    ui.CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    ui.CheckBox2->setGeometry(24, 440, 90, 17);
    ui.CheckBox1 = new QCheckBox(QStringLiteral("COM_RTS"), form);
    ui.CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    ui.CheckBox1->setGeometry(120, 440, 90, 17);

    MakeLabel(form, QStringLiteral("发送缓冲区:"), 16, 476, 84);
    ui.discomm = MakeEdit(form, QStringLiteral("discomm"), QString(), 104, 472, 585);
    MakeLabel(form, QStringLiteral("接收缓冲区:"), 8, 504, 90);
    ui.Memo8 = new QPlainTextEdit(form);
    ui.Memo8->setObjectName(QStringLiteral("Memo8"));
    ui.Memo8->setGeometry(104, 504, 585, 49);
    ui.Memo8->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui.Memo8->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui.Memo8->setLineWrapMode(QPlainTextEdit::NoWrap);
    ui.Memo8->setTabChangesFocus(true); // Tab moves on to "清除缓冲区"
    ui.Button26 = MakeButton(form, 26, QStringLiteral("清除缓冲区"), 8, 528, 81, 25);
    ui.Button54 = MakeButton(form, 54, QStringLiteral("通讯记录"), 600, 436, 89, 23);
    ui.TrafficLog = new TTrafficLog(form);
    ui.TrafficLog->setFont(form->font()); // a window of its own: it does not take the window's font
}

void BuildBatchButtons(Ui::Form1& ui, QWidget* form) {
    ui.Button55 = MakeButton(form, 55, QStringLiteral("读取全部"), 400, 398, 72, 25);
    ui.Button56 = MakeButton(form, 56, QStringLiteral("写入全部"), 476, 398, 72, 25);
    ui.Button57 = MakeButton(form, 57, QStringLiteral("保存配置"), 552, 398, 72, 25);
    ui.Button58 = MakeButton(form, 58, QStringLiteral("载入配置"), 628, 398, 72, 25);
}

void BuildStatusLine(Ui::Form1& ui, QWidget* form) {
    ui.StatusLine = new QLabel(form);
    ui.StatusLine->setObjectName(QStringLiteral("StatusLine"));
    ui.StatusLine->setGeometry(8, 557, 743, 16);
}

void BuildPages(Ui::Form1& ui, const std::vector<TButtonEntry>& buttons, QWidget* form) {
    ui.PageControl1 = new QTabWidget(form);
    ui.PageControl1->setObjectName(QStringLiteral("PageControl1"));
    ui.PageControl1->setGeometry(16, 96, 689, 289);
    BuildSystemPage(ui);
    const std::array<std::pair<const char*, const char*>, 3> slotPages = {{
        {"TabSheet2", "多主一从(方式4)CAMD1-3"},
        {"TabSheet7", "多主一从(方式4)CAMD4-7"},
        {"TabSheet8", "多主一从(方式4)CAMD8-10"},
    }};
    QWidget** sheets[] = {&ui.TabSheet2, &ui.TabSheet7, &ui.TabSheet8};
    for (int i = 0; i < 3; ++i) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(slotPages[i].first));
        ui.PageControl1->addTab(page, QString::fromUtf8(slotPages[i].second));
        *sheets[i] = page;
        BuildSlotPage(ui, buttons, page, 3 * i + 1);
    }
    ui.PageControl1->setCurrentIndex(0);
}

} // namespace

void Ui::Form1::setupUi(QWidget* form, const std::vector<TButtonEntry>& buttons) {
    Comm1 = &(new TCommHost(form))->Port();
    Timer2 = new QTimer(form);
    form->setObjectName(QStringLiteral("Form1"));
    form->setWindowTitle(QString());
    // Outer size 767 x 609 with an ordinary frame around a client area of 759 x 575.
    form->resize(759, 575);
    form->setMinimumSize(759, 575); // smaller, the controls would be clipped
    form->move(331, 219);
    form->setAutoFillBackground(true);
    QPalette pal = form->palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    form->setPalette(pal);
    form->setFont(WindowFont(QStringLiteral("MS Sans Serif"), 12));

    BuildTitleRow(*this, form);
    BuildPortPanel(*this, form);
    BuildPages(*this, buttons, form);
    BuildRecordBox(*this, form);
    BuildBufferArea(*this, form);
    BuildStatusLine(*this, form);
    BuildBatchButtons(*this, form);
    BuildLineButtons(*this, form);

    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(300);
    Timer2->start(); // enabled as created; FormCreate switches it off before it ticks
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
