// The window as a station of the production line, against the simulated device and a line
// database in a temporary SQLite file: write all and the serial number writes recorded, the
// line's numbers settled by the device's answer, a station stopped by a record it could not
// complete or refused for want of a name, the window as before without a database, and the
// records view.
#include "../form_parts.h"
#include "modal_capture.h"
#include "pty/pty_pair.h"
#include "records/board_attempt.h"
#include "records/line_db.h"
#include "records/serial_pool.h"
#include "serial/comm.h"
#include "sim/sim_server.h"
#include "ui/batch_controller.h"
#include "ui/combo_box.h"
#include "ui/config_file_actions.h"
#include "ui/main_window.h"
#include "ui/port_link.h"
#include "ui/records_dialog.h"
#include "ui/reply_intake.h"
#include "ui/serial_writes.h"
#include "ui/settings_binding.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSysInfo>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using vq830::sim::SimOptions;
using vq830::sim::SimServer;

namespace {

QPushButton* ButtonOf(TForm1& form, int n) {
    return form.findChild<QPushButton*>(QStringLiteral("Button%1").arg(n));
}

// The tool's settings, which the command line reads too.
QVariant Setting(const char* key) { return QSettings("vq830", "vq830").value(key); }
void SetSetting(const char* key, const QVariant& value) {
    QSettings("vq830", "vq830").setValue(key, value);
}

// Clicks the button and waits until the serial number write it started has been recorded.
ModalCapture ClickSerial(TForm1& form, int button) {
    return CaptureModal([&] {
        ButtonOf(form, button)->click();
        QVERIFY(QTest::qWaitFor([&] { return !PartOf<TSerialWrites>(form).Running(); }, 10000));
    });
}

template <class T> T* InRecords(TForm1& form, const char* name) {
    auto* dialog = form.findChild<QDialog*>(QStringLiteral("RecordsDialog"));
    return dialog ? dialog->findChild<T*>(QLatin1String(name)) : nullptr;
}

} // namespace

class LineStationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void writeAllIsRecordedWithItsConfiguration();
    void nextSerialIsWrittenAndRecorded();
    void refusedNumberIsHandedOutAgain();
    void numberOfAnEndedWindowIsVoided();
    void recordNotCompletedStopsTheStation();
    void refusedWritesSendNothing();
    void withoutDatabaseTheWindowIsAsBefore();
    void recordsViewListsFiltersAndExports();

private:
    void OpenDevice(const SimOptions& options = {});
    std::vector<TBoardRecord> Records();
    qint64 Count(SerialState state);

    QTemporaryDir dir;
    QString dbPath;
    int testNumber = 0;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<SimServer> device;
    std::unique_ptr<TForm1> form;
};

// The tool's settings and the default database file under the temporary folder, never the
// user's own.
void LineStationTest::initTestCase() {
    QVERIFY(dir.isValid());
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
    QVERIFY(QDir(dir.path()).mkpath("ports"));
    qputenv("VQ830_PORT_DIR", dir.filePath("ports").toLocal8Bit());
}

// A fresh database for each case, station "L1", operator "张三"; the device's port is COM4.
void LineStationTest::init() {
    dbPath = dir.filePath(QStringLiteral("line-%1.sqlite").arg(++testNumber));
    qputenv("VQ830_DB", dbPath.toLocal8Bit());
    SetSetting("station", "L1");
    SetSetting("operator", QStringLiteral("张三"));
    pty = std::make_unique<PtyPair>();
    QVERIFY(pty->Valid());
    QFile::remove(dir.filePath("ports/COM4"));
    QVERIFY(QFile::link(QString::fromStdString(pty->SlavePath()), dir.filePath("ports/COM4")));
    form = std::make_unique<TForm1>();
}

void LineStationTest::cleanup() {
    form.reset();
    device.reset();
    pty.reset();
    qunsetenv("VQ830_DB");
}

void LineStationTest::OpenDevice(const SimOptions& options) {
    device = std::make_unique<SimServer>(pty->MasterFd(), options);
    QVERIFY(device->Start());
    form->ui.Button1->click();
    QVERIFY(PartOf<TPortLink>(*form).PortOpened());
}

std::vector<TBoardRecord> LineStationTest::Records() {
    TLineDb db(DbLocationOf(dbPath), QStringLiteral("test"));
    return TLineBook(db).Read({});
}

qint64 LineStationTest::Count(SerialState state) {
    TLineDb db(DbLocationOf(dbPath), QStringLiteral("test"));
    return TSerialPool(db).Count(state);
}

