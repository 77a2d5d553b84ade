// The traffic log window: what a row shows, the row limit under a flood, pausing and saving.
#include "modal_capture.h"
#include "ui/traffic_log.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDateTime kTime(QDate(2026, 12, 8), QTime(23, 46, 3, 7));

QString Cell(const TTrafficLog& log, int row, int column) {
    const TTrafficModel& model = log.Model();
    return model.data(model.index(row, column)).toString();
}

// One CSV record without line breaks inside fields; quoted fields may hold "" and commas.
QStringList ParseCsvLine(const QString& line) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            field += c;
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields << std::exchange(field, QString());
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

QByteArray NumberedBatch(int n) {
    QByteArray bytes = QByteArray::number(n) + ':';
    bytes.append(2048 - bytes.size(), char('a' + n % 26));
    return bytes;
}

} // namespace

class TrafficLogTest : public QObject {
    Q_OBJECT
private slots:
    void entriesShowTheirColumns_data();
    void entriesShowTheirColumns();
    void pauseSkipsAndClearEmpties();
    void rowLimitKeepsTheNewestUnderAFlood();
    void saveWritesEveryByte_data();
    void saveWritesEveryByte();
};

void TrafficLogTest::entriesShowTheirColumns_data() {
    QTest::addColumn<int>("kind"); // 0 sent, 1 received, 2 received and dropped by the window
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("direction");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hex");

    QTest::newRow("sent frame") << 0 << QByteArray("PPPPPP#QX1#") << QStringLiteral("发送")
                                << QStringLiteral("PPPPPP#QX1#")
                                << QStringLiteral("50 50 50 50 50 50 23 51 58 31 23");
    QTest::newRow("answer with CR LF")
        << 1 << QByteArray("MOD:0\r\n") << QStringLiteral("接收") << QStringLiteral("MOD:0\\r\\n")
        << QStringLiteral("4D 4F 44 3A 30 0D 0A");
    QTest::newRow("dropped, control and 8-bit bytes")
        << 2 << QByteArray("\x00\t\\\x7f\x80\xff", 6) << QStringLiteral("接收(丢弃)")
        << QStringLiteral("\\x00\\t\\\\\\x7F\\x80\\xFF") << QStringLiteral("00 09 5C 7F 80 FF");
    QTest::newRow("full batch, cell cut")
        << 1 << QByteArray(2048, 'A') << QStringLiteral("接收")
        << QString(TTrafficModel::CellBytes, 'A') + QStringLiteral("…")
        << QStringLiteral("41 ").repeated(TTrafficModel::CellBytes - 1) + QStringLiteral("41…");
}

