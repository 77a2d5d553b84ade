// The window's controls: every widget made, named and placed, in the order the window has
// always made them (the order Tab moves in).
#include "ui/form_controls.h"

#include "i18n/language.h"
#include "protocol/settings.h"
#include "ui/button_table.h"
#include "ui/combo_box.h"
#include "ui/comm_host.h"
#include "ui/language_choice.h"
#include "ui/port_panel.h"
#include "ui/traffic_log.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
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
// The item lists that are words: made in the language the window speaks.
//: the stop bits of a serial line
const char* const kStopItems[] = {QT_TRANSLATE_NOOP("Form1", "1位"),
                                  //: the stop bits of a serial line
                                  QT_TRANSLATE_NOOP("Form1", "2位")};
const char* const kWorkModeItems[] = {QT_TRANSLATE_NOOP("Form1", "0) 多主一从(透传模式)"),
                                      QT_TRANSLATE_NOOP("Form1", "1) 多主一从(指令预设置)"),
                                      QT_TRANSLATE_NOOP("Form1", "2)指令模式")};
//: a read-command slot switched off
const char* const kEnableItems[] = {QT_TRANSLATE_NOOP("Form1", "0关闭"),
                                    //: a read-command slot switched on
                                    QT_TRANSLATE_NOOP("Form1", "1打开")};

QString Caption(const char* source) { return QCoreApplication::translate("Form1", source); }

// A text of the window: set now, and again by retranslateUi when the language changes.
void AddText(Ui::Form1& ui, std::function<void()> set) {
    set();
    ui.Texts.push_back(std::move(set));
}

QStringList Captions(std::span<const char* const> sources) { return Translated("Form1", sources); }

// The items set again in another language; the item selected, or the text typed that is no
// item, stays, and nobody listening hears of it.
void SetItemTexts(TComboBox* combo, const QStringList& items) {
    const QSignalBlocker quiet(combo);
    const int index = combo->ItemIndex(), current = combo->currentIndex();
    const QString typed = combo->Text();
    for (int i = 0; i < items.size(); ++i)
        combo->setItemText(i, items[i]);
    if (index >= 0) {
        combo->SetItemIndex(index);
        return;
    }
    combo->setCurrentIndex(current);
    combo->setEditText(typed);
}

template <size_t N>
void AddItemTexts(Ui::Form1& ui, TComboBox* combo, const char* const (&sources)[N]) {
    ui.Texts.push_back([combo, &sources] { SetItemTexts(combo, Captions(sources)); });
}

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

// A label whose caption is a text of the window, `colon` (a text of the window too) after it.
QLabel* MakeCaption(Ui::Form1& ui, QWidget* parent, const char* source, int x, int y, int w,
                    int h = 13, const char* colon = nullptr) {
    QLabel* label = MakeLabel(parent, QString(), x, y, w, h);
    AddText(ui, [label, source, colon] {
        label->setText(Caption(source) + (colon ? Caption(colon) : QString()));
    });
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

QPushButton* MakeButton(Ui::Form1& ui, QWidget* parent, int number, const char* caption, int x,
                        int y, int w = 57, int h = 23) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QStringLiteral("Button%1").arg(number));
    button->setGeometry(x, y, w, h);
    button->setAutoDefault(false);
    AddText(ui, [button, caption] { button->setText(Caption(caption)); });
    return button;
}

void BuildTitleRow(Ui::Form1& ui, QWidget* form) {
    ui.Label41 = MakeCaption(ui, form, QT_TRANSLATE_NOOP("Form1", "VQ830-A(B) 智能分配器(透传)"),
                             155, 8, 318, 25);
    ui.Label41->setObjectName(QStringLiteral("Label41"));
    ui.Label41->setFont(WindowFont(QStringLiteral("宋体"), 21, true));
    QPalette pal = ui.Label41->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    ui.Label41->setPalette(pal);
    ui.Label2 = MakeLabel(form, QStringLiteral("KORVAT"), 472, 16, 161, 13);
    ui.Label2->setObjectName(QStringLiteral("Label2"));
}

