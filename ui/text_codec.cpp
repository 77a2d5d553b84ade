#include "ui/text_codec.h"

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
