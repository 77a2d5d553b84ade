// Sending and receiving through a pseudo-terminal: order, batches, events and their thread.
#include <QtTest>

#include <future>

#include "support.h"

namespace {

// A sink that can be told to refuse the next posts, as a sink that cannot allocate would.
class RefusingSink : public QueueNotifySink {
public:
    std::atomic<int> Refuse{0};
    void Post(std::function<void()> fn) override {
        RefuseIfTold();
        QueueNotifySink::Post(std::move(fn));
    }
    void PostAll(std::span<std::function<void()>> fns) override {
        RefuseIfTold();
        QueueNotifySink::PostAll(fns);
    }

private:
    void RefuseIfTold() {
        for (int n = Refuse.load(); n > 0;)
            if (Refuse.compare_exchange_weak(n, n - 1)) throw std::bad_alloc();
    }
};

} // namespace

class TestSerialIo : public QObject {
    Q_OBJECT

    std::shared_ptr<QueueNotifySink> sink;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<TComm> comm;
    EventLog log;

    // Opens the port and consumes the send-queue-empty notice every open produces.
    void Open() {
        comm->OpenPort();
        QVERIFY(sink->RunUntil([&] { return log.SendEmpty == 1; }, 10s));
    }

    // Lets `thread` end, joins it and waits until the kernel no longer lists it.
    static void EndThread(std::promise<void>& release, std::thread& thread) {
        const size_t listed = ThreadIds().size();
        release.set_value();
        thread.join();
        QVERIFY(WaitFor([&] { return ThreadIds().size() < listed; }, 5s));
    }

    // Fills the line so that the transmit thread stalls: the master side reads nothing.
    std::vector<uint8_t> Stall() {
        auto big = Pattern(512 * 1024, 7);
        bool ok = comm->SendBytes(big.data(), big.size());
        if (!ok) big.clear();
        return big;
    }

private slots:
    void init() {
        sink = std::make_shared<QueueNotifySink>();
        pty = std::make_unique<PtyPair>();
        QVERIFY(pty->Valid());
        comm = MakeBinaryPort(sink, pty->SlavePath());
        log = EventLog{};
        log.Attach(*comm);
    }
    void cleanup() {
        comm.reset();
        pty.reset();
        sink.reset();
    }

    void sendRejectedWhenClosedOrEmpty() {
        QVERIFY(!comm->SendBytes("abc", 3));
        Open();
        QVERIFY(!comm->SendBytes("abc", 0));
        QVERIFY(comm->SendQueueEmpty());
        QVERIFY(pty->ReadAvailable(50ms).empty());
    }

    void buffersWrittenInOrderWithOneEmptyNotice() {
        Open();
        // The first buffer cannot leave until the master side reads, so the next ones queue
        // behind it and the three form one run.
        const auto a = Stall();
        QVERIFY(!a.empty());
        const auto b = Pattern(3000, 2);
        const auto c = Pattern(17, 3);
        QVERIFY(comm->SendBytes(b.data(), b.size()));
        QVERIFY(comm->SendBytes(c.data(), c.size()));
        QVERIFY(!comm->SendQueueEmpty());
        std::vector<uint8_t> expected = a;
        expected.insert(expected.end(), b.begin(), b.end());
        expected.insert(expected.end(), c.begin(), c.end());
        const auto wire = pty->Read(expected.size(), 60s);
        QCOMPARE(wire.size(), expected.size());
        QVERIFY(wire == expected);
        QVERIFY(sink->RunUntil([&] { return log.SendEmpty == 2; }, 10s));
        QVERIFY(comm->SendQueueEmpty());
        // Nothing more is written and no further notice comes.
        QVERIFY(pty->ReadAvailable(100ms).empty());
        sink->RunPending();
        QCOMPARE(log.SendEmpty, 2);
        QVERIFY(log.AllOnOwnerThread);
    }

    void frameOver64KiBWrittenWhole() {
        Open();
        const auto frame = Pattern(70000, 4);
        QVERIFY(comm->SendBytes(frame.data(), frame.size()));
        const auto wire = pty->Read(frame.size(), 10s);
        QCOMPARE(wire.size(), frame.size());
        QVERIFY(wire == frame);
        QVERIFY(pty->ReadAvailable(50ms).empty()); // nothing beyond the frame
    }

