// The port panel: how its controls become the port's settings on a real tty, the open
// and close toggle, what each failure leaves behind, and how port names map to devices.
#include "../form_parts.h"
#include "../serial/ioctl_seam.h"
#include "../serial/tty_state.h"
#include "i18n/language.h"
#include "modal_capture.h"
#include "ports/open_error_text.h"
#include "pty/pty_pair.h"
#include "ui/combo_box.h"
#include "ui/main_window.h"
#include "ui/port_link.h"
#include "ui/port_panel.h"
#include "ui/reply_intake.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <cerrno>

class PortPanelTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void portNamesMapToDevices();
    void firstOpeningWithTheDefaults();
    void panelSettingsReachTheTty();
    void lineSignalBoxesDriveTheLinesTheyName();
    void badBaudTextLeavesThePortClosed();
    void unknownParityTextLeavesThePortClosed();
    void missingOrBusyPortThenASuccessfulOpen();
    void closingWhileAReplyIsAwaited();
    void portListKeepsTheComNamesAndTheFieldsText();
    void openErrorExplanations();
    void refusedOpeningsSayWhy();

private:
    QTemporaryDir* portDir = nullptr;
    PtyPair* pty = nullptr;
    TForm1* form = nullptr;
};

void PortPanelTest::init() {
    portDir = new QTemporaryDir;
    QVERIFY(portDir->isValid());
    qputenv("VQ830_PORT_DIR", portDir->path().toLocal8Bit());
    pty = new PtyPair;
    QVERIFY(pty->Valid());
    QVERIFY(QFile::link(QString::fromStdString(pty->SlavePath()), portDir->filePath("COM4")));
    form = new TForm1;
}

void PortPanelTest::cleanup() {
    delete form;
    delete pty;
    delete portDir;
    qunsetenv("VQ830_PORT_DIR");
}

