// A technician's session against the simulated device: open the default port, read the
// device's settings into the window, write settings and read them back, and what happens
// when the device goes away or answers late.
#include "../device_state_of.h"
#include "../form_parts.h"
#include "../ui/modal_capture.h"
#include "protocol/settings.h"
#include "pty/pty_pair.h"
#include "session/session.h"
#include "sim/sim_server.h"
#include "ui/batch_controller.h"
#include "ui/combo_box.h"
#include "ui/main_window.h"
#include "ui/port_link.h"
#include "ui/reply_intake.h"
#include "ui/settings_binding.h"
#include "ui/traffic_log.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using vq830::sim::DeviceState;
using vq830::sim::SimOptions;
using vq830::sim::SimServer;
using vq830::sim::SimStats;

namespace {

// One simulated device on a pseudo-terminal, mapped as "COM4".
struct Device {
    PtyPair pty;
    std::unique_ptr<SimServer> server;

    bool Start(const QString& portDir, SimOptions options = {}) {
        if (!pty.Open()) return false;
        QFile::remove(portDir + "/COM4");
        if (!QFile::link(QString::fromStdString(pty.SlavePath()), portDir + "/COM4")) return false;
        server = std::make_unique<SimServer>(pty.MasterFd(), options);
        return server->Start();
    }
    void Stop() {
        if (server) server->Stop();
        server.reset();
        pty.Close();
    }
    ~Device() { Stop(); }
};

QPushButton* ButtonOf(TForm1& form, int n) {
    return form.findChild<QPushButton*>(QStringLiteral("Button%1").arg(n));
}

// Clicks a query button and waits until its reply was parsed.
bool Query(TForm1& form, int button) {
    ButtonOf(form, button)->click();
    return QTest::qWaitFor(
        [&] {
            return PartOf<TReplyIntake>(form).RecvMode == RecvMode::Idle &&
                   !form.ui.Memo8->toPlainText().isEmpty();
        },
        5000);
}

DeviceState SampleState() {
    DeviceState s;
    s.workMode = 2;
    s.ports[0] = {6, 1, 1};
    s.ports[1] = {0, 2, 0};
    s.ports[2] = {7, 0, 1};
    s.ports[3] = {4, 1, 0};
    s.modeZeroTimeout = 5;
    s.readInterval = 123;
    s.readTimeout = 999;
    for (int i = 0; i < 9; ++i) {
        s.readSlots[i].enable = i % 2;
        s.readSlots[i].code = std::string(2 * (i + 1), char('A' + i));
        s.readSlots[i].header = {"1" + std::to_string(i), "2" + std::to_string(i), "FF"};
    }
    s.boardSerial = 4242;
    s.tester = 102;
    return s;
}

// A configuration unlike the defaults in every setting.
DeviceSettings SampleConfig() {
    DeviceSettings c;
    c.workMode = 1;
    c.ports = {{{7, 2, 1}, {0, 1, 0}, {4, 0, 1}, {6, 2, 0}}};
    c.times = {"5", "250", "031"};
    for (int i = 0; i < 9; ++i) {
        const std::string d(1, char('1' + i));
        c.readSlots[i].enable = i % 2;
        c.readSlots[i].command = std::string(2 * (i + 2), "0123456789ABCDEF"[i]);
        c.readSlots[i].header = {"A" + d, "B" + d, "C" + d};
    }
    return c;
}

// Clicks "读取全部" (55) or "写入全部" (56) and waits for the run, and any box it opens, to end.
// The progress dialog must be gone by the time a box opens.
ModalCapture RunBatch(TForm1& form, int button) {
    auto noProgress = [&] {
        for (const QProgressDialog* progress : form.findChildren<QProgressDialog*>())
            QVERIFY(!progress->isVisible());
    };
    return CaptureModal(
        [&] {
            ButtonOf(form, button)->click();
            QVERIFY(
                QTest::qWaitFor([&] { return !PartOf<TBatchController>(form).Running(); }, 90000));
        },
        noProgress);
}

} // namespace

class ToolEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void queriesFillTheWindowFromTheDevice();
    void writesChangeTheDeviceAndReadBackEqual();
    void slotFourButtonsAddressSlotFour();
    void closingWhileAReplyIsAwaited();
    void deviceGoingAwayLeavesTheWindowWorking();
    void unansweredQueryAndUnexpectedBytesAreReported();
    void writeAllThenReadAllAgree();
    void writeAllNamesTheFramesLeftUnanswered();
    void valueChangedOnTheDeviceShowsInTheComparison();
    void batchSummariesNameWhatFailed();

private:
    QTemporaryDir* portDir = nullptr;
    TForm1* form = nullptr;
    Device* device = nullptr;
};

void ToolEndToEndTest::init() {
    portDir = new QTemporaryDir;
    QVERIFY(portDir->isValid());
    qputenv("VQ830_PORT_DIR", portDir->path().toLocal8Bit());
    device = new Device;
    QVERIFY(device->Start(portDir->path()));
    form = new TForm1;
    form->ui.Button1->click(); // the defaults: "COM4", 9600, None, 1 stop bit
    QVERIFY(PartOf<TPortLink>(*form).PortOpened());
}

void ToolEndToEndTest::cleanup() {
    delete form;
    delete device;
    delete portDir;
    qunsetenv("VQ830_PORT_DIR");
}

void ToolEndToEndTest::queriesFillTheWindowFromTheDevice() {
    const DeviceState s = SampleState();
    device->server->SetState(s);
    QVERIFY(Query(*form, 49));
    QCOMPARE(form->ui.ComboBox7->ItemIndex(), 2);
    TComboBox* rows[4][3] = {{form->ui.BOADZ, form->ui.ODDZ, form->ui.STOPZ},
                             {form->ui.BOADA, form->ui.ODDA, form->ui.STOPA},
                             {form->ui.BOADB, form->ui.ODDB, form->ui.STOPB},
                             {form->ui.BOADC, form->ui.ODDC, form->ui.STOPC}};
    for (int p = 0; p < 4; ++p) {
        QCOMPARE(rows[p][0]->ItemIndex(), s.ports[p].baud);
        QCOMPARE(rows[p][1]->ItemIndex(), s.ports[p].parity);
        QCOMPARE(rows[p][2]->ItemIndex(), s.ports[p].stop);
    }
    QCOMPARE(form->ui.Edit1->text(), QStringLiteral("005"));
    QCOMPARE(form->ui.Edit2->text(), QStringLiteral("123"));
    QCOMPARE(form->ui.Edit3->text(), QStringLiteral("999"));
    for (int slot = 1; slot <= 9; ++slot) {
        const TSlotControls& c = form->ui.Slots[slot - 1];
        QVERIFY(Query(*form, c.CommandQuery->objectName().mid(6).toInt()));
        QCOMPARE(c.COMEN->ItemIndex(), s.readSlots[slot - 1].enable);
        QCOMPARE(c.COMA->text(), QString::fromStdString(s.readSlots[slot - 1].code));
        QVERIFY(Query(*form, c.HeaderQuery->objectName().mid(6).toInt()));
        for (int b = 0; b < 3; ++b)
            QCOMPARE(c.COMBY[b]->text(), QString::fromStdString(s.readSlots[slot - 1].header[b]));
    }
}

