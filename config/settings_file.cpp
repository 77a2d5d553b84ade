#include "config/settings_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <cmath>

using Reason = ESettingsFileError::Reason;

namespace {

const QStringList kTimeNames = {"OTM", "RTM", "ODM"};

QString Text(const std::string& bytes) { return QString::fromLatin1(bytes); }

QString PortKey(int port) { return QString(QChar(kPortLetters.at(size_t(port)))); }

// A JSON value as a person would type it.
QString ValueText(const QJsonValue& v) {
    if (v.isString()) return v.toString();
    const QByteArray wrapped = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

QString Join(const QString& path, const QString& key) {
    return path.isEmpty() ? key : path + "." + key;
}

// The object's keys must be exactly `keys`: an unknown one is refused first, then a missing one.
void CheckKeys(const QJsonObject& object, const QStringList& keys, const QString& path) {
    for (auto it = object.begin(); it != object.end(); ++it)
        if (!keys.contains(it.key()))
            throw ESettingsFileError(Reason::UnknownKey, Join(path, it.key()), ValueText(*it));
    for (const QString& key : keys)
        if (!object.contains(key))
            throw ESettingsFileError(Reason::Missing, Join(path, key), QString());
}

QJsonObject ObjectAt(const QJsonObject& parent, const QString& key, const QString& path,
                     const QStringList& keys) {
    const QJsonValue v = parent.value(key);
    if (!v.isObject()) throw ESettingsFileError(Reason::WrongType, Join(path, key), ValueText(v));
    CheckKeys(v.toObject(), keys, Join(path, key));
    return v.toObject();
}

int IntegerAt(const QJsonObject& parent, const QString& key, const QString& path) {
    const QJsonValue v = parent.value(key);
    const double d = v.toDouble();
    if (!v.isDouble() || d != std::floor(d) || std::abs(d) > 1e9)
        throw ESettingsFileError(Reason::WrongType, Join(path, key), ValueText(v));
    return int(d);
}

std::string StringAt(const QJsonValue& v, const QString& field) {
    if (!v.isString()) throw ESettingsFileError(Reason::WrongType, field, ValueText(v));
    const QString s = v.toString();
    for (const QChar c : s)
        if (c.unicode() > 0xff) throw ESettingsFileError(Reason::OutOfRange, field, s);
    return s.toLatin1().toStdString();
}

// The index of `value` in a list of items, or an out-of-range error naming the field.
template <typename List, typename Value>
int IndexIn(const List& list, const Value& value, const QString& field, const QString& shown) {
    const auto it = std::find(list.begin(), list.end(), value);
    if (it == list.end()) throw ESettingsFileError(Reason::OutOfRange, field, shown);
    return int(it - list.begin());
}

QJsonObject PortToJson(const PortConfig& p) {
    return {{"baud", kBaudRates.at(size_t(p.baud))},
            {"parity", QString::fromLatin1(kParityNames.at(size_t(p.parity)))},
            {"stopBits", kStopBits.at(size_t(p.stop))}};
}

QJsonObject SlotToJson(const SlotConfig& s) {
    return {{"enabled", s.enable == 1},
            {"command", Text(s.command)},
            {"header", QJsonArray{Text(s.header[0]), Text(s.header[1]), Text(s.header[2])}}};
}

void ReadPorts(const QJsonObject& root, DeviceSettings& s) {
    const QJsonObject ports = ObjectAt(root, "ports", {}, {"Z", "A", "B", "C"});
    for (int p = 0; p < kPortCount; ++p) {
        const QString path = "ports." + PortKey(p);
        const QJsonObject o = ObjectAt(ports, PortKey(p), "ports", {"baud", "parity", "stopBits"});
        const int baud = IntegerAt(o, "baud", path);
        s.ports[size_t(p)].baud = IndexIn(kBaudRates, baud, path + ".baud", QString::number(baud));
        const std::string parity = StringAt(o.value("parity"), path + ".parity");
        s.ports[size_t(p)].parity =
            IndexIn(kParityNames, std::string_view(parity), path + ".parity", Text(parity));
        const int stop = IntegerAt(o, "stopBits", path);
        s.ports[size_t(p)].stop =
            IndexIn(kStopBits, stop, path + ".stopBits", QString::number(stop));
    }
}

void ReadSlots(const QJsonObject& root, DeviceSettings& s) {
    QStringList numbers;
    for (int i = 1; i <= kSlotCount; ++i)
        numbers << QString::number(i);
    const QJsonObject slotMap = ObjectAt(root, "slots", {}, numbers);
    for (int i = 0; i < kSlotCount; ++i) {
        const QString path = "slots." + numbers[i];
        const QJsonObject o =
            ObjectAt(slotMap, numbers[i], "slots", {"enabled", "command", "header"});
        const QJsonValue enabled = o.value("enabled");
        if (!enabled.isBool())
            throw ESettingsFileError(Reason::WrongType, path + ".enabled", ValueText(enabled));
        SlotConfig& slot = s.readSlots[size_t(i)];
        slot.enable = enabled.toBool() ? 1 : 0;
        slot.command = StringAt(o.value("command"), path + ".command");
        const QJsonValue header = o.value("header");
        if (!header.isArray() || header.toArray().size() != 3)
            throw ESettingsFileError(Reason::WrongType, path + ".header", ValueText(header));
        for (int b = 0; b < 3; ++b)
            slot.header[size_t(b)] =
                StringAt(header.toArray().at(b), path + QStringLiteral(".header[%1]").arg(b + 1));
    }
}

void ReadRoot(const QJsonObject& root, DeviceSettings& s) {
    CheckKeys(root, {"format", "version", "workMode", "ports", "times", "slots"}, {});
    if (root.value("format").toString() != QLatin1String(kSettingsFormat))
        throw ESettingsFileError(Reason::WrongFormat, "format", ValueText(root.value("format")));
    if (!root.value("version").isDouble() || root.value("version").toDouble() != kSettingsVersion)
        throw ESettingsFileError(Reason::WrongVersion, "version", ValueText(root.value("version")));
    s.workMode = IntegerAt(root, "workMode", {});
    ReadPorts(root, s);
    const QJsonObject times = ObjectAt(root, "times", {}, kTimeNames);
    for (int t = 0; t < kTimeCount; ++t)
        s.times[size_t(t)] = StringAt(times.value(kTimeNames[t]), "times." + kTimeNames[t]);
    ReadSlots(root, s);
}

} // namespace

ESettingsFileError::ESettingsFileError(Reason reason, QString field, QString value, QString detail,
                                       std::optional<SettingProblem> problem)
    : std::runtime_error(QStringLiteral("%1: %2")
                             .arg(field.isEmpty() ? QStringLiteral("file") : field, value)
                             .toStdString()),
      reason(reason), field(std::move(field)), value(std::move(value)), detail(std::move(detail)),
      problem(problem) {}

QString JsonPath(SettingField f) {
    const QString slot = QStringLiteral("slots.%1").arg(f.index + 1);
    switch (f.kind) {
    case SettingKind::WorkMode:
        return "workMode";
    case SettingKind::Baud:
        return "ports." + PortKey(f.index) + ".baud";
    case SettingKind::Parity:
        return "ports." + PortKey(f.index) + ".parity";
    case SettingKind::Stop:
        return "ports." + PortKey(f.index) + ".stopBits";
    case SettingKind::Time:
        return "times." + kTimeNames.at(f.index);
    case SettingKind::SlotEnable:
        return slot + ".enabled";
    case SettingKind::SlotCommand:
        return slot + ".command";
    case SettingKind::SlotHeader:
        return slot + QStringLiteral(".header[%1]").arg(f.byte + 1);
    default:
        return QString::fromStdString(FieldName(f));
    }
}

QByteArray SettingsToJson(const DeviceSettings& s) {
    if (const std::optional<SettingError> e = CheckConfig(s))
        throw ESettingsFileError(Reason::OutOfRange, JsonPath(e->field), Text(e->value), {},
                                 e->problem);
    QJsonObject ports, times, slotMap;
    for (int p = 0; p < kPortCount; ++p)
        ports.insert(PortKey(p), PortToJson(s.ports[size_t(p)]));
    for (int t = 0; t < kTimeCount; ++t)
        times.insert(kTimeNames[t], Text(s.times[size_t(t)]));
    for (int i = 0; i < kSlotCount; ++i)
        slotMap.insert(QString::number(i + 1), SlotToJson(s.readSlots[size_t(i)]));
    const QJsonObject root{{"format", kSettingsFormat},
                           {"version", kSettingsVersion},
                           {"workMode", s.workMode},
                           {"ports", ports},
                           {"times", times},
                           {"slots", slotMap}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

DeviceSettings SettingsFromJson(const QByteArray& json, const DeviceSettings& base) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw ESettingsFileError(
            Reason::NotJson, {}, {},
            QStringLiteral("%1 (offset %2)").arg(error.errorString()).arg(error.offset));
    if (!doc.isObject()) throw ESettingsFileError(Reason::NotJson, {}, {}, "not an object");
    DeviceSettings s = base;
    ReadRoot(doc.object(), s);
    if (const std::optional<SettingError> e = CheckConfig(s))
        throw ESettingsFileError(Reason::OutOfRange, JsonPath(e->field), Text(e->value), {},
                                 e->problem);
    return s;
}

void SaveSettingsFile(const QString& path, const DeviceSettings& settings) {
    const QByteArray json = SettingsToJson(settings);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit())
        throw ESettingsFileError(Reason::Unwritable, {}, path, file.errorString());
}

DeviceSettings LoadSettingsFile(const QString& path, const DeviceSettings& base) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ESettingsFileError(Reason::Unreadable, {}, path, file.errorString());
    return SettingsFromJson(file.readAll(), base);
}

