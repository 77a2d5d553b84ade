// The window's sending buttons and its reply intake: frames built from the controls,
// what each failure leaves unchanged, batches kept and shown under each reply code, and
// replies parsed into the controls on the timer's tick.
#include "../form_parts.h"
#include "modal_capture.h"
#include "protocol/recv_mode.h"
#include "pty/pty_pair.h"
#include "serial/comm.h"
#include "ui/combo_box.h"
#include "ui/error_report.h"
#include "ui/main_window.h"
#include "ui/port_link.h"
#include "ui/reply_intake.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>

namespace {

const QString kDefaultCode = QStringLiteral("0103000000044409");

QPushButton* ButtonOf(TForm1& form, int n) {
    return form.findChild<QPushButton*>(QStringLiteral("Button%1").arg(n));
}

// Delivers a batch to the receive handler as the port object would.
void Deliver(TForm1& form, const QByteArray& bytes) {
    PartOf<TReplyIntake>(form).Receive(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                       uint16_t(bytes.size()));
}

// Runs a button's click handler as the button table names it.
void ClickHandlerOf(TForm1& form, int number) {
    for (const TButtonEntry& b : ButtonTable())
        if (b.number == number) (form.*b.click)();
}

// Waits for the pending tick of Timer2 to run.
bool WaitForTick(TForm1& form) {
    return QTest::qWaitFor([&] { return !form.ui.Timer2->isActive(); }, 3000);
}

} // namespace

class HandlersTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void everyButtonAtTheDefaults_data();
    void everyButtonAtTheDefaults();
    void framesFollowTheControls();
    void slotButtonsCarryTheirSlot();
    void conversionFailureSendsNothing();
    void oddCommandLengthShowsTheMessageOnly();
    void delimiterInAFieldSendsNothing();
    void framesGoOutOnTheLine();
    void textOutsideLatin1GoesOutAsQuestionMarks();

    void batchesWhileIdleAreDropped();
    void batchesAfterAWriteAreShownOnly();
    void longBatchIsCutTo255Bytes();
    void qx1ReplyFillsTheSystemPage();
    void onlyTheLastBatchBeforeTheTickIsParsed();
    void parseErrorsReportAndStop();
    void slotRepliesFillTheReplysSlot();
    void commandBetweenBatchAndTickDecidesTheTick();
    void receivePathEndToEndThroughThePort();
    void receiveHandlerPausesThreeTenthsOfASecond();
    void errorUnderAnOpenErrorBoxOpensNoOther();

private:
    TForm1* form = nullptr;
};

void HandlersTest::init() {
    form = new TForm1;
    PartOf<TReplyIntake>(*form).ReceivePauseMs =
        0; // the pause itself is exercised in the end-to-end case
}

void HandlersTest::cleanup() { delete form; }

void HandlersTest::everyButtonAtTheDefaults_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("mode");
    QTest::newRow("24 MOD") << 24 << "KORVAT#MOD:0#" << 100;
    QTest::newRow("9 BAZ") << 9 << "KORVAT#BAZ:300#" << 100;
    QTest::newRow("8 BAA") << 8 << "KORVAT#BAA:300#" << 100;
    QTest::newRow("10 BAB") << 10 << "KORVAT#BAB:300#" << 100;
    QTest::newRow("48 BAC") << 48 << "KORVAT#BAC:300#" << 100;
    QTest::newRow("50 OTM") << 50 << "KORVAT#OTM:010#" << 100;
    QTest::newRow("51 RTM") << 51 << "KORVAT#RTM:010#" << 100;
    QTest::newRow("52 ODM") << 52 << "KORVAT#ODM:010#" << 100;
    QTest::newRow("49 QX1") << 49 << "PPPPPP#QX1#" << 201;
    QTest::newRow("6 VAR") << 6 << "PPPPPP#VAR#" << 100;
    QTest::newRow("53 PCBSN") << 53 << "PPPPPP#PCBSN:00000000,001#" << 100;
    const int buttons[9][4] = {{11, 12, 13, 14}, {15, 16, 17, 18}, {19, 20, 21, 22},
                               {27, 5, 7, 25},   {28, 29, 30, 31}, {32, 33, 34, 35},
                               {39, 36, 37, 38}, {40, 41, 42, 43}, {44, 45, 46, 47}};
    for (int slot = 1; slot <= 9; ++slot) {
        const int* b = buttons[slot - 1];
        QTest::addRow("%d COMR0%d", b[0], slot)
            << b[0] << QStringLiteral("PPPPPP#COMR0%1#").arg(slot) << 1501;
        QTest::addRow("%d COMW%d", b[1], slot)
            << b[1] << QStringLiteral("KORVAT#COMW%1:1,160103000000044409#").arg(slot) << 106;
        QTest::addRow("%d COMP0%d?", b[2], slot)
            << b[2] << QStringLiteral("PPPPPP#COMP0%1#").arg(slot) << 1502;
        QTest::addRow("%d COMP0%d:", b[3], slot)
            << b[3] << QStringLiteral("KORVAT#COMP0%1:010300#").arg(slot) << 106;
    }
}

