// The window as a Windows program, under wine, on a COM port mapped to the simulated device
// (which the runner has set to mode 1, Z 115200,Even,2, OTM 007, RTM 250 beforehand): the port
// opened from the port panel, 查询1 answered and the page filled from the answer. A screenshot
// of the screen goes to $VQ830_SCREENSHOT when set.
#include "../../form_parts.h"
#include "../../ui/modal_capture.h"
#include "ui/combo_box.h"
#include "ui/main_window.h"
#include "ui/reply_intake.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

class WindowOnWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void query1FillsThePage();
};

namespace {

template <typename T> T* Control(TForm1& form, const char* name) {
    return form.findChild<T*>(QString::fromLatin1(name));
}

void SaveScreenshot(TForm1& form) {
    const QString path = qEnvironmentVariable("VQ830_SCREENSHOT");
    if (path.isEmpty()) return;
    const QRect frame = form.frameGeometry();
    QPixmap shot =
        form.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (shot.isNull()) shot = form.grab();
    QVERIFY2(shot.save(path), qPrintable(path));
}

} // namespace

void WindowOnWindowsTest::query1FillsThePage() {
    TForm1 form;
    form.move(0, 0);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    Control<TComboBox>(form, "SPREALCOM")->setEditText(QStringLiteral("COM4"));
    const ModalCapture box = CaptureModal([&] { Control<QPushButton>(form, "Button1")->click(); });
    QVERIFY2(!box.seen(), qPrintable(box.text + " / " + box.informative));
    QCOMPARE(Control<QPushButton>(form, "Button1")->text(), QStringLiteral("关闭串口"));

    auto* memo = Control<QPlainTextEdit>(form, "Memo8");
    Control<QPushButton>(form, "Button49")->click();
    QVERIFY(QTest::qWaitFor([&] { return memo->toPlainText().contains("MOD:1"); }, 10000));
    QVERIFY(QTest::qWaitFor([&] { return PartOf<TReplyIntake>(form).RecvMode == RecvMode::Idle; },
                            5000));
    QCOMPARE(Control<QLineEdit>(form, "discomm")->text(), QStringLiteral("PPPPPP#QX1#"));
    QCOMPARE(form.ui.ComboBox7->ItemIndex(), 1);
    QCOMPARE(form.ui.BOADZ->Text(), QStringLiteral("115200"));
    QCOMPARE(form.ui.ODDZ->Text(), QStringLiteral("Even"));
    QCOMPARE(form.ui.STOPZ->Text(), QStringLiteral("2位"));
    QCOMPARE(form.ui.Edit1->text(), QStringLiteral("007"));
    QCOMPARE(form.ui.Edit2->text(), QStringLiteral("250"));
    form.repaint(); // everything on screen before the picture
    QCoreApplication::processEvents();
    SaveScreenshot(form);
}

QTEST_MAIN(WindowOnWindowsTest)
#include "test_window.moc"
