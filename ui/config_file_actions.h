// "保存配置" and "载入配置": the window's settings to a configuration file and back, in the
// folder used last (remembered in the tool's settings).
#pragma once

#include "protocol/settings.h"

#include <QObject>
#include <QString>
#include <functional>

class QWidget;
class TSettingsBinding;
class TStatusLine;

class TConfigFileActions : public QObject {
    Q_OBJECT
public:
    TConfigFileActions(TSettingsBinding& binding, TStatusLine& status, QWidget* window);

    // Everything write all sends, to a file.
    void Save();
    // A file's settings into the window, all or nothing; nothing is sent.
    void Load();

    // Asks for a configuration file's name (tests may answer instead); empty when cancelled.
    std::function<QString(bool save, const QString& dir)> AskFileName;
    // The file saved or loaded last, when `settings` are the configuration it holds; else empty.
    QString FileHolding(const DeviceSettings& settings) const;

private:
    QString LastConfigDir() const;
    void RememberConfigDir(const QString& path);

    TSettingsBinding& binding_;
    TStatusLine& status_;
    QString lastFile_;
    DeviceSettings lastSettings_; // what it holds
};