void HandlersTest::everyButtonAtTheDefaults() {
    QFETCH(int, button);
    QFETCH(QString, frame);
    QFETCH(int, mode);
    form->ui.Memo8->setPlainText("an earlier answer");
    QPushButton* b = ButtonOf(*form, button);
    QVERIFY(b);
    const ModalCapture boxes = CaptureModal([&] { b->click(); });
    QCOMPARE(boxes.count, 0);
    QCOMPARE(form->ui.discomm->text(), frame);
    QVERIFY(form->ui.Memo8->toPlainText().isEmpty());
    QCOMPARE(int(PartOf<TReplyIntake>(*form).RecvMode), mode);
}

void HandlersTest::framesFollowTheControls() {
    struct Case {
        std::function<void()> change;
        int button;
        QString frame;
    };
    const Case cases[] = {
        {[&] { form->ui.ComboBox7->SetItemIndex(2); }, 24, "KORVAT#MOD:2#"},
        {[&] { form->ui.ComboBox7->setEditText("2)指令"); }, 24, "KORVAT#MOD:-1#"},
        {[&] {
             form->ui.BOADC->SetItemIndex(7);
             form->ui.ODDC->SetItemIndex(2);
             form->ui.STOPC->SetItemIndex(1);
         },
         48, "KORVAT#BAC:721#"},
        {[&] { form->ui.BOADZ->setEditText("14400"); }, 9, "KORVAT#BAZ:-100#"},
        {[&] { form->ui.Edit1->setText("5"); }, 50, "KORVAT#OTM:005#"},
        {[&] { form->ui.Edit1->setText("1000"); }, 50, "KORVAT#OTM:1000#"},
        {[&] { form->ui.Edit2->setText("-5"); }, 51, "KORVAT#RTM:-005#"},
        {[&] { form->ui.Edit3->setText("$1F"); }, 52, "KORVAT#ODM:031#"},
        {[&] { form->ui.Edit3->setText(" 2147483647"); }, 52, "KORVAT#ODM:2147483647#"},
        {[&] {
             form->ui.PCBSN->setText("123");
             form->ui.JIANZHI->SetItemIndex(10);
         },
         53, "PPPPPP#PCBSN:00000123,102#"},
        {[&] { form->ui.JIANZHI->setEditText("7"); }, 53, "PPPPPP#PCBSN:00000000,007#"},
        {[&] { form->ui.PCBSN->setText("-42"); }, 53, "PPPPPP#PCBSN:-00000042,001#"},
        {[&] { form->ui.Slots[0].COMEN->SetItemIndex(0); }, 12,
         "KORVAT#COMW1:0," + QString("16") + kDefaultCode + "#"},
        {[&] { form->ui.Slots[0].COMA->setText("01030000"); }, 12, "KORVAT#COMW1:1,0801030000#"},
        {[&] { form->ui.Slots[0].COMA->clear(); }, 12, "KORVAT#COMW1:1,00#"},
        {[&] { form->ui.Slots[0].COMA->setText(QString(120, 'A')); }, 12,
         "KORVAT#COMW1:1,120" + QString(120, 'A') + "#"},
        {[&] {
             for (QLineEdit* e : form->ui.Slots[0].COMBY)
                 e->clear();
         },
         14, "KORVAT#COMP01:#"},
        {[&] {
             form->ui.Slots[8].COMBY[0]->setText("A");
             form->ui.Slots[8].COMBY[1]->setText("BCD");
             form->ui.Slots[8].COMBY[2]->setText("xy");
         },
         47, "KORVAT#COMP09:ABCDxy#"},
    };
    for (const Case& c : cases) {
        delete form;
        form = new TForm1;
        c.change();
        ButtonOf(*form, c.button)->click();
        QCOMPARE(form->ui.discomm->text(), c.frame);
    }
}

