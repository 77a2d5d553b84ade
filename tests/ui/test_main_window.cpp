// The main window as a technician first sees it: controls, captions, defaults, item
// lists, the selected-index rule of the drop-down lists, glyph coverage of the Chinese
// captions, the application's error report and the stored values of the port object.
#include "../form_parts.h"
#include "modal_capture.h"
#include "serial/comm.h"
#include "ui/combo_box.h"
#include "ui/error_report.h"
#include "ui/main_window.h"
#include "ui/port_link.h"
#include "ui/reply_intake.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRawFont>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

QStringList Items(const TComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

const QStringList kBaud = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
const QStringList kParity = {"None", "Odd", "Even"};
const QStringList kStop = {QStringLiteral("1位"), QStringLiteral("2位")};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void everyNamedControlExists();
    void tabLeavesTheMemoAndTheWindowKeepsItsSize();
    void defaultsAtStart();
    void itemListsGiveTheWireIndexes();
    void slotGroupsSitOnTheirPages();
    void layoutIsFixed();
    void selectedIndexFollowsTypedText();
    void settingAnIndexPastTheEndClearsTheList();
    void chineseCaptionsHaveGlyphs();
    void applicationTitleAndFullStopRule();
    void errorInAHandlerShowsTheBoxAndTheWindowGoesOn();
    void portObjectHoldsItsStoredValues();
    void clearBufferButtonEmptiesTheReceiveMemo();
};

void MainWindowTest::everyNamedControlExists() {
    TForm1 form;
    QStringList names = {"Label41",   "Label2",    "GroupBox1", "SPREALCOM", "ComboBox1",
                         "ComboBox2", "ComboBox3", "Button1",   "Button6",   "PageControl1",
                         "TabSheet6", "TabSheet2", "TabSheet7", "TabSheet8", "ComboBox7",
                         "Edit1",     "Edit2",     "Edit3",     "Label101",  "PCBSN",
                         "JIANZHI",   "CheckBox1", "CheckBox2", "discomm",   "Memo8",
                         "Comm1",     "Timer2"};
    for (const char* port : {"Z", "A", "B", "C"})
        for (const char* kind : {"BOAD", "ODD", "STOP"})
            names << QString::fromLatin1(kind) + QString::fromLatin1(port);
    for (int slot = 1; slot <= 9; ++slot) {
        names << QStringLiteral("COMEN%1").arg(slot) << QStringLiteral("COMA%1").arg(slot)
              << QStringLiteral("GroupBox%1").arg(slot + 4);
        for (int b = 1; b <= 3; ++b)
            names << QStringLiteral("COMBY%1%2").arg(slot).arg(b);
    }
    // The 49 buttons: Button1, Button5 ... Button22, Button24 ... Button53.
    QList<int> buttons = {1};
    for (int n = 5; n <= 53; ++n)
        if (n != 23) buttons << n;
    QCOMPARE(buttons.size(), 49);
    for (int n : buttons)
        names << QStringLiteral("Button%1").arg(n);
    for (const QString& name : names) {
        QList<QObject*> found = form.findChildren<QObject*>(name);
        QVERIFY2(found.size() == 1, qPrintable(name));
    }
    QVERIFY(form.findChild<QTimer*>("Timer2"));
    // On the window itself: those 49, "通讯记录" (the traffic log is a window of its own), the
    // four beside the record box, "查找设备", and the production line's "下一个序列号" and
    // "生产记录".
    const auto all = form.findChildren<QPushButton*>();
    QCOMPARE(
        std::count_if(all.begin(), all.end(), [&](QPushButton* b) { return b->window() == &form; }),
        57);
    for (int n = 54; n <= 61; ++n)
        QVERIFY(form.findChildren<QObject*>(QStringLiteral("Button%1").arg(n)).size() == 1);
}

