// Exchanges against the simulated device, in one run: the command-line program as a process
// (read; write with and without the read-back) and the window's "写入全部", each five times.
//
//   exchange_bench
//
// The device is an in-process SimServer on a pseudo-terminal pair whose slave side is COM4 in
// a port map directory of its own ($VQ830_PORT_DIR, set for the program and its children).
// Before every write the device is reset to its defaults, and after it the device's state is
// compared with the configuration written: a run that did not change everything fails the
// benchmark. The five rounds are interleaved (read, write, write --no-verify, the window's write
// all, then the next round), so that a change in the machine's load falls on all of them alike;
// the window opens its port (Button1) for its write and closes it again before the next round.
//
// Timed:
//   vq830 read                 from QProcess::start to the process's exit;
//   vq830 write FILE           the same (the writes, then everything read back and compared);
//   vq830 --no-verify write    the same (the 26 writes only);
//   window, 写入全部            from the click on Button56 until BatchRunning() is false, the
//                              summary box closed by a timer as soon as it shows (polled every
//                              millisecond).
#include "config/settings_file.h"
#include "pty/pty_pair.h"
#include "sim/sim_server.h"
#include "tests/device_state_of.h"
#include "tests/form_parts.h"
#include "ui/batch_controller.h"
#include "ui/main_window.h"
#include "ui/port_link.h"
#include "ui/settings_binding.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

using vq830::sim::DeviceState;
using vq830::sim::SimServer;

namespace {

constexpr int kRounds = 5;
constexpr double kReadTarget = 0.4;   // s
constexpr double kWriteTarget = 3.2;  // s
constexpr double kWindowTarget = 1.2; // window / vq830 write

// A configuration unlike the defaults, with times as the device answers them (as the
// command-line tests use it).
DeviceSettings SampleConfig() {
    DeviceSettings c;
    c.workMode = 2;
    c.ports = {{{7, 2, 1}, {0, 1, 0}, {4, 0, 1}, {6, 2, 0}}};
    c.times = {"005", "250", "031"};
    for (int i = 0; i < 9; ++i) {
        c.readSlots[i].enable = i % 2;
        c.readSlots[i].command = std::string(2 * (i + 1), "0123456789ABCDEF"[i + 3]);
        c.readSlots[i].header = {"0" + std::to_string(i), "1" + std::to_string(i), "FF"};
    }
    return c;
}

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Series {
    const char* name;
    std::vector<double> seconds;
    double median() const { return Median(seconds); }
};

// The label followed by spaces up to `width` columns (a Chinese character takes two).
std::string Padded(const char* label, int width) {
    const QString text = QString::fromUtf8(label);
    int columns = 0;
    for (QChar c : text)
        columns += c.unicode() >= 0x2E80 ? 2 : 1;
    return text.toStdString() + std::string(size_t(std::max(0, width - columns)), ' ');
}

void PrintSeries(const Series& s) {
    std::printf("%s", Padded(s.name, 30).c_str());
    for (double t : s.seconds)
        std::printf(" %7.3f", t);
    std::printf("   median %7.3f s\n", s.median());
    std::fflush(stdout);
}

struct Run {
    int status = -1;
    QByteArray out, err;
    double seconds = 0;
};

// Runs the program to its end; the time runs from the start to the exit.
Run RunCli(const QStringList& args) {
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(VQ830_CLI), args);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        Fail("vq830 " + args.join(' ').toStdString() + " did not end within 60 s");
    }
    Run r;
    r.seconds = double(clock.nsecsElapsed()) / 1e9;
    r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

void Expect(bool ok, const std::string& what, const Run& r) {
    if (ok) return;
    Fail(what + " (exit status " + std::to_string(r.status) + ")\n--- stdout:\n" +
         r.out.toStdString() + "--- stderr:\n" + r.err.toStdString());
}

void ExpectWritten(const SimServer& server, const DeviceSettings& config, const char* by) {
    if (!(server.State() == StateOf(config)))
        Fail(std::string(by) + ": the device's state differs from the configuration written");
}

// The window, on the same device, its port opened and closed through the panel.
class WindowRig {
public:
    WindowRig() {
        // Any box that shows while a click runs is recorded and closed.
        closer_.setInterval(1);
        closer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&closer_, &QTimer::timeout, [this] { CloseBoxes(); });
    }

    void OpenPort() {
        closer_.start();
        form_.ui.Button1->click();
        closer_.stop();
        if (!PartOf<TPortLink>(form_).PortOpened())
            Fail("the window did not open COM4" +
                 (boxes_.isEmpty() ? std::string() : ": " + boxes_.join(" / ").toStdString()));
        boxes_.clear();
    }

    void ClosePort() {
        form_.ui.Button1->click();
        if (PartOf<TPortLink>(form_).PortOpened()) Fail("the window did not close its port");
    }

    // Shows the configuration, clicks 写入全部 and waits until the run and its summary are
    // over; returns the seconds from the click to then.
    double WriteAll(const DeviceSettings& config) {
        PartOf<TSettingsBinding>(form_).ShowSettings(config);
        boxes_.clear();
        QEventLoop loop;
        QElapsedTimer clock;
        double seconds = -1;
        QTimer watch;
        watch.setInterval(1);
        watch.setTimerType(Qt::PreciseTimer);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (PartOf<TBatchController>(form_).Running() || seconds >= 0) return;
            seconds = double(clock.nsecsElapsed()) / 1e9;
            loop.quit();
        });
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        closer_.start();
        watch.start();
        limit.start(60000);
        clock.start();
        form_.ui.Button56->click();
        if (PartOf<TBatchController>(form_).Running())
            loop.exec();
        else
            seconds = double(clock.nsecsElapsed()) / 1e9; // refused at once; the box says why
        watch.stop();
        closer_.stop();
        if (seconds < 0) Fail("写入全部 did not end within 60 s");
        const QString expected = QStringLiteral("写入全部完成：读回与写入全部一致");
        if (boxes_.size() != 1 || boxes_.front() != expected)
            Fail("写入全部: expected one box saying \"" + expected.toStdString() + "\", saw " +
                 std::to_string(boxes_.size()) + ": " + boxes_.join(" / ").toStdString());
        return seconds;
    }

