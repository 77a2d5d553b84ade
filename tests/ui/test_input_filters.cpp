// The key filters of the command-code, header-byte and time fields, driven with real
// key events on the window's fields.
#include "modal_capture.h"
#include "ui/input_filters.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

class InputFiltersTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void hexFieldsTakeDigitsAndCapitalsOnly();
    void hexFieldsHaveNoLengthLimit();
    void timeFieldsTakeAtMostThreeTypedDigits();
    void timeFieldLengthRuleIgnoresTheSelection();
    void editingKeysAreNeverFiltered();
    void shortcutControlCharactersAreDropped();
    void textSetByTheProgramIsNotFiltered();
    void namedHandlersFilterAsTheirFields();

private:
    TForm1* form = nullptr;
};

void InputFiltersTest::init() {
    form = new TForm1;
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
}

void InputFiltersTest::cleanup() { delete form; }

void InputFiltersTest::hexFieldsTakeDigitsAndCapitalsOnly() {
    QList<QLineEdit*> fields;
    for (const TSlotControls& s : form->ui.Slots)
        fields << s.COMA << s.COMBY[0] << s.COMBY[1] << s.COMBY[2];
    QCOMPARE(fields.size(), 36);
    for (QLineEdit* field : fields) {
        form->ui.PageControl1->setCurrentWidget(field->parentWidget()->parentWidget());
        field->clear();
        field->setFocus();
        QTest::keyClicks(field, "0123456789ABCDEFabcdefGg -#.,z\t");
        QTest::keyClick(field, Qt::Key_Enter);
        QTest::keyClick(field, Qt::Key_Escape);
        for (const QString& text : {QStringLiteral("é"), QStringLiteral("中")})
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, text, Qt::NoModifier);
        QCOMPARE(field->text(), QStringLiteral("0123456789ABCDEF"));
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), QStringLiteral("0123456789ABCDE"));
    }
}

void InputFiltersTest::hexFieldsHaveNoLengthLimit() {
    QLineEdit* field = form->ui.Slots[0].COMA;
    form->ui.PageControl1->setCurrentWidget(form->ui.TabSheet2);
    field->clear();
    const QString forty = QStringLiteral("0123456789ABCDEF0123456789ABCDEF01234567");
    QTest::keyClicks(field, forty);
    QCOMPARE(field->text(), forty);
}

void InputFiltersTest::timeFieldsTakeAtMostThreeTypedDigits() {
    for (QLineEdit* field : {form->ui.Edit1, form->ui.Edit2, form->ui.Edit3}) {
        QCOMPARE(field->text(), QStringLiteral("10"));
        field->setFocus();
        field->end(false);
        QTest::keyClick(field, Qt::Key_5);
        QCOMPARE(field->text(), QStringLiteral("105"));
        QTest::keyClick(field, Qt::Key_6);
        QCOMPARE(field->text(), QStringLiteral("105"));
        QTest::keyClicks(field, "A-+ ");
        QCOMPARE(field->text(), QStringLiteral("105"));
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), QStringLiteral("10"));
        QTest::keyClicks(field, "x7");
        QCOMPARE(field->text(), QStringLiteral("107"));
        // Backspace always passes, also on an empty field.
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(field, Qt::Key_Backspace);
        QVERIFY(field->text().isEmpty());
        QTest::keyClicks(field, "1234");
        QCOMPARE(field->text(), QStringLiteral("123"));
    }
}

void InputFiltersTest::timeFieldLengthRuleIgnoresTheSelection() {
    QLineEdit* field = form->ui.Edit1;
    field->setText("105");
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_7); // three characters long: ignored
    QCOMPARE(field->text(), QStringLiteral("105"));
    QTest::keyClick(field, Qt::Key_Backspace); // the selection goes
    QVERIFY(field->text().isEmpty());
    QTest::keyClick(field, Qt::Key_7);
    QCOMPARE(field->text(), QStringLiteral("7"));

    field->setText("105");
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QVERIFY(field->text().isEmpty());

    field->setText("12");
    field->selectAll();
    QTest::keyClick(field, Qt::Key_3); // replaces the selection
    QCOMPARE(field->text(), QStringLiteral("3"));
}

