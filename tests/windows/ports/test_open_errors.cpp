// Why an opening was refused, on Windows: each Win32 error explained as what it means there,
// in Chinese and in English (the translation installed), COM names opened as the ports
// themselves, and Qt's own texts in Chinese.
#include "i18n/language.h"
#include "ports/open_error_text.h"
#include "ports/port_names.h"

#include <QTest>

class OpenErrorsOnWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void explained_data();
    void explained();
    void portNames_data();
    void portNames();
    void qtTextsInChinese();
};

void OpenErrorsOnWindowsTest::explained_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("chinese");
    QTest::addColumn<QString>("english");
    QTest::newRow("no such port (2)") << 2 << "不存在"
                                      << "does not exist";
    QTest::newRow("no such path (3)") << 3 << "不存在"
                                      << "does not exist";
    QTest::newRow("in use or not allowed (5)") << 5 << "正被另一个程序占用"
                                               << "in use by another program";
    QTest::newRow("sharing violation (32)") << 32 << "正被另一个程序占用"
                                            << "in use by another program";
    QTest::newRow("no comm functions (1)") << 1 << "不是串口设备"
                                           << "is not a serial device";
    QTest::newRow("device gone (31)") << 31 << "没有响应"
                                      << "does not respond";
    QTest::newRow("anything else (87)") << 87 << "失败"
                                        << "failed";
}

void OpenErrorsOnWindowsTest::explained() {
    QFETCH(int, error);
    QFETCH(QString, chinese);
    QFETCH(QString, english);
    OpenErrorFacts facts;
    facts.Path = QStringLiteral("\\\\.\\COM7");
    facts.Error = error;
    facts.PresentPorts = {QStringLiteral("COM3")};
    const QString zh = OpenErrorText(facts);
    UseLanguage(TLanguage::English);
    const QString en = OpenErrorText(facts);
    UseLanguage(TLanguage::Chinese);
    QVERIFY2(zh.contains(chinese) && zh.contains(facts.Path), qPrintable(zh));
    QVERIFY2(en.contains(english) && en.contains(facts.Path), qPrintable(en));
    // Advice that only fits Linux has no place here.
    QVERIFY2(!zh.contains("sudo") && !en.contains("sudo"), qPrintable(zh + en));
}

void OpenErrorsOnWindowsTest::portNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("COM4") << "COM4"
                          << "\\\\.\\COM4";
    QTest::newRow("com12, any case") << "com12"
                                     << "\\\\.\\COM12";
    QTest::newRow("a device path") << "\\\\.\\COM21"
                                   << "\\\\.\\COM21";
    QTest::newRow("another name") << "CNCA0"
                                  << "\\\\.\\CNCA0";
}

void OpenErrorsOnWindowsTest::portNames() {
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(ResolvePortName(name), path);
}

// Qt's own texts (the buttons of boxes) in Chinese come with the program: a Windows PC has no
// copy of Qt's translations.
void OpenErrorsOnWindowsTest::qtTextsInChinese() {
    UseLanguage(TLanguage::Chinese);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
    UseLanguage(TLanguage::English);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("OK"));
    UseLanguage(TLanguage::Chinese);
}

QTEST_GUILESS_MAIN(OpenErrorsOnWindowsTest)
#include "test_open_errors.moc"