private:
    void CloseBoxes() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            QString text = box->text();
            if (box->objectName() != QLatin1String("VerifyBox"))
                text += QStringLiteral(" [box %1]").arg(box->objectName());
            if (!box->informativeText().isEmpty()) text += " | " + box->informativeText();
            boxes_ << text;
            box->accept();
        }
    }

    TForm1 form_;
    QTimer closer_;
    QStringList boxes_;
};

int Bench() {
    QTemporaryDir dir;
    if (!dir.isValid()) Fail("no temporary directory");
    PtyPair pty;
    if (!pty.Valid()) Fail("no pseudo-terminal pair: " + pty.Error());
    if (!QFile::link(QString::fromStdString(pty.SlavePath()), dir.filePath("COM4")))
        Fail("cannot link COM4 to " + pty.SlavePath());
    qputenv("VQ830_PORT_DIR", dir.path().toLocal8Bit()); // for the window and the programs
    SimServer server(pty.MasterFd());
    std::string error;
    if (!server.Start(&error)) Fail("the simulator did not start: " + error);

    const DeviceSettings config = SampleConfig();
    const QString file = dir.filePath("board.json");
    SaveSettingsFile(file, config);

    std::printf("device: simulator on %s as COM4 (%s)\nprogram: %s\nrounds: %d\n\n",
                pty.SlavePath().c_str(), qPrintable(dir.filePath("COM4")), VQ830_CLI, kRounds);

    Series read{"vq830 read", {}};
    Series write{"vq830 write FILE", {}};
    Series noVerify{"vq830 --no-verify write FILE", {}};
    Series window{"window Button56 (写入全部)", {}};
    WindowRig rig;
    for (int round = 0; round < kRounds; ++round) {
        server.SetState(StateOf(config));
        const Run r = RunCli({"read"});
        // Every setting, one a line: mode, 4 ports, 3 times, 9 slots of 3.
        Expect(r.status == 0 && r.out.count('\n') == 35 &&
                   r.out.startsWith("mode=2\nZ=115200,Even,2\n") &&
                   r.out.endsWith("slot9.header=08,18,FF\n"),
               "vq830 read did not print the device's settings", r);
        read.seconds.push_back(r.seconds);

        server.SetState(DeviceState{});
        const Run w = RunCli({"write", file});
        Expect(w.status == 0 && w.err.contains("verified: all 61 settings equal"),
               "vq830 write FILE did not verify every setting", w);
        ExpectWritten(server, config, "vq830 write FILE");
        write.seconds.push_back(w.seconds);

        server.SetState(DeviceState{});
        const Run n = RunCli({"--no-verify", "write", file});
        Expect(n.status == 0, "vq830 --no-verify write FILE failed", n);
        ExpectWritten(server, config, "vq830 --no-verify write FILE");
        noVerify.seconds.push_back(n.seconds);

        server.SetState(DeviceState{});
        rig.OpenPort();
        window.seconds.push_back(rig.WriteAll(config));
        ExpectWritten(server, config, "window 写入全部");
        rig.ClosePort();
    }
    const vq830::sim::SimStats stats = server.Stats();
    server.Stop();

    std::printf("%s%s\n", Padded("measurement", 30).c_str(), "samples in s, in round order");
    for (const Series* s : {&read, &write, &noVerify, &window})
        PrintSeries(*s);

    const double ratio = window.median() / write.median();
    const auto verdict = [](bool met) { return met ? "met" : "NOT MET"; };
    std::printf("\nsummary (medians of %d)\n", kRounds);
    std::printf("  vq830 read                    %6.3f s   target <= %.1f s   %s\n", read.median(),
                kReadTarget, verdict(read.median() <= kReadTarget));
    std::printf("  vq830 write FILE (verified)   %6.3f s   target <= %.1f s   %s\n", write.median(),
                kWriteTarget, verdict(write.median() <= kWriteTarget));
    std::printf("  vq830 --no-verify write FILE  %6.3f s\n", noVerify.median());
    std::printf("  window Button56 (写入全部)    %6.3f s\n", window.median());
    std::printf("  window / vq830 write          %6.3f     target <= %.1f     %s\n", ratio,
                kWindowTarget, verdict(ratio <= kWindowTarget));
    std::printf("  device: %llu frames accepted, %llu rejected, %llu answers written\n",
                static_cast<unsigned long long>(stats.device.framesAccepted),
                static_cast<unsigned long long>(stats.device.framesRejected),
                static_cast<unsigned long long>(stats.answersWritten));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        return Bench();
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "exchange_bench: FAILED: %s\n", e.what());
        return 1;
    }
}