void HandlersTest::slotButtonsCarryTheirSlot() {
    ButtonOf(*form, 27)->click();
    QCOMPARE(form->ui.discomm->text(), QStringLiteral("PPPPPP#COMR04#"));
    form->ui.Slots[3].COMA->setText("0A0B");
    form->ui.Slots[3].COMEN->SetItemIndex(0);
    ButtonOf(*form, 5)->click();
    QCOMPARE(form->ui.discomm->text(), QStringLiteral("KORVAT#COMW4:0,040A0B#"));
    ButtonOf(*form, 7)->click();
    QCOMPARE(form->ui.discomm->text(), QStringLiteral("PPPPPP#COMP04#"));
    form->ui.Slots[3].COMBY[2]->setText("FF");
    ButtonOf(*form, 25)->click();
    QCOMPARE(form->ui.discomm->text(), QStringLiteral("KORVAT#COMP04:0103FF#"));
    // The named handlers do what their buttons do.
    ClickHandlerOf(*form, 44);
    QCOMPARE(form->ui.discomm->text(), QStringLiteral("PPPPPP#COMR09#"));
    ClickHandlerOf(*form, 36);
    QCOMPARE(form->ui.discomm->text(), QStringLiteral("KORVAT#COMW7:1,160103000000044409#"));
}

void HandlersTest::conversionFailureSendsNothing() {
    struct Case {
        QLineEdit* field;
        QString text;
        int button;
        int modeAfter; // the timing writes store 100 before converting
    };
    const Case cases[] = {
        {form->ui.Edit1, "", 50, 100},
        {form->ui.Edit2, "1 ", 51, 100},
        {form->ui.Edit3, "99999999999", 52, 100},
        {form->ui.PCBSN, "abc", 53, 201},
        {form->ui.JIANZHI->lineEdit(), QStringLiteral("中"), 53, 201},
    };
    for (const Case& c : cases) {
        ButtonOf(*form, 49)->click(); // RecvMode 201, discomm holds the QX1 frame
        form->ui.Memo8->setPlainText("kept");
        c.field->setText(c.text);
        const ModalCapture box = CaptureModal([&] { ButtonOf(*form, c.button)->click(); });
        QCOMPARE(box.count, 1);
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.text, QStringLiteral("'%1' is not a valid integer value.").arg(c.text));
        QCOMPARE(form->ui.discomm->text(), QStringLiteral("PPPPPP#QX1#"));
        QCOMPARE(form->ui.Memo8->toPlainText(), QStringLiteral("kept"));
        QCOMPARE(int(PartOf<TReplyIntake>(*form).RecvMode), c.modeAfter);
        c.field->setText(c.field == form->ui.PCBSN ? "00000000" : "10");
        if (c.field == form->ui.JIANZHI->lineEdit()) form->ui.JIANZHI->SetItemIndex(0);
    }
}

void HandlersTest::oddCommandLengthShowsTheMessageOnly() {
    ButtonOf(*form, 49)->click();
    form->ui.Memo8->setPlainText("kept");
    form->ui.Slots[0].COMA->setText("010300000004440"); // 15 characters
    const ModalCapture box = CaptureModal([&] { ButtonOf(*form, 12)->click(); });
    QCOMPARE(box.count, 1);
    QCOMPARE(box.text, QStringLiteral("输入数据不能为单数"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.title, QStringLiteral("ui_test_handlers"));
    QCOMPARE(form->ui.discomm->text(), QStringLiteral("PPPPPP#QX1#"));
    QCOMPARE(form->ui.Memo8->toPlainText(), QStringLiteral("kept"));
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvMode, RecvMode::QX1);
}