void LineStationTest::writeAllIsRecordedWithItsConfiguration() {
    OpenDevice();
    PartOf<TBatchController>(*form).BatchTiming.gap = std::chrono::milliseconds(20);
    form->ui.Edit1->setText("25");
    PartOf<TConfigFileActions>(*form).AskFileName = [&](bool, const QString&) {
        return dir.filePath("board.json");
    };
    ButtonOf(*form, 57)->click(); // saved: the record names the file
    const DeviceSettings settings = PartOf<TSettingsBinding>(*form).Settings();
    const ModalCapture box = CaptureModal([&] {
        ButtonOf(*form, 56)->click();
        QVERIFY(QTest::qWaitFor([&] { return !PartOf<TBatchController>(*form).Running(); }, 30000));
    });
    QCOMPARE(box.text, QStringLiteral("写入全部完成：读回与写入全部一致"));
    const std::vector<TBoardRecord> records = Records();
    QCOMPARE(records.size(), size_t(1));
    const TBoardRecord& r = records[0];
    QCOMPARE(r.command, QStringLiteral("写入全部"));
    QCOMPARE(r.outcome, kPassed);
    QCOMPARE(r.station, QStringLiteral("L1"));
    QCOMPARE(r.operatorName, QStringLiteral("张三"));
    QCOMPARE(r.port, QStringLiteral("COM4"));
    QCOMPARE(r.tester, QStringLiteral("001"));
    QVERIFY(!r.toolVersion.isEmpty());
    QCOMPARE(r.frames.size(), qsizetype(ConfigWritesVerified(settings).size()));
    QVERIFY(r.differences.isEmpty());
    QCOMPARE(r.configSha256, SettingsSha256(settings));
    QCOMPARE(r.configName, QStringLiteral("board.json"));
    QVERIFY(!r.ended.isEmpty());
}

void LineStationTest::nextSerialIsWrittenAndRecorded() {
    OpenDevice();
    QVERIFY(!ButtonOf(*form, 60)->isHidden());
    form->ui.JIANZHI->SetItemIndex(10); // "102"
    QCOMPARE(ClickSerial(*form, 60).count, 0);
    QTRY_COMPARE(form->ui.StatusLine->text(), QStringLiteral("序列号 00000001 已写入"));
    QCOMPARE(form->ui.PCBSN->text(), QStringLiteral("00000001"));
    QCOMPARE(form->ui.discomm->text(), QStringLiteral("PPPPPP#PCBSN:00000001,102#"));
    QCOMPARE(form->ui.Memo8->toPlainText(), QStringLiteral("OK#"));
    QCOMPARE(device->State().boardSerial, 1);
    QCOMPARE(device->State().tester, 102);
    QCOMPARE(ClickSerial(*form, 60).count, 0);
    QTRY_COMPARE(form->ui.StatusLine->text(), QStringLiteral("序列号 00000002 已写入"));
    QCOMPARE(device->State().boardSerial, 2);

    const std::vector<TBoardRecord> records = Records();
    QCOMPARE(records.size(), size_t(2));
    QCOMPARE(records[0].command, QStringLiteral("下一个序列号"));
    QCOMPARE(records[0].outcome, kPassed);
    QCOMPARE(records[0].serialAfter, QStringLiteral("00000001"));
    QCOMPARE(records[0].frames.size(), qsizetype(1));
    QCOMPARE(records[1].serialAfter, QStringLiteral("00000002"));
    QCOMPARE(Count(SerialState::Written), qint64(2));
    QCOMPARE(Count(SerialState::Reserved), qint64(0));

    // "设置" writes the number typed, recorded; the line's numbers are not touched.
    form->ui.PCBSN->setText("777");
    QCOMPARE(ClickSerial(*form, 53).count, 0);
    QTRY_COMPARE(form->ui.StatusLine->text(), QStringLiteral("序列号 00000777 已写入"));
    QCOMPARE(device->State().boardSerial, 777);
    QCOMPARE(Records().back().command, QStringLiteral("serial"));
    QCOMPARE(Records().back().serialAfter, QStringLiteral("00000777"));
    QCOMPARE(Count(SerialState::Written), qint64(2));
}