void BuildPortPanel(Ui::Form1& ui, QWidget* form) {
    ui.GroupBox1 = new QGroupBox(form);
    AddText(ui, [box = ui.GroupBox1] {
        box->setTitle(Caption(QT_TRANSLATE_NOOP("Form1", "主串口通讯接口")));
    });
    ui.GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    ui.GroupBox1->setGeometry(16, 40, 689, 49);
    ui.GroupBox1->setFont(WindowFont(QStringLiteral("Arial"), 12));
    MakeCaption(ui, ui.GroupBox1, QT_TRANSLATE_NOOP("Form1", "端口号"), 8, 22, 40);
    ui.SPREALCOM = MakePortCombo(ui.GroupBox1, 50, 18, 73);
    // The ports' tooltips (a device's description) are words of the window's language.
    ui.Texts.push_back(
        [combo = static_cast<TPortComboBox*>(ui.SPREALCOM)] { combo->RefreshPorts(); });
    MakeCaption(ui, ui.GroupBox1, QT_TRANSLATE_NOOP("Form1", "波特率"), 132, 22, 40);
    ui.ComboBox1 = MakeCombo(ui.GroupBox1, "ComboBox1", kBaudItems, 3, 174, 18, 73);
    MakeCaption(ui, ui.GroupBox1, QT_TRANSLATE_NOOP("Form1", "校验位"), 256, 22, 40);
    ui.ComboBox2 = MakeCombo(ui.GroupBox1, "ComboBox2", kParityItems, 0, 298, 18, 65);
    //: the stop bits of a serial line
    MakeCaption(ui, ui.GroupBox1, QT_TRANSLATE_NOOP("Form1", "停止位"), 372, 22, 40);
    ui.ComboBox3 = MakeCombo(ui.GroupBox1, "ComboBox3", Captions(kStopItems), 0, 414, 18, 57);
    AddItemTexts(ui, ui.ComboBox3, kStopItems);
    // After the lists, three buttons of one size fill the group.
    ui.Button1 =
        MakeButton(ui, ui.GroupBox1, 1, QT_TRANSLATE_NOOP("Form1", "打开串口"), 480, 16, 64, 25);
    //: sends the link check (VAR): does the device answer on this port?
    ui.Button6 =
        MakeButton(ui, ui.GroupBox1, 6, QT_TRANSLATE_NOOP("Form1", "通讯查询"), 548, 16, 64, 25);
    ui.Button6->setFont(WindowFont(QStringLiteral("MS Sans Serif"), 12));
    ui.Button59 =
        MakeButton(ui, ui.GroupBox1, 59, QT_TRANSLATE_NOOP("Form1", "查找设备"), 616, 16, 64, 25);
}