void ToolEndToEndTest::writesChangeTheDeviceAndReadBackEqual() {
    form->ui.ComboBox7->SetItemIndex(1);
    form->ui.BOADZ->SetItemIndex(7);
    form->ui.ODDZ->SetItemIndex(2);
    form->ui.STOPZ->SetItemIndex(1);
    form->ui.BOADB->SetItemIndex(0);
    form->ui.ODDC->SetItemIndex(1);
    form->ui.Edit1->setText("7");
    form->ui.Edit2->setText("250");
    form->ui.Edit3->setText("31");
    form->ui.PCBSN->setText("12345678");
    form->ui.JIANZHI->SetItemIndex(6);
    form->ui.Slots[2].COMEN->SetItemIndex(0);
    form->ui.Slots[2].COMA->setText("0203000A0001A5F9");
    form->ui.Slots[8].COMBY[0]->setText("AA");
    form->ui.Slots[8].COMBY[1]->setText("BB");
    form->ui.Slots[8].COMBY[2]->setText("CC");
    for (int button : {24, 9, 8, 10, 48, 50, 51, 52, 53, 20, 47}) {
        ButtonOf(*form, button)->click();
        // Each write is acknowledged in Memo8 before the next goes out.
        QVERIFY2(QTest::qWaitFor([&] { return !form->ui.Memo8->toPlainText().isEmpty(); }, 5000),
                 qPrintable(QString::number(button)));
    }
    const bool applied = device->server->WaitUntil(
        [](const DeviceState& s, const SimStats&) {
            return s.workMode == 1 && s.ports[0].baud == 7 && s.ports[0].parity == 2 &&
                   s.ports[0].stop == 1 && s.ports[2].baud == 0 && s.ports[3].parity == 1 &&
                   s.modeZeroTimeout == 7 && s.readInterval == 250 && s.readTimeout == 31 &&
                   s.boardSerial == 12345678 && s.tester == 7 && s.readSlots[2].enable == 0 &&
                   s.readSlots[2].code == "0203000A0001A5F9" &&
                   s.readSlots[8].header == std::array<std::string, 3>{"AA", "BB", "CC"};
        },
        std::chrono::seconds(5));
    QVERIFY(applied);

    // A fresh window reads the same values back.
    delete form;
    form = new TForm1;
    form->ui.Button1->click();
    QVERIFY(PartOf<TPortLink>(*form).PortOpened());
    QVERIFY(Query(*form, 49));
    QCOMPARE(form->ui.ComboBox7->ItemIndex(), 1);
    QCOMPARE(form->ui.BOADZ->Text(), QStringLiteral("115200"));
    QCOMPARE(form->ui.ODDZ->Text(), QStringLiteral("Even"));
    QCOMPARE(form->ui.STOPZ->Text(), QStringLiteral("2位"));
    QCOMPARE(form->ui.BOADB->Text(), QStringLiteral("1200"));
    QCOMPARE(form->ui.ODDC->Text(), QStringLiteral("Odd"));
    QCOMPARE(form->ui.Edit1->text(), QStringLiteral("007"));
    QCOMPARE(form->ui.Edit2->text(), QStringLiteral("250"));
    QCOMPARE(form->ui.Edit3->text(), QStringLiteral("031"));
    QVERIFY(Query(*form, 19));
    QCOMPARE(form->ui.Slots[2].COMEN->Text(), QStringLiteral("0关闭"));
    QCOMPARE(form->ui.Slots[2].COMA->text(), QStringLiteral("0203000A0001A5F9"));
    QVERIFY(Query(*form, 46));
    QCOMPARE(form->ui.Slots[8].COMBY[1]->text(), QStringLiteral("BB"));
}

void ToolEndToEndTest::slotFourButtonsAddressSlotFour() {
    form->ui.Slots[3].COMA->setText("0104");
    form->ui.Slots[3].COMBY[0]->setText("0E");
    form->ui.Slots[3].COMA->setText("0104");
    ButtonOf(*form, 5)->click();
    QVERIFY(QTest::qWaitFor([&] { return !form->ui.Memo8->toPlainText().isEmpty(); }, 5000));
    ButtonOf(*form, 25)->click();
    QVERIFY(device->server->WaitUntil(
        [](const DeviceState& s, const SimStats&) {
            return s.readSlots[3].code == "0104" && s.readSlots[3].header[0] == "0E";
        },
        std::chrono::seconds(5)));
    const DeviceState s = device->server->State();
    for (int i = 0; i < 9; ++i)
        if (i != 3) QCOMPARE(s.readSlots[i], DeviceState().readSlots[i]);
    form->ui.Slots[3].COMA->clear();
    form->ui.Slots[3].COMBY[0]->clear();
    QVERIFY(Query(*form, 27));
    QCOMPARE(form->ui.Slots[3].COMA->text(), QStringLiteral("0104"));
    QVERIFY(Query(*form, 7));
    QCOMPARE(form->ui.Slots[3].COMBY[0]->text(), QStringLiteral("0E"));
}