// A number left reserved by a window of this station that has ended is voided when the
// database is first used, and the technician told which; the next board gets the next number.
void LineStationTest::numberOfAnEndedWindowIsVoided() {
    QProcess ended;
    ended.start("true", QStringList());
    QVERIFY(ended.waitForStarted());
    const qint64 pid = ended.processId();
    QVERIFY(ended.waitForFinished());
    {
        TLineDb db(DbLocationOf(dbPath), QStringLiteral("test"));
        TBoardRecord record;
        record.station = "L1";
        record.holder = THolder{"L1", QSysInfo::machineHostName(), pid}.Text();
        TBoardAttempt(db, record).TakeSerial();
    }
    OpenDevice();
    const ModalCapture box = ClickSerial(*form, 60);
    QCOMPARE(box.count, 1);
    QVERIFY2(box.text.contains(QStringLiteral("已作废：00000001")), qPrintable(box.text));
    QCOMPARE(form->ui.PCBSN->text(), QStringLiteral("00000002"));
    QCOMPARE(Count(SerialState::Void), qint64(1));
    QCOMPARE(Records().front().outcome, kAborted);
}

// The device refuses the number: it never reached a board, so the next click is given it again.
void LineStationTest::refusedNumberIsHandedOutAgain() {
    SimOptions refusing;
    refusing.refuseAll = true;
    OpenDevice(refusing);
    const QString released =
        QStringLiteral("设备拒绝了序列号 00000001，该号已释放，将分配给下一块板");
    QCOMPARE(ClickSerial(*form, 60).count, 0);
    QTRY_COMPARE(form->ui.StatusLine->text(), released);
    QCOMPARE(Count(SerialState::Released), qint64(1));
    form->ui.PCBSN->setText("12345");
    QCOMPARE(ClickSerial(*form, 60).count, 0);
    QCOMPARE(form->ui.PCBSN->text(), QStringLiteral("00000001"));
    QCOMPARE(Count(SerialState::Released), qint64(1));
    const std::vector<TBoardRecord> records = Records();
    QCOMPARE(records.size(), size_t(2));
    for (const TBoardRecord& r : records) {
        QCOMPARE(r.outcome, kRefused);
        QVERIFY(r.serialAfter.isEmpty()); // the board was not given it
    }
    // So does the number typed, by "设置".
    QCOMPARE(ClickSerial(*form, 53).count, 0);
    QTRY_COMPARE(form->ui.StatusLine->text(), QStringLiteral("设备拒绝了序列号 00000001"));
    QCOMPARE(Records().back().command, QStringLiteral("serial"));
    QCOMPARE(Records().back().outcome, kRefused);
}

// The record of a write cannot be completed (its table went away): the technician is told, and
// no further recorded write goes out until the tool is started again.
void LineStationTest::recordNotCompletedStopsTheStation() {
    OpenDevice();
    QCOMPARE(ClickSerial(*form, 60).count, 0);
    QCOMPARE(Records().size(), size_t(1));

    const ModalCapture lost = CaptureModal([&] {
        ButtonOf(*form, 60)->click();
        TLineDb other(DbLocationOf(dbPath), QStringLiteral("test"));
        other.Exec(QStringLiteral("DROP TABLE records"));
        QVERIFY(QTest::qWaitFor([&] { return !PartOf<TSerialWrites>(*form).Running(); }, 10000));
    });
    QCOMPARE(lost.count, 1);
    QCOMPARE(lost.icon, QMessageBox::Critical);
    QVERIFY2(lost.text.startsWith(QStringLiteral("生产记录未能写入：")), qPrintable(lost.text));
    QCOMPARE(lost.informative,
             QStringLiteral("在问题解决并重新启动本工具之前，不能继续写入下一块板。"));

    const quint64 fed = device->Stats().device.bytesFed;
    for (int button : {60, 56, 53}) {
        const ModalCapture refused = CaptureModal([&] { ButtonOf(*form, button)->click(); });
        QCOMPARE(refused.count, 1);
        QCOMPARE(refused.text, QStringLiteral("生产记录曾未能写入，未发送任何帧."));
    }
    QTest::qWait(100); // nothing is on its way to the device
    QCOMPARE(device->Stats().device.bytesFed, fed);
}

