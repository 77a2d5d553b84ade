// Configuration files through the window's "保存配置" and "载入配置": what is saved loads into a
// fresh window as it was, and a file the window cannot take changes nothing and says why.
#include "../form_parts.h"
#include "config/settings_file.h"
#include "modal_capture.h"
#include "ui/config_file_actions.h"
#include "ui/main_window.h"
#include "ui/settings_binding.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

QPushButton* ButtonOf(TForm1& form, int n) {
    return form.findChild<QPushButton*>(QStringLiteral("Button%1").arg(n));
}

DeviceSettings Sample() {
    DeviceSettings c;
    c.workMode = 2;
    c.ports[1] = {0, 1, 1};
    c.times = {"7", "120", "999"};
    c.readSlots[0] = {0, "0A0B", {"A1", "B1", "C1"}};
    c.readSlots[8].command = "";
    return c;
}

} // namespace

class ConfigFilesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void savedLoadsIntoAFreshWindow();
    void badFileChangesNothing_data();
    void badFileChangesNothing();

private:
    QTemporaryDir dir;
    QString Path(const QString& name) const { return dir.path() + "/" + name; }
};

void ConfigFilesTest::initTestCase() {
    QVERIFY(dir.isValid());
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit()); // where the last directory is kept
}

void ConfigFilesTest::savedLoadsIntoAFreshWindow() {
    TForm1 saved;
    PartOf<TSettingsBinding>(saved).ShowSettings(Sample());
    QString offered;
    PartOf<TConfigFileActions>(saved).AskFileName = [&](bool save, const QString& from) {
        offered = from;
        return save ? Path("board.json") : QString();
    };
    QCOMPARE(CaptureModal([&] { ButtonOf(saved, 57)->click(); }).count, 0);
    QFile file(Path("board.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("\"format\": \"vq830-settings\""));
    QVERIFY(text.contains("\"baud\": 1200"));
    QVERIFY(text.contains("\"parity\": \"Odd\""));
    QCOMPARE(QSettings("vq830", "vq830-tool").value("configDir").toString(), dir.path());

    TForm1 loaded;
    PartOf<TConfigFileActions>(loaded).AskFileName = [&](bool save, const QString& from) {
        offered = from;
        return save ? QString() : Path("board.json");
    };
    QCOMPARE(CaptureModal([&] { ButtonOf(loaded, 58)->click(); }).count, 0);
    QCOMPARE(offered, dir.path()); // the last directory used
    QVERIFY(PartOf<TSettingsBinding>(loaded).Settings() ==
            PartOf<TSettingsBinding>(saved).Settings());
    QVERIFY(PartOf<TSettingsBinding>(loaded).Settings() == Sample());
    QVERIFY(loaded.ui.discomm->text().isEmpty()); // nothing was sent
}

// Each row changes the saved text of Sample() once and names what the error box must say.
void ConfigFilesTest::badFileChangesNothing_data() {
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("said");
    auto row = [](const char* name, const char* from, const char* to, const char* said) {
        QTest::newRow(name) << QByteArray(from) << QByteArray(to) << QString::fromUtf8(said);
    };
    row("not JSON", "{", "{ not json", "不是有效的 JSON");
    row("wrong format name", "vq830-settings", "vq831-settings", "格式名“vq831-settings”");
    row("wrong version", "\"version\": 1", "\"version\": 2", "版本“2”不受支持");
    row("unknown key", "\"workMode\"", "\"colour\": 1, \"workMode\"", "未知的键“colour”");
    row("unknown nested key", "\"stopBits\": 2", "\"stopBits\": 2, \"speed\": 0",
        "未知的键“ports.A.speed”");
    row("missing field", "\"enabled\": false,", "", "缺少“slots.1.enabled”");
    row("wrong type", "\"enabled\": false", "\"enabled\": \"no\"",
        "“slots.1.enabled”的值“no”类型不对");
    row("baud not in the list", "\"baud\": 1200", "\"baud\": 1201",
        "“ports.A.baud”的值“1201”超出范围");
    row("odd command", "\"0A0B\"", "\"0A0B0\"",
        "“slots.1.command”的值“0A0B0”超出范围：输入数据不能为单数");
    row("header over two characters", "\"A1\"", "\"A1B\"",
        "“slots.1.header[1]”的值“A1B”超出范围：应为两位十六进制数");
    row("time over three digits", "\"999\"", "\"1000\"",
        "“times.ODM”的值“1000”超出范围：不是 1 到 3 位数字");
    row("work mode past the list", "\"workMode\": 2", "\"workMode\": 3",
        "“workMode”的值“3”超出范围：不在列表中");
}

void ConfigFilesTest::badFileChangesNothing() {
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, said);
    QByteArray text = SettingsToJson(Sample());
    QVERIFY2(text.contains(from), text.constData());
    text.replace(text.indexOf(from), from.size(), to);
    QFile file(Path("bad.json"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();

    TForm1 form;
    const DeviceSettings before = PartOf<TSettingsBinding>(form).Settings();
    PartOf<TConfigFileActions>(form).AskFileName = [&](bool, const QString&) {
        return Path("bad.json");
    };
    const ModalCapture box = CaptureModal([&] { ButtonOf(form, 58)->click(); });
    QCOMPARE(box.count, 1);
    QVERIFY2(box.text.contains(said), qPrintable(box.text));
    QVERIFY(PartOf<TSettingsBinding>(form).Settings() == before);
}

QTEST_MAIN(ConfigFilesTest)
#include "test_config_files.moc"
