// The window in English and back: every text it and its open windows show turns English (a
// text that does not go through translation is found by walking the object tree), switching
// back gives the Chinese texts byte for byte, and a switch while the port is open and read all
// runs changes nothing but the texts.
#include "../form_parts.h"
#include "i18n/language.h"
#include "modal_capture.h"
#include "pty/pty_pair.h"
#include "serial/comm.h"
#include "session/session.h"
#include "sim/sim_server.h"
#include "ui/batch_controller.h"
#include "ui/combo_box.h"
#include "ui/find_dialog.h"
#include "ui/main_window.h"
#include "ui/port_link.h"
#include "ui/settings_binding.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using vq830::sim::SimServer;

namespace {

using TTexts = QMap<QString, QString>;

void AddItemViewTexts(TTexts& texts, const QString& at, const QAbstractItemView* view) {
    const QAbstractItemModel* model = view->model();
    if (!model) return;
    for (int c = 0; c < model->columnCount(); ++c)
        texts[at + QStringLiteral("/heading%1").arg(c)] =
            model->headerData(c, Qt::Horizontal).toString();
    for (int r = 0; r < model->rowCount(); ++r)
        for (int c = 0; c < model->columnCount(); ++c) {
            const QModelIndex index = model->index(r, c);
            const QString cell = at + QStringLiteral("/cell%1,%2").arg(r).arg(c);
            texts[cell] = model->data(index).toString();
            texts[cell + "/tip"] = model->data(index, Qt::ToolTipRole).toString();
        }
}

void AddComboTexts(TTexts& texts, const QString& at, const QComboBox* combo) {
    for (int i = 0; i < combo->count(); ++i) {
        texts[at + QStringLiteral("/item%1").arg(i)] = combo->itemText(i);
        texts[at + QStringLiteral("/item%1/tip").arg(i)] =
            combo->itemData(i, Qt::ToolTipRole).toString();
    }
    texts[at + "/shown"] = combo->currentText();
}

// What one widget shows in words.
void AddWidgetTexts(TTexts& texts, const QString& at, const QWidget* w) {
    texts[at + "/title"] = w->windowTitle();
    texts[at + "/tip"] = w->toolTip();
    if (auto* label = qobject_cast<const QLabel*>(w)) texts[at + "/text"] = label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w))
        texts[at + "/text"] = button->text();
    if (auto* box = qobject_cast<const QGroupBox*>(w)) texts[at + "/text"] = box->title();
    if (auto* edit = qobject_cast<const QLineEdit*>(w)) {
        texts[at + "/text"] = edit->text();
        texts[at + "/placeholder"] = edit->placeholderText();
    }
    if (auto* memo = qobject_cast<const QPlainTextEdit*>(w))
        texts[at + "/text"] = memo->toPlainText();
    if (auto* combo = qobject_cast<const QComboBox*>(w)) AddComboTexts(texts, at, combo);
    if (auto* tabs = qobject_cast<const QTabWidget*>(w))
        for (int i = 0; i < tabs->count(); ++i)
            texts[at + QStringLiteral("/tab%1").arg(i)] = tabs->tabText(i);
    if (auto* view = qobject_cast<const QAbstractItemView*>(w)) AddItemViewTexts(texts, at, view);
}

// Every text of every window open, keyed by where it stands (windows and widgets in the order
// they were made).
TTexts TextsShown() {
    TTexts texts;
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible() && !top->inherits("TForm1")) continue;
        const QString window = top->objectName() + '.' + top->metaObject()->className();
        AddWidgetTexts(texts, window, top);
        const QList<QWidget*> children = top->findChildren<QWidget*>();
        for (int i = 0; i < children.size(); ++i) {
            const QWidget* w = children[i];
            AddWidgetTexts(texts,
                           QStringLiteral("%1/%2:%3").arg(window).arg(i).arg(w->objectName()), w);
        }
    }
    return texts;
}

