#include "ui/text_codec.h"

#include "protocol/int_conv.h"
#include "ui/error_report.h"

#include <QList>

std::string ToBytes(const QString& text) {
    std::string bytes;
    bytes.reserve(size_t(text.size()));
    for (char32_t c : text.toUcs4())
        bytes.push_back(c <= 0xFF ? char(c) : '?');
    return bytes;
}

QString FromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

int32_t TextToInt(const QString& text) {
    try {
        return StrToInt(text.toStdString());
    } catch (const EConvertError&) {
        throw EAppError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
}