void BuildSystemPage(Ui::Form1& ui) {
    ui.TabSheet6 = new QWidget;
    ui.TabSheet6->setObjectName(QStringLiteral("TabSheet6"));
    ui.PageControl1->addTab(ui.TabSheet6, QString());
    AddText(ui, [tabs = ui.PageControl1] {
        tabs->setTabText(0, Caption(QT_TRANSLATE_NOOP("Form1", "系统参数")));
    });
    QWidget* p = ui.TabSheet6;
    const int buttonX = 480;
    auto rowY = [](int row) { return 8 + 31 * row; };

    MakeCaption(ui, p, QT_TRANSLATE_NOOP("Form1", "工作方式:"), 8, rowY(0) + 4, 150);
    ui.ComboBox7 = MakeCombo(p, "ComboBox7", Captions(kWorkModeItems), 0, 160, rowY(0), 200);
    AddItemTexts(ui, ui.ComboBox7, kWorkModeItems);
    ui.Button24 = MakeButton(ui, p, 24, QT_TRANSLATE_NOOP("Form1", "设置"), buttonX, rowY(0) - 1);

    struct PortRow {
        const char* caption;
        const char *baud, *parity, *stop;
        TComboBox **baudBox, **parityBox, **stopBox;
        int button;
        QPushButton** buttonPtr;
    };
    const PortRow rows[] = {
        {QT_TRANSLATE_NOOP("Form1", "主串口波特率："), "BOADZ", "ODDZ", "STOPZ", &ui.BOADZ,
         &ui.ODDZ, &ui.STOPZ, 9, &ui.Button9},
        {QT_TRANSLATE_NOOP("Form1", "A串口波特率："), "BOADA", "ODDA", "STOPA", &ui.BOADA, &ui.ODDA,
         &ui.STOPA, 8, &ui.Button8},
        {QT_TRANSLATE_NOOP("Form1", "B串口波特率："), "BOADB", "ODDB", "STOPB", &ui.BOADB, &ui.ODDB,
         &ui.STOPB, 10, &ui.Button10},
        {QT_TRANSLATE_NOOP("Form1", "C串口波特率："), "BOADC", "ODDC", "STOPC", &ui.BOADC, &ui.ODDC,
         &ui.STOPC, 48, &ui.Button48},
    };
    int row = 1;
    for (const PortRow& r : rows) {
        const int y = rowY(row++);
        MakeCaption(ui, p, r.caption, 8, y + 4, 150);
        *r.baudBox = MakeCombo(p, r.baud, kBaudItems, 3, 160, y, 73);
        MakeCaption(ui, p, QT_TRANSLATE_NOOP("Form1", "校验位:"), 242, y + 4, 48);
        *r.parityBox = MakeCombo(p, r.parity, kParityItems, 0, 292, y, 61);
        //: the stop bits of a serial line
        MakeCaption(ui, p, QT_TRANSLATE_NOOP("Form1", "停止位："), 362, y + 4, 50);
        *r.stopBox = MakeCombo(p, r.stop, Captions(kStopItems), 0, 414, y, 57);
        AddItemTexts(ui, *r.stopBox, kStopItems);
        //: a button that writes the setting beside it to the device
        *r.buttonPtr =
            MakeButton(ui, p, r.button, QT_TRANSLATE_NOOP("Form1", "设置"), buttonX, y - 1);
    }
    ui.Label101 = MakeCaption(ui, p, QT_TRANSLATE_NOOP("Form1", "需要重新起动才起作用"), 548,
                              rowY(1) + 2, 129, 17);
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
        MakeCaption(ui, p, kTimeCaptions[i], 8, y + 4, 150, 13, QT_TRANSLATE_NOOP("Form1", "："));
        *t.edit = MakeEdit(p, QString::fromLatin1(t.name), QStringLiteral("10"), 160, y, 49);
        MakeLabel(p, QStringLiteral("0.1S"), 216, y + 4, 30);
        *t.buttonPtr =
            MakeButton(ui, p, t.button, QT_TRANSLATE_NOOP("Form1", "设置"), buttonX, y - 1);
    }
    //: reads the system page's settings from the device (its first query)
    ui.Button49 = MakeButton(ui, p, 49, QT_TRANSLATE_NOOP("Form1", "查询1"), 560, rowY(6) - 1, 75);
}