void HandlersTest::delimiterInAFieldSendsNothing() {
    struct Case {
        QLineEdit* field;
        QString text;
        int button;
        QString named;
    };
    const Case cases[] = {
        {form->ui.Slots[0].COMA, "0#", 12, QStringLiteral("COMA1（指令代码）的内容“0#”")},
        {form->ui.Slots[0].COMBY[0], "0#", 14,
         QStringLiteral("COMBY11（包头第一个字节）的内容“0#”")},
        {form->ui.Slots[8].COMBY[2], "#", 47, QStringLiteral("COMBY93（第三个字节）的内容“#”")},
    };
    form->ui.Slots[0].COMBY[1]->setText("KORVAT#MOD:2"); // what would follow as a second command
    for (const Case& c : cases) {
        ButtonOf(*form, 49)->click();
        form->ui.Memo8->setPlainText("kept");
        const QString old = c.field->text();
        c.field->setText(c.text);
        const ModalCapture box = CaptureModal([&] { ButtonOf(*form, c.button)->click(); });
        c.field->setText(old);
        QCOMPARE(box.count, 1);
        QCOMPARE(box.icon, QMessageBox::Critical);
        QVERIFY2(box.text.startsWith(c.named), qPrintable(box.text));
        QCOMPARE(form->ui.discomm->text(), QStringLiteral("PPPPPP#QX1#"));
        QCOMPARE(form->ui.Memo8->toPlainText(), QStringLiteral("kept"));
        QCOMPARE(PartOf<TReplyIntake>(*form).RecvMode, RecvMode::QX1);
    }
}

void HandlersTest::framesGoOutOnTheLine() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    form->ui.Comm1->SetCommName(pty.SlavePath());
    form->ui.Comm1->SetOutx_XonXoffFlow(false);
    form->ui.Comm1->SetInx_XonXoffFlow(false);
    form->ui.Comm1->OpenPort();
    ButtonOf(*form, 49)->click();
    ButtonOf(*form, 9)->click();
    ButtonOf(*form, 46)->click();
    const std::string expected = "PPPPPP#QX1#KORVAT#BAZ:300#PPPPPP#COMP09#";
    const std::vector<uint8_t> got = pty.Read(expected.size(), std::chrono::seconds(5));
    QCOMPARE(std::string(got.begin(), got.end()), expected);
    // A frame longer than 65,535 bytes goes out whole.
    form->ui.Slots[0].COMA->setText(QString(70000, 'B'));
    ButtonOf(*form, 12)->click();
    const std::string longFrame = "KORVAT#COMW1:1,70000" + std::string(70000, 'B') + "#";
    const std::vector<uint8_t> big = pty.Read(longFrame.size(), std::chrono::seconds(10));
    QCOMPARE(big.size(), longFrame.size());
    QVERIFY(std::string(big.begin(), big.end()) == longFrame);
    form->ui.Comm1->ClosePort();
}

void HandlersTest::textOutsideLatin1GoesOutAsQuestionMarks() {
    form->ui.Slots[0].COMBY[0]->setText(QStringLiteral("中"));
    form->ui.Slots[0].COMBY[1]->setText(QStringLiteral("é"));
    ButtonOf(*form, 14)->click();
    QCOMPARE(form->ui.discomm->text(), QStringLiteral("KORVAT#COMP01:?é00#"));
}

void HandlersTest::batchesWhileIdleAreDropped() {
    form->ui.Memo8->setPlainText("before");
    Deliver(*form, "MOD:1");
    QCOMPARE(form->ui.Memo8->toPlainText(), QStringLiteral("before"));
    QVERIFY(PartOf<TReplyIntake>(*form).RecvText.isEmpty());
    QVERIFY(!form->ui.Timer2->isActive());
}