    void transmitQueueIsBounded() {
        Open();
        QVERIFY(!Stall().empty());
        size_t accepted = 0;
        const char byte = 'x';
        while (accepted < TComm::MaxQueuedBuffers + 10 && comm->SendBytes(&byte, 1))
            ++accepted;
        // The stalled buffer may or may not still count; the queue holds about 10,000 more.
        QVERIFY(accepted >= TComm::MaxQueuedBuffers - 1);
        QVERIFY(accepted <= TComm::MaxQueuedBuffers);
        QVERIFY(!comm->SendBytes(&byte, 1));
        comm->ClosePort();
    }

    void burstArrivesInOrderedBatches() {
        Open();
        const auto burst = Pattern(10000, 5);
        QVERIFY(pty->Write(burst.data(), burst.size()));
        QVERIFY(sink->RunUntil([&] { return log.ReceivedCount() >= burst.size(); }, 20s));
        QVERIFY(log.AllReceived() == burst);
        QVERIFY(log.Batches.size() >= 5);
        for (const auto& batch : log.Batches) {
            QVERIFY(!batch.empty());
            QVERIFY(batch.size() <= 2048);
        }
        QVERIFY(log.AllOnOwnerThread);
    }

    void backlogForTheOwnerIsBounded() {
        // An owner that does not run its queue: the receive thread stops reading once the
        // limit is passed, and the line holds the rest.
        const uint32_t limit = 8192;
        comm->SetReceiveBacklogLimit(limit);
        QCOMPARE(comm->ReceiveBacklogLimit(), limit);
        Open();
        const auto flood = Pattern(1024 * 1024, 21);
        std::atomic<bool> written{false};
        std::jthread far([&] { written = pty->Write(flood.data(), flood.size(), 20s); });
        // Before the bound existed the whole flood was read and queued at once.
        QVERIFY(!WaitFor([&] { return written.load(); }, 1s));
        // What waits in the sink now: run exactly those closures and count their bytes.
        const size_t pending = sink->Pending();
        for (size_t i = 0; i < pending; ++i)
            QVERIFY(sink->WaitAndRunOne(0ms));
        qInfo("bytes waiting for the owner after 1 s of flood: %zu (limit %u)", log.ReceivedCount(),
              limit);
        QVERIFY(log.ReceivedCount() > 0);
        QVERIFY(log.ReceivedCount() <= limit + 2048);
        // Once the owner runs its queue, every byte arrives, intact and in order.
        QVERIFY(sink->RunUntil([&] { return log.ReceivedCount() >= flood.size(); }, 20s));
        far.join();
        QVERIFY(written.load());
        QVERIFY(log.AllReceived() == flood);
        for (const auto& batch : log.Batches)
            QVERIFY(batch.size() <= 2048);
        QCOMPARE(log.Hangups, 0);
    }