// The texts holding Chinese (ideographs, CJK punctuation, full-width forms). The language
// choice names each language in its own words.
QStringList Chinese(const TTexts& texts) {
    static const QRegularExpression chinese(
        QStringLiteral("[\\x{3000}-\\x{303F}\\x{4E00}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"));
    QStringList found;
    for (auto it = texts.begin(); it != texts.end(); ++it)
        if (it.value().contains(chinese) && !it.key().contains(QStringLiteral(":Language/item")))
            found << it.key() + " = " + it.value();
    return found;
}

void Switch(TLanguage language) {
    UseLanguage(language);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

// The OK button of a box made now: Qt's own text in the language installed.
QString OkText() {
    QMessageBox box(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Ok);
    return box.button(QMessageBox::Ok)->text();
}

QPushButton* ButtonOf(TForm1& form, int n) {
    return form.findChild<QPushButton*>(QStringLiteral("Button%1").arg(n));
}

} // namespace

class LanguageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everyTextTurnsEnglishAndBackByteForByte();
    void switchingWhileReadAllRunsChangesOnlyTheTexts();
    void searchDialogTurnsEnglishAndBack();

private:
    void OpenDevice();
    void ReadAll(const std::function<void()>& whileRunning = {});

    QTemporaryDir dir;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<SimServer> device;
    std::unique_ptr<TForm1> form;
};

void LanguageTest::initTestCase() {
    QVERIFY(dir.isValid());
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
    QVERIFY(QDir(dir.path()).mkpath("ports"));
    qputenv("VQ830_PORT_DIR", dir.filePath("ports").toLocal8Bit());
}

void LanguageTest::init() {
    pty = std::make_unique<PtyPair>();
    QVERIFY(pty->Valid());
    QFile::remove(dir.filePath("ports/COM4"));
    QVERIFY(QFile::link(QString::fromStdString(pty->SlavePath()), dir.filePath("ports/COM4")));
    Switch(TLanguage::Chinese);
    form = std::make_unique<TForm1>();
    form->show();
}

void LanguageTest::cleanup() {
    Switch(TLanguage::Chinese);
    form.reset();
    device.reset();
    pty.reset();
}

void LanguageTest::OpenDevice() {
    device = std::make_unique<SimServer>(pty->MasterFd(), vq830::sim::SimOptions{});
    QVERIFY(device->Start());
    form->ui.Button1->click();
    QVERIFY(PartOf<TPortLink>(*form).PortOpened());
}

// Read all, `whileRunning` called once its second frame went out. A box at its end (answers
// missing on a loaded machine) is closed.
void LanguageTest::ReadAll(const std::function<void()>& whileRunning) {
    auto& batches = PartOf<TBatchController>(*form);
    batches.BatchTiming.gap = std::chrono::milliseconds(20);
    form->ui.discomm->clear();
    CaptureModal([&] {
        ButtonOf(*form, 55)->click();
        QVERIFY(batches.Running());
        if (whileRunning) {
            QVERIFY(QTest::qWaitFor(
                [&] { return form->ui.discomm->text().startsWith("PPPPPP#COMR"); }, 10000));
            whileRunning();
        }
        QVERIFY(QTest::qWaitFor([&] { return !batches.Running(); }, 30000));
    });
}

// The window with its port open, after read all (the traffic log, the records view and the
// status line showing what it did), in English and back.
void LanguageTest::everyTextTurnsEnglishAndBackByteForByte() {
    OpenDevice();
    ReadAll();
    ButtonOf(*form, 54)->click(); // the traffic log
    ButtonOf(*form, 61)->click(); // the records view
    const TTexts chinese = TextsShown();
    QVERIFY(chinese.size() > 400);
    QVERIFY(!Chinese(chinese).isEmpty());

    // The technician's choice, "中文 / English", remembered for the next start.
    QTest::keyClick(form->ui.Language, Qt::Key_Down);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    QCOMPARE(SavedWindowLanguage(), std::optional(TLanguage::English));
    const TTexts english = TextsShown();
    QCOMPARE(english.keys(), chinese.keys()); // nothing made or lost: only texts changed
    QVERIFY2(Chinese(english).isEmpty(), qPrintable(Chinese(english).join('\n')));
    QCOMPARE(ButtonOf(*form, 56)->text(), QStringLiteral("Write all"));
    QVERIFY2(Chinese({{"ok", OkText()}}).isEmpty(), qPrintable(OkText()));

    QTest::keyClick(form->ui.Language, Qt::Key_Up);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    QCOMPARE(SavedWindowLanguage(), std::optional(TLanguage::Chinese));
    QCOMPARE(OkText(), QStringLiteral("确定")); // Qt's own texts follow (qt6-translations-l10n)
    const TTexts back = TextsShown();
    for (auto it = chinese.begin(); it != chinese.end(); ++it)
        QVERIFY2(back.value(it.key()) == it.value(),
                 qPrintable(it.key() + ": " + it.value() + " / " + back.value(it.key())));
}

