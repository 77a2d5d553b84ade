// Configuration files: a device's settings (all but the board's serial number and tester) as
// JSON a person can read and edit.
//
//   {
//     "format": "vq830-settings", "version": 1,
//     "workMode": 0,
//     "ports": { "Z": { "baud": 9600, "parity": "None", "stopBits": 1 }, "A": ..., "B": ...,
//                "C": ... },
//     "times": { "OTM": "010", "RTM": "010", "ODM": "010" },
//     "slots": { "1": { "enabled": true, "command": "0103000000044409",
//                       "header": ["01", "03", "00"] }, ... "9": ... }
//   }
//
// Reading is all or nothing: any fault raises ESettingsFileError naming the field and value.
#pragma once

#include "protocol/settings.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <stdexcept>

inline constexpr char kSettingsFormat[] = "vq830-settings";
inline constexpr int kSettingsVersion = 1;

class ESettingsFileError : public std::runtime_error {
public:
    enum class Reason {
        Unreadable,   // the file cannot be read (detail: the system's reason)
        Unwritable,   // the file cannot be written (detail: the system's reason)
        NotJson,      // detail: the parser's message and offset
        WrongFormat,  // "format" is not kSettingsFormat
        WrongVersion, // "version" is not kSettingsVersion
        UnknownKey,
        Missing,
        WrongType,
        OutOfRange, // problem says how, where the setting check found it
    };
    ESettingsFileError(Reason reason, QString field, QString value, QString detail = {},
                       std::optional<SettingProblem> problem = std::nullopt);

    Reason reason;
    QString field; // the key's path: "ports.Z.baud", "slots.3.header"; empty for the whole file
    QString value; // the value found, as text
    QString detail;
    std::optional<SettingProblem> problem;
};

// The key path of a setting in the file: "workMode", "ports.Z.baud", "times.OTM",
// "slots.3.enabled", "slots.3.command", "slots.3.header[1]" (header bytes counted from 1).
QString JsonPath(SettingField field);

// The file's text. Precondition: CheckConfig(settings) finds nothing (else
// ESettingsFileError::OutOfRange).
QByteArray SettingsToJson(const DeviceSettings& settings);
// The settings of a file's text over `base`, which gives the fields a file does not hold.
DeviceSettings SettingsFromJson(const QByteArray& json, const DeviceSettings& base = {});

// Written atomically: a failed save leaves any earlier file as it was.
void SaveSettingsFile(const QString& path, const DeviceSettings& settings);
DeviceSettings LoadSettingsFile(const QString& path, const DeviceSettings& base = {});

// The error in English, for the command line: "ports.Z.baud: 9601 is not a baud rate of the
// list" and the like.
QString EnglishMessage(const ESettingsFileError& error);
// The error as the window says it, naming the file, in the language it speaks:
// "配置文件“…”中“ports.A.baud”的值“1201”超出范围".
QString WindowMessage(const ESettingsFileError& error, const QString& path);
// A setting's problem in words, as a QString, in `language` whatever translation is installed
// (the command line's English).
QString ProblemWords(SettingProblem problem, TextLanguage language);
// The same as the window says it: the Chinese words in the language of the translation
// installed.
QString ProblemWords(SettingProblem problem);