// No station name, or a database that cannot be used: nothing goes out, and a box says why.
void LineStationTest::refusedWritesSendNothing() {
    QSettings("vq830", "vq830").remove("station");
    OpenDevice();
    for (int button : {60, 56, 53}) {
        const ModalCapture box = CaptureModal([&] { ButtonOf(*form, button)->click(); });
        QCOMPARE(box.count, 1);
        QCOMPARE(box.text, QStringLiteral("未设置工位名称，未发送任何帧."));
        QVERIFY(box.informative.contains(QStringLiteral("生产记录")));
    }
    // A database that cannot be used: the same.
    SetSetting("station", "L1");
    qputenv("VQ830_DB", dir.filePath("ports").toLocal8Bit()); // a folder
    for (int button : {60, 56}) {
        const ModalCapture box = CaptureModal([&] { ButtonOf(*form, button)->click(); });
        QCOMPARE(box.count, 1);
        QVERIFY2(box.text.startsWith(QStringLiteral("生产记录数据库无法使用，未发送任何帧：")),
                 qPrintable(box.text));
    }
    QTest::qWait(100);
    QCOMPARE(device->Stats().device.bytesFed, quint64(0));
    QCOMPARE(form->ui.PCBSN->text(), QStringLiteral("00000000"));
    QVERIFY(!QFile::exists(dbPath));
}

// No database: "下一个序列号" is not shown, and "设置" sends its frame as it always has.
void LineStationTest::withoutDatabaseTheWindowIsAsBefore() {
    form.reset();
    qunsetenv("VQ830_DB");
    form = std::make_unique<TForm1>();
    QVERIFY(ButtonOf(*form, 60)->isHidden());
    QVERIFY(!ButtonOf(*form, 61)->isHidden());
    OpenDevice();
    PartOf<TReplyIntake>(*form).ReceivePauseMs = 0;
    QCOMPARE(CaptureModal([&] { ButtonOf(*form, 53)->click(); }).count, 0);
    QCOMPARE(PartOf<TReplyIntake>(*form).RecvMode, RecvMode::ShowSystem);
    QVERIFY(!PartOf<TSerialWrites>(*form).Running());
    QTRY_COMPARE(form->ui.Memo8->toPlainText(), QStringLiteral("OK#"));
    QVERIFY(!QFile::exists(dbPath));
    QVERIFY(!QFile::exists(dir.filePath("data/vq830/line.sqlite")));
}

void LineStationTest::recordsViewListsFiltersAndExports() {
    {
        TLineDb db(DbLocationOf(dbPath), QStringLiteral("test"));
        TBoardRecord record;
        record.station = "L1";
        record.holder = THolder::Self("L1").Text();
        for (const QString& outcome : {kPassed, kPassed, kFailed}) {
            TBoardAttempt attempt(db, record);
            attempt.TakeSerial();
            attempt.Finish(outcome, Outcome::Answered);
        }
    }
    ButtonOf(*form, 61)->click();
    auto* table = InRecords<QTableWidget>(*form, "RecordsTable");
    QVERIFY(table && table->window()->isVisible());
    QCOMPARE(table->window()->windowTitle(), QStringLiteral("生产记录"));
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("3")); // newest first
    QCOMPARE(table->item(0, 4)->text(), QStringLiteral("00000003"));
    QCOMPARE(table->item(0, 5)->text(), QStringLiteral("失败"));
    QCOMPARE(table->item(2, 0)->text(), QStringLiteral("1"));

    InRecords<QLineEdit>(*form, "RecordsSerialFilter")->setText("2");
    InRecords<QPushButton>(*form, "RecordsRefresh")->click();
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 4)->text(), QStringLiteral("00000002"));

    InRecords<QLineEdit>(*form, "RecordsSerialFilter")->clear();
    InRecords<QComboBox>(*form, "RecordsOutcomeFilter")->setCurrentText(QStringLiteral("通过"));
    InRecords<QPushButton>(*form, "RecordsRefresh")->click();
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 4)->text(), QStringLiteral("00000002"));

    const QString csv = dir.filePath("records.csv");
    form->findChild<TRecordsDialog*>()->AskFileName = [&](const QString&) { return csv; };
    InRecords<QPushButton>(*form, "RecordsExport")->click();
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 4); // the header, the two rows shown, and the last line's end
    QVERIFY(lines[0].startsWith("\xEF\xBB\xBF\"id\""));
    QVERIFY(lines[1].contains("\"'00000002\""));
    QVERIFY(lines[2].contains("\"'00000001\""));

    InRecords<QLineEdit>(*form, "RecordsStation")->setText(" L2 ");
    InRecords<QPushButton>(*form, "RecordsSave")->click();
    QCOMPARE(Setting("station").toString(), QStringLiteral("L2"));
}

QTEST_MAIN(LineStationTest)
#include "test_line_station.moc"