void ToolEndToEndTest::closingWhileAReplyIsAwaited() {
    device->Stop();
    SimOptions slow;
    slow.answerDelay = std::chrono::milliseconds(400);
    QVERIFY(device->Start(portDir->path(), slow));
    form->ui.Button1->click(); // close the port on the old device
    form->ui.Button1->click(); // and open the new one
    QVERIFY(PartOf<TPortLink>(*form).PortOpened());
    ButtonOf(*form, 49)->click();
    form->ui.Button1->click();
    QVERIFY(!PartOf<TPortLink>(*form).PortOpened());
    QCOMPARE(form->ui.Button1->text(), QStringLiteral("打开串口"));
    QTest::qWait(700); // the answer comes while the port is closed
    QVERIFY(form->ui.Memo8->toPlainText().isEmpty());
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvMode, RecvMode::QX1);
    // The next opening works and the next query is answered.
    form->ui.Button1->click();
    QVERIFY(PartOf<TPortLink>(*form).PortOpened());
    QVERIFY(Query(*form, 49));
    QCOMPARE(form->ui.ComboBox7->ItemIndex(), 0);
}

void ToolEndToEndTest::deviceGoingAwayLeavesTheWindowWorking() {
    auto status = [&] { return form->ui.StatusLine->text(); };
    device->Stop(); // the device goes away while the port is open
    QVERIFY(QTest::qWaitFor([&] { return !PartOf<TPortLink>(*form).PortOpened(); }, 2000));
    QCOMPARE(form->ui.Button1->text(), QStringLiteral("打开串口"));
    QVERIFY(QTest::qWaitFor([&] { return status().startsWith("设备已断开"); }, 1000));
    ButtonOf(*form, 49)->click(); // nothing goes out, and the status line says so
    QCOMPARE(form->ui.discomm->text(), QStringLiteral("PPPPPP#QX1#"));
    QVERIFY(QTest::qWaitFor([&] { return status() == "未发送：串口未打开"; }, 1000));

    // The device comes back on a new pseudo-terminal mapped as COM4: the window opens it.
    QVERIFY(device->Start(portDir->path()));
    device->server->SetState(SampleState());
    QVERIFY(QTest::qWaitFor([&] { return PartOf<TPortLink>(*form).PortOpened(); }, 5000));
    QVERIFY(QTest::qWaitFor([&] { return status().startsWith("设备已重新连接"); }, 1000));
    QVERIFY(Query(*form, 49));
    QCOMPARE(form->ui.ComboBox7->ItemIndex(), 2);

    // A click of the user's own ends the wait for the device.
    device->Stop();
    QVERIFY(
        QTest::qWaitFor([&] { return PartOf<TPortLink>(*form).ReopenTimer->isActive(); }, 2000));
    const ModalCapture box = CaptureModal([&] { form->ui.Button1->click(); }); // nothing there yet
    QCOMPARE(box.count, 1);
    QVERIFY(!PartOf<TPortLink>(*form).ReopenTimer->isActive());
    QVERIFY(device->Start(portDir->path()));
    QTest::qWait(1500);
    QVERIFY(!PartOf<TPortLink>(*form).PortOpened());
}

void ToolEndToEndTest::unansweredQueryAndUnexpectedBytesAreReported() {
    auto status = [&] { return form->ui.StatusLine->text(); };
    // The traffic log holds the frame sent and its answer as the port saw them.
    QVERIFY(Query(*form, 49));
    form->ui.TrafficLog->Flush();
    const auto& log = form->ui.TrafficLog->Model().Entries();
    QVERIFY(log.size() >= 2);
    QCOMPARE(log[log.size() - 2].Direction, TTrafficDirection::Sent);
    QCOMPARE(log[log.size() - 2].Bytes, QByteArray("PPPPPP#QX1#"));
    QCOMPARE(log.back().Direction, TTrafficDirection::Received);
    QCOMPARE(QString::fromLatin1(log.back().Bytes), form->ui.Memo8->toPlainText());

    device->server->Inject("unasked"); // nothing expected: dropped, said so and logged
    QVERIFY(QTest::qWaitFor([&] { return status().contains("未在等待应答"); }, 3000));
    form->ui.TrafficLog->Flush();
    QCOMPARE(log.back().Direction, TTrafficDirection::Dropped);
    QCOMPARE(log.back().Bytes, QByteArray("unasked"));

    // A device that answers nothing, found again by the window after the first went away.
    device->Stop();
    QVERIFY(QTest::qWaitFor([&] { return !PartOf<TPortLink>(*form).PortOpened(); }, 2000));
    SimOptions silent;
    silent.dropAll = true;
    QVERIFY(device->Start(portDir->path(), silent));
    QVERIFY(QTest::qWaitFor([&] { return PartOf<TPortLink>(*form).PortOpened(); }, 5000));
    PartOf<TReplyIntake>(*form).AnswerTimer->setInterval(300);
    ButtonOf(*form, 49)->click();
    QVERIFY(QTest::qWaitFor([&] { return status() == "无应答：QX1"; }, 3000));
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvMode, RecvMode::QX1); // still waiting for it
}