void PortPanelTest::portNamesMapToDevices() {
    QCOMPARE(ResolvePortName("/dev/pts/7"), QStringLiteral("/dev/pts/7"));
    QCOMPARE(ResolvePortName("./ttyFAKE"), QStringLiteral("./ttyFAKE"));
    QCOMPARE(ResolvePortName("COM4"), portDir->filePath("COM4"));
    QCOMPARE(ResolvePortName("COM1"), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(ResolvePortName("COM15"), QStringLiteral("/dev/ttyS14"));
    QCOMPARE(ResolvePortName("ttyUSB0"), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(ResolvePortName("COM0"), QStringLiteral("/dev/COM0"));
    QCOMPARE(ResolvePortName("com4"), portDir->filePath("COM4")); // the letters in any case
    QCOMPARE(ResolvePortName("Com2"), QStringLiteral("/dev/ttyS1"));
    qunsetenv("VQ830_PORT_DIR");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QCOMPARE(PortMapDirectory(), config.filePath("vq830/ports"));
    QVERIFY(QDir().mkpath(config.filePath("vq830/ports")));
    QVERIFY(QFile::link("/dev/ttyUSB3", config.filePath("vq830/ports/COM7")));
    QCOMPARE(ResolvePortName("COM7"), config.filePath("vq830/ports/COM7"));
    qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(PortMapDirectory(), QDir::homePath() + "/.config/vq830/ports");
    qputenv("VQ830_PORT_DIR", portDir->path().toLocal8Bit());
}

void PortPanelTest::firstOpeningWithTheDefaults() {
    form->ui.Button1->click();
    QVERIFY(PartOf<TPortLink>(*form).PortOpened());
    QVERIFY(form->ui.Comm1->IsOpen());
    QCOMPARE(form->ui.Button1->text(), QStringLiteral("关闭串口"));
    QCOMPARE(form->ui.Comm1->CommName(), portDir->filePath("COM4").toStdString());
    QCOMPARE(form->ui.Comm1->BaudRate(), 9600u);
    QCOMPARE(form->ui.Comm1->Parity(), TParity::None);
    QCOMPARE(form->ui.Comm1->StopBits(), TStopBits::_1);
    QVERIFY(!form->ui.Comm1->Outx_XonXoffFlow() && !form->ui.Comm1->Inx_XonXoffFlow());
    QCOMPARE(form->ui.Comm1->DtrControl(), TDtrControl::DtrDisable);
    QCOMPARE(form->ui.Comm1->RtsControl(), TRtsControl::RtsDisable);
    const TtyState tty = ReadTtyState(pty->SlaveFd());
    QVERIFY(tty.Ok);
    QCOMPARE(tty.OutputRate, 9600u);
    QCOMPARE(tty.InputRate, 9600u);
    QCOMPARE(tty.Parity, 'N');
    QCOMPARE(tty.StopBits, 1);
    QCOMPARE(tty.DataBits, 8);
    QVERIFY(!tty.XonXoffIn && !tty.XonXoffOut && !tty.HardwareFlow);
    QVERIFY(tty.Raw);
    // The second click closes.
    form->ui.Button1->click();
    QVERIFY(!PartOf<TPortLink>(*form).PortOpened());
    QVERIFY(!form->ui.Comm1->IsOpen());
    QCOMPARE(form->ui.Button1->text(), QStringLiteral("打开串口"));
}

void PortPanelTest::panelSettingsReachTheTty() {
    struct Case {
        QString baud;
        int parity;
        int stop;
        uint32_t rate;
        char parityCode;
        bool oddBit;
        int stopBits;
    };
    const Case cases[] = {
        {"115200", 1, 1, 115200, 'O', true, 2},
        {"14400", 2, 0, 14400, 'E', false, 1},
        {"250000", 0, 1, 250000, 'N', false, 2},
        {"1200", 0, 0, 1200, 'N', false, 1},
    };
    for (const Case& c : cases) {
        form->ui.ComboBox1->setEditText(c.baud);
        form->ui.ComboBox2->SetItemIndex(c.parity);
        form->ui.ComboBox3->SetItemIndex(c.stop);
        form->ui.Button1->click();
        QVERIFY(PartOf<TPortLink>(*form).PortOpened());
        const TtyState tty = ReadTtyState(pty->SlaveFd());
        QCOMPARE(tty.OutputRate, c.rate);
        QCOMPARE(tty.StopBits, c.stopBits);
        QCOMPARE(tty.OddBit, c.oddBit); // kept by every tty, pseudo-terminals included
        if (PtyKeepsFraming()) QCOMPARE(tty.Parity, c.parityCode);
        QVERIFY(!tty.ParityCheck); // received bytes are never parity-checked
        form->ui.Button1->click();
        QVERIFY(!PartOf<TPortLink>(*form).PortOpened());
    }
}

void PortPanelTest::lineSignalBoxesDriveTheLinesTheyName() {
    // What the port asks of the lines after each opening ("COM_DTR", "COM_RTS" checked).
    const struct {
        bool dtrBox, rtsBox;
    } cases[] = {{true, false}, {false, true}, {true, true}, {false, false}};
    for (const auto& c : cases) {
        form->ui.CheckBox2->setChecked(c.dtrBox);
        form->ui.CheckBox1->setChecked(c.rtsBox);
        ioctl_seam::Reset();
        form->ui.Button1->click();
        QVERIFY(PartOf<TPortLink>(*form).PortOpened());
        const ioctl_seam::ModemLines lines = ioctl_seam::LinesOf(pty->SlavePath());
        QVERIFY(lines.DtrKnown && lines.RtsKnown);
        QCOMPARE(lines.Dtr, c.dtrBox);
        QCOMPARE(lines.Rts, c.rtsBox);
        // Changing a box while open changes nothing until the next opening.
        form->ui.CheckBox2->setChecked(!c.dtrBox);
        QCOMPARE(form->ui.Comm1->DtrControl() == TDtrControl::DtrEnable, c.dtrBox);
        form->ui.Button1->click();
    }
}

void PortPanelTest::badBaudTextLeavesThePortClosed() {
    for (const QString& text : {QString(), QStringLiteral("abc"), QStringLiteral("9600 ")}) {
        form->ui.ComboBox1->setEditText(text);
        const ModalCapture box = CaptureModal([&] { form->ui.Button1->click(); });
        QCOMPARE(box.count, 1);
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.text, QStringLiteral("'%1' is not a valid integer value.").arg(text));
        QVERIFY(!PartOf<TPortLink>(*form).PortOpened());
        QVERIFY(!form->ui.Comm1->IsOpen());
        QCOMPARE(form->ui.Button1->text(), QStringLiteral("打开串口"));
        QCOMPARE(form->ui.Comm1->BaudRate(), 115200u); // nothing written yet
    }
    // A rate of 0 would hang the line up: refused, the port stays closed.
    form->ui.ComboBox1->setEditText("0");
    const ModalCapture box = CaptureModal([&] { form->ui.Button1->click(); });
    QCOMPARE(box.count, 1);
    QVERIFY(!PartOf<TPortLink>(*form).PortOpened());
    QVERIFY(!form->ui.Comm1->IsOpen());
}

void PortPanelTest::unknownParityTextLeavesThePortClosed() {
    form->ui.ComboBox2->setEditText("Mark");
    const ModalCapture box = CaptureModal([&] { form->ui.Button1->click(); });
    QCOMPARE(box.count, 1);
    QCOMPARE(box.text, QStringLiteral("'Mark' is not a valid parity."));
    QVERIFY(!PartOf<TPortLink>(*form).PortOpened());
    QVERIFY(!form->ui.Comm1->IsOpen());
    QCOMPARE(form->ui.Button1->text(), QStringLiteral("打开串口"));
    form->ui.ComboBox2->SetItemIndex(2);
    form->ui.Button1->click();
    QVERIFY(PartOf<TPortLink>(*form).PortOpened());
}

void PortPanelTest::missingOrBusyPortThenASuccessfulOpen() {
    form->ui.SPREALCOM->setEditText(portDir->filePath("nothing-here"));
    ModalCapture box = CaptureModal([&] { form->ui.Button1->click(); });
    QCOMPARE(box.text, QStringLiteral("Error opening serial port."));
    QVERIFY(!PartOf<TPortLink>(*form).PortOpened());
    QCOMPARE(form->ui.Button1->text(), QStringLiteral("打开串口"));
    // Settings written before the failed opening stay written; the line controls are not.
    QCOMPARE(form->ui.Comm1->BaudRate(), 9600u);
    QCOMPARE(form->ui.Comm1->DtrControl(), TDtrControl::DtrEnable);

    {
        TComm other(std::make_shared<QueueNotifySink>());
        other.SetCommName(pty->SlavePath());
        other.OpenPort();
        form->ui.SPREALCOM->SetItemIndex(3);
        box = CaptureModal([&] { form->ui.Button1->click(); });
        QCOMPARE(box.text, QStringLiteral("Error opening serial port."));
        QVERIFY(!PartOf<TPortLink>(*form).PortOpened());
    }
    form->ui.Button1->click();
    QVERIFY(PartOf<TPortLink>(*form).PortOpened());
    QVERIFY(form->ui.Comm1->IsOpen());
}

void PortPanelTest::closingWhileAReplyIsAwaited() {
    form->ui.Button1->click();
    QVERIFY(PartOf<TPortLink>(*form).PortOpened());
    form->ui.Button49->click();
    QCOMPARE(pty->Read(11, std::chrono::seconds(5)).size(), size_t(11));
    form->ui.Button1->click();
    QVERIFY(!PartOf<TPortLink>(*form).PortOpened());
    QCOMPARE(form->ui.Button1->text(), QStringLiteral("打开串口"));
    QVERIFY(pty->ReadAvailable(std::chrono::milliseconds(200)).empty()); // nothing sent on closing
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvMode, RecvMode::QX1);
    // A frame sent while closed goes nowhere, without a message.
    const ModalCapture box = CaptureModal([&] { form->ui.Button49->click(); });
    QCOMPARE(box.count, 0);
    QCOMPARE(form->ui.discomm->text(), QStringLiteral("PPPPPP#QX1#"));
    QVERIFY(pty->ReadAvailable(std::chrono::milliseconds(200)).empty());
}