void InputFiltersTest::editingKeysAreNeverFiltered() {
    QLineEdit* field = form->ui.Slots[0].COMBY[0];
    form->ui.PageControl1->setCurrentWidget(form->ui.TabSheet2);
    field->setText("ABCD");
    field->setFocus();
    field->setCursorPosition(4);
    QTest::keyClick(field, Qt::Key_Home);
    QCOMPARE(field->cursorPosition(), 0);
    QTest::keyClick(field, Qt::Key_Delete);
    QCOMPARE(field->text(), QStringLiteral("BCD"));
    QTest::keyClick(field, Qt::Key_Right);
    QTest::keyClick(field, Qt::Key_Delete);
    QCOMPARE(field->text(), QStringLiteral("BD"));
    QTest::keyClick(field, Qt::Key_End);
    QCOMPARE(field->cursorPosition(), 2);
    QTest::keyClick(field, Qt::Key_Left);
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(field->text(), QStringLiteral("D"));
}

void InputFiltersTest::shortcutControlCharactersAreDropped() {
    QApplication::clipboard()->setText("ABC");
    for (QLineEdit* field : {form->ui.Slots[0].COMA, form->ui.Edit1}) {
        form->ui.PageControl1->setCurrentWidget(
            field->parentWidget()->inherits("QGroupBox") ? form->ui.TabSheet2 : form->ui.TabSheet6);
        field->setText("12");
        field->setFocus();
        field->end(false);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field->text(), QStringLiteral("12"));
        field->selectAll();
        QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier); // no cut
        QCOMPARE(field->text(), QStringLiteral("12"));
        QApplication::clipboard()->setText("unchanged");
        QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier); // no copy
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("unchanged"));
    }
    // Unfiltered fields keep their shortcuts.
    QApplication::clipboard()->setText("pasted");
    form->ui.PCBSN->clear();
    form->ui.PCBSN->setFocus();
    QTest::keyClick(form->ui.PCBSN, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(form->ui.PCBSN->text(), QStringLiteral("pasted"));
}

void InputFiltersTest::textSetByTheProgramIsNotFiltered() {
    form->ui.Slots[2].COMA->setText("xyz-12");
    QCOMPARE(form->ui.Slots[2].COMA->text(), QStringLiteral("xyz-12"));
    form->ui.Edit2->setText("12345");
    QCOMPARE(form->ui.Edit2->text(), QStringLiteral("12345"));
    // A paste through the field (the context menu's action) is not filtered either.
    QApplication::clipboard()->setText("zz");
    form->ui.Edit3->clear();
    form->ui.Edit3->paste();
    QCOMPARE(form->ui.Edit3->text(), QStringLiteral("zz"));
}

namespace {

void (TForm1::*KeyPressOf(const char* field))(QChar&) {
    for (const TKeyPressEntry& e : KeyPressTable())
        if (QLatin1String(e.field) == QLatin1String(field)) return e.keyPress;
    return nullptr;
}

} // namespace

void InputFiltersTest::namedHandlersFilterAsTheirFields() {
    auto pass = [](QChar key, void (TForm1::*handler)(QChar&), TForm1* f) {
        (f->*handler)(key);
        return !key.isNull();
    };
    QVERIFY(pass('A', KeyPressOf("COMA1"), form));
    QVERIFY(!pass('a', KeyPressOf("COMA9"), form));
    QVERIFY(pass(QChar(8), KeyPressOf("COMBY93"), form));
    QVERIFY(!pass(QChar(22), KeyPressOf("COMBY11"), form));
    QVERIFY(!pass(QChar(0xB5), KeyPressOf("COMA5"), form));
    form->ui.Edit2->setText("99");
    QVERIFY(pass('9', KeyPressOf("Edit2"), form));
    QVERIFY(pass('9', KeyPressOf("Edit1"), form)); // Edit1 still "10"
    form->ui.Edit2->setText("999");
    QVERIFY(!pass('9', KeyPressOf("Edit2"), form));
    QVERIFY(pass(QChar(8), KeyPressOf("Edit2"), form));
    QVERIFY(!pass(QChar(' '), KeyPressOf("Edit3"), form));
}

QTEST_MAIN(InputFiltersTest)
#include "test_input_filters.moc"