void ToolEndToEndTest::writeAllThenReadAllAgree() {
    auto status = [&] { return form->ui.StatusLine->text(); };
    PartOf<TReplyIntake>(*form).ReceivePauseMs = 10;
    // An odd command length stops the run before anything goes out.
    form->ui.Slots[2].COMA->setText("010");
    const ModalCapture odd = RunBatch(*form, 56);
    QCOMPARE(odd.text,
             QStringLiteral("COMA3（指令3代码）的内容“010”：输入数据不能为单数，未发送任何帧."));
    QCOMPARE(device->server->Stats().device.bytesFed, 0u);

    const DeviceSettings config = SampleConfig();
    PartOf<TSettingsBinding>(*form).ShowSettings(config);
    const ModalCapture box = RunBatch(*form, 56);
    QCOMPARE(box.count, 1);
    QCOMPARE(box.text, QStringLiteral("写入全部完成：读回与写入全部一致"));
    QCOMPARE(box.informative, QString());
    QVERIFY(device->server->State() == StateOf(config));
    QVERIFY(
        Differences(config, PartOf<TSettingsBinding>(*form).Settings(), ConfigFields()).empty());
    QCOMPARE(form->ui.Edit1->text(), QStringLiteral("005")); // as the device answers it

    device->server->SetState(SampleState());
    QCOMPARE(RunBatch(*form, 55).count, 0);
    QVERIFY(
        QTest::qWaitFor([&] { return status() == "读取全部完成：19 条指令中 19 条有应答"; }, 1000));
    QVERIFY(StateOf(PartOf<TSettingsBinding>(*form).Settings(), SampleState()) == SampleState());
    QVERIFY(ButtonOf(*form, 49)->isEnabled());

    form->ui.Button1->click(); // closed: neither starts
    for (int button : {55, 56}) {
        QCOMPARE(RunBatch(*form, button).count, 0);
        QVERIFY(QTest::qWaitFor([&] { return status() == "未执行：串口未打开"; }, 1000));
    }
}

void ToolEndToEndTest::writeAllNamesTheFramesLeftUnanswered() {
    device->Stop(); // the window notices, and opens the new device when it comes
    QVERIFY(QTest::qWaitFor([&] { return !PartOf<TPortLink>(*form).PortOpened(); }, 2000));
    SimOptions dropping;
    dropping.dropFirst = 2;
    QVERIFY(device->Start(portDir->path(), dropping));
    QVERIFY(QTest::qWaitFor([&] { return PartOf<TPortLink>(*form).PortOpened(); }, 5000));
    PartOf<TReplyIntake>(*form).ReceivePauseMs = 10;
    PartOf<TBatchController>(*form).BatchTiming.answerTime = std::chrono::milliseconds(500);
    PartOf<TSettingsBinding>(*form).ShowSettings(SampleConfig());
    const ModalCapture box = RunBatch(*form, 56);
    QCOMPARE(box.text, QStringLiteral("写入全部完成：读回与写入一致；2 个帧无应答"));
    QCOMPARE(box.informative,
             QStringLiteral("无应答的帧（2 个）：\n  KORVAT#MOD:1#\n  KORVAT#BAZ:721#"));
    QVERIFY(device->server->State() == StateOf(SampleConfig())); // taken all the same
}