void HandlersTest::batchesAfterAWriteAreShownOnly() {
    ButtonOf(*form, 24)->click(); // 100
    Deliver(*form, "OK#");
    QCOMPARE(form->ui.Memo8->toPlainText(), QStringLiteral("OK#"));
    Deliver(*form, "MOD:2,BAZ:777");
    QCOMPARE(form->ui.Memo8->toPlainText(), QStringLiteral("MOD:2,BAZ:777"));
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvText, QByteArray("MOD:2,BAZ:777"));
    QVERIFY(!form->ui.Timer2->isActive());
    QCOMPARE(form->ui.ComboBox7->ItemIndex(), 0);
    ButtonOf(*form, 12)->click(); // 106
    Deliver(*form, QByteArray("\xB0\x00z", 3));
    QCOMPARE(form->ui.Memo8->toPlainText(), QString(QChar(0xB0)) + QChar(0) + "z");
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvMode, RecvMode::ShowSlot);
}

void HandlersTest::longBatchIsCutTo255Bytes() {
    ButtonOf(*form, 49)->click();
    QByteArray batch(300, 'x');
    batch.replace(260, 7, "MOD:2,#");
    Deliver(*form, batch);
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvText.size(), 255);
    QCOMPARE(form->ui.Memo8->toPlainText(), QString(255, 'x'));
    QVERIFY(WaitForTick(*form));
    QCOMPARE(form->ui.ComboBox7->ItemIndex(), 0); // the key lay past the cut
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvMode, RecvMode::Idle);
}

void HandlersTest::qx1ReplyFillsTheSystemPage() {
    ButtonOf(*form, 49)->click();
    Deliver(*form, "MOD:1,BAZ:300,BAA:711,BAB:000,BAC:321,OTM:010,RTM:005,ODM:020#");
    QVERIFY(form->ui.Timer2->isActive());
    QVERIFY(WaitForTick(*form));
    QCOMPARE(form->ui.ComboBox7->ItemIndex(), 1);
    const QStringList row = {form->ui.BOADZ->Text(), form->ui.ODDZ->Text(), form->ui.STOPZ->Text(),
                             form->ui.BOADA->Text(), form->ui.ODDA->Text(), form->ui.STOPA->Text(),
                             form->ui.BOADB->Text(), form->ui.ODDB->Text(), form->ui.STOPB->Text(),
                             form->ui.BOADC->Text(), form->ui.ODDC->Text(), form->ui.STOPC->Text()};
    QCOMPARE(row, QStringList({"9600", "None", QStringLiteral("1位"), "115200", "Odd",
                               QStringLiteral("2位"), "1200", "None", QStringLiteral("1位"), "9600",
                               "Even", QStringLiteral("2位")}));
    QCOMPARE(form->ui.Edit1->text(), QStringLiteral("010"));
    QCOMPARE(form->ui.Edit2->text(), QStringLiteral("005"));
    QCOMPARE(form->ui.Edit3->text(), QStringLiteral("020"));
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvMode, RecvMode::Idle);
    // A batch after the parse is not shown.
    Deliver(*form, "late");
    QVERIFY(form->ui.Memo8->toPlainText().startsWith("MOD:1"));

    // "BAZ:980": baud and parity left without a selection, the stop bits set, and the
    // parse goes on; a short time value at the very end is taken as it is.
    ButtonOf(*form, 49)->click();
    Deliver(*form, "BAZ:981 MOD:2 OTM:7");
    QVERIFY(WaitForTick(*form));
    QCOMPARE(form->ui.BOADZ->ItemIndex(), -1);
    QVERIFY(form->ui.BOADZ->Text().isEmpty());
    QCOMPARE(form->ui.ODDZ->ItemIndex(), -1);
    QCOMPARE(form->ui.STOPZ->Text(), QStringLiteral("2位"));
    QCOMPARE(form->ui.ComboBox7->ItemIndex(), 2);
    QCOMPARE(form->ui.Edit1->text(), QStringLiteral("7"));
}

void HandlersTest::onlyTheLastBatchBeforeTheTickIsParsed() {
    ButtonOf(*form, 49)->click();
    Deliver(*form, "MOD:1");
    Deliver(*form, "MOD:2");
    QCOMPARE(form->ui.Memo8->toPlainText(), QStringLiteral("MOD:2"));
    QVERIFY(WaitForTick(*form));
    QCOMPARE(form->ui.ComboBox7->ItemIndex(), 2);
}

