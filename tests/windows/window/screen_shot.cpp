// screen_shot FILE [NAME]: saves the X display's screen ($DISPLAY) as a PNG picture. With
// NAME, waits (at most 30 s) until a window whose name or class contains NAME is drawn (the
// Windows programs under wine are X windows there; a window not yet drawn is one colour) and
// pictures that window's area; prints how long that took.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <cstdio>

namespace {

// The geometries of the windows named with `title`, from xwininfo's tree of the root.
QList<QRect> WindowsNamed(const QString& title) {
    QList<QRect> found;
    QProcess tree;
    tree.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    if (!tree.waitForFinished(5000)) return found;
    static const QRegularExpression geometry(
        QStringLiteral("(\\d+)x(\\d+)\\+(-?\\d+)\\+(-?\\d+)\\s+\\+(-?\\d+)\\+(-?\\d+)"));
    for (const QString& line : QString::fromUtf8(tree.readAllStandardOutput()).split(u'\n')) {
        if (!line.contains(title)) continue;
        const QRegularExpressionMatch m = geometry.match(line);
        if (m.hasMatch() && m.captured(1).toInt() > 100)
            found << QRect(m.captured(5).toInt(), m.captured(6).toInt(), m.captured(1).toInt(),
                           m.captured(2).toInt());
    }
    return found;
}

bool Drawn(const QPixmap& shot) {
    const QImage image = shot.toImage();
    if (image.isNull()) return false;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            if (image.pixel(x, y) != first) return true;
    return false;
}

// The first window named with `name` that has been drawn; a null picture when none is yet.
QPixmap DrawnWindow(QScreen* screen, const QString& name) {
    for (const QRect& area : WindowsNamed(name)) {
        const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        if (Drawn(shot)) return shot;
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: screen_shot FILE [NAME]\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    QPixmap shot;
    if (argc > 2) {
        const QString name = QString::fromUtf8(argv[2]);
        QElapsedTimer clock;
        clock.start();
        if (!QTest::qWaitFor([&] { return !(shot = DrawnWindow(screen, name)).isNull(); }, 30000)) {
            std::fprintf(stderr, "screen_shot: no window named %s was drawn\n", argv[2]);
            return 1;
        }
        std::printf("window drawn after %lld ms\n", static_cast<long long>(clock.elapsed()));
    } else {
        shot = screen->grabWindow(0);
    }
    return shot.save(QString::fromUtf8(argv[1])) ? 0 : 1;
}