void MainWindowTest::defaultsAtStart() {
    TForm1 form;
    QCOMPARE(form.ui.PageControl1->currentWidget(), form.ui.TabSheet6);
    QCOMPARE(form.ui.SPREALCOM->Text(), QStringLiteral("COM4"));
    QCOMPARE(form.ui.SPREALCOM->ItemIndex(), 3);
    QCOMPARE(form.ui.ComboBox1->Text(), QStringLiteral("9600"));
    QCOMPARE(form.ui.ComboBox2->Text(), QStringLiteral("None"));
    QCOMPARE(form.ui.ComboBox3->Text(), QStringLiteral("1位"));
    QCOMPARE(form.ui.Button1->text(), QStringLiteral("打开串口"));
    QCOMPARE(form.ui.Button6->text(), QStringLiteral("通讯查询"));
    QVERIFY(form.ui.Button1->isEnabled() && form.ui.Button6->isEnabled());
    QVERIFY(!form.ui.CheckBox1->isChecked() && !form.ui.CheckBox2->isChecked());
    QCOMPARE(form.ui.CheckBox1->text(), QStringLiteral("COM_RTS"));
    QCOMPARE(form.ui.CheckBox2->text(), QStringLiteral("COM_DTR"));
    QVERIFY(form.ui.discomm->text().isEmpty());
    QVERIFY(form.ui.Memo8->toPlainText().isEmpty());
    QCOMPARE(form.ui.Memo8->document()->blockCount(), 1);
    QVERIFY(!form.ui.Timer2->isActive());
    QCOMPARE(form.ui.Timer2->interval(), 300);
    QCOMPARE(PartOf<TReplyIntake>(form).RecvMode, RecvMode::Idle);
    QVERIFY(PartOf<TReplyIntake>(form).RecvText.isEmpty());
    QVERIFY(!PartOf<TPortLink>(form).PortOpened());
    QCOMPARE(form.ui.ComboBox7->ItemIndex(), 0);
    for (TComboBox* c : {form.ui.BOADZ, form.ui.BOADA, form.ui.BOADB, form.ui.BOADC})
        QCOMPARE(c->Text(), QStringLiteral("9600"));
    for (TComboBox* c : {form.ui.ODDZ, form.ui.ODDA, form.ui.ODDB, form.ui.ODDC})
        QCOMPARE(c->Text(), QStringLiteral("None"));
    for (TComboBox* c : {form.ui.STOPZ, form.ui.STOPA, form.ui.STOPB, form.ui.STOPC})
        QCOMPARE(c->Text(), QStringLiteral("1位"));
    for (QLineEdit* e : {form.ui.Edit1, form.ui.Edit2, form.ui.Edit3})
        QCOMPARE(e->text(), QStringLiteral("10"));
    QCOMPARE(form.ui.PCBSN->text(), QStringLiteral("00000000"));
    QCOMPARE(form.ui.JIANZHI->Text(), QStringLiteral("001"));
    for (const TSlotControls& s : form.ui.Slots) {
        QCOMPARE(s.COMEN->Text(), QStringLiteral("1打开"));
        QCOMPARE(s.COMA->text(), QStringLiteral("0103000000044409"));
        QCOMPARE(s.COMBY[0]->text(), QStringLiteral("01"));
        QCOMPARE(s.COMBY[1]->text(), QStringLiteral("03"));
        QCOMPARE(s.COMBY[2]->text(), QStringLiteral("00"));
    }
    QCOMPARE(form.ui.Label41->text(), QStringLiteral("VQ830-A(B) 智能分配器(透传)"));
    QCOMPARE(form.ui.Label2->text(), QStringLiteral("KORVAT"));
    QCOMPARE(form.ui.Label101->text(), QStringLiteral("需要重新起动才起作用"));
    QCOMPARE(form.ui.GroupBox1->title(), QStringLiteral("主串口通讯接口"));
    QCOMPARE(form.ui.Button49->text(), QStringLiteral("查询1"));
    QCOMPARE(form.ui.Button26->text(), QStringLiteral("清除缓冲区"));
    QVERIFY(form.windowTitle().isEmpty());
    QCOMPARE(form.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
}

void MainWindowTest::itemListsGiveTheWireIndexes() {
    TForm1 form;
    for (TComboBox* c :
         {form.ui.ComboBox1, form.ui.BOADZ, form.ui.BOADA, form.ui.BOADB, form.ui.BOADC})
        QCOMPARE(Items(c), kBaud);
    for (TComboBox* c : {form.ui.ComboBox2, form.ui.ODDZ, form.ui.ODDA, form.ui.ODDB, form.ui.ODDC})
        QCOMPARE(Items(c), kParity);
    for (TComboBox* c :
         {form.ui.ComboBox3, form.ui.STOPZ, form.ui.STOPA, form.ui.STOPB, form.ui.STOPC})
        QCOMPARE(Items(c), kStop);
    QCOMPARE(Items(form.ui.ComboBox7), QStringList({QStringLiteral("0) 多主一从(透传模式)"),
                                                    QStringLiteral("1) 多主一从(指令预设置)"),
                                                    QStringLiteral("2)指令模式")}));
    for (const TSlotControls& s : form.ui.Slots)
        QCOMPARE(Items(s.COMEN), QStringList({QStringLiteral("0关闭"), QStringLiteral("1打开")}));
    QStringList ports;
    for (int i = 1; i <= 12; ++i)
        ports << QStringLiteral("COM%1").arg(i);
    QCOMPARE(Items(form.ui.SPREALCOM).mid(0, 12), ports); // then the serial devices present
    // Tester 007 can be picked: no duplicate "006".
    QCOMPARE(Items(form.ui.JIANZHI), QStringList({"001", "002", "003", "004", "005", "006", "007",
                                                  "008", "009", "101", "102", "103", "104"}));
}

void MainWindowTest::slotGroupsSitOnTheirPages() {
    TForm1 form;
    QCOMPARE(form.ui.PageControl1->count(), 4);
    const QStringList captions = {
        QStringLiteral("系统参数"), QStringLiteral("多主一从(方式4)CAMD1-3"),
        QStringLiteral("多主一从(方式4)CAMD4-7"), QStringLiteral("多主一从(方式4)CAMD8-10")};
    QWidget* pages[] = {form.ui.TabSheet6, form.ui.TabSheet2, form.ui.TabSheet7, form.ui.TabSheet8};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(form.ui.PageControl1->tabText(i), captions[i]);
        QCOMPARE(form.ui.PageControl1->widget(i), pages[i]);
    }
    const int buttonsOfSlot[9][4] = {{11, 12, 13, 14}, {15, 16, 17, 18}, {19, 20, 21, 22},
                                     {27, 5, 7, 25},   {28, 29, 30, 31}, {32, 33, 34, 35},
                                     {39, 36, 37, 38}, {40, 41, 42, 43}, {44, 45, 46, 47}};
    for (int slot = 1; slot <= 9; ++slot) {
        const TSlotControls& s = form.ui.Slots[slot - 1];
        QWidget* page = pages[1 + (slot - 1) / 3];
        QCOMPARE(s.Group->parentWidget(), page);
        QCOMPARE(s.Group->title(), QStringLiteral("读取仪表指令%1设置").arg(slot));
        QCOMPARE(s.Group->geometry(), QRect(8, 8 + 80 * ((slot - 1) % 3), 673, 73));
        for (QWidget* w :
             std::initializer_list<QWidget*>{s.COMEN, s.COMA, s.COMBY[0], s.COMBY[1], s.COMBY[2]})
            QCOMPARE(w->parentWidget(), s.Group);
        QPushButton* row[] = {s.CommandQuery, s.CommandWrite, s.HeaderQuery, s.HeaderWrite};
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(row[k]->objectName(),
                     QStringLiteral("Button%1").arg(buttonsOfSlot[slot - 1][k]));
            QCOMPARE(row[k]->parentWidget(), s.Group);
            QCOMPARE(row[k]->text(), k % 2 == 0 ? QStringLiteral("查询") : QStringLiteral("设置"));
        }
    }
}

