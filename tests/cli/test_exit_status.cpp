// The exit status of a run, from what became of its commands.
#include "cli/exit_status.h"

#include <QTest>
#include <algorithm>
#include <vector>

class CliExitStatusTest : public QObject {
    Q_OBJECT
private slots:
    void ofRun_data();
    void ofRun();
};

void CliExitStatusTest::ofRun_data() {
    QTest::addColumn<std::vector<Outcome>>("outcomes");
    QTest::addColumn<int>("status");
    using O = Outcome;
    QTest::newRow("all answered") << std::vector<O>{O::Answered, O::Answered} << int(kExitOk);
    QTest::newRow("refused, incomplete, other slot")
        << std::vector<O>{O::Refused, O::Incomplete, O::OtherSlot} << int(kExitDiffers);
    QTest::newRow("a frame that could not be sent")
        << std::vector<O>{O::Answered, O::NotSent} << int(kExitDiffers);
    QTest::newRow("silent outranks refused")
        << std::vector<O>{O::Refused, O::Silent, O::Silent, O::Silent, O::NotSent}
        << int(kExitNoAnswer);
    QTest::newRow("the port gone outranks silent")
        << std::vector<O>{O::Silent, O::PortGone, O::NotSent} << int(kExitGone);
}

// As the command line folds them: the worst status of all, the unsent counting as gone when
// the port went away.
void CliExitStatusTest::ofRun() {
    QFETCH(std::vector<Outcome>, outcomes);
    QFETCH(int, status);
    const bool gone = std::count(outcomes.begin(), outcomes.end(), Outcome::PortGone) > 0;
    int folded = kExitOk;
    for (const Outcome o : outcomes)
        folded = Worse(folded, StatusOf(o, gone));
    QCOMPARE(folded, status);
}

QTEST_APPLESS_MAIN(CliExitStatusTest)
#include "test_exit_status.moc"