void HandlersTest::parseErrorsReportAndStop() {
    ButtonOf(*form, 49)->click();
    Deliver(*form, "BAZ:3?0,BAA:711");
    ModalCapture box = CaptureModal([&] {
        QVERIFY(WaitForTick(*form));
        QTest::qWait(100);
    });
    QCOMPARE(box.count, 1);
    QCOMPARE(box.text, QStringLiteral("'?' is not a valid integer value."));
    QCOMPARE(form->ui.BOADZ->Text(), QStringLiteral("9600"));
    QCOMPARE(form->ui.BOADA->Text(), QStringLiteral("9600")); // later keys unchanged
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvMode, RecvMode::Idle);
    QVERIFY(!form->ui.Timer2->isActive());

    // A COMR reply with a bad count: enable set, code unchanged, still expecting a COMR reply.
    ButtonOf(*form, 15)->click();
    form->ui.Slots[1].COMEN->SetItemIndex(0);
    Deliver(*form, "COMR02:1,?8,0103000000044409");
    box = CaptureModal([&] {
        QVERIFY(WaitForTick(*form));
        QTest::qWait(100);
    });
    QCOMPARE(box.text, QStringLiteral("'?8' is not a valid integer value."));
    QCOMPARE(form->ui.Slots[1].COMEN->Text(), QStringLiteral("1打开"));
    QCOMPARE(form->ui.Slots[1].COMA->text(), kDefaultCode);
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvMode, RecvMode::COMR);
    Deliver(*form, "COMR02:0,02,ABCD");
    QVERIFY(WaitForTick(*form));
    QCOMPARE(form->ui.Slots[1].COMA->text(), QStringLiteral("ABCD"));
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvMode, RecvMode::Idle);
}

void HandlersTest::slotRepliesFillTheReplysSlot() {
    ButtonOf(*form, 11)->click(); // queried slot 1
    Deliver(*form, "PPPPPP#COMR03#COMR03:0,04,0A0B0C0D");
    QVERIFY(WaitForTick(*form));
    QCOMPARE(form->ui.Slots[2].COMEN->Text(), QStringLiteral("0关闭"));
    QCOMPARE(form->ui.Slots[2].COMA->text(), QStringLiteral("0A0B0C0D"));
    QCOMPARE(form->ui.Slots[0].COMA->text(), kDefaultCode);

    ButtonOf(*form, 28)->click();
    Deliver(*form, "COMR05:0,00,");
    QVERIFY(WaitForTick(*form));
    QVERIFY(form->ui.Slots[4].COMA->text().isEmpty());

    ButtonOf(*form, 28)->click();
    Deliver(*form, "COMR0A:1,08,0103000000044409");
    QVERIFY(WaitForTick(*form));
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvMode, RecvMode::Idle);

    ButtonOf(*form, 17)->click();
    Deliver(*form, "PPPPPP#COMP02#COMP02:01");
    QVERIFY(WaitForTick(*form));
    QCOMPARE(form->ui.Slots[1].COMBY[0]->text(), QStringLiteral("01"));
    QVERIFY(form->ui.Slots[1].COMBY[1]->text().isEmpty());
    QVERIFY(form->ui.Slots[1].COMBY[2]->text().isEmpty());
    // The enable digit past the list's last item leaves it with no selection.
    ButtonOf(*form, 44)->click();
    Deliver(*form, "COMR09:7,01,FF");
    QVERIFY(WaitForTick(*form));
    QCOMPARE(form->ui.Slots[8].COMEN->ItemIndex(), -1);
    QCOMPARE(form->ui.Slots[8].COMA->text(), QStringLiteral("FF"));
}

void HandlersTest::commandBetweenBatchAndTickDecidesTheTick() {
    ButtonOf(*form, 49)->click();
    Deliver(*form, "COMP07:AABBCC MOD:2");
    ButtonOf(*form, 46)->click(); // a COMP query stored before the tick
    QVERIFY(WaitForTick(*form));
    QCOMPARE(form->ui.Slots[6].COMBY[1]->text(), QStringLiteral("BB"));
    QCOMPARE(form->ui.ComboBox7->ItemIndex(), 0);

    ButtonOf(*form, 49)->click();
    Deliver(*form, "MOD:2");
    ButtonOf(*form, 24)->click(); // a write: the tick does nothing
    QTest::qWait(400);
    QCOMPARE(form->ui.ComboBox7->ItemIndex(), 0);
}

