// window_driver: the tool's window on a real driver, driven through its controls' names.
//   window_driver list PATH SERIAL VIDPID    the port list (SPREALCOM): COM1-COM12, then PATH
//                                            with a tooltip naming SERIAL and VIDPID
//   window_driver lines DEVICE LOG CHIP      each combination of COM_DTR / COM_RTS at the
//                                            opening reaches the chip (QEMU's trace LOG) and
//                                            reads back through the window's own descriptor
//   window_driver replug PATH CYCLES REQUEST the adapter pulled and put back CYCLES times
//                                            (REQUEST unplug / REQUEST replug ask the host)
//                                            while the window holds PATH open
// Each prints what it saw, one line per step; exit status 0 when every step was as expected.
#include "../ui/modal_capture.h"
#include "chip_trace.h"
#include "tty_readback.h"
#include "ui/main_window.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <cstdio>

namespace {

template <typename T> T* Control(TForm1& form, const char* name) {
    T* control = form.findChild<T*>(QString::fromLatin1(name));
    if (!control) {
        std::fprintf(stderr, "window_driver: no control %s\n", name);
        std::exit(2);
    }
    return control;
}

void Say(const QString& text) {
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

QString Status(TForm1& form) { return Control<QLabel>(form, "StatusLine")->text(); }

// Clicks "打开串口"/"关闭串口"; a box that opens is closed and its text returned.
QString ClickPortButton(TForm1& form) {
    const ModalCapture box = CaptureModal([&] { Control<QPushButton>(form, "Button1")->click(); });
    return box.seen() ? box.text + QStringLiteral(" / ") + box.informative : QString();
}

bool IsOpen(TForm1& form) {
    return Control<QPushButton>(form, "Button1")->text() == QStringLiteral("关闭串口");
}

void SelectPort(TForm1& form, const QString& path) {
    Control<QComboBox>(form, "SPREALCOM")->setEditText(path);
}

// 查询1, answered: the device's answer in the receive buffer within 5 s.
bool QueryAnswered(TForm1& form) {
    auto* memo = Control<QPlainTextEdit>(form, "Memo8");
    memo->clear();
    Control<QPushButton>(form, "Button49")->click();
    return QTest::qWaitFor([&] { return memo->toPlainText().contains(QStringLiteral("MOD:")); },
                           5000);
}

int List(TForm1& form, const QString& path, const QString& serial, const QString& vidPid) {
    auto* combo = Control<QComboBox>(form, "SPREALCOM");
    bool fixed = combo->count() > 12;
    for (int i = 0; i < 12 && fixed; ++i)
        fixed = combo->itemText(i) == QStringLiteral("COM%1").arg(i + 1);
    int found = -1;
    for (int i = 0; i < combo->count(); ++i) {
        const QString tip = combo->itemData(i, Qt::ToolTipRole).toString();
        Say(QStringLiteral("item %1: %2%3")
                .arg(i)
                .arg(combo->itemText(i), tip.isEmpty() ? QString() : " | " + tip));
        if (i >= 12 && combo->itemText(i) == path) found = i;
    }
    const QString tip = found < 0 ? QString() : combo->itemData(found, Qt::ToolTipRole).toString();
    const bool ok = fixed && found >= 0 && tip.contains(serial) && tip.contains(vidPid);
    Say(QStringLiteral("COM1-COM12 first: %1; %2 listed: %3; tooltip with %4 and %5: %6")
            .arg(fixed ? "yes" : "no", path, found >= 0 ? "yes" : "no", serial, vidPid,
                 tip.contains(serial) && tip.contains(vidPid) ? "yes" : "no"));
    return ok ? 0 : 1;
}

// One combination: the boxes set, the port opened, the chip's lines and the descriptor's.
bool LinesAtOpening(TForm1& form, const QString& device, const std::string& log, Chip chip,
                    ModemLines want) {
    Control<QCheckBox>(form, "CheckBox2")->setChecked(want.dtr); // COM_DTR
    Control<QCheckBox>(form, "CheckBox1")->setChecked(want.rts); // COM_RTS
    const uint64_t mark = TraceSize(log);
    const QString box = ClickPortButton(form);
    if (!IsOpen(form)) {
        Say(QStringLiteral("%1: the port did not open: %2")
                .arg(QString::fromStdString(ToString(want)), box));
        return false;
    }
    ModemLines chipLines;
    (void)QTest::qWaitFor(
        [&] {
            const ChipTrace trace = ReadChipTrace(log, mark, chip);
            if (!trace.lines.empty()) chipLines = trace.lines.back();
            return !trace.lines.empty() && chipLines == want;
        },
        5000);
    const int bits = ModemBits(OwnDescriptorOf(device.toStdString()));
    const ModemLines read{DtrOf(bits), RtsOf(bits)};
    ClickPortButton(form);
    Say(QStringLiteral("boxes %1: chip %2, descriptor %3")
            .arg(QString::fromStdString(ToString(want)),
                 QString::fromStdString(ToString(chipLines)),
                 bits < 0 ? QStringLiteral("unreadable") : QString::fromStdString(ToString(read))));
    return chipLines == want && read == want && bits >= 0;
}

int Lines(TForm1& form, const QString& device, const std::string& log, Chip chip) {
    SelectPort(form, device);
    bool ok = true;
    for (const ModemLines want : {ModemLines{false, false}, ModemLines{true, false},
                                  ModemLines{false, true}, ModemLines{true, true}})
        ok = LinesAtOpening(form, device, log, chip, want) && ok;
    return ok ? 0 : 1;
}

int Entries(const char* dir) {
    return int(QDir(QString::fromLatin1(dir))
                   .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                   .size());
}

bool AskHost(const QString& request, const QString& what) {
    const int status = QProcess::execute(QStringLiteral("bash"), {request, what});
    if (status != 0) Say(QStringLiteral("the host did not %1 the adapter").arg(what));
    return status == 0;
}

// One cycle: pulled out, then put back; each within its bound.
bool Cycle(TForm1& form, int n, const QString& request) {
    if (!AskHost(request, QStringLiteral("unplug"))) return false;
    QElapsedTimer clock;
    clock.start();
    const bool gone = QTest::qWaitFor(
        [&] { return Status(form).contains(QStringLiteral("设备已断开")) && !IsOpen(form); }, 5000);
    const qint64 goneMs = clock.elapsed();
    Say(QStringLiteral("cycle %1: unplugged: %2 after %3 ms (\"%4\", Button1 \"%5\")")
            .arg(n)
            .arg(gone ? "said" : "NOT said")
            .arg(goneMs)
            .arg(Status(form), Control<QPushButton>(form, "Button1")->text()));
    if (!gone || !AskHost(request, QStringLiteral("replug"))) return false;
    clock.restart();
    const bool back = QTest::qWaitFor(
        [&] { return Status(form).contains(QStringLiteral("设备已重新连接")) && IsOpen(form); },
        30000);
    const qint64 backMs = clock.elapsed();
    const bool answered = back && QueryAnswered(form);
    Say(QStringLiteral("cycle %1: replugged: %2 after %3 ms; 查询1 %4")
            .arg(n)
            .arg(back ? "reconnected" : "NOT reconnected")
            .arg(backMs)
            .arg(answered ? "answered" : "NOT answered"));
    return back && answered;
}

int Replug(TForm1& form, const QString& path, int cycles, const QString& request) {
    SelectPort(form, path);
    const QString box = ClickPortButton(form);
    if (!IsOpen(form) || !QueryAnswered(form)) {
        Say(QStringLiteral("%1 did not open or 查询1 was not answered: %2").arg(path, box));
        return 1;
    }
    const int fds = Entries("/proc/self/fd"), threads = Entries("/proc/self/task");
    bool ok = true;
    for (int n = 1; n <= cycles && ok; ++n)
        ok = Cycle(form, n, request);
    const int fdsAfter = Entries("/proc/self/fd"), threadsAfter = Entries("/proc/self/task");
    Say(QStringLiteral("descriptors %1 -> %2, threads %3 -> %4")
            .arg(fds)
            .arg(fdsAfter)
            .arg(threads)
            .arg(threadsAfter));
    return ok && fds == fdsAfter && threads == threadsAfter ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    TForm1 form;
    form.show();
    Chip chip{};
    if (args.size() == 4 && args[0] == QLatin1String("list"))
        return List(form, args[1], args[2], args[3]);
    if (args.size() == 4 && args[0] == QLatin1String("lines") &&
        ChipFromName(args[3].toStdString(), chip))
        return Lines(form, args[1], args[2].toStdString(), chip);
    if (args.size() == 4 && args[0] == QLatin1String("replug"))
        return Replug(form, args[1], args[2].toInt(), args[3]);
    std::fprintf(stderr, "usage: window_driver list PATH SERIAL VIDPID | lines DEVICE LOG "
                         "ftdi|uart | replug PATH CYCLES REQUEST\n");
    return 2;
}
