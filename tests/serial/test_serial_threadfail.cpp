// OpenPort when the receive or transmit thread cannot be created. Runs in its own process so
// that no thread stack from earlier tests is cached for reuse: with the address space capped
// just above what is in use, creating a thread fails because its stack cannot be mapped.
#include <QtTest>

#include <fstream>
#include <pthread.h>
#include <sys/resource.h>

#include "support.h"

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define VQ830_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
#define VQ830_SANITIZED 1
#endif
#endif

namespace {

size_t AddressSpaceInUse() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmSize:", 0) == 0) return std::stoul(line.substr(7)) * 1024;
    return 0;
}

size_t DefaultStackSize() {
    pthread_attr_t attr;
    size_t size = 0;
    if (pthread_getattr_default_np(&attr) == 0) {
        pthread_attr_getstacksize(&attr, &size);
        pthread_attr_destroy(&attr);
    }
    return size;
}

// Opens `comm` with the address space capped at what is in use plus `room`.
QString OpenWithRoom(TComm& comm, size_t room) {
    rlimit old{};
    getrlimit(RLIMIT_AS, &old);
    rlimit capped = old;
    capped.rlim_cur = static_cast<rlim_t>(AddressSpaceInUse() + room);
    setrlimit(RLIMIT_AS, &capped);
    QString result = QStringLiteral("<opened>");
    try {
        comm.OpenPort();
    } catch (const ECommsError& e) {
        result = QString::fromLatin1(e.what());
    }
    setrlimit(RLIMIT_AS, &old);
    return result;
}

} // namespace

class TestSerialThreadFail : public QObject {
    Q_OBJECT

    size_t stack = 0;

private slots:
    void initTestCase() {
#ifdef VQ830_SANITIZED
        QSKIP("a sanitizer's own mappings make the address-space cap meaningless");
#endif
        stack = DefaultStackSize();
        QVERIFY(stack >= 1024 * 1024);
    }

    // The receive thread is created first: with no room for a stack it fails.
    void readThreadCannotBeCreated() {
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        auto comm = MakeBinaryPort(sink, pty.SlavePath());
        const int fds = CountOpenFds();
        const ThreadsSince threads;
        QCOMPARE(OpenWithRoom(*comm, stack / 2), QStringLiteral("Unable to create read thread"));
        QVERIFY(!comm->IsOpen());
        QCOMPARE(CountOpenFds(), fds);
        QVERIFY(threads.WaitCount(0, 5s));
        QVERIFY(!comm->SendBytes("x", 1));
    }

    // Room for one stack only: the receive thread starts, the transmit thread cannot, and the
    // receive thread is stopped again.
    void writeThreadCannotBeCreated() {
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        auto comm = MakeBinaryPort(sink, pty.SlavePath());
        const int fds = CountOpenFds();
        const ThreadsSince threads;
        QCOMPARE(OpenWithRoom(*comm, stack + stack / 2),
                 QStringLiteral("Unable to create write thread"));
        QVERIFY(!comm->IsOpen());
        QCOMPARE(CountOpenFds(), fds);
        QVERIFY(threads.WaitCount(0, 5s));
        // The receive thread ran and was stopped without reporting anything.
        sink->RunPending();
        // Afterwards the port opens normally.
        comm->OpenPort();
        QVERIFY(comm->SendBytes("ok", 2));
        QCOMPARE(pty.Read(2, 10s).size(), size_t(2));
    }
};

QTEST_GUILESS_MAIN(TestSerialThreadFail)
#include "test_serial_threadfail.moc"
