// What the command line prints. On Windows a console shows it through the wide-character
// console API, so Chinese text shows whatever the console's code page; a file or a pipe gets
// UTF-8. Elsewhere the text goes out in the locale's encoding, as the terminal expects.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstdio>

// Text for the user (a message, a table of lines).
void WriteText(std::FILE* stream, const QString& text);
// Text already in UTF-8 (JSON, CSV): the same bytes to a file or a pipe.
void WriteUtf8(std::FILE* stream, QByteArrayView utf8);