QString EnglishMessage(const ESettingsFileError& e) {
    const QString where = e.field.isEmpty() ? QString() : e.field + ": ";
    switch (e.reason) {
    case Reason::Unreadable:
        return QStringLiteral("cannot read %1: %2").arg(e.value, e.detail);
    case Reason::Unwritable:
        return QStringLiteral("cannot write %1: %2").arg(e.value, e.detail);
    case Reason::NotJson:
        return QStringLiteral("not a JSON settings file: %1").arg(e.detail);
    case Reason::WrongFormat:
        return where + QStringLiteral("'%1' is not \"%2\"").arg(e.value, kSettingsFormat);
    case Reason::WrongVersion:
        return where + QStringLiteral("version %1 is not %2").arg(e.value).arg(kSettingsVersion);
    case Reason::UnknownKey:
        return where + QStringLiteral("unknown key");
    case Reason::Missing:
        return where + QStringLiteral("missing");
    case Reason::WrongType:
        return where + QStringLiteral("'%1' has the wrong type").arg(e.value);
    case Reason::OutOfRange:
        return where + QStringLiteral("'%1' is out of range").arg(e.value);
    }
    return where + e.value;
}

QString ProblemWords(SettingProblem problem, TextLanguage language) {
    const std::string_view text = ProblemText(problem, language);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString ProblemWords(SettingProblem problem) {
    return QCoreApplication::translate("SettingProblem",
                                       ProblemText(problem, TextLanguage::Chinese).data());
}

namespace {

QString OutOfRangeMessage(const ESettingsFileError& e, const QString& path) {
    if (!e.problem)
        //: %1: the file; %2: the key; %3: its value
        return QCoreApplication::translate("SettingsFile", "配置文件“%1”中“%2”的值“%3”超出范围")
            .arg(path, e.field, e.value);
    //: %1: the file; %2: the key; %3: its value; %4: what is wrong with it
    return QCoreApplication::translate("SettingsFile", "配置文件“%1”中“%2”的值“%3”超出范围：%4")
        .arg(path, e.field, e.value, ProblemWords(*e.problem));
}

} // namespace

QString WindowMessage(const ESettingsFileError& e, const QString& path) {
    switch (e.reason) {
    case Reason::Unreadable:
        //: %1: the file; %2: the system's reason
        return QCoreApplication::translate("SettingsFile", "无法读取配置文件“%1”：%2")
            .arg(path, e.detail);
    case Reason::Unwritable:
        //: %1: the file; %2: the system's reason
        return QCoreApplication::translate("SettingsFile", "无法保存配置文件“%1”：%2")
            .arg(path, e.detail);
    case Reason::NotJson:
        //: %1: the file; %2: the JSON parser's message (in English)
        return QCoreApplication::translate("SettingsFile", "配置文件“%1”不是有效的 JSON：%2")
            .arg(path, e.detail);
    case Reason::WrongFormat:
        //: %1: the file; %2: the format name found; %3: the one expected
        return QCoreApplication::translate("SettingsFile", "配置文件“%1”的格式名“%2”不是“%3”")
            .arg(path, e.value, QLatin1String(kSettingsFormat));
    case Reason::WrongVersion:
        //: %1: the file; %2: the version found; %3: the one expected
        return QCoreApplication::translate("SettingsFile",
                                           "配置文件“%1”的版本“%2”不受支持（应为 %3）")
            .arg(path, e.value)
            .arg(kSettingsVersion);
    case Reason::UnknownKey:
        //: %1: the file; %2: the key
        return QCoreApplication::translate("SettingsFile", "配置文件“%1”含有未知的键“%2”")
            .arg(path, e.field);
    case Reason::Missing:
        //: %1: the file; %2: the key
        return QCoreApplication::translate("SettingsFile", "配置文件“%1”缺少“%2”")
            .arg(path, e.field);
    case Reason::WrongType:
        //: %1: the file; %2: the key; %3: its value
        return QCoreApplication::translate("SettingsFile", "配置文件“%1”中“%2”的值“%3”类型不对")
            .arg(path, e.field, e.value);
    case Reason::OutOfRange:
        return OutOfRangeMessage(e, path);
    }
    return QString::fromStdString(e.what());
}
