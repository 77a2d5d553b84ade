// Helpers shared by the protocol tests.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

#include "protocol/replies.h"

// Bytes of a std::string_view, embedded NULs included.
inline QByteArray Bytes(std::string_view text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string_view View(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// Printable form of 8-bit text: bytes outside 0x20..0x7e as \xHH.
inline QString Escaped(std::string_view text) {
    QString out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\')
            out += QChar(byte);
        else
            out += QStringLiteral("\\x%1").arg(byte, 2, 16, QChar('0'));
    }
    return out;
}

// One line describing a parse result, in application order:
//   select:  SETTING=#index      text:  SETTING='text'
// then " !'error text'" when a conversion failed and " ->mode" with the RecvMode after.
inline QString Render(const ParseResult& result) {
    QStringList parts;
    for (const SettingUpdate& u : result.updates) {
        const QString name = QString::fromStdString(FieldName(u.field));
        if (IsListField(u.field))
            parts << QStringLiteral("%1=#%2").arg(name).arg(u.index);
        else
            parts << QStringLiteral("%1='%2'").arg(name, Escaped(u.text));
    }
    if (result.errorText) parts << QStringLiteral("!'%1'").arg(Escaped(*result.errorText));
    parts << QStringLiteral("->%1").arg(static_cast<int>(result.recvModeAfter));
    return parts.join(' ');
}
