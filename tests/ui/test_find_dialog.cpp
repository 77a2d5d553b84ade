// "查找设备": the port field's ports searched in the dialog, a device found there opened with
// the settings it answered at, and a search cancelled with its port let go.
#include "../form_parts.h"
#include "modal_capture.h"
#include "pty/pty_pair.h"
#include "serial/comm.h"
#include "sim/sim_server.h"
#include "ui/combo_box.h"
#include "ui/main_window.h"
#include "ui/port_link.h"

#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <functional>

namespace {

// Clicks "查找设备" and runs `drive` on the dialog while it is open (it is modal, so the click
// returns only once it is closed). A dialog `drive` leaves open is rejected; any message box
// that opens meanwhile is closed and fails the test.
bool WithFindDialog(TForm1& form, const std::function<void(QDialog&)>& drive) {
    bool driven = false;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->reject();
            QFAIL(qPrintable(QStringLiteral("unexpected message box: ") + box->text()));
        }
        QPointer<QDialog> dialog = form.findChild<QDialog*>(QStringLiteral("FindDialog"));
        if (driven || !dialog || !dialog->isVisible()) return;
        driven = true;
        drive(*dialog);
        if (dialog && dialog->isVisible()) dialog->reject();
    });
    timer.start();
    ++ModalCapturesActive();
    form.ui.Button59->click();
    --ModalCapturesActive();
    return driven;
}

template <class T> T* Named(QDialog& dialog, const char* name) {
    return dialog.findChild<T*>(QLatin1String(name));
}

// Opens `path` as another program would; false when it is held.
bool OpensFreely(const std::string& path) {
    TComm other(std::make_shared<QueueNotifySink>());
    other.SetCommName(path);
    try {
        other.OpenPort();
    } catch (const ECommsError&) {
        return false;
    }
    return true;
}

} // namespace

class FindDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void deviceFoundIsOpenedWithItsSettings();
    void cancelEndsTheSearchAndLetsThePortGo();
    void escapeClosesTheDialogAndEndsTheSearch();

private:
    // Maps port `name` to the pair's slave side.
    void Map(const QString& name, const PtyPair& pty);
    void SearchOnly(const QString& name, const PtyPair& pty);

    QTemporaryDir* portDir = nullptr;
    QTemporaryDir* configDir = nullptr; // where the search remembers what it found
    TForm1* form = nullptr;
};

