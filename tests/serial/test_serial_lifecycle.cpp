// Threads and descriptors over many openings, and destruction of an open port.
#include <QtTest>

#include "support.h"

class TestSerialLifecycle : public QObject {
    Q_OBJECT

private slots:
    void manyOpenCloseCyclesLeaveNothingBehind() {
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        auto comm = MakeBinaryPort(sink, pty.SlavePath());
        EventLog log;
        log.Attach(*comm);
        const int fds = CountOpenFds();
        const ThreadsSince threads;
        for (int i = 0; i < 200; ++i) {
            comm->OpenPort();
            QVERIFY(comm->IsOpen());
            if (i % 50 == 0) QVERIFY(threads.WaitCount(2, 5s));
            comm->ClosePort();
        }
        QCOMPARE(CountOpenFds(), fds);
        QVERIFY(threads.WaitCount(0, 5s));
        sink->RunPending();
        QVERIFY(log.SendEmpty <= 200);
        QVERIFY(log.AllOnOwnerThread);
        // Still usable afterwards.
        comm->OpenPort();
        QVERIFY(comm->SendBytes("end", 3));
        QCOMPARE(pty.Read(3, 10s).size(), size_t(3));
    }

    void destructionWhileOpen() {
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        const int fds = CountOpenFds();
        const ThreadsSince threads;
        {
            auto comm = MakeBinaryPort(sink, pty.SlavePath());
            comm->OpenPort();
            const auto big = Pattern(256 * 1024);
            QVERIFY(comm->SendBytes(big.data(), big.size())); // stalls: nobody reads
            QVERIFY(pty.Write("incoming"));
            QVERIFY(threads.WaitCount(2, 5s));
        } // destroyed open
        QVERIFY(threads.WaitCount(0, 5s));
        QCOMPARE(CountOpenFds(), fds);
        sink->RunPending(); // whatever was queued does nothing now
        // The device was released: another object takes it.
        pty.ReadAvailable(50ms);
        auto again = MakeBinaryPort(sink, pty.SlavePath());
        again->OpenPort();
        QVERIFY(again->SendBytes("ok", 2));
        QCOMPARE(pty.Read(2, 10s).size(), size_t(2));
    }

    void sinkOutlivesManyObjects() {
        // Objects come and go while their notifications are still queued.
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        int delivered = 0;
        for (int i = 0; i < 20; ++i) {
            auto comm = MakeBinaryPort(sink, pty.SlavePath());
            comm->OnSendDataEmpty = [&](TComm&) { ++delivered; };
            const size_t queued = sink->Pending();
            comm->OpenPort();
            QVERIFY(WaitPending(*sink, queued + 1, 10s));
            if (i % 2 == 0) sink->RunPending(); // delivered while the object lives
        }
        sink->RunPending(); // the odd ones' notices arrive after their objects are gone
        QCOMPARE(delivered, 10);
    }
};

QTEST_GUILESS_MAIN(TestSerialLifecycle)
#include "test_serial_lifecycle.moc"