void PortPanelTest::portListKeepsTheComNamesAndTheFieldsText() {
    auto* ports = qobject_cast<TPortComboBox*>(form->ui.SPREALCOM);
    QVERIFY(ports);
    QVERIFY(ports->count() >= 12);
    for (int i = 0; i < 12; ++i)
        QCOMPARE(ports->itemText(i), QStringLiteral("COM%1").arg(i + 1));
    QCOMPARE(ports->Text(), QStringLiteral("COM4"));
    for (int i = 12; i < ports->count(); ++i) // the serial devices present, if any
        QVERIFY2(ports->itemText(i).startsWith(u'/'), qPrintable(ports->itemText(i)));
    // Opening the list refreshes it without touching the field, picked or typed.
    for (const QString& text : {QStringLiteral("COM4"), QStringLiteral("/dev/serial/by-id/x")}) {
        ports->setEditText(text);
        ports->showPopup();
        ports->hidePopup();
        QCOMPARE(ports->Text(), text);
        QCOMPARE(ports->toolTip(), text);
        QCOMPARE(ports->itemText(3), QStringLiteral("COM4"));
    }
}

void PortPanelTest::openErrorExplanations() {
    const QStringList present = {QStringLiteral("/dev/serial/by-id/usb-FTDI_A1-if00-port0")};
    const struct {
        int error;
        const char* holder;
        int pid;
        const char* group;
        QStringList ports;
        QStringList expected; // each piece appears in the explanation
    } cases[] = {
        {ENOENT, "", 0, "", present, {"/dev/ttyUSB9 不存在", present[0]}},
        {ENOENT, "", 0, "", {}, {"/dev/ttyUSB9 不存在", "没有检测到串口设备"}},
        {EACCES,
         "",
         0,
         "dialout",
         present,
         {"用户组 dialout", "sudo usermod -aG dialout $USER", "重新登录"}},
        {EACCES, "", 0, "", present, {"没有权限", "sudo usermod -aG dialout $USER"}},
        // Joining root is no advice: the usual group of serial devices is named instead.
        {EACCES, "", 0, "root", present, {"用户组 root", "sudo usermod -aG dialout $USER"}},
        {EBUSY,
         "ModemManager",
         812,
         "dialout",
         present,
         {"ModemManager（PID 812）", "探测", "sudo systemctl stop ModemManager",
          "sudo systemctl disable --now ModemManager"}},
        {EBUSY, "brltty", 90, "dialout", present, {"brltty（PID 90）", "sudo apt remove brltty"}},
        {EBUSY, "minicom", 4242, "dialout", present, {"minicom（PID 4242）", "关闭该程序"}},
        {EBUSY, "", 0, "dialout", present, {"另一个程序占用", "fuser"}},
        {ENOTTY, "", 0, "", present, {"/dev/ttyUSB9 不是串口设备", present[0]}},
        {EISDIR, "", 0, "", present, {"不是串口设备"}},
        {EIO, "", 0, "dialout", present, {"没有串口硬件", present[0]}},
    };
    for (const auto& c : cases) {
        const QString text =
            OpenErrorText({"/dev/ttyUSB9", c.error, c.holder, c.pid, c.group, c.ports});
        for (const QString& piece : c.expected)
            QVERIFY2(text.contains(piece), qPrintable(text + " lacks " + piece));
    }
    QVERIFY(OpenErrorText({"/dev/ttyUSB9", 0, "", 0, "", present}).isEmpty());
    UseLanguage(TLanguage::English);
    const QString english = OpenErrorText({"/dev/ttyUSB9", EACCES, "", 0, "root", present});
    UseLanguage(TLanguage::Chinese);
    QVERIFY2(english.contains("group root.") && english.contains("sudo usermod -aG dialout $USER"),
             qPrintable(english));
}