void FindDialogTest::init() {
    portDir = new QTemporaryDir;
    configDir = new QTemporaryDir;
    QVERIFY(portDir->isValid() && configDir->isValid());
    qputenv("VQ830_PORT_DIR", portDir->path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", configDir->path().toLocal8Bit());
    form = new TForm1;
    form->ui.SPREALCOM->clear(); // only the ports each case maps: none of the machine's own
}

void FindDialogTest::cleanup() {
    delete form;
    delete configDir;
    delete portDir;
    qunsetenv("VQ830_PORT_DIR");
    qunsetenv("XDG_CONFIG_HOME");
}

// The port field lists only `name`, mapped to the pair, and shows it.
void FindDialogTest::SearchOnly(const QString& name, const PtyPair& pty) {
    Map(name, pty);
    form->ui.SPREALCOM->addItem(name);
    form->ui.SPREALCOM->SetItemIndex(0);
}

void FindDialogTest::Map(const QString& name, const PtyPair& pty) {
    QVERIFY(QFile::link(QString::fromStdString(pty.SlavePath()), portDir->filePath(name)));
}

// The device (at its default settings) on COM4, the port field's text; the list holds COM7,
// with nothing behind it, and COM9, which leads to no device and is not searched. The
// window's port is open at other settings when the search starts.
void FindDialogTest::deviceFoundIsOpenedWithItsSettings() {
    PtyPair devicePty, emptyPty;
    QVERIFY(devicePty.Valid() && emptyPty.Valid());
    Map("COM4", devicePty);
    Map("COM7", emptyPty);
    vq830::sim::SimServer device(devicePty.MasterFd());
    QVERIFY(device.Start());
    form->ui.SPREALCOM->addItem(QStringLiteral("COM7"));
    form->ui.SPREALCOM->addItem(QStringLiteral("COM9"));
    form->ui.SPREALCOM->setEditText(QStringLiteral("COM4"));
    form->ui.ComboBox1->SetItemIndex(0);
    form->ui.ComboBox2->SetItemIndex(1);
    form->ui.ComboBox3->SetItemIndex(1);
    form->ui.Button1->click();
    QVERIFY(form->ui.Comm1->IsOpen());
    QCOMPARE(form->ui.Button59->text(), QStringLiteral("查找设备"));

    const bool driven = WithFindDialog(*form, [&](QDialog& dialog) {
        QVERIFY(!form->ui.Comm1->IsOpen()); // let go for the search
        QTRY_COMPARE(form->ui.StatusLine->text(), QStringLiteral("串口已关闭"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("查找设备"));
        auto* rows = Named<QTreeWidget>(dialog, "FindPorts");
        auto* use = Named<QPushButton>(dialog, "FindUse");
        QCOMPARE(rows->topLevelItemCount(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(use->isEnabled(), 10000);
        QTreeWidgetItem* found = rows->topLevelItem(1);
        QCOMPARE(found->text(0), QStringLiteral("COM4"));
        QCOMPARE(found->text(1), QStringLiteral("找到设备：9600 无校验 1位"));
        QVERIFY2(found->text(2).startsWith("MOD:0,BAZ:"), qPrintable(found->text(2)));
        QVERIFY(Named<QLabel>(dialog, "FindSummary")->text().contains("COM4"));
        QVERIFY(found->isSelected());
        use->click();
    });
    QVERIFY(driven);
    QVERIFY(form->findChild<QDialog*>(QStringLiteral("FindDialog")) == nullptr);
    QCOMPARE(form->ui.SPREALCOM->Text(), QStringLiteral("COM4"));
    QCOMPARE(form->ui.ComboBox1->Text(), QStringLiteral("9600"));
    QCOMPARE(form->ui.ComboBox2->Text(), QStringLiteral("None"));
    QCOMPARE(form->ui.ComboBox3->Text(), QStringLiteral("1位"));
    QVERIFY(form->ui.Comm1->IsOpen());
    QVERIFY(PartOf<TPortLink>(*form).PortOpened());
    QCOMPARE(form->ui.Comm1->BaudRate(), 9600u);
    QTRY_VERIFY(form->ui.StatusLine->text().startsWith(QStringLiteral("串口已打开")));
    QVERIFY(OpensFreely(emptyPty.SlavePath())); // its search ended with the dialog
}

// Nothing behind COM5: the search goes on until "取消" ends it, and the port is free at once.
void FindDialogTest::cancelEndsTheSearchAndLetsThePortGo() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    SearchOnly("COM5", pty);

    const bool driven = WithFindDialog(*form, [&](QDialog& dialog) {
        auto* rows = Named<QTreeWidget>(dialog, "FindPorts");
        auto* cancel = Named<QPushButton>(dialog, "FindCancel");
        QCOMPARE(rows->topLevelItemCount(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(rows->topLevelItem(0)->text(1).startsWith("正在尝试"), 5000);
        QCOMPARE(cancel->text(), QStringLiteral("取消"));
        QVERIFY(!OpensFreely(pty.SlavePath())); // the search holds it
        cancel->click();
        QVERIFY2(rows->topLevelItem(0)->text(1).startsWith("已取消"),
                 qPrintable(rows->topLevelItem(0)->text(1)));
        QVERIFY(Named<QLabel>(dialog, "FindSummary")->text().contains("取消"));
        QVERIFY(!Named<QPushButton>(dialog, "FindUse")->isEnabled());
        QVERIFY(OpensFreely(pty.SlavePath()));
        QVERIFY(dialog.isVisible()); // until "关闭"
        QCOMPARE(cancel->text(), QStringLiteral("关闭"));
        cancel->click();
        QVERIFY(!dialog.isVisible());
    });
    QVERIFY(driven);
    QVERIFY(!form->ui.Comm1->IsOpen());
}

void FindDialogTest::escapeClosesTheDialogAndEndsTheSearch() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    SearchOnly("COM5", pty);

    const bool driven = WithFindDialog(*form, [&](QDialog& dialog) {
        auto* rows = Named<QTreeWidget>(dialog, "FindPorts");
        QTRY_VERIFY_WITH_TIMEOUT(rows->topLevelItem(0)->text(1).startsWith("正在尝试"), 5000);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QVERIFY(OpensFreely(pty.SlavePath()));
    });
    QVERIFY(driven);
    QVERIFY(!form->ui.Comm1->IsOpen());
}

QTEST_MAIN(FindDialogTest)
#include "test_find_dialog.moc"
