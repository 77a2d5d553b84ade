#include "ui/config_file_actions.h"

#include "config/settings_file.h"
#include "ui/error_report.h"
#include "ui/settings_binding.h"
#include "ui/status_line.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

namespace {

QString AskWithDialog(QWidget* window, bool save, const QString& dir) {
    //: the file dialog's filters: keep the patterns in brackets and the ";;" between them
    const QString filter =
        QCoreApplication::translate("TConfigFileActions", "配置文件 (*.json);;所有文件 (*)");
    if (!save)
        return QFileDialog::getOpenFileName(
            window, QCoreApplication::translate("TConfigFileActions", "载入配置"), dir, filter);
    QString name = QFileDialog::getSaveFileName(
        window, QCoreApplication::translate("TConfigFileActions", "保存配置"),
        dir + QStringLiteral("/vq830.json"), filter);
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".json");
    return name;
}

} // namespace

TConfigFileActions::TConfigFileActions(TSettingsBinding& binding, TStatusLine& status,
                                       QWidget* window)
    : QObject(window), binding_(binding), status_(status) {
    AskFileName = [window](bool save, const QString& dir) {
        return AskWithDialog(window, save, dir);
    };
}

QString TConfigFileActions::LastConfigDir() const {
    return QSettings(QStringLiteral("vq830"), QStringLiteral("vq830-tool"))
        .value(QStringLiteral("configDir"), QDir::homePath())
        .toString();
}

void TConfigFileActions::RememberConfigDir(const QString& path) {
    QSettings(QStringLiteral("vq830"), QStringLiteral("vq830-tool"))
        .setValue(QStringLiteral("configDir"), QFileInfo(path).absolutePath());
}

void TConfigFileActions::Save() {
    const DeviceSettings settings = binding_.Settings();
    //: why nothing was saved: said after what is wrong with a setting
    binding_.RefuseUnfit(settings, tr("配置未保存"));
    const QString path = AskFileName(true, LastConfigDir());
    if (path.isEmpty()) return;
    RememberConfigDir(path);
    try {
        SaveSettingsFile(path, settings);
    } catch (const ESettingsFileError& e) {
        throw EAppError(WindowMessage(e, path));
    }
    lastFile_ = path;
    lastSettings_ = settings;
    status_.Show([path] { return tr("配置已保存：%1").arg(path); });
}

void TConfigFileActions::Load() {
    const QString path = AskFileName(false, LastConfigDir());
    if (path.isEmpty()) return;
    RememberConfigDir(path);
    DeviceSettings settings;
    try {
        settings = LoadSettingsFile(path, binding_.Settings());
    } catch (const ESettingsFileError& e) {
        throw EAppError(WindowMessage(e, path));
    }
    binding_.ShowSettings(settings);
    lastFile_ = path;
    lastSettings_ = settings;
    status_.Show([path] { return tr("配置已载入：%1").arg(path); });
}

QString TConfigFileActions::FileHolding(const DeviceSettings& settings) const {
    if (lastFile_.isEmpty() || !Differences(settings, lastSettings_, ConfigFields()).empty())
        return {};
    return lastFile_;
}