void ToolEndToEndTest::valueChangedOnTheDeviceShowsInTheComparison() {
    PartOf<TReplyIntake>(*form).ReceivePauseMs = 10;
    const DeviceSettings config = SampleConfig();
    PartOf<TSettingsBinding>(*form).ShowSettings(config);
    // Between the last write and the first query of the read-back, the device changes two values.
    connect(PartOf<TBatchController>(*form).Session, &TSession::Judged, form, [&](int index) {
        if (index != 25) return; // the last write's answer: the read-back's first query is next
        DeviceState s = device->server->State();
        s.ports[1].baud = 6;
        s.readSlots[4].code = "ABCD";
        device->server->SetState(s);
    });
    const ModalCapture box = RunBatch(*form, 56);
    QCOMPARE(box.text, QStringLiteral("写入全部完成：2 项读回不一致"));
    QCOMPARE(box.informative,
             QStringLiteral("读回不一致的设置（2 项）：\n"
                            "  BOADA（A串口波特率）：写入“1200”，读回“57600”\n"
                            "  COMA5（指令5代码）：写入“444444444444”，读回“ABCD”"));
}

// Read all after a cancelled write all is a read all, and counts the answer it cannot parse; a
// device that refuses every frame is never "全部一致". Neither run pauses the window's thread.
void ToolEndToEndTest::batchSummariesNameWhatFailed() {
    int pauses = 0;
    PartOf<TReplyIntake>(*form).Pause = [&](int) { ++pauses; };
    DeviceState garbled;
    garbled.readSlots[0].enable = -1; // "COMR01:-1,...": its enable does not convert
    device->server->SetState(garbled);
    const QMetaObject::Connection canceller =
        connect(PartOf<TBatchController>(*form).Session, &TSession::Sent, form, [&](int index) {
            if (index == 3)
                form->findChild<QProgressDialog*>("BatchProgress")
                    ->findChild<QPushButton*>()
                    ->click();
        });
    const ModalCapture cancelled = RunBatch(*form, 56);
    QVERIFY2(cancelled.count == 0, qPrintable(cancelled.text));
    QCOMPARE(form->ui.StatusLine->text(), QStringLiteral("写入全部已取消"));
    disconnect(canceller);
    const ModalCapture read = RunBatch(*form, 55);
    QCOMPARE(read.text,
             QStringLiteral("读取全部完成：19 条指令中 19 条有应答，其中 1 条应答无法解析"));
    QCOMPARE(read.informative, QStringLiteral("未读回的设置（2 项）：\n"
                                              "  COMEN1（指令1使能）\n"
                                              "  COMA1（指令1代码）\n"
                                              "应答不完整的帧（1 个）：\n"
                                              "  PPPPPP#COMR01#：缺少 COMEN1（指令1使能）、"
                                              "COMA1（指令1代码）；“-”不是有效的整数"));

    device->Stop();
    QVERIFY(QTest::qWaitFor([&] { return !PartOf<TPortLink>(*form).PortOpened(); }, 2000));
    SimOptions refusing;
    refusing.refuseAll = true;
    QVERIFY(device->Start(portDir->path(), refusing));
    QVERIFY(QTest::qWaitFor([&] { return PartOf<TPortLink>(*form).PortOpened(); }, 5000));
    const ModalCapture box = RunBatch(*form, 56);
    QCOMPARE(box.text, QStringLiteral("写入全部完成：61 项未读回；45 个帧被设备拒绝"));
    QVERIFY2(box.informative.startsWith(QStringLiteral("未读回的设置（61 项）：\n"
                                                       "  ComboBox7（工作方式）：写入“0”，未读回")),
             qPrintable(box.informative));
    QVERIFY(box.informative.contains(
        QStringLiteral("被设备拒绝的帧（45 个）：\n  KORVAT#MOD:0# → ERR#\n")));
    // The box keeps eight lines a heading (it must fit a screen); the rest is in its details.
    QVERIFY(box.informative.contains(QStringLiteral("  …另有 53 项，见详细信息\n被设备拒绝的帧")));
    QCOMPARE(RunBatch(*form, 55).text,
             QStringLiteral("读取全部完成：19 条指令中 19 条有应答，其中 19 条被设备拒绝"));
    QCOMPARE(pauses, 0);
}

QTEST_MAIN(ToolEndToEndTest)
#include "test_tool.moc"