void PortPanelTest::refusedOpeningsSayWhy() {
    QTemporaryFile file;
    QVERIFY(file.open());
    const struct {
        QString path;
        QString message;
        QString explanation;
    } cases[] = {
        {portDir->filePath("nothing-here"), "Error opening serial port.", "不存在"},
        {file.fileName(), "File handle is not a comm handle ", "不是串口设备"},
        {portDir->path(), "Error opening serial port.", "不是串口设备"},
    };
    for (const auto& c : cases) {
        form->ui.SPREALCOM->setEditText(c.path);
        const ModalCapture box = CaptureModal([&] { form->ui.Button1->click(); });
        QCOMPARE(box.count, 1);
        QCOMPARE(box.text, c.message);
        QVERIFY2(box.informative.contains(c.path + u' ' + c.explanation),
                 qPrintable(box.informative));
        QVERIFY(!PartOf<TPortLink>(*form).PortOpened());
        QCOMPARE(form->ui.Button1->text(), QStringLiteral("打开串口"));
    }
    // Held by another port object of this program: busy.
    TComm other(std::make_shared<QueueNotifySink>());
    other.SetCommName(pty->SlavePath());
    other.OpenPort();
    form->ui.SPREALCOM->SetItemIndex(3);
    const ModalCapture box = CaptureModal([&] { form->ui.Button1->click(); });
    QCOMPARE(box.text, QStringLiteral("Error opening serial port."));
    QVERIFY2(box.informative.contains("占用"), qPrintable(box.informative));
    QVERIFY(!PartOf<TPortLink>(*form).PortOpened());
}

QTEST_MAIN(PortPanelTest)
#include "test_port_panel.moc"
