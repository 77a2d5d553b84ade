// The main window as a technician first sees it: controls, captions, defaults, item
// lists, the selected-index rule of the drop-down lists, glyph coverage of the Chinese
// captions, the application's error report and the stored values of the port object.
#include "modal_capture.h"
#include "ui/combo_box.h"
#include "ui/error_report.h"
#include "ui/main_window.h"

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
    // On the window itself: those 49, "通讯记录" (the traffic log is a window of its own) and
    // the four beside the record box.
    const auto all = form.findChildren<QPushButton*>();
    QCOMPARE(
        std::count_if(all.begin(), all.end(), [&](QPushButton* b) { return b->window() == &form; }),
        54);
    for (int n = 54; n <= 58; ++n)
        QVERIFY(form.findChildren<QObject*>(QStringLiteral("Button%1").arg(n)).size() == 1);
}

void MainWindowTest::defaultsAtStart() {
    TForm1 form;
    QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet6);
    QCOMPARE(form.SPREALCOM->Text(), QStringLiteral("COM4"));
    QCOMPARE(form.SPREALCOM->ItemIndex(), 3);
    QCOMPARE(form.ComboBox1->Text(), QStringLiteral("9600"));
    QCOMPARE(form.ComboBox2->Text(), QStringLiteral("None"));
    QCOMPARE(form.ComboBox3->Text(), QStringLiteral("1位"));
    QCOMPARE(form.Button1->text(), QStringLiteral("打开串口"));
    QCOMPARE(form.Button6->text(), QStringLiteral("通讯查询"));
    QVERIFY(form.Button1->isEnabled() && form.Button6->isEnabled());
    QVERIFY(!form.CheckBox1->isChecked() && !form.CheckBox2->isChecked());
    QCOMPARE(form.CheckBox1->text(), QStringLiteral("COM_RTS"));
    QCOMPARE(form.CheckBox2->text(), QStringLiteral("COM_DTR"));
    QVERIFY(form.discomm->text().isEmpty());
    QVERIFY(form.Memo8->toPlainText().isEmpty());
    QCOMPARE(form.Memo8->document()->blockCount(), 1);
    QVERIFY(!form.Timer2->isActive());
    QCOMPARE(form.Timer2->interval(), 300);
    QCOMPARE(form.RecvMode, RecvMode::Idle);
    QVERIFY(form.RecvText.isEmpty());
    QVERIFY(!form.PortOpened);
    QCOMPARE(form.ComboBox7->ItemIndex(), 0);
    for (TComboBox* c : {form.BOADZ, form.BOADA, form.BOADB, form.BOADC})
        QCOMPARE(c->Text(), QStringLiteral("9600"));
    for (TComboBox* c : {form.ODDZ, form.ODDA, form.ODDB, form.ODDC})
        QCOMPARE(c->Text(), QStringLiteral("None"));
    for (TComboBox* c : {form.STOPZ, form.STOPA, form.STOPB, form.STOPC})
        QCOMPARE(c->Text(), QStringLiteral("1位"));
    for (QLineEdit* e : {form.Edit1, form.Edit2, form.Edit3})
        QCOMPARE(e->text(), QStringLiteral("10"));
    QCOMPARE(form.PCBSN->text(), QStringLiteral("00000000"));
    QCOMPARE(form.JIANZHI->Text(), QStringLiteral("001"));
    for (const TSlotControls& s : form.Slots) {
        QCOMPARE(s.COMEN->Text(), QStringLiteral("1打开"));
        QCOMPARE(s.COMA->text(), QStringLiteral("0103000000044409"));
        QCOMPARE(s.COMBY[0]->text(), QStringLiteral("01"));
        QCOMPARE(s.COMBY[1]->text(), QStringLiteral("03"));
        QCOMPARE(s.COMBY[2]->text(), QStringLiteral("00"));
    }
    QCOMPARE(form.Label41->text(), QStringLiteral("VQ830-A(B) 智能分配器(透传)"));
    QCOMPARE(form.Label2->text(), QStringLiteral("KORVAT"));
    QCOMPARE(form.Label101->text(), QStringLiteral("需要重新起动才起作用"));
    QCOMPARE(form.GroupBox1->title(), QStringLiteral("主串口通讯接口"));
    QCOMPARE(form.Button49->text(), QStringLiteral("查询1"));
    QCOMPARE(form.Button26->text(), QStringLiteral("清除缓冲区"));
    QVERIFY(form.windowTitle().isEmpty());
    QCOMPARE(form.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
}

void MainWindowTest::itemListsGiveTheWireIndexes() {
    TForm1 form;
    for (TComboBox* c : {form.ComboBox1, form.BOADZ, form.BOADA, form.BOADB, form.BOADC})
        QCOMPARE(Items(c), kBaud);
    for (TComboBox* c : {form.ComboBox2, form.ODDZ, form.ODDA, form.ODDB, form.ODDC})
        QCOMPARE(Items(c), kParity);
    for (TComboBox* c : {form.ComboBox3, form.STOPZ, form.STOPA, form.STOPB, form.STOPC})
        QCOMPARE(Items(c), kStop);
    QCOMPARE(Items(form.ComboBox7), QStringList({QStringLiteral("0) 多主一从(透传模式)"),
                                                 QStringLiteral("1) 多主一从(指令预设置)"),
                                                 QStringLiteral("2)指令模式")}));
    for (const TSlotControls& s : form.Slots)
        QCOMPARE(Items(s.COMEN), QStringList({QStringLiteral("0关闭"), QStringLiteral("1打开")}));
    QStringList ports;
    for (int i = 1; i <= 12; ++i)
        ports << QStringLiteral("COM%1").arg(i);
    QCOMPARE(Items(form.SPREALCOM).mid(0, 12), ports); // then the serial devices present
    // Tester 007 can be picked: no duplicate "006".
    QCOMPARE(Items(form.JIANZHI), QStringList({"001", "002", "003", "004", "005", "006", "007",
                                               "008", "009", "101", "102", "103", "104"}));
}