void TrafficLogTest::entriesShowTheirColumns() {
    QFETCH(int, kind);
    QFETCH(QByteArray, bytes);
    TTrafficLog log;
    QAbstractItemModelTester tester(&log.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    if (kind == 0)
        log.AddSent(bytes, kTime);
    else
        log.AddReceived(bytes, kind == 2, kTime);
    // Batched: the row appears with the next flush, not at the call.
    QCOMPARE(log.RowCount(), 0);
    QCOMPARE(log.PendingCount(), 1);
    QTRY_COMPARE(log.RowCount(), 1);
    QCOMPARE(Cell(log, 0, TTrafficModel::TimeColumn), QStringLiteral("2026-12-08 23:46:03.007"));
    QTEST(Cell(log, 0, TTrafficModel::DirectionColumn), "direction");
    QCOMPARE(Cell(log, 0, TTrafficModel::CountColumn), QString::number(bytes.size()));
    QTEST(Cell(log, 0, TTrafficModel::TextColumn), "text");
    QTEST(Cell(log, 0, TTrafficModel::HexColumn), "hex");
    QCOMPARE(log.Model().Entries().front().Bytes, bytes); // kept whole for saving
}

void TrafficLogTest::pauseSkipsAndClearEmpties() {
    TTrafficLog log;
    log.AddSent("A");
    log.PauseButton->click();
    QCOMPARE(log.PauseButton->text(), QStringLiteral("继续"));
    for (int i = 0; i < 3; ++i)
        log.AddReceived("B", false);
    log.PauseButton->click();
    QCOMPARE(log.PauseButton->text(), QStringLiteral("暂停"));
    log.AddReceived("C", true);
    log.Flush();
    QCOMPARE(log.RowCount(), 2);
    QCOMPARE(log.Model().Entries().back().Bytes, QByteArray("C"));
    QVERIFY2(log.Summary->text().contains(QStringLiteral("跳过 3 条")),
             qPrintable(log.Summary->text()));
    log.ClearButton->click();
    QCOMPARE(log.RowCount(), 0);
}

void TrafficLogTest::rowLimitKeepsTheNewestUnderAFlood() {
    TTrafficLog log;
    log.show();
    QAbstractItemModelTester tester(&log.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    const int max = TTrafficModel::MaxRows;
    // More than the limit between two flushes, then a few more into a full table.
    for (int i = 0; i < max + 5; ++i)
        log.AddSent(QByteArray::number(i));
    QCOMPARE(log.PendingCount(), max);
    log.Flush();
    QCOMPARE(log.RowCount(), max);
    QCOMPARE(log.Model().Entries().front().Bytes, QByteArray("5"));
    for (int i = max + 5; i < max + 8; ++i)
        log.AddSent(QByteArray::number(i));
    QTRY_COMPARE(log.PendingCount(), 0);
    QCOMPARE(log.RowCount(), max);
    QCOMPARE(log.Model().Entries().front().Bytes, QByteArray("8"));
    QCOMPARE(Cell(log, max - 1, TTrafficModel::TextColumn), QString::number(max + 7));

    // A flood of full batches with the event loop running in between: neither the table nor
    // the pending list ever holds more than the limit.
    const int flood = 50000;
    int largest = 0;
    for (int i = 0; i < flood; ++i) {
        log.AddReceived(NumberedBatch(i), i % 2 == 0);
        largest = std::max(largest, log.RowCount() + log.PendingCount());
        if (i % 500 == 0) QCoreApplication::processEvents();
    }
    QVERIFY2(largest <= 2 * max, qPrintable(QString::number(largest)));
    QVERIFY(log.PendingCount() <= max);
    QTRY_COMPARE(log.PendingCount(), 0);
    QCOMPARE(log.RowCount(), max);
    QCOMPARE(log.Model().Entries().front().Bytes, NumberedBatch(flood - max));
    QCOMPARE(log.Model().Entries().back().Bytes, NumberedBatch(flood - 1));
}

void TrafficLogTest::saveWritesEveryByte_data() {
    QTest::addColumn<QString>("fileName");
    QTest::newRow("csv") << QStringLiteral("log.csv");
    QTest::newRow("csv, upper-case suffix") << QStringLiteral("log.CSV");
    QTest::newRow("text") << QStringLiteral("log.txt");
}

void TrafficLogTest::saveWritesEveryByte() {
    QFETCH(QString, fileName);
    const bool csv = fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    QByteArray everyByte;
    for (int i = 0; i < 2048; ++i)
        everyByte.append(char(i % 256));
    TTrafficLog log;
    log.AddSent("PPPPPP#QX1#", kTime);
    log.AddReceived("say \"hi\", then\r\n", false, kTime.addMSecs(1));
    log.AddReceived(everyByte, true, kTime.addMSecs(2)); // unflushed entries are saved too

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(fileName);
    QString error;
    QVERIFY2(log.SaveTo(path, &error), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(file.readAll()).split(csv ? "\r\n" : "\n");
    QCOMPARE(lines.takeLast(), QString()); // the last line ends like the others
    if (csv)
        QCOMPARE(ParseCsvLine(lines.takeFirst()),
                 QStringList({"时间", "方向", "字节数", "文本", "十六进制"}));
    QCOMPARE(lines.size(), 3);
    const std::deque<TTrafficEntry>& entries = log.Model().Entries();
    QList<QStringList> rows;
    for (int row = 0; row < 3; ++row) {
        rows << (csv ? ParseCsvLine(lines[row]) : lines[row].split('\t'));
        const TTrafficEntry& entry = entries[size_t(row)];
        QCOMPARE(rows.back(),
                 QStringList({TrafficTimeText(entry.Time), TrafficDirectionText(entry.Direction),
                              QString::number(entry.Bytes.size()), EscapedTrafficText(entry.Bytes),
                              TrafficHex(entry.Bytes)}));
    }
    QCOMPARE(rows[0][0], QStringLiteral("2026-12-08 23:46:03.007"));
    QCOMPARE(rows[1][3], QStringLiteral("say \"hi\", then\\r\\n"));
    QCOMPARE(rows[2][1], QStringLiteral("接收(丢弃)"));
    QCOMPARE(QByteArray::fromHex(rows[2][4].toLatin1()), everyByte); // whole, not cut
    QVERIFY(!rows[2][3].contains(QStringLiteral("…")));

    QVERIFY(!log.SaveTo(dir.filePath(QStringLiteral("missing/") + fileName), &error));
    QVERIFY2(error.contains(QStringLiteral("missing")), qPrintable(error));
}

QTEST_MAIN(TrafficLogTest)
#include "test_traffic_log.moc"