void BuildSlotPage(Ui::Form1& ui, const std::vector<TButtonEntry>& buttons, QWidget* page,
                   int firstSlot) {
    for (int k = 0; k < 3; ++k) {
        const int slot = firstSlot + k;
        TSlotControls& s = ui.Slots[slot - 1];
        s.Group = new QGroupBox(page);
        AddText(ui, [g = s.Group, slot] {
            g->setTitle(Caption(QT_TRANSLATE_NOOP("Form1", "读取仪表指令%1设置")).arg(slot));
        });
        s.Group->setObjectName(QStringLiteral("GroupBox%1").arg(slot + 4));
        s.Group->setGeometry(8, 8 + 80 * k, 673, 73);
        QGroupBox* g = s.Group;
        MakeCaption(ui, g, QT_TRANSLATE_NOOP("Form1", "指令使能:"), 8, 22, 60);
        s.COMEN = MakeCombo(g, QStringLiteral("COMEN%1").arg(slot).toLatin1().constData(),
                            Captions(kEnableItems), 1, 70, 18, 65);
        AddItemTexts(ui, s.COMEN, kEnableItems);
        MakeCaption(ui, g, QT_TRANSLATE_NOOP("Form1", "指令代码:"), 144, 22, 60);
        s.COMA = MakeEdit(g, QStringLiteral("COMA%1").arg(slot), QStringLiteral("0103000000044409"),
                          206, 18, 290);
        s.CommandQuery =
            MakeButton(ui, g, SlotButtonNumber(buttons, ButtonRole::SlotCommandQuery, slot),
                       //: a button that reads the setting beside it from the device
                       QT_TRANSLATE_NOOP("Form1", "查询"), 528, 17);
        s.CommandWrite =
            MakeButton(ui, g, SlotButtonNumber(buttons, ButtonRole::SlotCommandWrite, slot),
                       QT_TRANSLATE_NOOP("Form1", "设置"), 596, 17);
        //: the three bytes an instrument's reply starts with, by which it is recognized
        MakeCaption(ui, g, QT_TRANSLATE_NOOP("Form1", "返回数据解析"), 8, 48, 76);
        const QString headerDefaults[3] = {QStringLiteral("01"), QStringLiteral("03"),
                                           QStringLiteral("00")};
        const int captionX[3] = {88, 222, 332};
        const int captionW[3] = {92, 70, 70};
        for (int b = 0; b < 3; ++b) {
            MakeCaption(ui, g, kHeaderByteCaptions[b], captionX[b], 48, captionW[b], 13,
                        QT_TRANSLATE_NOOP("Form1", ":"));
            s.COMBY[b] = MakeEdit(g, QStringLiteral("COMBY%1%2").arg(slot).arg(b + 1),
                                  headerDefaults[b], captionX[b] + captionW[b] + 2, 44, 32);
        }
        s.HeaderQuery =
            MakeButton(ui, g, SlotButtonNumber(buttons, ButtonRole::SlotHeaderQuery, slot),
                       QT_TRANSLATE_NOOP("Form1", "查询"), 528, 43);
        s.HeaderWrite =
            MakeButton(ui, g, SlotButtonNumber(buttons, ButtonRole::SlotHeaderWrite, slot),
                       QT_TRANSLATE_NOOP("Form1", "设置"), 596, 43);
    }
}

void BuildRecordBox(Ui::Form1& ui, QWidget* form) {
    ui.RecordBox = new QGroupBox(form);
    ui.RecordBox->setGeometry(16, 384, 377, 49);
    ui.RecordBox->setFont(WindowFont(QStringLiteral("Arial"), 12));
    MakeLabel(ui.RecordBox, QStringLiteral("PCBSN:"), 8, 20, 44);
    ui.PCBSN =
        MakeEdit(ui.RecordBox, QStringLiteral("PCBSN"), QStringLiteral("00000000"), 56, 16, 97);
    //: the number of the person who tested the board
    MakeCaption(ui, ui.RecordBox, QT_TRANSLATE_NOOP("Form1", "检测人:"), 164, 20, 48);
    // "007" stands seventh: a second "006" there would make tester 007 impossible to pick.
    ui.JIANZHI = MakeCombo(
        ui.RecordBox, "JIANZHI",
        {"001", "002", "003", "004", "005", "006", "007", "008", "009", "101", "102", "103", "104"},
        0, 214, 16, 65);
    ui.Button53 =
        MakeButton(ui, ui.RecordBox, 53, QT_TRANSLATE_NOOP("Form1", "设置"), 296, 14, 65, 25);
}

// The production line's two buttons, in the free row under the record box: "下一个序列号" at
// the box's right edge, "生产记录" beside "通讯记录".
void BuildLineButtons(Ui::Form1& ui, QWidget* form) {
    ui.Button60 =
        MakeButton(ui, form, 60, QT_TRANSLATE_NOOP("Form1", "下一个序列号"), 296, 436, 97, 23);
    ui.Button61 =
        MakeButton(ui, form, 61, QT_TRANSLATE_NOOP("Form1", "生产记录"), 505, 436, 89, 23);
}