// The same read all with and without a switch to English in the middle: the same frames, the
// same answers judged, the same values shown, the port open; the progress shown in English.
void LanguageTest::switchingWhileReadAllRunsChangesOnlyTheTexts() {
    OpenDevice();
    auto& batches = PartOf<TBatchController>(*form);
    ReadAll();
    const std::vector<TExchange> before = batches.Session->LastRun()->Exchanges();
    const DeviceSettings shown = PartOf<TSettingsBinding>(*form).Settings();
    const int stopIndex = form->ui.ComboBox3->ItemIndex();

    QString progressText;
    ReadAll([&] {
        Switch(TLanguage::English);
        auto* progress = form->findChild<QProgressDialog*>(QStringLiteral("BatchProgress"));
        QVERIFY(progress);
        progressText = progress->findChild<QLabel*>()->text();
    });
    QVERIFY2(progressText.startsWith(QStringLiteral("Read all")), qPrintable(progressText));
    const std::vector<TExchange>& after = batches.Session->LastRun()->Exchanges();
    QCOMPARE(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        QCOMPARE(after[i].command.frame, before[i].command.frame);
        const bool answered = after[i].judgement.outcome == Outcome::Answered &&
                              before[i].judgement.outcome == Outcome::Answered;
        if (answered) QCOMPARE(after[i].AnswerText(), before[i].AnswerText());
    }
    QVERIFY(PartOf<TSettingsBinding>(*form).Settings() == shown);
    QCOMPARE(form->ui.ComboBox3->ItemIndex(), stopIndex);
    QVERIFY(PartOf<TPortLink>(*form).PortOpened());
    QCOMPARE(form->ui.Button1->text(), QStringLiteral("Close port"));
    QCOMPARE(form->ui.ComboBox3->Text(), QStringLiteral("1 bit"));
    QVERIFY2(!form->ui.StatusLine->text().contains(QStringLiteral("Port settings changed")),
             qPrintable(form->ui.StatusLine->text()));
}

// The device search's dialog after its search found the device: its rows and the paragraph
// under them made again in English, and in Chinese as they were.
void LanguageTest::searchDialogTurnsEnglishAndBack() {
    device = std::make_unique<SimServer>(pty->MasterFd(), vq830::sim::SimOptions{});
    QVERIFY(device->Start());
    TFindDialog dialog({QStringLiteral("COM4")}, form.get());
    ++ModalCapturesActive(); // the dialog is modal, and expected
    dialog.show();
    auto* close = dialog.findChild<QPushButton*>(QStringLiteral("FindCancel"));
    QVERIFY(QTest::qWaitFor([&] { return close->text() == QStringLiteral("关闭"); }, 20000));
    const TTexts chinese = TextsShown();
    Switch(TLanguage::English);
    QVERIFY2(Chinese(TextsShown()).isEmpty(), qPrintable(Chinese(TextsShown()).join('\n')));
    QCOMPARE(close->text(), QStringLiteral("Close"));
    Switch(TLanguage::Chinese);
    QVERIFY(TextsShown() == chinese);
    --ModalCapturesActive();
}

QTEST_MAIN(LanguageTest)
#include "test_language.moc"
