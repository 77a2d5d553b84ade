// Read all and write all, and configuration files.
#include "config/settings_file.h"
#include "ui/batch_controller.h"
#include "ui/error_report.h"
#include "ui/main_window.h"
#include "ui/settings_binding.h"
#include "ui/status_line.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

void TForm1::WireConfigFiles() {
    AskFileName = [this](bool save, const QString& dir) {
        const QString filter = QStringLiteral("配置文件 (*.json);;所有文件 (*)");
        if (!save)
            return QFileDialog::getOpenFileName(this, QStringLiteral("载入配置"), dir, filter);
        QString name = QFileDialog::getSaveFileName(this, QStringLiteral("保存配置"),
                                                    dir + QStringLiteral("/vq830.json"), filter);
        if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".json");
        return name;
    };
}

// "读取全部": the system query, then every slot's command and header queries.
void TForm1::Button55Click() { Batches->ReadAll(); }

// "写入全部": every setting of a configuration, then all of it read back and compared.
void TForm1::Button56Click() { Batches->WriteAll(); }

// ---- Configuration files ------------------------------------------------------------

QString TForm1::LastConfigDir() const {
    return QSettings(QStringLiteral("vq830"), QStringLiteral("vq830-tool"))
        .value(QStringLiteral("configDir"), QDir::homePath())
        .toString();
}

void TForm1::RememberConfigDir(const QString& path) {
    QSettings(QStringLiteral("vq830"), QStringLiteral("vq830-tool"))
        .setValue(QStringLiteral("configDir"), QFileInfo(path).absolutePath());
}

// "保存配置": everything write all sends, to a file.
void TForm1::Button57Click() {
    const DeviceSettings settings = Binding->Settings();
    Binding->RefuseUnfit(settings, QStringLiteral("配置未保存"));
    const QString path = AskFileName(true, LastConfigDir());
    if (path.isEmpty()) return;
    RememberConfigDir(path);
    try {
        SaveSettingsFile(path, settings);
    } catch (const ESettingsFileError& e) {
        throw EAppError(ChineseMessage(e, path));
    }
    Status->Show(QStringLiteral("配置已保存：%1").arg(path));
}

// "载入配置": a file's settings into the window, all or nothing; nothing is sent.
void TForm1::Button58Click() {
    const QString path = AskFileName(false, LastConfigDir());
    if (path.isEmpty()) return;
    RememberConfigDir(path);
    DeviceSettings settings;
    try {
        settings = LoadSettingsFile(path, Binding->Settings());
    } catch (const ESettingsFileError& e) {
        throw EAppError(ChineseMessage(e, path));
    }
    Binding->ShowSettings(settings);
    Status->Show(QStringLiteral("配置已载入：%1").arg(path));
}