void BuildBufferArea(Ui::Form1& ui, QWidget* form) {
    ui.CheckBox2 = new QCheckBox(QStringLiteral("COM_DTR"), form);
    ui.CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    ui.CheckBox2->setGeometry(24, 440, 90, 17);
    ui.CheckBox1 = new QCheckBox(QStringLiteral("COM_RTS"), form);
    ui.CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    ui.CheckBox1->setGeometry(120, 440, 90, 17);

    MakeCaption(ui, form, QT_TRANSLATE_NOOP("Form1", "发送缓冲区:"), 16, 476, 84);
    ui.discomm = MakeEdit(form, QStringLiteral("discomm"), QString(), 104, 472, 585);
    MakeCaption(ui, form, QT_TRANSLATE_NOOP("Form1", "接收缓冲区:"), 8, 504, 90);
    ui.Memo8 = new QPlainTextEdit(form);
    ui.Memo8->setObjectName(QStringLiteral("Memo8"));
    ui.Memo8->setGeometry(104, 504, 585, 49);
    ui.Memo8->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui.Memo8->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui.Memo8->setLineWrapMode(QPlainTextEdit::NoWrap);
    ui.Memo8->setTabChangesFocus(true); // Tab moves on to "清除缓冲区"
    ui.Button26 =
        MakeButton(ui, form, 26, QT_TRANSLATE_NOOP("Form1", "清除缓冲区"), 8, 528, 81, 25);
    ui.Button54 =
        MakeButton(ui, form, 54, QT_TRANSLATE_NOOP("Form1", "通讯记录"), 600, 436, 89, 23);
    ui.TrafficLog = new TTrafficLog(form);
    ui.TrafficLog->setFont(form->font()); // a window of its own: it does not take the window's font
}

void BuildBatchButtons(Ui::Form1& ui, QWidget* form) {
    ui.Button55 =
        MakeButton(ui, form, 55, QT_TRANSLATE_NOOP("Form1", "读取全部"), 400, 398, 72, 25);
    ui.Button56 =
        MakeButton(ui, form, 56, QT_TRANSLATE_NOOP("Form1", "写入全部"), 476, 398, 72, 25);
    ui.Button57 =
        MakeButton(ui, form, 57, QT_TRANSLATE_NOOP("Form1", "保存配置"), 552, 398, 72, 25);
    ui.Button58 =
        MakeButton(ui, form, 58, QT_TRANSLATE_NOOP("Form1", "载入配置"), 628, 398, 72, 25);
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
        {"TabSheet2", QT_TRANSLATE_NOOP("Form1", "多主一从(方式4)CAMD1-3")},
        {"TabSheet7", QT_TRANSLATE_NOOP("Form1", "多主一从(方式4)CAMD4-7")},
        {"TabSheet8", QT_TRANSLATE_NOOP("Form1", "多主一从(方式4)CAMD8-10")},
    }};
    QWidget** sheets[] = {&ui.TabSheet2, &ui.TabSheet7, &ui.TabSheet8};
    for (int i = 0; i < 3; ++i) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(slotPages[i].first));
        ui.PageControl1->addTab(page, QString());
        AddText(ui, [tabs = ui.PageControl1, i, title = slotPages[i].second] {
            tabs->setTabText(i + 1, Caption(title));
        });
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
    Language = MakeLanguageChoice(form);

    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(300);
    Timer2->start(); // enabled as created; FormCreate switches it off before it ticks
}

const std::array<const char*, 3> kHeaderByteCaptions = {
    QT_TRANSLATE_NOOP("Form1", "包头第一个字节"), QT_TRANSLATE_NOOP("Form1", "第二个字节"),
    QT_TRANSLATE_NOOP("Form1", "第三个字节")};
const std::array<const char*, 3> kTimeCaptions = {
    QT_TRANSLATE_NOOP("Form1", "方式0 超时时间"), QT_TRANSLATE_NOOP("Form1", "方式1读仪表间隔时间"),
    QT_TRANSLATE_NOOP("Form1", "方式1读仪表超时时间")};

QString FormCaption(const char* source) { return Caption(source); }

void Ui::Form1::retranslateUi() {
    for (const std::function<void()>& set : Texts)
        set();
}