void MainWindowTest::slotGroupsSitOnTheirPages() {
    TForm1 form;
    QCOMPARE(form.PageControl1->count(), 4);
    const QStringList captions = {
        QStringLiteral("系统参数"), QStringLiteral("多主一从(方式4)CAMD1-3"),
        QStringLiteral("多主一从(方式4)CAMD4-7"), QStringLiteral("多主一从(方式4)CAMD8-10")};
    QWidget* pages[] = {form.TabSheet6, form.TabSheet2, form.TabSheet7, form.TabSheet8};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(form.PageControl1->tabText(i), captions[i]);
        QCOMPARE(form.PageControl1->widget(i), pages[i]);
    }
    const int buttonsOfSlot[9][4] = {{11, 12, 13, 14}, {15, 16, 17, 18}, {19, 20, 21, 22},
                                     {27, 5, 7, 25},   {28, 29, 30, 31}, {32, 33, 34, 35},
                                     {39, 36, 37, 38}, {40, 41, 42, 43}, {44, 45, 46, 47}};
    for (int slot = 1; slot <= 9; ++slot) {
        const TSlotControls& s = form.Slots[slot - 1];
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
    QCOMPARE(form.Label41->geometry(), QRect(155, 8, 318, 25));
    QCOMPARE(form.GroupBox1->geometry(), QRect(16, 40, 689, 49));
    QCOMPARE(form.PageControl1->geometry(), QRect(16, 96, 689, 289));
    QCOMPARE(form.discomm->geometry(), QRect(104, 472, 585, 21));
    QCOMPARE(form.Memo8->geometry(), QRect(104, 504, 585, 49));
    QCOMPARE(form.Button26->geometry(), QRect(8, 528, 81, 25));
    QCOMPARE(form.CheckBox2->x(), 24);
    QCOMPARE(form.CheckBox1->x(), 120);
    QCOMPARE(form.Memo8->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(form.Memo8->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
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
    TComboBox* baud = form.BOADZ;
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
    QCOMPARE(form.ODDZ->ItemIndex(), 0);
    form.ODDZ->lineEdit()->selectAll();
    QTest::keyClicks(form.ODDZ->lineEdit(), "even");
    QCOMPARE(form.ODDZ->ItemIndex(), -1);
    form.ODDZ->lineEdit()->selectAll();
    QTest::keyClicks(form.ODDZ->lineEdit(), "Even");
    QCOMPARE(form.ODDZ->ItemIndex(), 2);
    // Picking an item from the list selects it.
    form.STOPZ->setCurrentIndex(1);
    QCOMPARE(form.STOPZ->ItemIndex(), 1);
    QCOMPARE(form.STOPZ->Text(), QStringLiteral("2位"));
}

void MainWindowTest::settingAnIndexPastTheEndClearsTheList() {
    TForm1 form;
    form.BOADZ->SetItemIndex(8);
    QCOMPARE(form.BOADZ->ItemIndex(), -1);
    QVERIFY(form.BOADZ->Text().isEmpty());
    form.ComboBox7->SetItemIndex(5);
    QCOMPARE(form.ComboBox7->ItemIndex(), -1);
    QVERIFY(form.ComboBox7->Text().isEmpty());
    form.BOADZ->SetItemIndex(7);
    QCOMPARE(form.BOADZ->Text(), QStringLiteral("115200"));
    QCOMPARE(form.BOADZ->ItemIndex(), 7);
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
    for (int i = 0; i < form.PageControl1->count(); ++i)
        verify(form.PageControl1->tabBar()->font(), form.PageControl1->tabText(i), "tab");
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
    QVERIFY(form.Label41->font().bold());
    QCOMPARE(form.Label41->font().pixelSize(), 21);
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
            form.discomm->setText("changed before the error");
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
    QCOMPARE(form.discomm->text(), QStringLiteral("changed before the error"));
    QVERIFY(form.isVisible());
    // Unknown errors are reported too.
    box = CaptureModal([&] { RunHandler(&form, [] { throw 42; }); });
    QVERIFY(box.seen());
}

void MainWindowTest::portObjectHoldsItsStoredValues() {
    TForm1 form;
    TComm& c = form.Comm1;
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
    form.Memo8->setPlainText("line one\nline two");
    form.Button26->click();
    QVERIFY(form.Memo8->toPlainText().isEmpty());
}

void MainWindowTest::tabLeavesTheMemoAndTheWindowKeepsItsSize() {
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.Memo8->setFocus();
    QTest::keyClick(form.Memo8, Qt::Key_Tab);
    QVERIFY(!form.Memo8->toPlainText().contains(u'\t'));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.Button26));
    form.resize(400, 300); // smaller than designed: the controls would be clipped
    QCOMPARE(form.size(), QSize(759, 575));
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