void MainWindowTest::layoutIsFixed() {
    TForm1 form;
    QCOMPARE(form.ui.Label41->geometry(), QRect(155, 8, 318, 25));
    QCOMPARE(form.ui.GroupBox1->geometry(), QRect(16, 40, 689, 49));
    QCOMPARE(form.ui.PageControl1->geometry(), QRect(16, 96, 689, 289));
    QCOMPARE(form.ui.discomm->geometry(), QRect(104, 472, 585, 21));
    QCOMPARE(form.ui.Memo8->geometry(), QRect(104, 504, 585, 49));
    QCOMPARE(form.ui.Button26->geometry(), QRect(8, 528, 81, 25));
    QCOMPARE(form.ui.CheckBox2->x(), 24);
    QCOMPARE(form.ui.CheckBox1->x(), 120);
    QCOMPARE(form.ui.Memo8->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(form.ui.Memo8->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QList<QRect> before;
    const QList<QWidget*> all = form.findChildren<QWidget*>();
    for (QWidget* w : all)
        before << w->geometry();
    form.resize(1200, 900);
    QCoreApplication::processEvents();
    for (int i = 0; i < all.size(); ++i)
        if (all[i]->parentWidget() == &form) QCOMPARE(all[i]->geometry(), before[i]);
}

void MainWindowTest::selectedIndexFollowsTypedText() {
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    TComboBox* baud = form.ui.BOADZ;
    QLineEdit* field = baud->lineEdit();
    field->selectAll();
    QTest::keyClicks(field, "19200");
    QCOMPARE(baud->Text(), QStringLiteral("19200"));
    QCOMPARE(baud->ItemIndex(), 4);
    field->selectAll();
    QTest::keyClicks(field, "14400"); // matches no item
    QCOMPARE(baud->ItemIndex(), -1);
    QTest::keyClick(field, Qt::Key_Return); // Enter adds no item
    QCOMPARE(baud->count(), 8);
    QCOMPARE(baud->ItemIndex(), -1);
    field->selectAll();
    QTest::keyClicks(field, "none"); // matching is exact, case included
    QCOMPARE(form.ui.ODDZ->ItemIndex(), 0);
    form.ui.ODDZ->lineEdit()->selectAll();
    QTest::keyClicks(form.ui.ODDZ->lineEdit(), "even");
    QCOMPARE(form.ui.ODDZ->ItemIndex(), -1);
    form.ui.ODDZ->lineEdit()->selectAll();
    QTest::keyClicks(form.ui.ODDZ->lineEdit(), "Even");
    QCOMPARE(form.ui.ODDZ->ItemIndex(), 2);
    // Picking an item from the list selects it.
    form.ui.STOPZ->setCurrentIndex(1);
    QCOMPARE(form.ui.STOPZ->ItemIndex(), 1);
    QCOMPARE(form.ui.STOPZ->Text(), QStringLiteral("2位"));
}

void MainWindowTest::settingAnIndexPastTheEndClearsTheList() {
    TForm1 form;
    form.ui.BOADZ->SetItemIndex(8);
    QCOMPARE(form.ui.BOADZ->ItemIndex(), -1);
    QVERIFY(form.ui.BOADZ->Text().isEmpty());
    form.ui.ComboBox7->SetItemIndex(5);
    QCOMPARE(form.ui.ComboBox7->ItemIndex(), -1);
    QVERIFY(form.ui.ComboBox7->Text().isEmpty());
    form.ui.BOADZ->SetItemIndex(7);
    QCOMPARE(form.ui.BOADZ->Text(), QStringLiteral("115200"));
    QCOMPARE(form.ui.BOADZ->ItemIndex(), 7);
}

void MainWindowTest::chineseCaptionsHaveGlyphs() {
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    int checked = 0;
    auto verify = [&](const QFont& font, const QString& text, const QString& where) {
        // The font the caption is drawn with, not the fallbacks behind it.
        const QRawFont raw = QRawFont::fromFont(font);
        for (char32_t c : text.toUcs4()) {
            if (c == U' ') continue;
            QVERIFY2(raw.supportsCharacter(uint(c)),
                     qPrintable(QStringLiteral("%1: %2 lacks U+%3 of \"%4\"")
                                    .arg(where, QFontInfo(font).family())
                                    .arg(uint(c), 4, 16, QLatin1Char('0'))
                                    .arg(text)));
        }
        ++checked;
    };
    for (QLabel* l : form.findChildren<QLabel*>())
        verify(l->font(), l->text(), "label");
    for (QAbstractButton* b : form.findChildren<QAbstractButton*>())
        verify(b->font(), b->text(), b->objectName());
    for (QGroupBox* g : form.findChildren<QGroupBox*>())
        verify(g->font(), g->title(), "group");
    for (int i = 0; i < form.ui.PageControl1->count(); ++i)
        verify(form.ui.PageControl1->tabBar()->font(), form.ui.PageControl1->tabText(i), "tab");
    for (TComboBox* c : form.findChildren<TComboBox*>())
        for (int i = 0; i < c->count(); ++i)
            verify(c->font(), c->itemText(i), c->objectName());
    QVERIFY(checked > 100);
    // The check has teeth: a Latin-only font does not count as covering Chinese text.
    if (QFontDatabase::hasFamily("DejaVu Sans")) {
        QFont latin("DejaVu Sans");
        QVERIFY(!QRawFont::fromFont(latin).supportsCharacter(uint(U'中')));
    }
    // The title label is bold and 21 pixels high.
    QVERIFY(form.ui.Label41->font().bold());
    QCOMPARE(form.ui.Label41->font().pixelSize(), 21);
}

void MainWindowTest::applicationTitleAndFullStopRule() {
    QCOMPARE(ApplicationTitle("/usr/local/bin/vq830-tool"), QStringLiteral("vq830-tool"));
    QCOMPARE(ApplicationTitle("/opt/VQ830-Tool.bin"), QStringLiteral("Vq830-tool"));
    QCOMPARE(ApplicationTitle("C:/Tools/Project1.exe"), QStringLiteral("Project1"));
    QCOMPARE(WithFullStop("Error opening serial port"),
             QStringLiteral("Error opening serial port."));
    QCOMPARE(WithFullStop("'' is not a valid integer value"),
             QStringLiteral("'' is not a valid integer value."));
    QCOMPARE(WithFullStop("Done."), QStringLiteral("Done."));
    QCOMPARE(WithFullStop("File handle is not a comm handle "),
             QStringLiteral("File handle is not a comm handle "));
    QCOMPARE(WithFullStop("a,"), QStringLiteral("a,"));
    QCOMPARE(WithFullStop("a-"), QStringLiteral("a-"));
    QCOMPARE(WithFullStop("a/"), QStringLiteral("a/.")); // "/" is 47, above "."
    QCOMPARE(WithFullStop(QStringLiteral("单数")), QStringLiteral("单数."));
    QCOMPARE(WithFullStop(""), QString());
}

void MainWindowTest::errorInAHandlerShowsTheBoxAndTheWindowGoesOn() {
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    bool after = false;
    ModalCapture box = CaptureModal([&] {
        RunHandler(&form, [&] {
            form.ui.discomm->setText("changed before the error");
            throw EAppError("'abc' is not a valid integer value");
            after = true;
        });
    });
    QVERIFY(box.seen());
    QCOMPARE(box.title, ApplicationTitle());
    QCOMPARE(box.title, QStringLiteral("ui_test_main_window"));
    QCOMPARE(box.text, QStringLiteral("'abc' is not a valid integer value."));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY(!after);
    QCOMPARE(form.ui.discomm->text(), QStringLiteral("changed before the error"));
    QVERIFY(form.isVisible());
    // Unknown errors are reported too.
    box = CaptureModal([&] { RunHandler(&form, [] { throw 42; }); });
    QVERIFY(box.seen());
}

void MainWindowTest::portObjectHoldsItsStoredValues() {
    TForm1 form;
    TComm& c = *form.ui.Comm1;
    QVERIFY(!c.IsOpen());
    QCOMPARE(c.CommName(), std::string("COM2"));
    QCOMPARE(c.BaudRate(), 115200u);
    QVERIFY(!c.ParityCheck() && !c.Outx_CtsFlow() && !c.Outx_DsrFlow() && !c.DsrSensitivity());
    QVERIFY(c.TxContinueOnXoff() && c.Outx_XonXoffFlow() && c.Inx_XonXoffFlow());
    QVERIFY(!c.ReplaceWhenParityError() && !c.IgnoreNullChar());
    QCOMPARE(c.DtrControl(), TDtrControl::DtrEnable);
    QCOMPARE(c.RtsControl(), TRtsControl::RtsEnable);
    QCOMPARE(c.XonLimit(), uint16_t(500));
    QCOMPARE(c.XoffLimit(), uint16_t(500));
    QCOMPARE(c.ByteSize(), TByteSize::_8);
    QCOMPARE(c.Parity(), TParity::None);
    QCOMPARE(c.StopBits(), TStopBits::_1);
    QCOMPARE(c.XonChar(), uint8_t(17));
    QCOMPARE(c.XoffChar(), uint8_t(19));
    QCOMPARE(c.ReplacedChar(), uint8_t(0));
    QCOMPARE(c.ReadIntervalTimeout(), 100u);
    QCOMPARE(c.ReceiveBacklogLimit(), 4096u); // two batches wait for the window at most
    QCOMPARE(c.ReadTotalTimeoutMultiplier() + c.ReadTotalTimeoutConstant() +
                 c.WriteTotalTimeoutMultiplier() + c.WriteTotalTimeoutConstant(),
             0u);
    QVERIFY(bool(c.OnReceiveData));
    QVERIFY(!c.OnModemStateChange && !c.OnSendDataEmpty);
    // The window closes a port that went away and tells of line errors in its status line.
    QVERIFY(c.OnRequestHangup && c.OnReceiveError);
    // With the port closed a send queues nothing.
    QVERIFY(!c.SendBytes("PPPPPP#QX1#", 11));
}

void MainWindowTest::clearBufferButtonEmptiesTheReceiveMemo() {
    TForm1 form;
    form.ui.Memo8->setPlainText("line one\nline two");
    form.ui.Button26->click();
    QVERIFY(form.ui.Memo8->toPlainText().isEmpty());
}

void MainWindowTest::tabLeavesTheMemoAndTheWindowKeepsItsSize() {
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.ui.Memo8->setFocus();
    QTest::keyClick(form.ui.Memo8, Qt::Key_Tab);
    QVERIFY(!form.ui.Memo8->toPlainText().contains(u'\t'));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.ui.Button26));
    form.resize(400, 300); // smaller than designed: the controls would be clipped
    QCOMPARE(form.size(), QSize(759, 575));
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