    void pauseSplitsReply() {
        Open();
        QVERIFY(pty->Write("MOD:1,"));
        // The first part is only delivered once the line has been quiet for the interval.
        QVERIFY(sink->RunUntil([&] { return log.Batches.size() == 1; }, 10s));
        QVERIFY(pty->Write("BAZ:2"));
        QVERIFY(sink->RunUntil([&] { return log.Batches.size() == 2; }, 10s));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(log.Batches[0].data()),
                            qsizetype(log.Batches[0].size())),
                 QByteArray("MOD:1,"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(log.Batches[1].data()),
                            qsizetype(log.Batches[1].size())),
                 QByteArray("BAZ:2"));
    }

    void timeoutsTakeEffectWhileOpen() {
        Open();
        // A long interval: a partial batch waits for the buffer to fill.
        comm->SetReadIntervalTimeout(60000);
        const auto head = Pattern(10, 11);
        QVERIFY(pty->Write(head.data(), head.size()));
        QVERIFY(!sink->RunUntil([&] { return !log.Batches.empty(); }, 300ms));
        const auto rest = Pattern(2038, 12);
        QVERIFY(pty->Write(rest.data(), rest.size()));
        QVERIFY(sink->RunUntil([&] { return log.Batches.size() == 1; }, 10s));
        QCOMPARE(log.Batches[0].size(), size_t(2048));
        QVERIFY(std::equal(head.begin(), head.end(), log.Batches[0].begin()));
        // A total time-out ends a read that the interval alone would keep open.
        comm->SetReadTotalTimeoutConstant(50);
        QVERIFY(pty->Write("tail"));
        QVERIFY(sink->RunUntil([&] { return log.Batches.size() == 2; }, 10s));
        QCOMPARE(log.Batches[1], (std::vector<uint8_t>{'t', 'a', 'i', 'l'}));
        QCOMPARE(log.Hangups, 0);
    }

    void stalledWriteWithHugeTimeoutSleeps() {
        // Multiplier times the bytes left is far more milliseconds than any clock can hold:
        // such a write time-out is no time-out, and the stalled write simply waits for room.
        comm->SetWriteTotalTimeoutMultiplier(2000000);
        const auto before = ThreadIds();
        Open();
        std::set<std::string> port;
        for (const auto& id : ThreadIds())
            if (!before.count(id)) port.insert(id);
        QVERIFY(!port.empty());
        const auto big = Pattern(8 * 1024 * 1024, 13);
        QVERIFY(comm->SendBytes(big.data(), big.size()));
        QCOMPARE(pty->Read(1, 10s).size(), size_t(1)); // the write has begun
        // A blocked thread uses no CPU; a thread that spins uses about 100 ticks a second.
        const long start = CpuTicks(port);
        QVERIFY(!WaitFor([&] { return CpuTicks(port) - start > 10; }, 1s));
        QCOMPARE(log.Hangups, 0);
    }

    void emptyReadsAreReissued() {
        // With a total read time-out, reads complete empty while the line is quiet; the
        // receive thread must issue them again rather than end.
        comm->SetReadTotalTimeoutConstant(10);
        const ThreadsSince threads;
        Open();
        std::this_thread::sleep_for(100ms); // several empty completions
        QVERIFY(threads.WaitCount(2, 5s));
        QVERIFY(pty->Write("late"));
        QVERIFY(sink->RunUntil([&] { return log.ReceivedCount() >= 4; }, 10s));
        QCOMPARE(log.Hangups, 0);
    }

    void ignoreNullCharDropsZeros() {
        comm->SetIgnoreNullChar(true);
        Open();
        const uint8_t data[] = {'a', 0, 'b', 0, 0, 'c'};
        QVERIFY(pty->Write(data, sizeof data));
        QVERIFY(sink->RunUntil([&] { return log.ReceivedCount() >= 3; }, 10s));
        const auto got = log.AllReceived();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(got.data()), qsizetype(got.size())),
                 QByteArray("abc"));
    }

    void closeDuringStalledTransmission() {
        const ThreadsSince threads;
        Open();
        QVERIFY(!Stall().empty());
        QVERIFY(!comm->SendQueueEmpty());
        comm->ClosePort(); // must not wait for the line to drain
        QVERIFY(!comm->IsOpen());
        QVERIFY(threads.WaitCount(0, 5s));
        // The unsent rest was discarded: far less than the buffer reached the other side.
        const auto wire = pty->ReadAvailable(100ms);
        QVERIFY(wire.size() < 512 * 1024);
        comm->OpenPort();
        QVERIFY(comm->SendBytes("ok", 2));
        const auto after = pty->Read(2, 10s);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(after.data()), qsizetype(after.size())),
                 QByteArray("ok"));
    }

    void hangupWhenOtherEndCloses_data() {
        QTest::addColumn<bool>("otherThreadEnds");
        QTest::newRow("no other thread") << false;
        // A thread the kernel still lists when the count starts and that is gone soon after,
        // as one joined just before can be under load, is not one of the port's.
        QTest::newRow("another thread ends as the count starts") << true;
    }

    void hangupWhenOtherEndCloses() {
        QFETCH(bool, otherThreadEnds);
        std::promise<void> release;
        std::thread other([gate = release.get_future()] { gate.wait(); });
        if (!otherThreadEnds) EndThread(release, other);
        const ThreadsSince before;
        if (otherThreadEnds) EndThread(release, other);
        Open();
        QVERIFY(before.WaitCount(2, 5s));
        pty->CloseMaster();
        QVERIFY(sink->RunUntil([&] { return log.Hangups >= 1; }, 10s));
        // The receive thread has ended (no busy loop) and asks only once.
        QVERIFY(before.WaitCount(1, 10s));
        QVERIFY(!sink->WaitAndRunOne(200ms) || log.Hangups == 1);
        sink->RunPending();
        QCOMPARE(log.Hangups, 1);
        QVERIFY(log.AllOnOwnerThread);
        comm->ClosePort();
        QVERIFY(before.WaitCount(0, 5s));
    }

    void transmitThreadOutlivesReceiveThread() {
        const ThreadsSince before;
        Open();
        pty->CloseMaster();
        QVERIFY(sink->RunUntil([&] { return log.Hangups == 1; }, 10s));
        QVERIFY(before.WaitCount(1, 10s)); // the transmit thread still runs
        // It takes the buffer, meets the dead line and ends; the hang-up was already asked for
        // in this opening, so it is not asked again. From then on nothing more is queued.
        QVERIFY(comm->SendBytes("after", 5));
        QVERIFY(before.WaitCount(0, 10s));
        sink->RunPending();
        QCOMPARE(log.Hangups, 1);
        QVERIFY(!comm->SendBytes("more", 4));
        QVERIFY(comm->IsOpen()); // the object does not notice; closing cleans up
        comm->ClosePort();
        QVERIFY(!comm->IsOpen());
        QVERIFY(log.AllOnOwnerThread);
    }

    void deviceGoneDuringLongSendIsOneHangup() {
        const ThreadsSince before;
        Open();
        QVERIFY(!Stall().empty());
        pty->CloseMaster(); // both threads meet the hang-up: the reader and the stalled writer
        QVERIFY(before.WaitCount(0, 10s));
        sink->RunPending();
        QCOMPARE(log.Hangups, 1);
    }

    void failureInsideAThreadIsAHangup() {
        auto refusing = std::make_shared<RefusingSink>();
        sink = refusing;
        comm = MakeBinaryPort(sink, pty->SlavePath());
        log.Attach(*comm);
        const ThreadsSince before;
        Open();
        // The receive thread cannot hand over a batch: it asks for a hang-up and ends.
        refusing->Refuse = 1;
        QVERIFY(pty->Write("x"));
        QVERIFY(sink->RunUntil([&] { return log.Hangups == 1; }, 10s));
        QVERIFY(before.WaitCount(1, 10s));
        // The transmit thread writes, cannot report its empty queue, and ends as well (its
        // end discards what the line still holds); the hang-up was asked for already.
        refusing->Refuse = 1;
        QVERIFY(comm->SendBytes("y", 1));
        QVERIFY(before.WaitCount(0, 10s));
        QVERIFY(!comm->SendBytes("z", 1));
        sink->RunPending();
        QCOMPARE(log.Hangups, 1);
        QVERIFY(log.Batches.empty());
    }

    void dataBeforeHangupComesFirst() {
        Open();
        std::vector<uint32_t> order; // 1 = data, 2 = hang-up
        comm->OnReceiveData = [&](TComm&, const uint8_t* buf, uint16_t len) {
            log.Batches.emplace_back(buf, buf + len);
            order.push_back(1);
        };
        comm->OnRequestHangup = [&](TComm&) {
            ++log.Hangups;
            order.push_back(2);
        };
        const auto burst = Pattern(5000, 9);
        QVERIFY(pty->Write(burst.data(), burst.size()));
        pty->CloseMaster();
        QVERIFY(sink->RunUntil([&] { return log.Hangups == 1; }, 10s));
        // Whatever the line delivered before it went away is a prefix of what was sent, in
        // batches of at most 2048 bytes, and comes before the hang-up request.
        QCOMPARE(order.back(), 2u);
        QCOMPARE(std::count(order.begin(), order.end(), 2u), 1);
        const auto got = log.AllReceived();
        QVERIFY(got.size() <= burst.size());
        QVERIFY(std::equal(got.begin(), got.end(), burst.begin()));
        for (const auto& batch : log.Batches)
            QVERIFY(batch.size() <= 2048);
    }

    void batchPostedBeforeCloseIsDeliveredAfter() {
        Open();
        QVERIFY(pty->Write("XYZ"));
        QVERIFY(WaitPending(*sink, 1, 10s));
        comm->ClosePort();
        QVERIFY(log.Batches.empty());
        sink->RunPending();
        QCOMPARE(log.Batches.size(), size_t(1));
        QCOMPARE(log.Batches[0], (std::vector<uint8_t>{'X', 'Y', 'Z'}));
    }

    void notificationsDieWithTheObject() {
        Open();
        QVERIFY(pty->Write("late data"));
        QVERIFY(WaitPending(*sink, 1, 10s));
        bool called = false;
        comm->OnReceiveData = [&](TComm&, const uint8_t*, uint16_t) { called = true; };
        comm.reset(); // closes the port; the batch stays queued
        QVERIFY(sink->RunPending() >= 1);
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(TestSerialIo)
#include "test_serial_io.moc"
