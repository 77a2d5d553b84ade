// vq830's port opens with DTR and RTS low: nothing of ours raises them (a board may use them
// for reset or the direction of an RS-485 line). Seen through the ioctl seam, since a
// pseudo-terminal has no modem lines.
#include "cli/device_link.h"
#include "ioctl_seam.h"
#include "pty/pty_pair.h"

#include <QTest>

class CliLinesTest : public QObject {
    Q_OBJECT
private slots:
    void openingRaisesNoLine();
};

void CliLinesTest::openingRaisesNoLine() {
    PtyPair pty;
    QVERIFY(pty.Open());
    ioctl_seam::Reset();
    TCliOptions options;
    options.port = QString::fromStdString(pty.SlavePath());
    options.quiet = true;
    const TReport report(options);
    TDeviceLink link(options, report);
    link.Open();
    const ioctl_seam::ModemLines lines = ioctl_seam::LinesOf(pty.SlavePath());
    QCOMPARE(lines.Raises, 0);
    QVERIFY(lines.DtrKnown && !lines.Dtr);
    QVERIFY(lines.RtsKnown && !lines.Rts);
}

QTEST_GUILESS_MAIN(CliLinesTest)
#include "test_lines.moc"