void HandlersTest::receivePathEndToEndThroughThePort() {
    PartOf<TReplyIntake>(*form).ReceivePauseMs = 300;
    PtyPair pty;
    QVERIFY(pty.Valid());
    form->ui.SPREALCOM->setEditText(QString::fromStdString(pty.SlavePath()));
    form->ui.Button1->click();
    QVERIFY(PartOf<TPortLink>(*form).PortOpened());
    ButtonOf(*form, 49)->click();
    QVERIFY(pty.Write("MOD:2,BAZ:611,BAA:401,BAB:710,BAC:001,OTM:123,RTM:045,ODM:200#"));
    QVERIFY(QTest::qWaitFor([&] { return form->ui.Edit3->text() == "200"; }, 5000));
    QCOMPARE(form->ui.Memo8->toPlainText().left(6), QStringLiteral("MOD:2,"));
    QCOMPARE(form->ui.ComboBox7->ItemIndex(), 2);
    QCOMPARE(form->ui.BOADZ->Text(), QStringLiteral("57600"));
    QCOMPARE(form->ui.ODDZ->Text(), QStringLiteral("Odd"));
    QCOMPARE(form->ui.STOPZ->Text(), QStringLiteral("2位"));
    QCOMPARE(form->ui.BOADC->Text(), QStringLiteral("1200"));
    QCOMPARE(form->ui.Edit1->text(), QStringLiteral("123"));
    // A reply with a pause of more than 100 ms in the middle arrives as two batches: the
    // second replaces the first.
    ButtonOf(*form, 13)->click();
    QVERIFY(pty.Write("COMP01:"));
    QTest::qWait(250);
    QVERIFY(pty.Write("COMP01:0A0B0C"));
    QVERIFY(QTest::qWaitFor([&] { return PartOf<TReplyIntake>(*form).RecvMode == RecvMode::Idle; },
                            5000));
    QCOMPARE(form->ui.Slots[0].COMBY[2]->text(), QStringLiteral("0C"));
    form->ui.Button1->click();
    QVERIFY(!PartOf<TPortLink>(*form).PortOpened());
    QCOMPARE(form->ui.Button1->text(), QStringLiteral("打开串口"));
}

void HandlersTest::receiveHandlerPausesThreeTenthsOfASecond() {
    TForm1 fresh;
    std::vector<int> pauses;
    PartOf<TReplyIntake>(fresh).Pause = [&](int ms) { pauses.push_back(ms); };
    Deliver(fresh, "a batch");
    QCOMPARE(pauses, std::vector<int>{300});
}

// A device repeating an answer that fails its conversion: every tick raises the error again,
// and each batch re-arms the timer while the box is open.
void HandlersTest::errorUnderAnOpenErrorBoxOpensNoOther() {
    const QByteArray bad = "COMR02:1,?8,0103000000044409";
    ButtonOf(*form, 15)->click();
    Deliver(*form, bad);
    const int countedBefore = ErrorsWithoutBox();
    QSet<QWidget*> boxes;
    bool fedAgain = false;
    bool done = false;
    QTimer watch;
    watch.setInterval(20);
    connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        boxes.insert(box);
        if (!fedAgain) {
            fedAgain = true;
            Deliver(*form, bad); // the next batch, while the box is open
            return;
        }
        if (form->ui.Timer2->isActive()) return; // its tick is still to come
        box->accept();
        done = boxes.size() > 1 || !QApplication::activeModalWidget();
    });
    watch.start();
    ++ModalCapturesActive();
    const bool finished = QTest::qWaitFor([&] { return done; }, 5000);
    --ModalCapturesActive();
    watch.stop();
    QVERIFY(finished);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(ErrorsWithoutBox(), countedBefore + 1);
}

QTEST_MAIN(HandlersTest)
#include "test_handlers.moc"
